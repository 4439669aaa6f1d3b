// Loading and releasing a level: the scene file, the model files compiled
// into display lists, and the collision mesh.
#pragma once

#include "flow/world.h"

// 1 when the whole scene was read and set up, -1 on any failure.
int32_t loadScene(const char *path);
// loadScene without the display: the same reading, messages, results and
// release, with the camera aimed at the ball, but no GL state set for the
// level and no buffer swap. For tools and tests that have no window.
int32_t readScene(const char *path);
// Safe after a load that stopped part-way and after another unloadScene.
void unloadScene();

// Emits the model's triangles into the display list being compiled.
// 1 when the model was read, 0 when the file cannot be used.
int32_t loadModel(const char *path);

// The head of a new mesh list in file order, or null with nothing allocated.
CollisionTriangle *loadCollisionMesh(const char *path);
void freeCollisionMesh(CollisionTriangle *head);
// Finishes a triangle whose corners and normal are set: the normal made unit
// length (a zero one becomes (0, 0, 1)) and planeDistance from the first corner.
void setTrianglePlane(CollisionTriangle *triangle);
