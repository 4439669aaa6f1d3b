#include "check/check_level.h"

#include <sys/stat.h>
#include <unistd.h>

#include <algorithm>
#include <cerrno>
#include <climits>
#include <cstdlib>
#include <cstring>
#include <map>
#include <set>

#include "check/explain.h"
#include "check/geometry_checks.h"
#include "check/player.h"
#include "check/traced_read.h"
#include "check/triangle_files.h"
#include "flow/world.h"

// One run of the checker: its options, its report, and every model and
// collision file read so far. A file is read and reported on its own, the
// first time a scene the game reads names it, so the cache can hide nothing.
struct Checker {
    CheckOptions options;
    Report *report;
    std::map<std::string, TriangleFile> models, meshes;
    std::set<std::string> scenesChecked;  // each scene's role and file
};

static bool moreTextAfter(const TracedRead &read) {
    return skipSpace(read.file, read.items.back().end) < sizeOf(read.file);
}

static const TriangleFile &triangleFile(Checker *checker, const std::string &path, bool collision) {
    std::map<std::string, TriangleFile> &files = collision ? checker->meshes : checker->models;
    auto found = files.find(path);
    if (found == files.end())
        found = files.emplace(path, checkTriangleFile(path, collision, checker->report)).first;
    return found->second;
}

// --- Scenes ---------------------------------------------------------------

static bool isCollisionLine(const Item &item) { return item.id == ITEM_COLLISION_FILE; }

// A line of a pin block.
static bool isPinItem(const Item &item) {
    return item.id == ITEM_PIN_POSITION || item.id == ITEM_PIN_RADIUS || item.id == ITEM_PIN_MASS ||
           item.id == ITEM_PIN_MODEL;
}

static int goodItemsOf(const std::vector<Item> &items, ItemId id) {
    int count = 0;
    for (int i : itemsOf(items, id)) count += items[i].good;
    return count;
}

// The pin count when the file runs out of pin blocks before it, or ends in
// the middle of one.
static void reportTooFewPins(const std::string &path, const TracedRead &read, Report *report) {
    const Item &count = firstItem(read.items, ITEM_PIN_COUNT);
    int complete = goodItemsOf(read.items, ITEM_PIN_MODEL);
    const Item &last = read.items.back();
    if (!last.good && last.id != ITEM_PIN_POSITION) {
        std::vector<int> blocks = itemsOf(read.items, ITEM_PIN_POSITION);
        addError(report, path, itemLine(read.file, read.items[blocks.back()].start),
                 formatted("the file ends inside the block of pin %d, before its %s line: write "
                           "the rest of the block, or set the pin count to %d",
                           static_cast<int>(blocks.size()), itemWords(last.id), complete));
        return;
    }
    addError(report, path, itemLine(read.file, count.start),
             formatted("the pin count is %s but %d complete pin block%s follow%s: set it to %d",
                       countText(read.file, count).c_str(), complete, complete == 1 ? "" : "s",
                       complete == 1 ? "s" : "", complete));
}

// Why the game refuses the scene: the last item it read says where it
// stopped. A name line read last names a file that could not be opened, or
// that its loader refused: the loader would have read on after any other.
static void reportRefusedScene(Checker *checker, const std::string &path, const TracedRead &read) {
    Report *report = checker->report;
    const Item &last = read.items.back();
    size_t index = read.items.size() - 1;
    bool named = last.good && last.kind == TRACE_NAME;
    Finding why;
    if (named && last.opened == Item::NOT_OPENED) {
        why = explainUnopened(read.file, read.items, index);
    } else if (named) {
        if (!findOutOfStep(read.file, read.items, index, &why)) {
            std::string name = nameOf(read.file, last);
            why = {lineOf(read.file, last.end),
                   formatted("the game cannot use the %s '%s' and quits: see the error in %s",
                             itemWords(last.id), name.c_str(), name.c_str())};
        }
    } else if (isPinItem(last) && atEndOfText(read.file, last)) {
        reportTooFewPins(path, read, report);
        return;
    } else {
        why = explainFailure(read.file, read.items, index);
    }
    addError(report, path, why.line, why.text);
}

// The line of the first item of that identity.
static int lineOfItem(const TracedRead &read, ItemId id) {
    return itemLine(read.file, firstItem(read.items, id).start);
}

// The line each item of that identity was read from, in reading order.
static std::vector<int> linesOf(const TracedRead &read, ItemId id) {
    std::vector<int> lines;
    for (int i : itemsOf(read.items, id)) lines.push_back(itemLine(read.file, read.items[i].start));
    return lines;
}

static SceneView viewOf(Checker *checker, const std::string &path, const TracedRead &read) {
    SceneView scene;
    scene.path = path;
    const std::vector<Item> &items = read.items;
    scene.lane = nameOf(read.file, firstItem(items, ITEM_LANE_MODEL));
    scene.collision = nameOf(read.file, firstItem(items, ITEM_COLLISION_FILE));
    scene.laneLine = lineOfItem(read, ITEM_LANE_MODEL);
    scene.backgroundLine = lineOfItem(read, ITEM_BACKGROUND_COLOUR);
    scene.hudLine = lineOfItem(read, ITEM_OVERLAY_COLOUR);
    scene.fallLine = lineOfItem(read, ITEM_FALLOUT_HEIGHT);
    scene.cameraLine = lineOfItem(read, ITEM_CAMERA_POSITION);
    scene.pinCountLine = lineOfItem(read, ITEM_PIN_COUNT);
    scene.laneFile = &triangleFile(checker, scene.lane, false);
    scene.meshFile = &triangleFile(checker, scene.collision, true);
    scene.bodies.push_back({&ball, "the ball", lineOfItem(read, ITEM_BALL_POSITION),
                            lineOfItem(read, ITEM_BALL_RADIUS), lineOfItem(read, ITEM_BALL_MASS)});
    std::vector<int> at = linesOf(read, ITEM_PIN_POSITION), radius = linesOf(read, ITEM_PIN_RADIUS),
                     mass = linesOf(read, ITEM_PIN_MASS);
    for (int32_t i = 0; i < pinCount; i++)
        scene.bodies.push_back({&pins[i], formatted("pin %d", i + 1), at[i], radius[i], mass[i]});
    return scene;
}

// How many pin blocks the file holds after the pin count, as the game would
// read them with the count raised: the scene read again from a copy whose
// count is the largest there is.
static int pinBlocksPresent(const TracedRead &read) {
    const Item &count = firstItem(read.items, ITEM_PIN_COUNT);
    return goodItemsOf(itemsWithCountRaised(LOAD_SCENE, read, count), ITEM_PIN_MODEL);
}

// A pin count below the pin blocks present, and a level without pins.
static bool checkPinCount(const std::string &path, const TracedRead &read, int present,
                          Report *report) {
    const Item &count = firstItem(read.items, ITEM_PIN_COUNT);
    int line = itemLine(read.file, count.start);
    if (pinCount <= 0) {
        addError(report, path, line,
                 present > 0 ? formatted("the pin count is %s, so the level has no pins and is won "
                                         "before any throw, but %d pin blocks follow: set it to %d",
                                         countText(read.file, count).c_str(), present, present)
                             : "a level without pins is won before any throw: add pins");
        return false;
    }
    if (present > pinCount)
        addWarning(report, path, line,
                   formatted("the pin count is %d but %d pin blocks follow, and the game ignores "
                             "the last %d: set it to %d",
                             pinCount, present, present - pinCount, present));
    return true;
}

// What the game does with no input, after the body that moved first.
static std::string withNoInput(const PlayResult &result) {
    if (result.wonAfter > 0.0f)
        return formatted("; with no input the game wins the level after %.1f s", result.wonAfter);
    if (result.fellPin >= 0)
        return formatted("; with no input pin %d falls out after %.1f s", result.fellPin + 1,
                         result.fellAfter);
    return "";
}

static void reportMovedBody(const SceneView &scene, const PlayResult &result, Report *report) {
    const PlacedBody &body = scene.bodies[result.movedBody + 1];
    int under = meshLineUnder(scene, body.body->startPosition);
    std::string surface = under > 0 ? formatted("the collision triangle under it, %s line %d",
                                                scene.collision.c_str(), under)
                                    : std::string("the collision surface under it");
    addError(report, scene.path, body.line,
             formatted("%s moves by itself while the player aims, before any throw: check %s%s",
                       body.name.c_str(), surface.c_str(), withNoInput(result).c_str()));
}

static void playScene(Checker *checker, const SceneView &scene) {
    const CheckOptions &options = checker->options;
    PlayResult result = playLoadedScene(options.maxThrows, options.step, options.budget);
    Report *report = checker->report;
    const std::string &path = scene.path;
    if (result.outcome == PLAY_WON) {
        std::string frames = result.frame == options.step
                                 ? ""
                                 : formatted(" at %.3g frames a second", 1.0 / result.frame);
        report->notes.push_back(
            formatted("%s: won in %d throw%s%s, the first a drag of (%d, %d) px in %.2f s",
                      path.c_str(), result.throws, result.throws == 1 ? "" : "s", frames.c_str(),
                      result.first.dx, result.first.dy, result.first.seconds));
    } else if (result.outcome == PLAY_MOVES_WITHOUT_THROW) {
        reportMovedBody(scene, result, report);
    } else if (result.outcome == PLAY_NOT_WON) {
        addError(
            report, path, scene.pinCountLine,
            formatted("not won in %d throw%s, nor by a straight throw at other frame lengths: "
                      "%d of %d pins still stand; every pin needs an open edge or a pit to "
                      "fall through",
                      result.throws, result.throws == 1 ? "" : "s", result.standing, pinCount));
    } else if (result.outcome == PLAY_NO_PIN_MOVES) {
        addError(report, path, scene.pinCountLine,
                 "not won: no throw moves any pin, at any speed or angle the player tries, nor a "
                 "straight throw at other frame lengths; check that the ball can reach the pins");
    } else {
        addWarning(report, path, scene.pinCountLine,
                   formatted("not decided within the budget of %g s of play (%d throws tried, %d "
                             "of %d pins still stand): give --budget more seconds",
                             options.budget, result.throws, result.standing, pinCount));
    }
}

// One scene; closing when it is the list's last entry. False when the game
// cannot open it.
static bool checkScene(Checker *checker, const std::string &path, bool closing) {
    resetWorld();
    TracedRead read = traceScene(path);
    checker->report->verdicts["scene:" + path] = read.accepted;
    if (!read.opened) return false;
    Report *report = checker->report;
    report->sceneCount++;
    // The files the scene names are read with the scene put away, so that
    // the checker never holds two copies of a mesh, and each is reported once.
    if (read.accepted) unloadQuietly();
    for (const Item &item : read.items)
        if (item.opened == Item::OPENED)
            triangleFile(checker, nameOf(read.file, item), isCollisionLine(item));
    if (!read.accepted) {
        reportRefusedScene(checker, path, read);
        return true;
    }
    // Nothing moves in the closing scene: its pins and where its bodies
    // stand are decoration. The pin blocks after the counted ones are
    // counted by the game itself, reading a copy.
    int present = std::max(pinCount, 0);
    if (!closing && moreTextAfter(read)) present = pinBlocksPresent(read);
    if (!reloadQuietly(path)) return true;  // changed while being checked
    SceneView scene = viewOf(checker, path, read);
    checkLook(scene, report);
    if (!closing) {
        bool playable = checkPinCount(path, read, present, report);
        playable = checkBodyValues(scene, checker->options.step, report) && playable;
        checkPlacement(scene, report);
        if (playable && checker->options.play) playScene(checker, scene);
    }
    unloadQuietly();
    return true;
}

// --- The scene list -----------------------------------------------------------

static void reportRefusedList(const std::string &path, const TracedRead &read, Report *report) {
    const Item &count = read.items[0];
    const Item &last = read.items.back();
    int countLine = itemLine(read.file, count.start);
    if (count.good && count.count < 1) {
        addError(report, path, countLine,
                 formatted("the scene count is %s: set it to the number of entries, at least 1",
                           countText(read.file, count).c_str()));
    } else if (count.good && (last.good || atEndOfText(read.file, last))) {
        int entries = goodItemsOf(read.items, ITEM_SCENE_FILE);
        addError(report, path, countLine,
                 entries == 0
                     ? formatted("the count is %s but no entry follows: list the scenes after it",
                                 countText(read.file, count).c_str())
                     : formatted("the count is %s but %d entr%s follow%s: set it to %d",
                                 countText(read.file, count).c_str(), entries,
                                 entries == 1 ? "y" : "ies", entries == 1 ? "s" : "", entries));
    } else {
        Finding why = explainFailure(read.file, read.items, read.items.size() - 1);
        addError(report, path, why.line, why.text);
    }
}

// Entries after the counted ones, as the game would read them with the
// count raised. A closing line written twice leaves the game playing as
// meant; any other entry is a level the count leaves out.
static void reportUncountedEntries(const std::string &path, const TracedRead &read,
                                   const SceneList &list, Report *report) {
    std::string closing = list.sceneNames[list.sceneCount - 1];
    ListTail tail = readListTail(read, closing);
    if (tail.entries == 0) return;
    if (tail.closingAgain == tail.entries) {
        addWarning(report, path, tail.firstLine,
                   formatted("the closing scene '%s' is listed again after the counted entries, "
                             "and the game never reads %s: remove %s, and the closing scene stays "
                             "the closing one",
                             closing.c_str(), tail.entries == 1 ? "the repeat" : "the repeats",
                             tail.entries == 1 ? "it" : "them"));
        return;
    }
    int total = list.sceneCount + tail.entries;
    const Item &last = read.items.back();
    addError(report, path, itemLine(read.file, read.items[0].start),
             formatted("the count is %d but %d entries follow: '%s' (line %d) becomes the frozen "
                       "closing scene and the %d after it %s never played; set the count to %d",
                       list.sceneCount, total, closing.c_str(), itemLine(read.file, last.start),
                       tail.entries, tail.entries == 1 ? "is" : "are", total));
}

// What is wrong with the list itself, whatever its scenes hold.
static void checkListItself(const std::string &path, const TracedRead &read, const SceneList &list,
                            Report *report) {
    if (list.sceneCount == 1)
        addError(report, path, itemLine(read.file, firstItem(read.items, ITEM_SCENE_FILE).start),
                 "the only entry is the closing scene, where nothing moves: list a playable "
                 "level before it");
    reportUncountedEntries(path, read, list, report);
}

// An entry's label word without the number at its end: "level" for "level3".
static std::string labelStem(const TracedRead &read, const Item &entry) {
    std::string label = wordAt(read.file, skipSpace(read.file, entry.start));
    return label.substr(0, label.find_last_not_of("0123456789") + 1);
}

// The last entry is played as the closing scene, where nothing moves. Labelled
// as the levels before it are, and won by the player as a level, it is most
// likely a level after which the closing scene was forgotten.
static void checkLastEntryIsNoLevel(Checker *checker, const std::string &path,
                                    const TracedRead &read, const SceneList &list) {
    std::vector<int> entries = itemsOf(read.items, ITEM_SCENE_FILE);
    std::string stem = labelStem(read, read.items[entries.back()]);
    bool labelledAsLevel = false;
    for (size_t i = 0; i + 1 < entries.size(); i++)
        labelledAsLevel = labelledAsLevel || labelStem(read, read.items[entries[i]]) == stem;
    std::string name = list.sceneNames[list.sceneCount - 1];
    resetWorld();
    if (!labelledAsLevel || !reloadQuietly(name)) return;
    const CheckOptions &options = checker->options;
    bool won = pinCount > 0 &&
               playLoadedScene(options.maxThrows, options.step, options.budget).outcome == PLAY_WON;
    unloadQuietly();
    if (won)
        addWarning(checker->report, path, itemLine(read.file, read.items[entries.back()].start),
                   formatted("'%s' is the last entry, so the game plays it as the closing scene, "
                             "where its pins never move, yet a player wins it as a level: if it "
                             "is one, the closing scene is missing after it; add it and raise the "
                             "count",
                             name.c_str()));
}

static void checkEntries(Checker *checker, const std::string &path, const TracedRead &read,
                         const SceneList &list) {
    std::vector<int> entries = itemsOf(read.items, ITEM_SCENE_FILE);
    StepSearch search;
    for (int32_t i = 0; i < list.sceneCount; i++) {
        bool closing = i + 1 == list.sceneCount;
        std::string name = list.sceneNames[i];
        // A scene listed twice is checked once as a level and once as the closing scene.
        if (!checker->scenesChecked.insert((closing ? "closing " : "level ") + fileIdentity(name))
                 .second)
            continue;
        if (checkScene(checker, name, closing)) continue;
        Finding why;
        bool outOfStep = findOutOfStep(read.file, read.items, entries[i], &why, &search);
        if (!outOfStep) why = whyUnopened(read.file, read.items[entries[i]]);
        addError(checker->report, path, why.line, why.text);
        // Words read out of step leave every entry after them wrong as well.
        if (outOfStep) return;
    }
    checkListItself(path, read, list, checker->report);
    if (checker->options.play) checkLastEntryIsNoLevel(checker, path, read, list);
}

// The scenes the game plays from the list, once the list itself reads as meant.
static void listScenes(const std::string &path, const TracedRead &read, const SceneList &list,
                       Report *report) {
    Finding why;
    if (findOutOfStep(read.file, read.items, read.items.size() - 1, &why)) {
        addError(report, path, why.line, why.text);
        return;
    }
    checkListItself(path, read, list, report);
    for (int32_t i = 0; i < list.sceneCount; i++) report->scenes.push_back(list.sceneNames[i]);
}

static std::string currentFolder() {
    char *here = getcwd(nullptr, 0);
    std::string folder = here ? here : ".";
    free(here);
    return folder;
}

static void checkSceneList(Checker *checker, const std::string &path) {
    SceneList list = {-1, nullptr};
    TracedRead read = traceSceneList(path, &list);
    Report *report = checker->report;
    report->verdicts["list:" + path] = read.accepted;
    if (!read.opened) {
        const char *kind = notAFile(path);
        addError(
            report, path, 1,
            kind ? formatted("the scene list is %s, and the game reads only regular files", kind)
                 : formatted("there is no %s in %s: give the checker a level folder, its "
                             "scene list or a scene file",
                             path.c_str(), currentFolder().c_str()));
        return;
    }
    if (!read.accepted) {
        reportRefusedList(path, read, report);
        return;
    }
    if (checker->options.scenesOnly)
        listScenes(path, read, list, report);
    else
        checkEntries(checker, path, read, list);
    freeSceneList(&list);
}

// --- Where to start -------------------------------------------------------

static bool isRegularFile(const std::string &path) {
    struct stat status;
    return stat(path.c_str(), &status) == 0 && S_ISREG(status.st_mode);
}

// The level folder of a scene file: the nearest folder at or above its own
// that has a scene list, or its own folder when none has.
static std::string levelFolderOf(const std::string &folder) {
    char *full = realpath(folder.c_str(), nullptr);
    if (!full) return folder;
    std::string at = full;
    free(full);
    for (std::string up = at;; up = up.substr(0, up.rfind('/'))) {
        if (up.empty()) up = "/";
        if (isRegularFile(up + "/scenelist.txt")) return up;
        if (up == "/") return at;
    }
}

// Whether the level folder's scene list plays this scene only as its
// closing scene, naming it in any way that leads to its file.
static bool isOnlyClosingScene(const std::string &scene) {
    SceneList list = {-1, nullptr};
    TracedRead read = traceSceneList("scenelist.txt", &list);
    if (!read.accepted) return false;
    std::string file = fileIdentity(scene);
    bool closing = false, level = false;
    for (int32_t i = 0; i < list.sceneCount; i++) {
        bool named = fileIdentity(list.sceneNames[i]) == file;
        if (i + 1 == list.sceneCount)
            closing = named;
        else
            level = level || named;
    }
    freeSceneList(&list);
    return closing && !level;
}

PathResult checkPath(const std::string &path, const CheckOptions &options, Report *report) {
    Checker checker;
    checker.options = options;
    checker.report = report;
    struct stat status;
    if (stat(path.c_str(), &status) != 0)
        return errno == ENAMETOOLONG ? PATH_TOO_LONG : PATH_MISSING;
    if (S_ISDIR(status.st_mode)) {
        if (chdir(path.c_str()) != 0) return PATH_MISSING;
        checkSceneList(&checker, "scenelist.txt");
        return PATH_CHECKED;
    }
    if (!S_ISREG(status.st_mode)) return PATH_NOT_A_FILE;
    size_t slash = path.rfind('/');
    std::string folder = slash == std::string::npos ? "."
                         : slash == 0               ? "/"
                                                    : path.substr(0, slash);
    std::string file = slash == std::string::npos ? path : path.substr(slash + 1);
    if (file.compare(0, 9, "scenelist") == 0) {
        if (chdir(folder.c_str()) != 0) return PATH_MISSING;
        checkSceneList(&checker, file);
        return PATH_CHECKED;
    }
    if (options.scenesOnly) return PATH_NOT_A_LIST;
    std::string level = levelFolderOf(folder);
    char *full = realpath(path.c_str(), nullptr);
    std::string scene = full ? full : path;
    free(full);
    if (scene.compare(0, level.size() + 1, level + "/") == 0)
        scene = scene.substr(level.size() + 1);
    if (chdir(level.c_str()) != 0) return PATH_MISSING;
    checkScene(&checker, scene, isOnlyClosingScene(scene));
    return PATH_CHECKED;
}
