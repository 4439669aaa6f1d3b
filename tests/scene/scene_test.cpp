#include <GL/gl.h>
#include <gtest/gtest.h>

#include <cmath>
#include <vector>

#include "flow/memory.h"
#include "scene/scene.h"
#include "support/capture.h"
#include "support/data_files.h"
#include "support/gl_window.h"
#include "support/temp_dir.h"

namespace {

const char *const priorError = "error in scene file somewhere prior to pin specific information\n";
const char *const pinError =
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
    }
    SceneLoad load(const std::string &text) {
        dir.write("scene.txt", text);
        SceneLoad result;
        result.log = captureStdout([&] { result.result = loadScene("scene.txt"); });
        return result;
    }
    void unload() { captureStdout(unloadScene); }
    TempDir dir;
};

std::vector<GLuint> sceneLists() {
    std::vector<GLuint> lists = {sceneDisplayList, ball.displayList};
    for (int i = 0; pins && i < pinCount; i++) lists.push_back(pins[i].displayList);
    return lists;
}

TEST_F(SceneTest, EveryValueReachesItsGlobal) {
    SceneLoad loaded = load(SceneData().text());
    ASSERT_EQ(loaded.result, 1);
    EXPECT_EQ(loaded.log, "done loading scene from file scene.txt\n");
    EXPECT_EQ(backgroundColor.y, 0.2f);
    EXPECT_EQ(hudColor.y, 0.5f);
    EXPECT_EQ(fallHeight, -5.0f);
    EXPECT_EQ(cameraStart.y, -10.0f);
    EXPECT_EQ(cameraPosition.z, 3.0f);
    EXPECT_EQ(pinCount, 2);
    EXPECT_EQ(pinsStanding, 2);
    EXPECT_EQ(ball.position.y, -2.0f);
    EXPECT_EQ(ball.startPosition.y, -2.0f);
    EXPECT_EQ(ball.radius, 0.5f);
    EXPECT_EQ(ball.mass, 7.0f);
    EXPECT_EQ(ball.active, 1);
    ASSERT_NE(pins, nullptr);
    EXPECT_EQ(pins[1].position.x, 1.0f);
    EXPECT_EQ(pins[1].startPosition.y, 5.0f);
    EXPECT_EQ(pins[1].radius, 0.4f);
    EXPECT_EQ(pins[1].mass, 2.0f);
    EXPECT_EQ(pins[1].active, 1);
    ASSERT_NE(collisionMesh, nullptr);
    EXPECT_NE(collisionMesh->next, nullptr);
    for (GLuint list : sceneLists()) EXPECT_TRUE(glIsList(list));

    // The camera looks from (0, -10, 3) at the ball at (0, -2, 0.5).
    EXPECT_FLOAT_EQ(viewDirection.x, 0.0f);
    EXPECT_FLOAT_EQ(viewDirection.y, 8.0f / std::sqrt(70.25f));
    EXPECT_FLOAT_EQ(viewDirection.z, -2.5f / std::sqrt(70.25f));

    GLfloat clear[4];
    glGetFloatv(GL_COLOR_CLEAR_VALUE, clear);
    EXPECT_FLOAT_EQ(clear[2], 0.3f);
    EXPECT_EQ(clear[3], 1.0f);
    GLint depthFunc, shade, cullFace;
    glGetIntegerv(GL_DEPTH_FUNC, &depthFunc);
    glGetIntegerv(GL_SHADE_MODEL, &shade);
    glGetIntegerv(GL_CULL_FACE_MODE, &cullFace);
    EXPECT_EQ(depthFunc, GL_LESS);
    EXPECT_EQ(shade, GL_SMOOTH);
    EXPECT_EQ(cullFace, GL_BACK);
    EXPECT_TRUE(glIsEnabled(GL_DEPTH_TEST));
    EXPECT_TRUE(glIsEnabled(GL_CULL_FACE));
    unload();
}

TEST_F(SceneTest, UnloadReleasesEverythingAndCanRunTwice) {
    ASSERT_EQ(load(SceneData().text()).result, 1);
    std::vector<GLuint> lists = sceneLists();
    EXPECT_EQ(captureStdout(unloadScene), "unloading scene...\n");
    for (GLuint list : lists) EXPECT_FALSE(glIsList(list));
    EXPECT_EQ(pins, nullptr);
    EXPECT_EQ(collisionMesh, nullptr);
    EXPECT_EQ(pinCount, 2);  // kept until the next load
    EXPECT_EQ(captureStdout(unloadScene), "unloading scene...\n");
}

TEST_F(SceneTest, NoPinsIsAValidScene) {
    for (const char *count : {"0", "-3"}) {
        SceneData data;
        data.pinCount = count;
        SceneLoad loaded = load(data.text());
        EXPECT_EQ(loaded.result, 1) << count;
        EXPECT_EQ(pins, nullptr);
        EXPECT_EQ(pinsStanding, atoi(count));
        unload();
    }
}

TEST_F(SceneTest, LayoutIsFreeAndTrailingTextIgnored) {
    std::string text = SceneData().text();
    for (char &c : text)
        if (c == '\n') c = ' ';
    SceneLoad loaded = load("\n\n" + text + "\n\nwhatever [follows} here");
    EXPECT_EQ(loaded.result, 1);
    EXPECT_EQ(pins[1].mass, 2.0f);
    unload();
}

TEST_F(SceneTest, CameraAtTheBallLooksUp) {
    SceneData data;
    data.camera = data.ballStart;
    ASSERT_EQ(load(data.text()).result, 1);
    EXPECT_EQ(viewDirection.x, 0.0f);
    EXPECT_EQ(viewDirection.y, 0.0f);
    EXPECT_EQ(viewDirection.z, 1.0f);
    unload();
}

TEST_F(SceneTest, AnyBadLineBeforeThePinsFailsAndReleasesAtOnce) {
    std::string std16(16, 'x');
    std::vector<std::pair<std::string SceneData::*, std::string>> faults = {
        {&SceneData::background, "[0.1, 0.2]"},
        {&SceneData::hud, "0.5"},
        {&SceneData::fall, "low"},
        {&SceneData::camera, "[0, -10 , 3]"},
        {&SceneData::pinCount, "two"},
        {&SceneData::ballStart, "[0,0,0.5]"},
        {&SceneData::ballRadius, "big"},
        {&SceneData::ballMass, ""},
        {&SceneData::ballModel, std::string(256, 'm')},
    };
    for (const auto &fault : faults) {
        SceneData data;
        data.*fault.first = fault.second;
        if (fault.second == "[0,0,0.5]") data.ballStart = "ballstart[0, 0, 0.5]";
        SceneLoad loaded = load(data.text());
        EXPECT_EQ(loaded.result, -1) << fault.second;
        EXPECT_EQ(loaded.log, priorError) << fault.second;
        EXPECT_FALSE(glIsList(sceneDisplayList));
        EXPECT_FALSE(glIsList(ball.displayList));
        EXPECT_EQ(collisionMesh, nullptr);
        EXPECT_EQ(ball.active, 1);
    }
    SceneLoad longLabel = load(std16 + " [0, 0, 0]\n" + SceneData().text().substr(27));
    EXPECT_EQ(longLabel.result, -1);
    EXPECT_EQ(longLabel.log, priorError);
}

TEST_F(SceneTest, MissingModelsAndMeshesPrintTheirOwnMessageFirst) {
    const std::string fileError =
        "encountered file error, possibly an invalid first line\nor an invalid file\n or no "
        "file\nor something else\nwhen trying to load ";
    SceneData lane;
    lane.lane = "nolane.txt";
    EXPECT_EQ(load(lane.text()).log, fileError + "nolane.txt" + priorError);
    SceneData mesh;
    mesh.collision = "nomesh.txt";
    EXPECT_EQ(load(mesh.text()).log, fileError + "nomesh.txt\n" + priorError);
    EXPECT_FALSE(glIsList(sceneDisplayList));
    SceneData pin;
    pin.pins[1].model = "nopin.txt";
    SceneLoad loaded = load(pin.text());
    EXPECT_EQ(loaded.result, -1);
    EXPECT_EQ(loaded.log, fileError + "nopin.txt" + pinError);
    EXPECT_EQ(pins, nullptr);
}

TEST_F(SceneTest, IncompletePinBlocksFailWithThePinMessage) {
    SceneData tooMany;
    tooMany.pinCount = "3";
    SceneData noMass;
    noMass.pins[1].mass = "";
    noMass.pins[1].model = "";
    SceneData badStart;
    badStart.pins[0].position = "[1 2 3]";
    for (const SceneData &data : {tooMany, noMass, badStart}) {
        SceneLoad loaded = load(data.text());
        EXPECT_EQ(loaded.result, -1);
        EXPECT_EQ(loaded.log, pinError);
        EXPECT_EQ(pins, nullptr);
        EXPECT_EQ(collisionMesh, nullptr);
        EXPECT_FALSE(glIsList(sceneDisplayList));
    }
}

TEST_F(SceneTest, HugePinCountsFailWithoutClaimingTheMemory) {
    SceneData data;
    data.pinCount = "2000000000";
    SceneLoad loaded = load(data.text());
    EXPECT_EQ(loaded.result, -1);
    EXPECT_EQ(loaded.log, pinError);

    allocationFailCountdown = 2;  // the two mesh nodes come first
    SceneLoad noMemory = load(SceneData().text());
    EXPECT_EQ(noMemory.result, -1);
    EXPECT_EQ(noMemory.log, pinError);
}

TEST_F(SceneTest, TheFileIsClosedOnEveryPath) {
    int before = openDescriptorCount();
    SceneData early, late;
    early.fall = "x";
    late.pinCount = "5";
    for (const SceneData &data : {SceneData(), early, late}) {
        load(data.text());
        unload();
        EXPECT_EQ(openDescriptorCount(), before);
    }
}

}  // namespace
