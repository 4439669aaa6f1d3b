// The level checker: it points at the file and line of each kind of mistake
// a level maker makes, stays quiet on the harmless variants, and its replay
// of the data files agrees with the game's own loaders on every fuzz input.
#include <gtest/gtest.h>

#include <filesystem>
#include <fstream>
#include <sstream>

#include "check/check_level.h"
#include "check/replay.h"
#include "flow/scene_list.h"
#include "scene/scene.h"
#include "support/capture.h"
#include "support/data_files.h"
#include "support/temp_dir.h"

namespace {

const std::string fixtures = std::string(SKORVEL_CHECK_FIXTURES) + "/level/";

// The checker's findings as "FILE:LINE: error" lines, without their text.
std::string findings(const std::string &file, Report *report, bool play = false) {
    CheckOptions options;
    options.play = play;
    EXPECT_TRUE(checkPath(fixtures + file, options, report)) << file;
    std::string lines;
    for (const Diagnostic &d : report->diagnostics)
        lines += d.file + ":" + std::to_string(d.line) +
                 (d.severity == SEVERITY_ERROR ? ": error\n" : ": warning\n");
    return lines;
}

TEST(CheckLevel, PointsAtTheFileAndLineOfEachMistake) {
    struct Mistake {
        const char *file, *finding;
        bool play = false;
    } mistakes[] = {
        {"sliding_pin_scene.txt", "sliding_pin_scene.txt:12: error", true},
        {"space_comma_scene.txt", "space_comma_scene.txt:1: error"},
        {"space_bracket_scene.txt", "space_bracket_scene.txt:6: error"},
        {"no_space_label_scene.txt", "no_space_label_scene.txt:8: error"},
        {"parentheses_scene.txt", "parentheses_scene.txt:2: error"},
        {"missing_label_scene.txt", "missing_label_scene.txt:3: error"},
        {"text_number_scene.txt", "text_number_scene.txt:9: error"},
        {"missing_lane_scene.txt", "missing_lane_scene.txt:4: error"},
        {"device_lane_scene.txt", "device_lane_scene.txt:4: error"},
        {"pin_count_high_scene.txt", "pin_count_high_scene.txt:7: error"},
        {"pin_count_low_scene.txt", "pin_count_low_scene.txt:7: error"},
        {"pin_space_comma_scene.txt", "pin_space_comma_scene.txt:12: error"},
        {"scene_colour_255_scene.txt", "scene_colour_255_scene.txt:1: error"},
        {"pin_on_floor_scene.txt", "pin_on_floor_scene.txt:12: error"},
        {"overlap_scene.txt", "overlap_scene.txt:12: error"},
        {"below_fallout_scene.txt", "below_fallout_scene.txt:12: error"},
        {"no_surface_scene.txt", "no_surface_scene.txt:12: error"},
        {"swapped_scene.txt", "swapped_scene.txt:4: warning"},
        {"lane_space_comma_scene.txt", "lane_space_comma.txt:6: error"},
        {"lane_clockwise_scene.txt", "lane_clockwise.txt:2: error"},
        {"bad_header_scene.txt", "bad_header_lane.txt:1: error"},
        {"unit_colour_scene.txt", "unit_colour_ball.txt:3: error"},
        {"decimal_colour_scene.txt", "decimal_colour_ball.txt:3: error"},
        {"wound_pin_scene.txt", "wound_pin.txt:2: warning"},
        {"short_collision_scene.txt", "short_collision.txt:1: error"},
        {"tilted_normal_scene.txt", "tilted_normal_collision.txt:9: error"},
        {"bad_vertex_scene.txt", "bad_vertex_collision.txt:15: error"},
        {"scenelist_count_not_raised.txt", "scenelist_count_not_raised.txt:1: error"},
        {"scenelist_one_entry.txt", "scenelist_one_entry.txt:2: error"},
        {"scenelist_missing_scene.txt", "scenelist_missing_scene.txt:2: error"},
        {"scenelist_short.txt", "scenelist_short.txt:1: error"},
        {"scenelist_closing_pins.txt", "closing_pins_scene.txt:7: warning"},
    };
    for (const Mistake &mistake : mistakes) {
        Report report;
        std::string lines = findings(mistake.file, &report, mistake.play);
        EXPECT_NE(lines.find(std::string(mistake.finding) + "\n"), std::string::npos)
            << mistake.file << " gave:\n"
            << lines;
    }
}

TEST(CheckLevel, HarmlessVariantsGiveNoError) {
    for (const char *file :
         {"scenelist.txt", "good_scene.txt", "crlf_scene.txt", "no_final_break_scene.txt",
          "subfolder_scene.txt", "normal_down_scene.txt", "clockwise_collision_scene.txt",
          "count_differs_scene.txt"}) {
        Report report;
        std::string lines = findings(file, &report);
        EXPECT_EQ(countOf(report, SEVERITY_ERROR), 0) << file << " gave:\n" << lines;
    }
}

std::string readFile(const std::filesystem::path &path) {
    std::ifstream in(path, std::ios::binary);
    std::stringstream text;
    text << in.rdbuf();
    return text.str();
}

// Whether the game's loader accepts the file, with its log kept quiet.
bool gameAccepts(const std::string &target) {
    bool accepted = false;
    captureStdout([&] {
        if (target == "fuzz_scene_list") {
            SceneList list;
            accepted = loadSceneList("scenelist.txt", &list) == 1;
            if (accepted) freeSceneList(&list);
        } else if (target == "fuzz_collision") {
            CollisionTriangle *mesh = loadCollisionMesh("mesh.txt");
            accepted = mesh != nullptr;
            freeCollisionMesh(mesh);
        } else {
            accepted = readScene("scene.txt") == 1;
            if (accepted) unloadScene();
        }
    });
    return accepted;
}

bool replayAccepts(const std::string &target) {
    Report report;
    FileCache cache;
    if (target == "fuzz_scene_list") return replaySceneList("scenelist.txt", &report).accepted;
    if (target == "fuzz_collision")
        return replayTriangleFile(&cache, "mesh.txt", COLLISION_FILE, &report).accepted;
    return replayScene(&cache, "scene.txt", &report).accepted;
}

TEST(CheckReplay, AcceptsExactlyWhatTheGameAcceptsOnEveryFuzzInput) {
    const char *names[] = {"scenelist.txt", "mesh.txt", "scene.txt"};
    const char *targets[] = {"fuzz_scene_list", "fuzz_collision", "fuzz_scene"};
    int inputs = 0;
    for (int t = 0; t < 3; t++) {
        TempDir folder;
        writeSceneModels();
        for (const auto &entry :
             std::filesystem::directory_iterator(std::string(SKORVEL_CORPUS) + "/" + targets[t])) {
            folder.write(names[t], readFile(entry.path()));
            resetWorld();
            EXPECT_EQ(replayAccepts(targets[t]), gameAccepts(targets[t])) << entry.path();
            inputs++;
        }
    }
    EXPECT_GT(inputs, 8);
}

}  // namespace
