// skorvel-check [--play [--step SECONDS]] [PATH]: checks a level folder, a scene list or one
// scene file and prints each finding as FILE:LINE: error|warning: text.
// Exit status 1 when there is an error, 2 for bad usage, 0 otherwise.
#include <cmath>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <string>

#include "check/check_level.h"
#include "flow/world.h"

static int usage() {
    fprintf(stderr,
            "usage: skorvel-check [--play [--step SECONDS]] [LEVEL-FOLDER | scenelist.txt | "
            "SCENE-FILE]\n");
    return 2;
}

// The game drops a frame longer than 0.25 s from game time, so no frame the
// player plays may be longer.
static bool readStep(const char *text, float *step) {
    char *end = nullptr;
    double seconds = text ? strtod(text, &end) : 0.0;
    if (!text || end == text || *end != '\0' || !(seconds > 0.0 && seconds <= 0.25)) {
        fprintf(stderr,
                "skorvel-check: --step takes a frame length in seconds, above 0 and at "
                "most 0.25, as the game plays no longer frame\n");
        return false;
    }
    *step = (float)seconds;
    return true;
}

int main(int argc, char **argv) {
    CheckOptions options;
    std::string path = ".";
    bool pathGiven = false;
    for (int i = 1; i < argc; i++) {
        if (strcmp(argv[i], "--play") == 0)
            options.play = true;
        else if (strcmp(argv[i], "--step") == 0) {
            if (!readStep(argv[++i], &options.step)) return usage();
        } else if (argv[i][0] == '-' || pathGiven)
            return usage();
        else {
            path = argv[i];
            pathGiven = true;
        }
    }
    resetWorld();
    Report report;
    if (!checkPath(path, options, &report)) {
        fprintf(stderr, "skorvel-check: cannot open %s\n", path.c_str());
        return usage();
    }
    printReport(report, stdout);
    return countOf(report, SEVERITY_ERROR) > 0 ? 1 : 0;
}
