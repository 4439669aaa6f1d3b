// The bundled levels load through the game's own loaders without a word of
// complaint, and start in a state the game can play.
#include <GL/gl.h>
#include <GL/glu.h>
#include <gtest/gtest.h>

#include <algorithm>
#include <cmath>
#include <vector>

#include "flow/display.h"
#include "levels/level_list.h"
#include "physics/vec.h"
#include "render/render.h"
#include "scene/scene.h"
#include "support/capture.h"
#include "support/gl_window.h"

namespace {

// The far plane is 100 units away; the camera turns to follow the ball, so
// everything it may look at must stay well inside that.
const float viewReach = 60.0f;

class BundledLevels : public ::testing::Test {
  protected:
    void SetUp() override {
        openTestWindow();
        ASSERT_NO_FATAL_FAILURE(enterLevelsFolder());
    }
    // Loads a scene, failing the test unless the only line printed is the
    // loader's success line.
    bool load(const std::string &scene) {
        int32_t result = 0;
        std::string log = captureStdout([&] { result = loadScene(scene.c_str()); });
        EXPECT_EQ(log, "done loading scene from file " + scene + "\n");
        EXPECT_EQ(result, 1) << scene;
        return result == 1;
    }
    void unload() { captureStdout(unloadScene); }
};

float distance(Vec3 a, Vec3 b) { return vecLength(vecFromTo(a, b)); }

TEST_F(BundledLevels, ListSixPlayableLevelsAndAClosingScene) {
    EXPECT_GE(playableScenes().size(), 6u);
    EXPECT_EQ(bundledScenes().size(), playableScenes().size() + 1);
}

TEST_F(BundledLevels, EverySceneLoadsWithoutComplaint) {
    std::vector<std::string> scenes = bundledScenes();
    ASSERT_FALSE(scenes.empty());
    for (const std::string &scene : scenes) {
        SCOPED_TRACE(scene);
        if (!load(scene)) continue;
        EXPECT_NE(sceneDisplayList, 0u);
        EXPECT_NE(ball.displayList, 0u);
        EXPECT_NE(collisionMesh, nullptr);
        for (int i = 0; i < pinCount; i++) EXPECT_NE(pins[i].displayList, 0u) << "pin " << i;
        unload();
    }
}

TEST_F(BundledLevels, BodiesStartApartAboveTheFallOutLevelAndInView) {
    std::vector<std::string> playable = playableScenes();
    for (const std::string &scene : bundledScenes()) {
        SCOPED_TRACE(scene);
        if (!load(scene)) continue;
        if (std::count(playable.begin(), playable.end(), scene)) {
            EXPECT_GT(pinCount, 0);
        }
        std::vector<Body> bodies(pins, pins + pinCount);
        bodies.insert(bodies.begin(), ball);
        for (size_t i = 0; i < bodies.size(); i++) {
            EXPECT_GT(bodies[i].position.z, fallHeight) << "body " << i;
            EXPECT_LT(distance(bodies[i].position, cameraStart), viewReach) << "body " << i;
            // Overlapping bodies are never pushed apart, so none may start so.
            for (size_t j = i + 1; j < bodies.size(); j++)
                EXPECT_GT(distance(bodies[i].position, bodies[j].position),
                          bodies[i].radius + bodies[j].radius)
                    << "bodies " << i << " and " << j;
        }
        for (const CollisionTriangle *t = collisionMesh; t; t = t->next)
            for (const Vec3 &corner : t->vertex)
                EXPECT_LT(distance(corner, cameraStart), viewReach);
        unload();
    }
}

// The first frame of the level, drawn by the game's renderer; then the
// camera it used is loaded again, so that points can be projected as it saw
// them. With no time step the camera's turn keeps its direction.
void drawFromCamera() {
    setProjection(640, 480);
    stepSeconds = 0.0f;
    renderFrame();
    glMatrixMode(GL_MODELVIEW);
    glLoadIdentity();
    gluLookAt(cameraStart.x, cameraStart.y, cameraStart.z, cameraStart.x + viewDirection.x,
              cameraStart.y + viewDirection.y, cameraStart.z + viewDirection.z, 0.0, 0.0, 1.0);
    glMatrixMode(GL_PROJECTION);
}

Vec3 towardCamera(Vec3 point, float distance) {
    Vec3 way = vecFromTo(point, cameraStart);
    vecNormalize(&way);
    return vecAdd(point, vecScale(way, distance));
}

// Whether the surface drawn at the point's pixel lies no further from the
// camera than the point itself, give or take 0.1 units for the 16-bit depth
// buffer.
// A model wound the wrong way round shows its far side there instead, and
// a culled lane shows nothing.
bool nearSideShows(Vec3 point) {
    GLdouble model[16], projection[16];
    GLint viewport[4];
    glGetDoublev(GL_MODELVIEW_MATRIX, model);
    glGetDoublev(GL_PROJECTION_MATRIX, projection);
    glGetIntegerv(GL_VIEWPORT, viewport);
    Vec3 beyond = towardCamera(point, -0.1f);
    GLdouble x, y, depth, bx, by, beyondDepth;
    gluProject(point.x, point.y, point.z, model, projection, viewport, &x, &y, &depth);
    gluProject(beyond.x, beyond.y, beyond.z, model, projection, viewport, &bx, &by, &beyondDepth);
    float drawn = 1.0f;
    glReadBuffer(GL_BACK);
    glReadPixels(static_cast<GLint>(x), static_cast<GLint>(y), 1, 1, GL_DEPTH_COMPONENT, GL_FLOAT,
                 &drawn);
    return drawn <= beyondDepth;
}

TEST_F(BundledLevels, BallLaneAndPinsShowTheirNearSideToTheCamera) {
    for (const std::string &scene : bundledScenes()) {
        SCOPED_TRACE(scene);
        if (!load(scene)) continue;
        drawFromCamera();
        // Inside the ball and each pin, on the camera's side of its centre:
        // the model's surface must cover it.
        EXPECT_TRUE(nearSideShows(towardCamera(ball.position, 0.7f * ball.radius))) << "ball";
        for (int i = 0; i < pinCount; i++)
            EXPECT_TRUE(nearSideShows(towardCamera(pins[i].position, 0.6f * pins[i].radius)))
                << "pin " << i;
        // The lane the ball stands on, just behind it.
        Vec3 floor = {ball.position.x, ball.position.y - 2.0f * ball.radius,
                      ball.position.z - ball.radius};
        EXPECT_TRUE(nearSideShows(floor)) << "lane behind the ball";
        unload();
    }
}

}  // namespace
