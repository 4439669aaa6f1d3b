// The real game under an X server of its own, driven with xdotool: the keys
// that move through the scene list, quitting, and the closing scene.
#include <gtest/gtest.h>

#include <vector>

#include "support/data_files.h"
#include "support/process.h"
#include "support/temp_dir.h"

namespace {

const int WAIT_MS = 30000;

std::string loaded(const std::string &scene) {
    return "done loading scene from file " + scene + "\n";
}

// Every scene the log shows loaded, in order.
std::vector<std::string> loadsIn(const std::string &log) {
    std::vector<std::string> scenes;
    const std::string marker = "done loading scene from file ";
    for (size_t at = log.find(marker); at != std::string::npos; at = log.find(marker, at + 1)) {
        size_t start = at + marker.size();
        scenes.push_back(log.substr(start, log.find('\n', start) - start));
    }
    return scenes;
}

class Play : public ::testing::Test {
  protected:
    void SetUp() override {
        writeSceneModels();
        dir.write("a.txt", SceneData().text());
        dir.write("b.txt", SceneData().text());
        dir.write("end.txt", SceneData().text());
        SceneData empty;
        empty.pinCount = "0";
        dir.write("nopins.txt", empty.text());
        server = startXServer();
    }
    void TearDown() override {
        if (game.pid > 0) waitForExit(game, 1);
        stopXServer(server);
    }
    void start(const std::string &list) {
        dir.write("scenelist.txt", list);
        Launch launch;
        launch.directory = dir.path();
        // SDL_Quit unloads the GL driver, after which LeakSanitizer can no
        // longer tell the driver's own allocations from the game's; the
        // game's are checked by the in-process tests instead.
        launch.environment = {{"DISPLAY", server.display.c_str()},
                              {"ASAN_OPTIONS", "detect_leaks=0"}};
        launch.pseudoTerminal = true;
        game = startGame(launch);
    }
    bool waitFor(const std::string &text, size_t from = 0) {
        return waitForOutput(game, text, WAIT_MS, from);
    }
    // Holds a key until the log shows what it should cause.
    void holdUntil(const std::string &key, const std::string &text) {
        size_t from = game.output.size();
        xdotool(server, "keydown " + key);
        bool seen = waitFor(text, from);
        xdotool(server, "keyup " + key);
        ASSERT_TRUE(seen) << game.output;
    }
    // A held key acts in every frame until its release reaches the game, so
    // after a release wait until the log has been quiet for a while.
    void settle() {
        size_t seen;
        do {
            seen = game.output.size();
            waitForOutput(game, "\x01never", 500, seen);
        } while (game.output.size() != seen);
    }
    void quitWith(const std::string &key) {
        xdotool(server, "keydown " + key);
        EXPECT_EQ(waitForExit(game, WAIT_MS), 0) << game.output << game.errors;
        xdotool(server, "keyup " + key);
    }
    TempDir dir;
    XServer server;
    GameProcess game;
};

TEST_F(Play, StartsFullScreenAndEscapeQuits) {
    start("scenes 3\na a.txt\nb b.txt\nc end.txt\n");
    ASSERT_TRUE(waitFor(loaded("a.txt"))) << game.output;
    quitWith("Escape");
    const std::string head =
        "loading list of scenes...\n3 scenes\ndone loading scene list\nOpenGL Vendor:   ";
    EXPECT_EQ(game.output.compare(0, head.size(), head), 0) << game.output;
    EXPECT_NE(game.output.find("\nOpenGL Renderer: "), std::string::npos);
    EXPECT_NE(game.output.find("\nOpenGL Version:  "), std::string::npos);
    const std::string tail = loaded("a.txt") + "unloading scene...\n\n....Done....\n";
    EXPECT_EQ(game.output.substr(game.output.size() - tail.size()), tail);
}

TEST_F(Play, CtrlQQuits) {
    start("scenes 2\na a.txt\nc end.txt\n");
    ASSERT_TRUE(waitFor(loaded("a.txt"))) << game.output << game.errors;
    quitWith("ctrl+q");
    EXPECT_EQ(loadsIn(game.output), std::vector<std::string>{"a.txt"});
}

TEST_F(Play, F12MovesOnInListOrder) {
    start("scenes 3\na a.txt\nb b.txt\nc end.txt\n");
    ASSERT_TRUE(waitFor(loaded("a.txt"))) << game.output << game.errors;
    holdUntil("F12", loaded("b.txt"));
    settle();
    quitWith("Escape");
    std::vector<std::string> loads = loadsIn(game.output);
    const std::vector<std::string> order = {"a.txt", "b.txt", "end.txt"};
    for (size_t i = 0; i < loads.size(); i++) EXPECT_EQ(loads[i], order[i % 3]) << i;
    EXPECT_GE(loads.size(), 2u);
}

TEST_F(Play, F5PlaysTheSameSceneAgain) {
    start("scenes 3\na a.txt\nb b.txt\nc end.txt\n");
    ASSERT_TRUE(waitFor(loaded("a.txt"))) << game.output << game.errors;
    holdUntil("F5", "unloading scene...\n" + loaded("a.txt"));
    settle();
    quitWith("Escape");
    std::vector<std::string> loads = loadsIn(game.output);
    EXPECT_GE(loads.size(), 2u);
    for (const std::string &scene : loads) EXPECT_EQ(scene, "a.txt");
}

TEST_F(Play, ASceneWithoutPinsPassesAndAClickLeavesTheClosingScene) {
    start("scenes 2\nempty nopins.txt\nc end.txt\n");
    ASSERT_TRUE(waitFor(loaded("end.txt"))) << game.output;
    EXPECT_NE(game.output.find(loaded("nopins.txt") + "unloading scene...\n" + loaded("end.txt")),
              std::string::npos);
    size_t from = game.output.size();
    xdotool(server, "click 1");
    ASSERT_TRUE(waitFor(loaded("end.txt"), from)) << game.output;
    EXPECT_NE(
        game.output.find("unloading scene...\ncompleted game...\n" + loaded("nopins.txt"), from),
        std::string::npos);
    // Quitting in the closing scene passes the end of the list once more.
    quitWith("Escape");
    const std::string tail = "unloading scene...\ncompleted game...\n\n....Done....\n";
    EXPECT_EQ(game.output.substr(game.output.size() - tail.size()), tail);
}

TEST_F(Play, AMissingSceneEndsTheGame) {
    start("scenes 2\na missing.txt\nc end.txt\n");
    EXPECT_EQ(waitForExit(game, WAIT_MS), 0);
    const std::string tail = "Unable to open file: missing.txt for scene loading\n\n....Done....\n";
    EXPECT_EQ(game.output.substr(game.output.size() - tail.size()), tail);
}

}  // namespace
