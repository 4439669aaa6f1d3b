#include <GL/gl.h>
#include <gtest/gtest.h>
#include <sys/stat.h>

#include <algorithm>
#include <cmath>
#include <cstring>
#include <vector>

#include "flow/level.h"
#include "flow/memory.h"
#include "scene/scene.h"
#include "support/capture.h"
#include "support/data_files.h"
#include "support/gl_window.h"
#include "support/temp_dir.h"

namespace {

const std::string priorError = "error in scene file somewhere prior to pin specific information\n";
const std::string pinError =
    "file didn't contain enough correctly formatted information about pins\nunloading scene...\n";

struct SceneLoad {
    int32_t result;
    std::string log;
};

class SceneTest : public ::testing::Test {
  protected:
    void SetUp() override {
        openTestWindow();
        writeSceneModels();
        ASSERT_EQ(mkfifo("fifo", 0600), 0);
    }
    SceneLoad load(const std::string &text, const char *path = "scene.txt") {
        dir.write("scene.txt", text);
        SceneLoad result;
        result.log = captureStdout([&] { result.result = loadScene(path); });
        return result;
    }
    std::vector<GLuint> lists() {
        std::vector<GLuint> all = {sceneDisplayList, ball.displayList};
        for (int i = 0; pins && i < pinCount; i++) all.push_back(pins[i].displayList);
        return all;
    }
    // The scene is released: no mesh, no pins and none of its lists.
    void expectReleased(const std::vector<GLuint> &made) {
        EXPECT_EQ(collisionMesh, nullptr);
        EXPECT_EQ(pins, nullptr);
        for (GLuint list : made) EXPECT_FALSE(glIsList(list)) << list;
    }
    TempDir dir;
};

TEST_F(SceneTest, EveryValueReachesItsGlobalAndTheLevelIsReadyToDraw) {
    SceneLoad loaded = load(SceneData().text());
    ASSERT_EQ(loaded.result, 1);
    EXPECT_EQ(loaded.log, "done loading scene from file scene.txt\n");
    EXPECT_EQ(hudColor.y, 0.5f);
    EXPECT_EQ(fallHeight, -5.0f);
    EXPECT_EQ(cameraPosition.z, 3.0f);
    EXPECT_EQ(pinsStanding, 2);
    EXPECT_EQ(ball.position.y, -2.0f);
    EXPECT_EQ(ball.radius, 0.5f);
    EXPECT_EQ(ball.mass, 7.0f);
    ASSERT_NE(pins, nullptr);
    EXPECT_EQ(pins[1].position.x, 1.0f);
    EXPECT_EQ(pins[1].startPosition.y, 5.0f);
    EXPECT_EQ(pins[1].radius, 0.4f);
    EXPECT_EQ(pins[1].mass, 2.0f);
    EXPECT_EQ(pins[1].active, 1);
    ASSERT_NE(collisionMesh, nullptr);
    EXPECT_NE(collisionMesh->next, nullptr);
    for (GLuint list : lists()) EXPECT_TRUE(glIsList(list));
    // The camera looks from (0, -10, 3) at the ball at (0, -2, 0.5).
    EXPECT_FLOAT_EQ(viewDirection.y, 8.0f / std::sqrt(70.25f));
    EXPECT_FLOAT_EQ(viewDirection.z, -2.5f / std::sqrt(70.25f));
    GLfloat clear[4], clearDepth;
    glGetFloatv(GL_COLOR_CLEAR_VALUE, clear);
    glGetFloatv(GL_DEPTH_CLEAR_VALUE, &clearDepth);
    EXPECT_EQ(clear[2], 0.3f);
    EXPECT_EQ(clearDepth, 1.0f);
    EXPECT_TRUE(glIsEnabled(GL_DEPTH_TEST) && glIsEnabled(GL_CULL_FACE));

    std::vector<GLuint> made = lists();
    EXPECT_EQ(captureStdout(unloadScene), "unloading scene...\n");
    expectReleased(made);
    EXPECT_EQ(pinCount, 2);  // kept until the next load
    EXPECT_EQ(captureStdout(unloadScene), "unloading scene...\n");
}

TEST_F(SceneTest, LayoutAndLabelLengthAreFreeAndTrailingTextIsIgnored) {
    std::string text = SceneData().text(), oneLine = text;
    std::replace(oneLine.begin(), oneLine.end(), '\n', ' ');
    for (const std::string &variant :
         {text, oneLine + "\n\nwhatever [follows} here", lengthenLabels(text)}) {
        ASSERT_EQ(load(variant).result, 1) << variant;
        EXPECT_EQ(pins[1].startPosition.x, 1.0f);
        EXPECT_EQ(pins[1].mass, 2.0f);
        captureStdout(unloadScene);
    }
}

TEST_F(SceneTest, PinCountsOfOneOrNoneLoad) {
    SceneData one;
    for (const char *count : {"1", "0", "-3"}) {
        one.pinCount = count;
        SceneLoad loaded = load(one.text());
        EXPECT_EQ(loaded.result, 1) << count;
        EXPECT_EQ(pinsStanding, atoi(count));
        EXPECT_EQ(pins != nullptr, atoi(count) == 1);
        if (pins) {
            EXPECT_EQ(pins[0].position.y, 4.0f);
        }
        captureStdout(unloadScene);
    }
}

// However long ago the frame before it was, a level's first frame is timed
// from the end of the load of its scene.
TEST_F(SceneTest, ALevelsFirstFrameIsTimedFromTheEndOfItsLoad) {
    dir.write("scene.txt", SceneData().text());
    screenSurface = SDL_GetVideoSurface();
    SDL_Event quit = {};
    quit.type = SDL_QUIT;
    SDL_PushEvent(&quit);  // the level ends after one frame
    lastTicks = SDL_GetTicks() - 100;
    captureStdout([] { EXPECT_EQ(runLevel("scene.txt", PHASE_AIM), LEVEL_QUIT); });
    EXPECT_LT(frameSeconds, 0.05f);
}

TEST_F(SceneTest, EveryFailureGivesItsMessagesAndMinusOneAndReleasesAll) {
    auto with = [](std::string SceneData::*field, std::string value) {
        SceneData data;
        data.*field = value;
        return data.text();
    };
    SceneData noMass, badPinStart, badPinModel;
    noMass.pins[1].mass = noMass.pins[1].model = "";
    badPinStart.pins[0].position = "[1 2 3]";
    badPinModel.pins[1].model = "none.txt";
    const struct {
        std::string text, path, log;
        int failAllocation;
    } cases[] = {
        {"", "none.txt", "Unable to open file: none.txt for scene loading\n", -1},
        {"", "fifo", "Unable to open file: fifo for scene loading\n", -1},
        {with(&SceneData::background, "[0.1, 0.2]"), "scene.txt", priorError, -1},
        {with(&SceneData::fall, "low"), "scene.txt", priorError, -1},
        {with(&SceneData::lane, "none.txt"), "scene.txt",
         triangleFileError + "none.txt" + priorError, -1},
        {with(&SceneData::collision, "fifo"), "scene.txt",
         triangleFileError + "fifo\n" + priorError, -1},
        {with(&SceneData::camera, "[0, -10 3]"), "scene.txt", priorError, -1},
        {with(&SceneData::pinCount, "two"), "scene.txt", priorError, -1},
        {with(&SceneData::ballStart, "[0 ,0, 0.5]"), "scene.txt", priorError, -1},
        {with(&SceneData::ballMass, ""), "scene.txt", priorError, -1},
        {with(&SceneData::ballModel, std::string(256, 'b')), "scene.txt", priorError, -1},
        {with(&SceneData::pinCount, "3"), "scene.txt", pinError, -1},
        {with(&SceneData::pinCount, "2000000000"), "scene.txt", pinError, -1},
        {noMass.text(), "scene.txt", pinError, -1},
        {badPinStart.text(), "scene.txt", pinError, -1},
        {badPinModel.text(), "scene.txt", triangleFileError + "none.txt" + pinError, -1},
        {SceneData().text(), "scene.txt", pinError, 2},  // the two mesh nodes come first
    };
    int descriptors = openDescriptorCount();
    for (const auto &c : cases) {
        allocationFailCountdown = c.failAllocation;
        SceneLoad loaded = load(c.text, c.path.c_str());
        EXPECT_EQ(loaded.result, -1) << c.text;
        EXPECT_EQ(loaded.log, c.log) << c.text;
        EXPECT_TRUE(c.path != "scene.txt" || ball.active == 1) << c.text;
        expectReleased(lists());
        EXPECT_EQ(openDescriptorCount(), descriptors) << c.text;
    }
}

}  // namespace
