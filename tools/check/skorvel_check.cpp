// skorvel-check [--play] [PATH]: checks a level folder, a scene list or one
// scene file and prints each finding as FILE:LINE: error|warning: text.
// Exit status 1 when there is an error, 2 for bad usage, 0 otherwise.
#include <cstdio>
#include <cstring>
#include <string>

#include "check/check_level.h"
#include "flow/world.h"

static int usage() {
    fprintf(stderr, "usage: skorvel-check [--play] [LEVEL-FOLDER | scenelist.txt | SCENE-FILE]\n");
    return 2;
}

int main(int argc, char **argv) {
    CheckOptions options;
    std::string path = ".";
    bool pathGiven = false;
    for (int i = 1; i < argc; i++) {
        if (strcmp(argv[i], "--play") == 0)
            options.play = true;
        else if (argv[i][0] == '-' || pathGiven)
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
