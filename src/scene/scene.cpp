#include <GL/gl.h>

#include <cstdio>
#include <cstdlib>

#include "flow/memory.h"
#include "physics/vec.h"
#include "scene/line_reader.h"
#include "scene/scene.h"

// Number of records in pins: pinCount, or fewer when the file is too short
// to hold pinCount blocks and the load is bound to fail.
static int32_t pinsAllocated = 0;

// Compiles a model file into a new display list kept in *list.
static int compileModel(const char *modelPath, uint32_t *list) {
    *list = glGenLists(1);
    glNewList(*list, GL_COMPILE);
    int32_t result = loadModel(modelPath);
    glEndList();
    return result != 0;
}

static int readModelLine(FILE *file, uint32_t *list, ItemId item) {
    char name[FILE_NAME_MAX + 1];
    return readNameLine(file, SCENE_LABEL_MAX, name, item) && compileModel(name, list);
}

static int readCollisionLine(FILE *file) {
    char name[FILE_NAME_MAX + 1];
    if (!readNameLine(file, SCENE_LABEL_MAX, name, ITEM_COLLISION_FILE)) return 0;
    collisionMesh = loadCollisionMesh(name);
    return collisionMesh != nullptr;
}

// Lines 1 to 11: colours, fall-out level, lane, mesh, camera, pin count and
// the ball. Reading stops at the first bad line; pinsStanding still takes the
// pin count, and the ball is still stopped and made active.
static int readSceneLines(FILE *file) {
    int ok = readVec3Line(file, SCENE_LABEL_MAX, &backgroundColor, ITEM_BACKGROUND_COLOUR);
    if (ok) ok = readVec3Line(file, SCENE_LABEL_MAX, &hudColor, ITEM_OVERLAY_COLOUR);
    if (ok) ok = readFloatLine(file, SCENE_LABEL_MAX, &fallHeight, ITEM_FALLOUT_HEIGHT);
    if (ok) ok = readModelLine(file, &sceneDisplayList, ITEM_LANE_MODEL);
    if (ok) ok = readCollisionLine(file);
    if (ok) ok = readVec3Line(file, SCENE_LABEL_MAX, &cameraStart, ITEM_CAMERA_POSITION);
    if (ok) ok = readIntegerLine(file, SCENE_LABEL_MAX, &pinCount, ITEM_PIN_COUNT);
    pinsStanding = pinCount;
    if (ok) {
        ok = readVec3Line(file, SCENE_LABEL_MAX, &ball.startPosition, ITEM_BALL_POSITION);
        if (ok) ball.position = ball.startPosition;
    }
    ball.velocity = {0.0f, 0.0f, 0.0f};
    ball.active = 1;
    if (ok) ok = readFloatLine(file, SCENE_LABEL_MAX, &ball.radius, ITEM_BALL_RADIUS);
    if (ok) ok = readFloatLine(file, SCENE_LABEL_MAX, &ball.mass, ITEM_BALL_MASS);
    if (ok) ok = readModelLine(file, &ball.displayList, ITEM_BALL_MODEL);
    return ok;
}

static int readPin(FILE *file, Body *pin) {
    if (!readVec3Line(file, SCENE_LABEL_MAX, &pin->startPosition, ITEM_PIN_POSITION)) return 0;
    pin->position = pin->startPosition;
    pin->velocity = {0.0f, 0.0f, 0.0f};
    pin->active = 1;
    return readFloatLine(file, SCENE_LABEL_MAX, &pin->radius, ITEM_PIN_RADIUS) &&
           readFloatLine(file, SCENE_LABEL_MAX, &pin->mass, ITEM_PIN_MASS) &&
           readModelLine(file, &pin->displayList, ITEM_PIN_MODEL);
}

static int readPins(FILE *file) {
    if (pinCount <= 0) return 1;
    int32_t room = roomForItems(file, pinCount, SHORTEST_PIN_BLOCK);
    pins = static_cast<Body *>(allocateZeroed(static_cast<size_t>(room), sizeof(Body)));
    if (!pins) return 0;
    pinsAllocated = room;
    for (int32_t i = 0; i < pinCount; i++) {
        if (i == room || !readPin(file, &pins[i])) return 0;
    }
    return 1;
}

static void aimCameraAtBall() {
    cameraPosition = cameraStart;
    viewDirection = vecFromTo(cameraPosition, ball.position);
    vecNormalize(&viewDirection);
}

static void deleteList(uint32_t list) {
    if (glIsList(list)) glDeleteLists(list, 1);
}

// Everything a scene owns: the mesh, the pin array and every display list.
static void releaseScene() {
    freeCollisionMesh(collisionMesh);
    collisionMesh = nullptr;
    deleteList(ball.displayList);
    if (pins) {
        int32_t walked = pinCount < pinsAllocated ? pinCount : pinsAllocated;
        for (int32_t i = 0; i < walked; i++) deleteList(pins[i].displayList);
    }
    free(pins);
    pins = nullptr;
    pinsAllocated = 0;
    deleteList(sceneDisplayList);
}

void unloadScene() {
    printf("unloading scene...\n");
    releaseScene();
}

// The one way out of a failed load: the stage's message, the file closed and
// everything made so far released. A failure in the pin blocks releases it
// through unloadScene, whose line follows the message.
static int32_t failScene(FILE *file, const char *message, bool announceUnload) {
    printf("%s", message);
    fclose(file);
    if (announceUnload)
        unloadScene();
    else
        releaseScene();
    return -1;
}

int32_t readScene(const char *path) {
    FILE *file = openDataFile(path);
    if (!file) {
        printf("Unable to open file: %s for scene loading\n", path);
        return -1;
    }
    if (!readSceneLines(file))
        return failScene(file, "error in scene file somewhere prior to pin specific information\n",
                         false);
    if (!readPins(file))
        return failScene(
            file, "file didn't contain enough correctly formatted information about pins\n", true);
    fclose(file);
    printf("done loading scene from file %s\n", path);
    aimCameraAtBall();
    return 1;
}
