// The level checker: each kind of mistake gives exactly its findings, at the
// file and line where it is and with what to change, and nothing else; the
// layouts the game reads give none; and the checker agrees with the game's
// loaders on every file of every fuzz input.
#include <gtest/gtest.h>
#include <sys/stat.h>
#include <unistd.h>

#include <filesystem>
#include <fstream>
#include <sstream>

#include "check/check_level.h"
#include "fuzz/check_differential.h"
#include "support/capture.h"
#include "support/data_files.h"
#include "support/temp_dir.h"

namespace {

const std::string fixtures = std::string(SKORVEL_CHECK_FIXTURES) + "/level/";

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

struct Case {
    const char *path;
    const char *output;
    int status;
    bool play = false;
};

void expectAll(const std::vector<Case> &cases) {
    for (const Case &c : cases) {
        Outcome run = check(fixtures + c.path, c.play);
        EXPECT_EQ(run.output, c.output) << c.path;
        EXPECT_EQ(run.status, c.status) << c.path;
    }
}

TEST(CheckLevel, AReadingErrorIsNamedWhereTheWordsWentWrong) {
    expectAll({
        {"space_comma_scene.txt",
         "space_comma_scene.txt:1: error: cannot read the background colour: remove the space "
         "before ',': the game stops reading the line there\n1 scene, 1 error, 0 warnings\n",
         1},
        {"space_bracket_scene.txt",
         "space_bracket_scene.txt:6: error: a space before ']' leaves ' ]' unread, which spoils "
         "the next line: remove the space\n1 scene, 1 error, 0 warnings\n",
         1},
        {"no_space_label_scene.txt",
         "no_space_label_scene.txt:8: error: cannot read the ball position: there is no space "
         "between the label and '[': write 'ball ['\n1 scene, 1 error, 0 warnings\n",
         1},
        {"parentheses_scene.txt",
         "parentheses_scene.txt:2: error: cannot read the overlay colour: write the numbers in "
         "brackets [x, y, z], not parentheses\n1 scene, 1 error, 0 warnings\n",
         1},
        {"missing_label_scene.txt",
         "missing_label_scene.txt:3: error: the fall-out height line has no label: the game reads "
         "'-5' as its label and goes on out of step; write a label word before the number\n"
         "1 scene, 1 error, 0 warnings\n",
         1},
        {"text_number_scene.txt",
         "text_number_scene.txt:9: error: cannot read the ball radius: 'half' is not a number\n"
         "1 scene, 1 error, 0 warnings\n",
         1},
        {"pin_space_comma_scene.txt",
         "pin_space_comma_scene.txt:12: error: cannot read the pin position: remove the space "
         "before ',': the game stops reading the line there\n1 scene, 1 error, 0 warnings\n",
         1},
        {"two_points_scene.txt",
         "two_points_scene.txt:6: error: '3.2.0' is not a number: the game reads 3.2 and leaves "
         "'.0]' unread, which spoils the next line; write one number\n"
         "1 scene, 1 error, 0 warnings\n",
         1},
        {"comment_scene.txt",
         "comment_scene.txt:3: error: a line that starts with '#' is not a comment: the formats "
         "have no comments, so the game reads '#' as a label and the words after it as values; "
         "remove the line\n1 scene, 1 error, 0 warnings\n",
         1},
        {"name_space_scene.txt",
         "name_space_scene.txt:4: error: cannot open the lane model 'lane': file names cannot "
         "hold spaces, and the game reads the name only up to the space, so 'copy.txt' is read "
         "as the next label; rename the file without spaces\n1 scene, 1 error, 0 warnings\n",
         1},
        // Numbers may be labels: a name that does not open is only that.
        {"scenelist_numbers.txt",
         "scenelist_numbers.txt:3: error: cannot open the scene 'goodd_scene.txt': check the "
         "name, relative to the level folder\n1 scene, 1 error, 0 warnings\n",
         1},
        {"missing_lane_scene.txt",
         "missing_lane_scene.txt:4: error: cannot open the lane model 'lanes.txt': check the "
         "name, relative to the level folder\n1 scene, 1 error, 0 warnings\n",
         1},
        {"device_lane_scene.txt",
         "device_lane_scene.txt:4: error: cannot open the lane model '/dev/zero': it is a "
         "device, and the game reads only regular files\n1 scene, 1 error, 0 warnings\n",
         1},
    });
}

// A scene of fifteen lines on the test models, with line n (from 1) replaced.
std::string sceneWith(int n, const std::string &text) {
    std::vector<std::string> lines = {"background [0.1, 0.2, 0.3]",
                                      "overlay [1, 0.9, 0.4]",
                                      "fallout -5",
                                      "lane lane.txt",
                                      "collision floor.txt",
                                      "camera [0, -10, 3]",
                                      "pins 1",
                                      "ball [0, -2, 0.5]",
                                      "ball_radius 0.5",
                                      "ball_mass 7",
                                      "ball_model ball.txt",
                                      "pin [0, 4, 0.5]",
                                      "pin_radius 0.5",
                                      "pin_mass 1",
                                      "pin_model pin.txt"};
    lines[n - 1] = text;
    std::string scene;
    for (const std::string &line : lines) scene += line + "\n";
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

TEST(CheckLevel, CountsAreCheckedAgainstWhatTheGameReads) {
    expectAll({
        {"pin_count_high_scene.txt",
         "pin_count_high_scene.txt:7: error: the pin count is 2 but 1 complete pin block "
         "follows: set it to 1\n1 scene, 1 error, 0 warnings\n",
         1},
        {"pin_count_low_scene.txt",
         "pin_count_low_scene.txt:7: warning: the pin count is 1 but 2 pin blocks follow, and "
         "the game ignores the last 1: set it to 2\n1 scene, 0 errors, 1 warning\n",
         0},
        {"pins_negative_scene.txt",
         "pins_negative_scene.txt:7: error: the pin count is -2, so the level has no pins and is "
         "won before any throw, but 3 pin blocks follow: set it to 3\n"
         "1 scene, 1 error, 0 warnings\n",
         1},
        {"pins_huge_scene.txt",
         "pins_huge_scene.txt:7: error: the pin count is 99999999999 (more than a count can "
         "hold, 2147483647 at most, so the game reads it as 1215752191) but 1 complete pin block "
         "follows: set it to 1\n1 scene, 1 error, 0 warnings\n",
         1},
        {"short_collision_scene.txt",
         "short_collision.txt:1: error: the header says 3 triangles but 2 follow: set the count "
         "to 2\nshort_collision_scene.txt:5: error: the game cannot use the collision file "
         "'short_collision.txt' and quits: see the error in short_collision.txt\n"
         "1 scene, 2 errors, 0 warnings\n",
         1},
        {"count_differs_scene.txt",
         "count_differs_ball.txt:1: warning: the header says 4 triangles but 1 follow: set the "
         "count to 1\n1 scene, 0 errors, 1 warning\n",
         0},
        {"scenelist_count_not_raised.txt",
         "scenelist_count_not_raised.txt:1: error: the count is 2 but 3 entries follow: "
         "'pin_count_low_scene.txt' (line 3) becomes the frozen closing scene and the 1 after it "
         "is never played; set the count to 3\n2 scenes, 1 error, 0 warnings\n",
         1},
        {"scenelist_short.txt",
         "scenelist_short.txt:1: error: the count is 3 but 2 entries follow: set it to 2\n"
         "0 scenes, 1 error, 0 warnings\n",
         1},
        {"scenelist_one_short.txt",
         "scenelist_one_short.txt:1: error: the count is 2 but 1 entry follows: set it to 1\n"
         "0 scenes, 1 error, 0 warnings\n",
         1},
        {"scenelist_decimal_count.txt",
         "scenelist_decimal_count.txt:1: error: the scene count is a whole number, not '2.5': "
         "the game reads 2 and takes '.5' as the next label, so every word after it is read out "
         "of step\n0 scenes, 1 error, 0 warnings\n",
         1},
        {"no_pins_scene.txt",
         "no_pins_scene.txt:7: error: a level without pins is won before any throw: add pins\n"
         "1 scene, 1 error, 0 warnings\n",
         1},
        {"scenelist_zero.txt",
         "scenelist_zero.txt:1: error: the scene count is 0: set it to the number of entries, at "
         "least 1\n0 scenes, 1 error, 0 warnings\n",
         1},
        {"scenelist_bad_count.txt",
         "scenelist_bad_count.txt:1: error: cannot read the scene count: 'two' is not a number\n"
         "0 scenes, 1 error, 0 warnings\n",
         1},
        {"scenelist_empty.txt",
         "scenelist_empty.txt:1: error: the file ends before the scene count\n"
         "0 scenes, 1 error, 0 warnings\n",
         1},
        {"zero_count_scene.txt",
         "zero_count_lane.txt:1: error: the triangle count is 0: set it to the number of "
         "triangles, at least 1\nzero_count_scene.txt:4: error: the game cannot use the lane "
         "model 'zero_count_lane.txt' and quits: see the error in zero_count_lane.txt\n"
         "1 scene, 2 errors, 0 warnings\n",
         1},
        {"scenelist_one_entry.txt",
         "scenelist_one_entry.txt:2: error: the only entry is the closing scene, where nothing "
         "moves: list a playable level before it\n1 scene, 1 error, 0 warnings\n",
         1},
    });
}

TEST(CheckLevel, ModelAndCollisionFilesAreReportedOnceWhereverTheyAreNamed) {
    expectAll({
        // The broken model named only by a pin block past the count is never
        // read; the next scene's counted use of it is.
        {"scenelist_hidden_model.txt",
         "extra_block_scene.txt:7: warning: the pin count is 1 but 2 pin blocks follow, and the "
         "game ignores the last 1: set it to 2\nbroken_pin.txt:1: error: cannot read the triangle "
         "count: 'zero' is not a number\nbroken_pin_scene.txt:15: error: the game cannot use the "
         "pin model 'broken_pin.txt' and quits: see the error in broken_pin.txt\n"
         "3 scenes, 2 errors, 1 warning\n",
         1},
        {"bad_vertex_scene.txt",
         "bad_vertex_collision.txt:15: error: cannot read the vertex: write the numbers in "
         "brackets [x, y, z], not parentheses; the game refuses the file\n"
         "bad_vertex_scene.txt:5: error: the game cannot use the collision file "
         "'bad_vertex_collision.txt' and quits: see the error in bad_vertex_collision.txt\n"
         "1 scene, 2 errors, 0 warnings\n",
         1},
        {"f_suffix_scene.txt",
         "f_suffix_collision.txt:4: error: '0.0000f' is not a number: the game reads 0.0000 and "
         "leaves 'f]' unread, which spoils the next line; numbers take no 'f' suffix: write "
         "0.0000; the game refuses the file\nf_suffix_scene.txt:5: error: the game cannot use "
         "the collision file 'f_suffix_collision.txt' and quits: see the error in "
         "f_suffix_collision.txt\n1 scene, 2 errors, 0 warnings\n",
         1},
        {"cut_collision_scene.txt",
         "cut_collision.txt:9: error: cannot read the normal: a comma is missing after '0'; the "
         "game ends the triangles here, with 1 of the 2 its header counts, and refuses the file\n"
         "cut_collision_scene.txt:5: error: the game cannot use the collision file "
         "'cut_collision.txt' and quits: see the error in cut_collision.txt\n"
         "1 scene, 2 errors, 0 warnings\n",
         1},
        {"cut_lane_scene.txt",
         "cut_lane.txt:9: warning: cannot read the normal: a comma is missing after '0'; the game "
         "ends the triangles here and ignores the rest of the file\n"
         "1 scene, 0 errors, 1 warning\n",
         0},
        {"bright_scene.txt",
         "bright_ball.txt:3: warning: colour component 300 is above 255, and the game keeps only "
         "its lowest 8 bits (44): model colours are 0-255\n1 scene, 0 errors, 1 warning\n",
         0},
        {"flat_triangle_scene.txt",
         "flat_collision.txt:16: warning: the corners lie on one line: the triangle has no area, "
         "and nothing touches it but its corners\n1 scene, 0 errors, 1 warning\n",
         0},
        // A scene listed twice is checked as a level and as the closing
        // scene, but says each thing once.
        {"scenelist_twice.txt",
         "scene_colour_255_scene.txt:1: warning: scene colours are 0-1, not 0-255: write [0.10, "
         "0.16, 0.30]\n2 scenes, 0 errors, 1 warning\n",
         0},
        {"lane_space_comma_scene.txt",
         "lane_space_comma.txt:6: warning: cannot read the vertex: remove the space before ',': "
         "the game stops reading the line there; the game reads the rest of the model out of "
         "step, so its triangles are drawn wrong\n1 scene, 0 errors, 1 warning\n",
         0},
        {"bad_header_scene.txt",
         "bad_header_lane.txt:1: error: cannot read the triangle count: 'two' is not a number\n"
         "bad_header_scene.txt:4: error: the game cannot use the lane model "
         "'bad_header_lane.txt' and quits: see the error in bad_header_lane.txt\n"
         "1 scene, 2 errors, 0 warnings\n",
         1},
        {"decimal_colour_scene.txt",
         "decimal_colour_ball.txt:3: warning: cannot read the colour: model colours are whole "
         "numbers 0-255, such as [200, 160, 100]; the game reads the rest of the model out of "
         "step, so its triangles are drawn wrong\n1 scene, 0 errors, 1 warning\n",
         0},
        {"unit_colour_scene.txt",
         "unit_colour_ball.txt:3: warning: every colour is 0 or 1, which is almost black: model "
         "colours are 0-255, so write 255 for full colour\n1 scene, 0 errors, 1 warning\n",
         0},
        {"wound_pin_scene.txt",
         "wound_pin.txt:2: warning: the corners run clockwise seen from the side the normal "
         "points to (1 of 1 triangles): the side that shows is the one where they run "
         "counter-clockwise; swap two corners\n1 scene, 0 errors, 1 warning\n",
         0},
        {"lane_clockwise_scene.txt",
         "lane_clockwise.txt:2: warning: the lane under the ball is seen from behind by the "
         "camera at [0, -6, 3], so the game does not draw it: list the corners counter-clockwise "
         "seen from above (swap two corners)\n1 scene, 0 errors, 1 warning\n",
         0},
        {"tilted_normal_scene.txt",
         "tilted_normal_collision.txt:9: warning: the normal [0, 1, 0] is not perpendicular to "
         "this triangle, so bodies bounce off it as off a tilted plane: write [0, 0, 1]\n"
         "1 scene, 0 errors, 1 warning\n",
         0},
        {"wrong_normals_scene.txt",
         "wrong_normals_collision.txt:16: warning: the normal [0, 1, 0] is not perpendicular to "
         "this triangle, so bodies bounce off it as off a tilted plane: write [0, 0, 1]\n"
         "wrong_normals_collision.txt:23: warning: the normal [0, 1, 0] is not perpendicular to "
         "this triangle, so bodies bounce off it as off a tilted plane: write [0, 0, 1]\n"
         "wrong_normals_collision.txt:30: warning: the normal [0, 1, 0] is not perpendicular to "
         "this triangle, so bodies bounce off it as off a tilted plane: write [0, 0, 1]\n"
         "wrong_normals_collision.txt: and 2 more like this\n1 scene, 0 errors, 5 warnings\n",
         0},
        {"words_after_scene.txt",
         "words_after_collision.txt:16: warning: 'end of the lane' is not a normal line, so the "
         "game ends the triangles here and ignores the rest of the file: remove it\n"
         "1 scene, 0 errors, 1 warning\n",
         0},
    });
}

TEST(CheckLevel, WhereBodiesStandIsJudgedByThePhysics) {
    expectAll({
        {"sliding_pin_scene.txt",
         "sliding_pin_scene.txt:12: error: pin 1 moves by itself while the player aims, before "
         "any throw: check the collision triangle under it, slope_collision.txt line 9\n"
         "1 scene, 1 error, 0 warnings\n",
         1, true},
        // Pin 3 slides off the tilted strip into pin 2, which stands on flat floor.
        {"tilt_scene.txt",
         "tilt_scene.txt:20: error: pin 3 moves by itself while the player aims, before any "
         "throw: check the collision triangle under it, tilt_collision.txt line 23\n"
         "1 scene, 1 error, 0 warnings\n",
         1, true},
        // Of two pins that fall in the same frame, the first is named.
        {"two_falling_scene.txt",
         "two_falling_scene.txt:12: warning: no collision surface under pin 1 at (-5.00, 9.00): "
         "it falls when the level starts; move it over the lane\ntwo_falling_scene.txt:16: "
         "warning: no collision surface under pin 2 at (5.00, 9.00): it falls when the level "
         "starts; move it over the lane\ntwo_falling_scene.txt:12: error: pin 1 moves by itself "
         "while the player aims, before any throw: check the collision surface under it\n"
         "1 scene, 1 error, 2 warnings\n",
         1, true},
        // A pin off the ball's line is won with a throw to the side.
        {"angled_scene.txt",
         "angled_scene.txt: won in 1 throw, the first a drag of (16, -149) px in 0.25 s\n"
         "1 scene, 0 errors, 0 warnings\n",
         0, true},
        // A pin over a gap narrower than itself rests on the gap's edges.
        {"gap_scene.txt",
         "gap_scene.txt: won in 1 throw, the first a drag of (0, -150) px in 0.25 s\n"
         "1 scene, 0 errors, 0 warnings\n",
         0, true},
        {"below_fallout_scene.txt",
         "below_fallout_scene.txt:12: error: pin 1 starts below the fall-out height 0.40 and is "
         "out at once: raise it or lower the fall-out line\n1 scene, 1 error, 0 warnings\n",
         1},
        {"ball_mass_zero_scene.txt",
         "ball_mass_zero_scene.txt:10: error: the ball's mass is 0, so it pushes no pin: give it "
         "a mass above 0 (the bundled ball has 4)\n1 scene, 1 error, 0 warnings\n",
         1, true},
        {"nan_radius_scene.txt",
         "nan_radius_scene.txt:13: error: the radius of pin 1 is nan: a body touches only with a "
         "radius above 0, so this one falls through the lane\n1 scene, 1 error, 0 warnings\n",
         1, true},
        {"pin_on_floor_scene.txt",
         "pin_on_floor_scene.txt:12: warning: pin 1 starts inside the collision surface "
         "(collision.txt line 9): set z = floor + radius = 0.30\n1 scene, 0 errors, 1 warning\n",
         0},
        {"floating_pin_scene.txt",
         "floating_pin_scene.txt:12: warning: pin 1 starts 1.20 above the collision surface "
         "(collision.txt line 9) and drops when the level starts: set z = floor + radius = 0.30\n"
         "1 scene, 0 errors, 1 warning\n",
         0},
        {"overlap_scene.txt",
         "overlap_scene.txt:12: warning: pin 1 overlaps the ball at line 8 (centres 0.63 apart, "
         "radii 0.80 together), and overlapping bodies are never pushed apart: move it 0.17 "
         "further away\n1 scene, 0 errors, 1 warning\n",
         0},
        {"no_surface_scene.txt",
         "no_surface_scene.txt:12: warning: no collision surface under pin 1 at (5.00, 9.00): it "
         "falls when the level starts; move it over the lane\n1 scene, 0 errors, 1 warning\n",
         0},
        {"swapped_size_scene.txt",
         "swapped_size_scene.txt:4: warning: the lane and collision lines look swapped: the "
         "collision file has 6 triangles, the lane only 1; the drawn lane comes first\n"
         "1 scene, 0 errors, 1 warning\n",
         0},
        {"endless_fall_scene.txt",
         "endless_fall_scene.txt:7: error: not won in 5 throws: 1 of 1 pins still stand; every "
         "pin needs an open edge or a pit to fall through\n1 scene, 1 error, 0 warnings\n",
         1, true},
        {"pin_behind_scene.txt",
         "pin_behind_scene.txt:7: error: not won: no throw moves any pin, at any speed or angle "
         "the player tries; check that the ball can reach the pins\n"
         "1 scene, 1 error, 0 warnings\n",
         1, true},
        {"swapped_scene.txt",
         "swapped_scene.txt:4: warning: the lane line names 'collision.txt' and the collision "
         "line 'lane.txt': they look swapped; the drawn lane comes first\n"
         "1 scene, 0 errors, 1 warning\n",
         0},
        {"scene_colour_255_scene.txt",
         "scene_colour_255_scene.txt:1: warning: scene colours are 0-1, not 0-255: write [0.10, "
         "0.16, 0.30]\n1 scene, 0 errors, 1 warning\n",
         0},
    });
}

TEST(CheckLevel, WhatTheGameReadsAsMeantGivesNoFinding) {
    const char *none = "1 scene, 0 errors, 0 warnings\n";
    expectAll({
        {"scenelist.txt", "2 scenes, 0 errors, 0 warnings\n", 0},
        // The closing scene's pins are decoration, however they stand.
        {"scenelist_closing_pins.txt", "2 scenes, 0 errors, 0 warnings\n", 0},
        {"good_scene.txt", none, 0},
        // Checked on its own, the closing scene of its folder's list is still decoration.
        {"closing_pins_scene.txt", none, 0},
        {"crlf_scene.txt", none, 0},
        {"layout_cr_scene.txt", none, 0},
        {"layout_one_line_scene.txt", none, 0},
        {"layout_value_next_scene.txt", none, 0},
        {"layout_label_end_scene.txt", none, 0},
        {"layout_one_line_files_scene.txt", none, 0},
        {"no_final_break_scene.txt", none, 0},
        {"normal_down_scene.txt", none, 0},
        {"clockwise_collision_scene.txt", none, 0},
        {"double_sided_scene.txt", none, 0},
        // Checked on its own, a scene in a subfolder reads its files from the
        // level folder above, as the game does.
        {"sub/sub_scene.txt", none, 0},
    });
}

TEST(CheckLevel, AnythingButARegularFileCannotBeOpened) {
    expectAll({{"scenelist_not_files.txt",
                "scenelist_not_files.txt:2: error: cannot open the scene 'sub': it is a folder, "
                "and the game reads only regular files\nscenelist_not_files.txt:3: error: cannot "
                "open the scene '/dev/null': it is a device, and the game reads only regular "
                "files\n1 scene, 2 errors, 0 warnings\n",
                1}});
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

TEST(CheckLevel, ALevelNotDecidedWithinTheBudgetIsSaidSo) {
    EXPECT_EQ(check(fixtures + "good_scene.txt", true, 1e-9).output,
              "good_scene.txt:7: warning: not decided within the budget of 1e-09 s of play (0 "
              "throws tried, 1 of 1 pins still stand): give --budget more seconds\n"
              "1 scene, 0 errors, 1 warning\n");
}

TEST(CheckLevel, RepeatsAreCountedWithTheirThousandsMarked) {
    EXPECT_EQ(thousands(999), "999");
    EXPECT_EQ(thousands(1000), "1,000");
    EXPECT_EQ(thousands(1234567), "1,234,567");
}

TEST(CheckLevel, AMessageOfAnyLengthIsWhole) {
    std::string a(250, 'a'), b(250, 'b');
    Outcome run = check(fixtures + "long_message_scene.txt");
    EXPECT_EQ(run.output, "long_message_scene.txt:4: error: cannot open the lane model '" + a +
                              "': file names cannot hold spaces, and the game reads the name only "
                              "up to the space, so '" +
                              b +
                              "' is read as the next label; rename the file without spaces\n"
                              "1 scene, 1 error, 0 warnings\n");
}

// What skorvel-check itself prints and returns, from its standard output
// and error.
Outcome runTool(const std::string &arguments, std::string *errors) {
    TempDir folder;
    std::string command = std::string("'") + SKORVEL_CHECK + "' " + arguments + " >out 2>err";
    int status = system(command.c_str());
    std::ifstream out("out"), err("err");
    std::stringstream text, errorText;
    text << out.rdbuf();
    errorText << err.rdbuf();
    *errors = errorText.str();
    return {text.str(), WIFEXITED(status) ? WEXITSTATUS(status) : -1};
}

TEST(CheckTool, AnswersHelpAndVersionAndRefusesBadUsage) {
    std::string errors;
    Outcome help = runTool("--help", &errors);
    EXPECT_EQ(help.status, 0);
    EXPECT_EQ(help.output.rfind("usage: skorvel-check [--play [--step SECONDS] [--budget "
                                "SECONDS]] [PATH]\n",
                                0),
              0u);
    EXPECT_EQ(errors, "");
    Outcome version = runTool("--version", &errors);
    EXPECT_EQ(version.output, std::string("skorvel-check ") + SKORVEL_VERSION + "\n");
    EXPECT_EQ(version.status, 0);
    const char *usage =
        "usage: skorvel-check [--play [--step SECONDS] [--budget SECONDS]] [PATH]\n";
    const struct {
        const char *arguments, *problem;
    } bad[] = {
        {"--bogus", "unknown option --bogus"},
        {"--step 0.3",
         "--step takes a frame length in seconds, above 0 and at most 0.25, as the "
         "game plays no longer frame"},
        {"--step",
         "--step takes a frame length in seconds, above 0 and at most 0.25, as the game "
         "plays no longer frame"},
        {"--budget 0", "--budget takes a number of seconds above 0"},
        {"a b", "give one PATH at most"},
        {"/dev/null",
         "cannot open /dev/null: it is not a regular file or a folder, and the game "
         "reads only regular files"},
        {"no-such-folder", "cannot open no-such-folder: there is no such file or folder"},
    };
    for (const auto &b : bad) {
        Outcome run = runTool(b.arguments, &errors);
        EXPECT_EQ(run.status, 2) << b.arguments;
        EXPECT_EQ(run.output, "") << b.arguments;
        EXPECT_EQ(errors, std::string("skorvel-check: ") + b.problem + "\n" + usage);
    }
    Outcome error = runTool("'" + fixtures + "space_comma_scene.txt'", &errors);
    EXPECT_EQ(error.status, 1);
    Outcome warning = runTool("'" + fixtures + "pin_count_low_scene.txt'", &errors);
    EXPECT_EQ(warning.status, 0);
}

std::string readFile(const std::filesystem::path &path) {
    std::ifstream in(path, std::ios::binary);
    std::stringstream text;
    text << in.rdbuf();
    return text.str();
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
