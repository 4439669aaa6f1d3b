#include "check/check_level.h"

#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

#include <cstdio>
#include <set>

#include "check/geometry_checks.h"
#include "check/player.h"
#include "check/replay.h"
#include "flow/scene_list.h"
#include "flow/world.h"
#include "scene/scene.h"

// The loaders' log lines go to /dev/null while they run: the checker speaks
// for them. Returns the descriptor that restoreLog puts back.
static int silenceLog() {
    fflush(stdout);
    int saved = dup(STDOUT_FILENO);
    int sink = open("/dev/null", O_WRONLY);
    if (sink >= 0) {
        dup2(sink, STDOUT_FILENO);
        close(sink);
    }
    return saved;
}

static void restoreLog(int saved) {
    fflush(stdout);
    if (saved < 0) return;
    dup2(saved, STDOUT_FILENO);
    close(saved);
}

static bool gameReadsScene(const std::string &path) {
    int saved = silenceLog();
    bool accepted = readScene(path.c_str()) == 1;
    restoreLog(saved);
    return accepted;
}

static void gameUnloadsScene() {
    int saved = silenceLog();
    unloadScene();
    restoreLog(saved);
}

static bool gameReadsSceneList(const std::string &path) {
    int saved = silenceLog();
    SceneList list;
    bool accepted = loadSceneList(path.c_str(), &list) == 1;
    if (accepted) freeSceneList(&list);
    restoreLog(saved);
    return accepted;
}

static void reportDisagreement(Report *report, const std::string &path, bool gameAccepts) {
    addError(report, path, 1,
             gameAccepts ? "the checker cannot read this file although the game can"
                         : "the game refuses this file, but the checker cannot tell where");
}

static void playScene(const std::string &path, const CheckOptions &options, const SceneFile &scene,
                      Report *report) {
    resetWorld();
    if (!gameReadsScene(path)) return;
    PlayResult result = playLoadedScene(options.maxThrows, options.step);
    if (result.outcome == PLAY_WON)
        report->notes.push_back(
            format("%s: won in %d throw%s, the first a drag of (%d, %d) px in "
                   "%.2f s",
                   path.c_str(), result.throws, result.throws == 1 ? "" : "s", result.first.dx,
                   result.first.dy, result.first.seconds));
    else if (result.outcome == PLAY_PINS_FALL_WITHOUT_THROW)
        addError(report, path,
                 result.movedPin < static_cast<int>(scene.pins.size())
                     ? scene.pins[result.movedPin].positionLine
                     : scene.pinCountLine,
                 format("pins fall without a throw (pin %d moves while the player aims): check "
                        "the surface under it",
                        result.movedPin + 1));
    else
        addError(report, path, scene.pinCountLine,
                 format("not won in %d throws: %d of %d pins still stand; every pin needs an open "
                        "edge or a pit to fall through",
                        result.throws, pinsStanding, pinCount));
    gameUnloadsScene();
}

static void checkTriangleFiles(FileCache *cache, const SceneFile &scene, Report *report,
                               std::set<std::string> *checked) {
    std::vector<std::string> models = {scene.lane, scene.ball.model};
    for (const BodyLines &pin : scene.pins) models.push_back(pin.model);
    // A file read out of step has triangles that only echo its reading error.
    for (const std::string &name : models) {
        const TriangleFile &model = replayTriangleFile(cache, name, MODEL_FILE, report);
        if (checked->insert("model " + name).second && !model.readingError)
            checkModelFile(name, model, report);
    }
    const TriangleFile &mesh = replayTriangleFile(cache, scene.collision, COLLISION_FILE, report);
    if (checked->insert("mesh " + scene.collision).second && !mesh.readingError)
        checkCollisionNormals(scene.collision, mesh, report);
}

// One scene; closing when it is the list's last entry.
static void checkScene(FileCache *cache, const std::string &path, bool closing,
                       const CheckOptions &options, Report *report,
                       std::set<std::string> *checked) {
    report->sceneCount++;
    resetWorld();
    bool gameAccepts = gameReadsScene(path);
    if (gameAccepts) gameUnloadsScene();
    size_t before = report->diagnostics.size();
    SceneFile scene = replayScene(cache, path, report);
    if (scene.accepted != gameAccepts && report->diagnostics.size() == before)
        reportDisagreement(report, path, gameAccepts);
    if (!scene.accepted || !gameAccepts) return;
    checkTriangleFiles(cache, scene, report, checked);
    const TriangleFile &lane = replayTriangleFile(cache, scene.lane, MODEL_FILE, report);
    const TriangleFile &mesh = replayTriangleFile(cache, scene.collision, COLLISION_FILE, report);
    checkSceneGeometry(path, scene, lane, mesh, closing, report);
    // A level without pins is already an error: it is won before any throw.
    if (options.play && !closing && scene.pinCount > 0) playScene(path, options, scene, report);
}

static bool anySceneMissing(const SceneListFile &list) {
    for (const std::string &name : list.names)
        if (access(name.c_str(), R_OK) != 0) return true;
    return false;
}

// Words may spread over lines in any way, but an entry that is not a label
// and a name on its own line is how a lost label shows: the game then pairs
// the words out of step, and whatever it reports after that is only an echo.
static bool reportMisshapenEntry(const std::string &path, const SceneListFile &list,
                                 Report *report) {
    int line = firstMisshapenEntry(path);
    if (line == 0) return false;
    bool harmful = !list.accepted || anySceneMissing(list);
    addDiagnostic(report, path, line, harmful ? SEVERITY_ERROR : SEVERITY_WARNING,
                  "an entry is a label and a scene file name on one line; here the words are "
                  "paired out of step from this line on");
    return harmful;
}

static void checkSceneList(const std::string &path, const CheckOptions &options, Report *report) {
    bool gameAccepts = gameReadsSceneList(path);
    Report replayed;
    SceneListFile list = replaySceneList(path, &replayed);
    if (!list.opened) {
        addError(report, path, 1, "cannot open the scene list");
        return;
    }
    if (reportMisshapenEntry(path, list, report)) return;
    for (const Diagnostic &d : replayed.diagnostics) report->diagnostics.push_back(d);
    if (list.accepted != gameAccepts && replayed.diagnostics.empty())
        reportDisagreement(report, path, gameAccepts);
    if (!list.accepted || !gameAccepts) return;
    if (list.count == 1)
        addError(report, path, list.lines[0],
                 "the only entry is the closing scene, where nothing moves: list a playable "
                 "level before it");
    FileCache cache;
    std::set<std::string> checked;
    for (size_t i = 0; i < list.names.size(); i++) {
        bool closing = i + 1 == list.names.size();
        // A scene listed twice is checked once as a level and once as the closing scene.
        if (!checked.insert((closing ? "closing " : "scene ") + list.names[i]).second) continue;
        if (access(list.names[i].c_str(), R_OK) != 0) {
            addError(report, path, list.lines[i],
                     format("cannot open the scene '%s': check the name, relative to the level "
                            "folder",
                            list.names[i].c_str()));
            continue;
        }
        checkScene(&cache, list.names[i], closing, options, report, &checked);
    }
}

static bool isFolder(const std::string &path) {
    struct stat info;
    return stat(path.c_str(), &info) == 0 && S_ISDIR(info.st_mode);
}

bool checkPath(const std::string &path, const CheckOptions &options, Report *report) {
    std::string folder = ".", file = "scenelist.txt";
    if (isFolder(path)) {
        folder = path;
    } else {
        size_t slash = path.rfind('/');
        if (slash != std::string::npos) folder = slash == 0 ? "/" : path.substr(0, slash);
        file = slash == std::string::npos ? path : path.substr(slash + 1);
    }
    if (chdir(folder.c_str()) != 0) return false;
    if (file.compare(0, 9, "scenelist") == 0) {
        checkSceneList(file, options, report);
    } else {
        if (access(file.c_str(), R_OK) != 0) return false;
        FileCache cache;
        std::set<std::string> checked;
        checkScene(&cache, file, false, options, report, &checked);
    }
    return true;
}
