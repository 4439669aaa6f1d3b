// skorvel-check [--play [--step SECONDS] [--budget SECONDS]] [PATH]: checks a
// level folder, a scene list or one scene file and prints each finding as
// FILE:LINE: error|warning: text, then a summary line.
// skorvel-check --scenes [PATH]: the scenes the game plays from a list.
// Exit status 1 when there is an error, 2 for bad usage, 0 otherwise.
#include <algorithm>
#include <climits>
#include <cmath>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <string>

#include "check/check_level.h"
#include "flow/clock.h"
#include "flow/world.h"

static const char USAGE[] =
    "usage: skorvel-check [--play [--step SECONDS] [--budget SECONDS]] [PATH]\n"
    "       skorvel-check --scenes [PATH]\n";

// The help text; %g is the longest frame the game plays.
static const char HELP[] =
    "Checks a Skorvel level folder, its scenelist.txt or one scene file, reading every file\n"
    "as the game does, and prints each finding as FILE:LINE: error|warning: text.\n"
    "\n"
    "  PATH               a level folder (the default is the current folder), a file whose\n"
    "                     name starts with 'scenelist', or a scene file\n"
    "  --play             also play every level but the closing one with a simulated player\n"
    "  --step SECONDS     the player's frame length, above 0 and at most %g (default 1/60)\n"
    "  --budget SECONDS   the player's processor time per level before the level counts\n"
    "                     as not decided (default 60)\n"
    "  --scenes           print the scenes the game plays from the list, one a line, in\n"
    "                     order, and the list's own findings on standard error\n"
    "  -h, --help         print this help and exit\n"
    "  --version          print the version and exit\n"
    "\n"
    "Exit status: 0 without errors (warnings allowed), 1 with errors, 2 for bad usage.\n";

static int badUsage(const char *problem) {
    fprintf(stderr, "skorvel-check: %s\n%s", problem, USAGE);
    return 2;
}

// A number of seconds above 0 and at most most.
static bool readSeconds(const char *text, double most, double *seconds) {
    char *end = nullptr;
    double value = text ? strtod(text, &end) : 0.0;
    if (!text || end == text || *end != '\0' || !(value > 0.0 && value <= most)) return false;
    *seconds = value;
    return true;
}

// Why the system cannot open a path it finds too long: a name in it longer
// than a folder entry can be, or the whole path longer than the system takes.
static std::string tooLong(const std::string &path) {
    size_t longest = 0;
    for (size_t from = 0, slash; from <= path.size(); from = slash + 1) {
        slash = std::min(path.find('/', from), path.size());
        longest = std::max(longest, slash - from);
    }
    if (longest > NAME_MAX)
        return formatted(
            "cannot open %s: a name in it is %zu characters long, and the system "
            "takes names of at most %d",
            path.c_str(), longest, NAME_MAX);
    return formatted(
        "cannot open %s: the path is %zu characters long, and the system takes paths "
        "of at most %d; give the path from a folder nearer the level",
        path.c_str(), path.size(), PATH_MAX - 1);
}

int main(int argc, char **argv) {
    CheckOptions options;
    std::string path = ".";
    bool pathGiven = false;
    for (int i = 1; i < argc; i++) {
        const char *arg = argv[i];
        double seconds = 0.0;
        if (strcmp(arg, "--help") == 0 || strcmp(arg, "-h") == 0) {
            printf("%s\n", USAGE);
            printf(HELP, LONGEST_FRAME);
            return 0;
        } else if (strcmp(arg, "--version") == 0) {
            printf("skorvel-check %s\n", SKORVEL_VERSION);
            return 0;
        } else if (strcmp(arg, "--scenes") == 0) {
            options.scenesOnly = true;
        } else if (strcmp(arg, "--play") == 0) {
            options.play = true;
        } else if (strcmp(arg, "--step") == 0) {
            // The game drops a longer frame from game time, so the player plays none.
            if (!readSeconds(i + 1 < argc ? argv[++i] : nullptr, LONGEST_FRAME, &seconds))
                return badUsage(formatted("--step takes a frame length in seconds, above 0 and at "
                                          "most %g, as the game plays no longer frame",
                                          LONGEST_FRAME)
                                    .c_str());
            options.step = (float)seconds;
        } else if (strcmp(arg, "--budget") == 0) {
            if (!readSeconds(i + 1 < argc ? argv[++i] : nullptr, INFINITY, &seconds))
                return badUsage("--budget takes a number of seconds above 0");
            options.budget = seconds;
        } else if (arg[0] == '-' && arg[1] != '\0') {
            return badUsage(formatted("unknown option %s", arg).c_str());
        } else if (pathGiven) {
            return badUsage("give one PATH at most");
        } else {
            path = arg;
            pathGiven = true;
        }
    }
    if (options.scenesOnly && options.play)
        return badUsage("--scenes reads only the list: no --play");
    resetWorld();
    Report report;
    PathResult result = checkPath(path, options, &report);
    if (result == PATH_MISSING)
        return badUsage(
            formatted("cannot open %s: there is no such file or folder", path.c_str()).c_str());
    if (result == PATH_TOO_LONG) return badUsage(tooLong(path).c_str());
    if (result == PATH_NOT_A_FILE)
        return badUsage(formatted("cannot open %s: it is not a regular file or a folder, and the "
                                  "game reads only regular files",
                                  path.c_str())
                            .c_str());
    if (result == PATH_NOT_A_LIST)
        return badUsage(
            formatted("--scenes takes a level folder or its scene list, not %s", path.c_str())
                .c_str());
    if (!options.scenesOnly) {
        printReport(report, stdout);
        return report.errors > 0 ? 1 : 0;
    }
    printFindings(report, stderr);
    if (report.errors > 0) return 1;
    for (const std::string &scene : report.scenes) printf("%s\n", scene.c_str());
    return 0;
}
