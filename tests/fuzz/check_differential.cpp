#include "fuzz/check_differential.h"

#include <unistd.h>

#include "check/check_level.h"
#include "check/traced_read.h"
#include "flow/scene_list.h"
#include "flow/world.h"
#include "physics/physics.h"
#include "scene/scene.h"

static const char *const FILE_NAMES[] = {"scenelist.txt", "scene.txt", "model.txt",
                                         "collision.txt"};

void writeLevelFolder(const uint8_t *data, size_t size) {
    size_t start = 0;
    for (const char *name : FILE_NAMES) {
        unlink(name);
        if (start > size) continue;
        size_t end = start;
        while (end < size && data[end] != 0) end++;
        FILE *file = fopen(name, "wb");
        if (file) {
            if (end > start) fwrite(data + start, 1, end - start, file);
            fclose(file);
        }
        start = end + 1;
    }
}

// The game's own verdict on a file, read by the loader of its kind.
static bool gameAccepts(const std::string &kind, const std::string &name) {
    resetWorld();
    if (kind == "list") {
        SceneList list;
        bool accepted = loadSceneList(name.c_str(), &list) == 1;
        if (accepted) freeSceneList(&list);
        return accepted;
    }
    if (kind == "scene") {
        bool accepted = readScene(name.c_str()) == 1;
        if (accepted) unloadScene();
        return accepted;
    }
    if (kind == "model") return loadModel(name.c_str()) == 1;
    CollisionTriangle *mesh = loadCollisionMesh(name.c_str());
    freeCollisionMesh(mesh);
    return mesh != nullptr;
}

// Whether the list the game reads plays scene.txt as a level.
static bool playedAsLevel() {
    SceneList list;
    if (loadSceneList("scenelist.txt", &list) != 1) return false;
    bool level = false;
    for (int32_t i = 0; i + 1 < list.sceneCount; i++)
        level = level || fileIdentity(list.sceneNames[i]) == fileIdentity("scene.txt");
    freeSceneList(&list);
    return level;
}

// The physics' verdict, where it costs one step: a body the game's first
// step of the level takes out starts where the physics cannot keep it, and
// the checker must have said so.
static std::string physicsDisagreement(const Report &report) {
    resetWorld();
    if (!playedAsLevel() || readScene("scene.txt") != 1) return "";
    int32_t standing = pinsStanding;
    stepSeconds = 1.0f / 60.0f;
    stepPhysics();
    bool tookOut = ball.active == 0 || pinsStanding < standing;
    unloadScene();
    for (const Diagnostic &d : report.diagnostics)
        if (d.file == "scene.txt" && d.severity == SEVERITY_ERROR) return "";
    return tookOut ? "scene.txt: the physics takes a body out at once, the checker says nothing\n"
                   : "";
}

std::string disagreement() {
    Report report;
    resetWorld();
    if (checkPath(".", CheckOptions(), &report) != PATH_CHECKED) return "the checker saw no folder";
    if (report.verdicts.count("list:scenelist.txt") == 0) return "the checker read no scene list";
    std::string found;
    fflush(stdout);
    for (const auto &verdict : report.verdicts) {
        size_t colon = verdict.first.find(':');
        std::string kind = verdict.first.substr(0, colon), name = verdict.first.substr(colon + 1);
        bool game = gameAccepts(kind, name);
        if (game != verdict.second)
            found += verdict.first + (game ? ": the game accepts it, the checker says not\n"
                                           : ": the game refuses it, the checker says not\n");
    }
    fflush(stdout);
    bool anyRefused = false;
    for (const auto &verdict : report.verdicts) anyRefused = anyRefused || !verdict.second;
    if (anyRefused && report.errors == 0)
        found += "a file is refused, but the checker gives no error\n";
    return found + physicsDisagreement(report);
}
