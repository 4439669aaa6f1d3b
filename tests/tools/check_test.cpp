// The level checker: each kind of mistake gives exactly its findings, at the
// file and line where it is and with what to change, and nothing else; the
// layouts the game reads give none; and the checker agrees with the game's
// loaders on every file of every fuzz input.
#include <gtest/gtest.h>
#include <sys/stat.h>
#include <unistd.h>

#include <algorithm>
#include <filesystem>
#include <fstream>
#include <set>
#include <sstream>

#include "check/check_level.h"
#include "check/traced_read.h"
#include "fuzz/check_differential.h"
#include "support/capture.h"
#include "support/data_files.h"
#include "support/temp_dir.h"

namespace {

const std::string fixtures = std::string(SKORVEL_CHECK_FIXTURES) + "/";

struct Outcome {
    std::string output;
    int status;
};

// The checker's whole output and exit status for a path, as skorvel-check
// prints them; the working folder is put back afterwards.
Outcome check(const std::string &path, bool play = false, double budget = 60.0) {
    char here[4096];
    EXPECT_TRUE(getcwd(here, sizeof here));
    CheckOptions options;
    options.play = play;
    options.budget = budget;
    Report report;
    PathResult result = checkPath(path, options, &report);
    EXPECT_EQ(chdir(here), 0);
    if (result != PATH_CHECKED) return {"", 2};
    char *text = nullptr;
    size_t size = 0;
    FILE *out = open_memstream(&text, &size);
    printReport(report, out);
    fclose(out);
    Outcome run = {std::string(text, size), report.errors > 0 ? 1 : 0};
    free(text);
    return run;
}

// An expectation file under check_fixtures/expected/GROUP/ holds one case:
// any lines of '#' comments, then "skorvel-check [--play] PATH" with PATH
// relative to check_fixtures, then "exit STATUS", then the checker's whole
// output, byte for byte. Adding a case takes a fixture and such a file.
void expectEveryCaseIn(const std::string &group) {
    std::vector<std::filesystem::path> files;
    for (const auto &entry : std::filesystem::directory_iterator(fixtures + "expected/" + group))
        files.push_back(entry.path());
    std::sort(files.begin(), files.end());
    ASSERT_FALSE(files.empty()) << group;
    for (const std::filesystem::path &file : files) {
        std::ifstream in(file, std::ios::binary);
        std::string command, exit;
        while (std::getline(in, command) && command.rfind("#", 0) == 0) continue;
        std::getline(in, exit);
        std::stringstream output;
        output << in.rdbuf();
        bool play = command.rfind("skorvel-check --play ", 0) == 0;
        std::string prefix = play ? "skorvel-check --play " : "skorvel-check ";
        ASSERT_EQ(command.rfind(prefix, 0), 0u) << file;
        Outcome run = check(fixtures + command.substr(prefix.size()), play);
        EXPECT_EQ(run.output, output.str()) << file;
        EXPECT_EQ("exit " + std::to_string(run.status), exit) << file;
    }
}

TEST(CheckLevel, AReadingErrorIsNamedWhereTheWordsWentWrong) { expectEveryCaseIn("reading"); }

// The test scene with one pin, its fifteen lines with line n (from 1) replaced.
std::string sceneWith(int n, const std::string &line) {
    SceneData data;
    data.pinCount = "1";
    data.pins.resize(1);
    std::istringstream in(data.text());
    std::string scene, each;
    for (int k = 1; std::getline(in, each); k++) scene += (k == n ? line : each) + "\n";
    return scene;
}

// The text up to the end of its first match of end: a file cut short there.
std::string upTo(const std::string &text, const std::string &end) {
    return text.substr(0, text.find(end) + end.size());
}

TEST(CheckLevel, EachWayALineCanGoWrongIsExplained) {
    const struct {
        std::string scene;
        const char *finding;
        const char *summary = "1 scene, 1 error, 0 warnings";
    } cases[] = {
        {sceneWith(6, "camera [0, -10 3]"),
         "6: error: cannot read the camera position: a comma is missing after '-10'"},
        {sceneWith(6, "camera"),
         "6: error: the camera position line has no value: the game reads the next line's label "
         "'pins' where [x, y, z] belongs"},
        {sceneWith(2, "overlay 1, 0.9, 0.4"),
         "2: error: cannot read the overlay colour: '1,' stands where '[' belongs: write the "
         "numbers as [x, y, z]"},
        {sceneWith(2, "overlay [1, 0.9]"),
         "2: error: cannot read the overlay colour: three numbers are needed, separated by ', '"},
        {sceneWith(2, "overlay [1, , 0.4]"),
         "2: error: cannot read the overlay colour: a number is missing"},
        {sceneWith(2, "overlay [1, x, 0.4]"),
         "2: error: cannot read the overlay colour: 'x' is not a number"},
        {sceneWith(2, "overlay [1, f, 0.4]"),
         "2: error: cannot read the overlay colour: 'f' is not a number"},
        {sceneWith(2, "overlay [1, 0.9x, 0.4]"),
         "2: error: cannot read the overlay colour: '0.9x' is not a number"},
        {sceneWith(2, "overlay [1, 0.9f, 0.4]"),
         "2: error: cannot read the overlay colour: '0.9f' is not a number: numbers take no 'f' "
         "suffix"},
        {" " + sceneWith(1, "background [0.1 , 0.2, 0.3]"),
         "1: error: cannot read the background colour: remove the space before ',': the game "
         "stops reading the line there"},
        {sceneWith(7, "pins x"), "7: error: cannot read the pin count: 'x' is not a number"},
        {sceneWith(7, "pins -x"),
         "7: error: cannot read the pin count: '-x' is not a whole number"},
        {sceneWith(7, "pins 1e3"),
         "7: error: the pin count is a whole number, not '1e3': the game reads 1 and takes 'e3' "
         "as the next label, so every word after it is read out of step"},
        {sceneWith(3, "fallout -5x"),
         "3: error: '-5x' is not a number: the game reads -5 and leaves 'x' unread, which spoils "
         "the next line; write one number"},
        {sceneWith(6, "camera [0, -10, 3]x"),
         "6: error: 'x' is left unread after the camera position and spoils the next line: "
         "remove it"},
        {sceneWith(8, "ball [0, -2, 0.5\n]"),
         "9: error: the closing ']' starts a line of its own, and the game reads it as the next "
         "label: put it right after the last number"},
        {sceneWith(3, "fallout -5 x"),
         "3: error: 'x' is left over after the value and spoils the next line: remove it"},
        {sceneWith(9, "ball_radius 0.5 0.7"),
         "9: error: '0.7' is left over after the value and spoils the next line: remove it"},
        {sceneWith(4, "lane"),
         "4: error: the lane model line has no file name: the game reads the next line's label "
         "'collision' as the name"},
        {sceneWith(4, "lane.txt"),
         "4: error: the lane model line has no label: the game reads the name 'lane.txt' as the "
         "label and the next line's label 'collision' as the file name; write a label word "
         "before the name"},
        {sceneWith(3, "fallout -5 lane\nlane.txt junk"),
         "4: error: the file name 'lane.txt' is followed by 'junk' on its line: file names cannot "
         "hold spaces, and the game reads 'junk' as the next label; rename the file without "
         "spaces"},
        {sceneWith(11, "ball_model " + std::string(256, 'b')),
         "11: error: cannot read the ball model: file names have at most 255 characters"},
        {upTo(sceneWith(9, "ball_radius"), "ball_radius"),
         "9: error: the ball radius has a label but no value, and the file ends there: write the "
         "number after the label"},
        {upTo(sceneWith(15, "pin_model"), "pin_model"),
         "15: error: the pin model has a label but no value, and the file ends there: write the "
         "file name after the label"},
        {sceneWith(9, "ball_radius\nhalf"),
         "10: error: cannot read the ball radius: 'half' is not a number"},
        // Values the physics cannot use as meant.
        {sceneWith(8, "ball [0, -2, nan]"),
         "8: error: the ball starts at [0, -2, nan], which is not a place: the physics takes it "
         "out at once; write three plain numbers"},
        {sceneWith(13, "pin_radius 0"),
         "13: error: the radius of pin 1 is 0: a body touches only with a radius above 0, so this "
         "one falls through the lane"},
        {sceneWith(10, "ball_mass nan"),
         "10: error: the mass of the ball is nan, which the physics cannot use: write a mass above "
         "0"},
        {sceneWith(14, "pin_mass -1"),
         "14: warning: the mass of pin 1 is -1: a negative mass pushes the wrong way; write a "
         "mass above 0",
         "1 scene, 0 errors, 1 warning"},
        {sceneWith(1, "[0.1, 0.2, 0.3]"),
         "1: error: the background colour line has no label: the game reads '[0.1,' as its label "
         "and goes on out of step; write a label word before [x, y, z]"},
    };
    TempDir folder;
    writeSceneModels();
    for (const auto &c : cases) {
        folder.write("scene.txt", c.scene);
        EXPECT_EQ(check(folder.path("scene.txt")).output,
                  "scene.txt:" + std::string(c.finding) + "\n" + c.summary + "\n")
            << c.scene;
    }
}

TEST(CheckLevel, CountsAreCheckedAgainstWhatTheGameReads) { expectEveryCaseIn("counts"); }

TEST(CheckLevel, ModelAndCollisionFilesAreReportedOnceWhereverTheyAreNamed) {
    expectEveryCaseIn("files");
}

TEST(CheckLevel, WhereBodiesStandIsJudgedByThePhysics) { expectEveryCaseIn("physics"); }

TEST(CheckLevel, WhatTheGameReadsAsMeantGivesNoFinding) { expectEveryCaseIn("layouts"); }

TEST(CheckLevel, AnythingButARegularFileCannotBeOpened) {
    TempDir folder;
    ASSERT_EQ(mkfifo("pipe", 0600), 0);
    folder.write("scenelist.txt", "scenes 2\nlevel1 pipe\nclosing pipe\n");
    Outcome run = check(folder.path());
    EXPECT_EQ(run.output,
              "scenelist.txt:2: error: cannot open the scene 'pipe': it is a pipe (FIFO), and the "
              "game reads only regular files\nscenelist.txt:3: error: cannot open the scene "
              "'pipe': it is a pipe (FIFO), and the game reads only regular files\n"
              "0 scenes, 2 errors, 0 warnings\n");
    EXPECT_EQ(check(folder.path("pipe")).status, 2);
    EXPECT_EQ(check(folder.path("none")).status, 2);
    ASSERT_EQ(mkdir("empty", 0700), 0);
    run = check(folder.path("empty"));
    EXPECT_EQ(run.output, "scenelist.txt:1: error: there is no scenelist.txt in " +
                              folder.path("empty") +
                              ": give the checker a level folder, its scene list or a scene "
                              "file\n0 scenes, 1 error, 0 warnings\n");
}

// The checker looks items up by what the loaders call them: a whole level
// read through the loaders holds every kind, so none it asks for is missing.
TEST(CheckLevel, TheLoadersReadEveryItemTheCheckerLooksUp) {
    char here[4096];
    ASSERT_TRUE(getcwd(here, sizeof here));
    ASSERT_EQ(chdir((fixtures + "level").c_str()), 0);
    std::set<int> seen;
    SceneList list = {-1, nullptr};
    std::vector<TracedRead> reads = {traceSceneList("scenelist.txt", &list),
                                     traceScene("good_scene.txt")};
    unloadQuietly();
    freeSceneList(&list);
    ReadTrace model = {};
    EXPECT_TRUE(runTraced(LOAD_MODEL, "lane.txt", nullptr, &model));
    ASSERT_EQ(chdir(here), 0);
    for (int32_t i = 1; i < model.count; i++) seen.insert(model.entries[i].item);
    freeTrace(&model);
    for (const TracedRead &read : reads) {
        EXPECT_TRUE(read.accepted);
        for (const Item &item : read.items) seen.insert(item.id);
    }
    for (int id = 0; id < ITEM_KINDS; id++) EXPECT_EQ(seen.count(id), 1u) << itemWords(ItemId(id));
}

// The budget holds from the first frame of every play: pins that fall at
// once are not seen to fall.
TEST(CheckLevel, ALevelNotDecidedWithinTheBudgetIsSaidSo) {
    for (int play = 0; play < 2; play++)
        EXPECT_EQ(check(fixtures + "level/sliding_pin_scene.txt", true, 1e-9).output,
                  "sliding_pin_scene.txt:7: warning: not decided within the budget of 1e-09 s of "
                  "play (0 throws tried, 1 of 1 pins still stand): give --budget more seconds\n"
                  "1 scene, 0 errors, 1 warning\n");
}

TEST(CheckLevel, RepeatsAreCountedWithTheirThousandsMarked) {
    EXPECT_EQ(thousands(999), "999");
    EXPECT_EQ(thousands(1000), "1,000");
    EXPECT_EQ(thousands(1234567), "1,234,567");
}

std::string readFile(const std::filesystem::path &path) {
    std::ifstream in(path, std::ios::binary);
    std::stringstream text;
    text << in.rdbuf();
    return text.str();
}

// What skorvel-check itself prints and returns, from its standard output
// and error.
Outcome runTool(const std::string &arguments, std::string *errors) {
    TempDir folder;
    std::string command = std::string("'") + SKORVEL_CHECK + "' " + arguments + " >out 2>err";
    int status = system(command.c_str());
    *errors = readFile("err");
    return {readFile("out"), WIFEXITED(status) ? WEXITSTATUS(status) : -1};
}

TEST(CheckTool, AnswersHelpAndVersionAndRefusesBadUsage) {
    const std::string usage =
        "usage: skorvel-check [--play [--step SECONDS] [--budget SECONDS]] [PATH]\n"
        "       skorvel-check --scenes [PATH]\n";
    std::string errors;
    Outcome help = runTool("--help", &errors);
    EXPECT_EQ(help.status, 0);
    EXPECT_EQ(help.output.rfind(usage, 0), 0u);
    EXPECT_EQ(errors, "");
    EXPECT_EQ(runTool("-h", &errors).output, help.output);
    Outcome version = runTool("--version", &errors);
    EXPECT_EQ(version.output, std::string("skorvel-check ") + SKORVEL_VERSION + "\n");
    EXPECT_EQ(version.status, 0);
    std::string longName(300, 'n'), longPath;
    while (longPath.size() < 4100) longPath += "/" + std::string(99, 'd');
    const char *step =
        "--step takes a frame length in seconds, above 0 and at most 0.25, as the "
        "game plays no longer frame";
    const struct {
        std::string arguments, problem;
    } bad[] = {
        {"--bogus", "unknown option --bogus"},
        {"--step 0.3", step},
        {"--step", step},
        {"--budget 0", "--budget takes a number of seconds above 0"},
        {"a b", "give one PATH at most"},
        {"--scenes --play", "--scenes reads only the list: no --play"},
        {"/dev/null",
         "cannot open /dev/null: it is not a regular file or a folder, and the game "
         "reads only regular files"},
        {"no-such-folder", "cannot open no-such-folder: there is no such file or folder"},
        {longName, "cannot open " + longName +
                       ": a name in it is 300 characters long, and the system takes names of at "
                       "most 255"},
        {longPath, "cannot open " + longPath +
                       ": the path is 4100 characters long, and the system takes paths of at "
                       "most 4095; give the path from a folder nearer the level"},
    };
    for (const auto &b : bad) {
        Outcome run = runTool(b.arguments, &errors);
        EXPECT_EQ(run.status, 2) << b.arguments;
        EXPECT_EQ(run.output, "") << b.arguments;
        EXPECT_EQ(errors, std::string("skorvel-check: ") + b.problem + "\n" + usage);
    }
    Outcome error = runTool("'" + fixtures + "level/space_comma_scene.txt'", &errors);
    EXPECT_EQ(error.status, 1);
    Outcome warning = runTool("'" + fixtures + "level/pin_count_low_scene.txt'", &errors);
    EXPECT_EQ(warning.status, 0);
}

// What the launcher and the generator ask for instead of reading a list
// themselves: the game's reading, or the list's own errors and nothing.
TEST(CheckTool, ScenesGivesTheGamesReadingOfAList) {
    TempDir folder;
    folder.write("scenelist_2x.txt", "scenes 2x\nlevel1 a.txt\nclosing b.txt\n");
    folder.write("scenelist_ok.txt", "scenes 2 level1 a.txt closing ./b.txt");
    std::string errors;
    Outcome run = runTool("--scenes " + folder.path("scenelist_ok.txt"), &errors);
    EXPECT_EQ(run.output, "a.txt\n./b.txt\n");
    EXPECT_EQ(run.status, 0);
    EXPECT_EQ(errors, "");
    run = runTool("--scenes " + folder.path("scenelist_2x.txt"), &errors);
    EXPECT_EQ(run.output, "");
    EXPECT_EQ(run.status, 1);
    EXPECT_EQ(errors,
              "scenelist_2x.txt:1: error: the scene count is a whole number, not '2x': "
              "the game reads 2 and takes 'x' as the next label, so every word after it "
              "is read out of step\n");
    // However far past the counted entries, an entry is found: the closing
    // line written again is a warning, any other entry an error.
    folder.write("b.txt", "");
    std::string far = "scenes 2\nlevel1 a.txt\nclosing b.txt\n" + std::string(3 << 20, '\n');
    folder.write("scenelist.txt", far + "closing ./b.txt\n");
    run = runTool("--scenes " + folder.path(), &errors);
    EXPECT_EQ(run.output, "a.txt\nb.txt\n");
    EXPECT_EQ(errors,
              "scenelist.txt:3145732: warning: the closing scene 'b.txt' is listed again after the "
              "counted entries, and the game never reads the repeat: remove it, and the closing "
              "scene stays the closing one\n");
    folder.write("scenelist.txt", far + "level3 c.txt\n");
    run = runTool("--scenes " + folder.path(), &errors);
    EXPECT_EQ(run.status, 1);
    EXPECT_EQ(errors,
              "scenelist.txt:1: error: the count is 2 but 3 entries follow: 'b.txt' (line 3) "
              "becomes the frozen closing scene and the 1 after it is never played; set the count "
              "to 3\n");
}

TEST(CheckLevel, AgreesWithTheGameOnEveryFileOfEveryFuzzInput) {
    TempDir folder;
    int inputs = 0;
    for (const auto &entry :
         std::filesystem::directory_iterator(std::string(SKORVEL_CORPUS) + "/fuzz_check")) {
        std::string data = readFile(entry.path());
        writeLevelFolder(reinterpret_cast<const uint8_t *>(data.data()), data.size());
        std::string found;
        captureStdout([&] { found = disagreement(); });
        EXPECT_EQ(found, "") << entry.path();
        inputs++;
    }
    EXPECT_GT(inputs, 8);
}

}  // namespace
