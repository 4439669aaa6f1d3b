// The game binary as a black box: its log, its exit status, and what it does
// without a scene list or without a display.
#include <gtest/gtest.h>

#include "support/process.h"
#include "support/temp_dir.h"

namespace {

const int TIMEOUT_MS = 20000;

struct GameRun {
    int status;
    std::string output;
    std::string errors;
};

GameRun runGame(const TempDir &dir, std::initializer_list<std::string> arguments = {},
                std::map<std::string, const char *> environment = {}) {
    Launch launch;
    launch.directory = dir.path();
    for (const std::string &argument : arguments)
        launch.arguments[launch.argumentCount++] = argument;
    launch.environment = environment;
    GameProcess game = startGame(launch);
    GameRun run;
    run.status = waitForExit(game, TIMEOUT_MS);
    run.output = game.output;
    run.errors = game.errors;
    return run;
}

TEST(Startup, EchoesArgumentsThenGivesUpWithoutAList) {
    TempDir dir;
    GameRun run = runGame(dir, {"alpha", "two words"});
    EXPECT_EQ(run.status, 0);
    EXPECT_EQ(run.output,
              "1 alpha\n2 two words\nloading list of scenes...\n"
              "Unable to open scenelist.txt, exiting...\n");
    EXPECT_EQ(run.errors, "");
}

TEST(Startup, BadListsEndTheGameBeforeAnyWindow) {
    struct {
        const char *list;
        const char *log;
    } cases[] = {
        {"", "-1 scenes\ninvalid first line, or number of scenes stated\n"},
        {"scenes 0\n", "0 scenes\ninvalid first line, or number of scenes stated\n"},
        {"scenes 3\na one.txt\nb two.txt\n", "3 scenes\nNot all scene entries valid\n"},
    };
    for (const auto &c : cases) {
        TempDir dir;
        dir.write("scenelist.txt", c.list);
        // No display is offered: had the game gone on to open a window, it
        // would have ended with status 2 instead.
        GameRun run = runGame(dir, {}, {{"DISPLAY", nullptr}, {"SDL_VIDEODRIVER", "x11"}});
        EXPECT_EQ(run.status, 0) << c.list;
        EXPECT_EQ(run.output, std::string("loading list of scenes...\n") + c.log +
                                  "Error in scene list file, scenelist.txt\n");
        EXPECT_EQ(run.errors, "");
    }
}

TEST(Startup, NoDisplayEndsWithTheVideoModeMessageAndStatusTwo) {
    TempDir dir;
    dir.write("scenelist.txt", "scenes 1\nend end.txt\n");
    GameRun run = runGame(dir, {}, {{"DISPLAY", nullptr}, {"SDL_VIDEODRIVER", "x11"}});
    EXPECT_EQ(run.status, 2);
    EXPECT_EQ(run.output,
              "loading list of scenes...\n1 scenes\ndone loading scene list\n"
              "SDL_Init failed with code -1\n");
    const std::string prefix = "Couldn't set a particular GL video mode: ";
    EXPECT_EQ(run.errors.compare(0, prefix.size(), prefix), 0) << run.errors;
    EXPECT_GT(run.errors.size(), prefix.size() + 1);
    EXPECT_EQ(run.errors.back(), '\n');
    EXPECT_EQ(run.errors.find('\n'), run.errors.size() - 1);
}

}  // namespace
