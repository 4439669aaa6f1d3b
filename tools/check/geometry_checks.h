// Checks of what a scene's numbers mean once read: the collision normals,
// the winding of model corners, where the bodies start against the mesh and
// each other, and whether the camera sees the lane under the ball.
#pragma once

#include <string>

#include "check/diagnostics.h"
#include "check/replay.h"

void checkCollisionNormals(const std::string &path, const TriangleFile &mesh, Report *report);
void checkModelFile(const std::string &path, const TriangleFile &model, Report *report);
// Everything that needs the scene with its lane and mesh. The closing scene
// is where nothing moves.
void checkSceneGeometry(const std::string &path, const SceneFile &scene, const TriangleFile &lane,
                        const TriangleFile &mesh, bool closing, Report *report);
