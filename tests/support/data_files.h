// Small data files for tests: triangles in the model and collision layout,
// and scene files whose lines a test can change one by one.
#pragma once

#include <string>
#include <vector>

#include "flow/world.h"

std::string vecText(Vec3 v);
// One triangle: its normal line, then a colour and a vertex line per corner,
// each ending with a line break.
std::string triangleText(Vec3 normal, Vec3 a, Vec3 b, Vec3 c,
                         const std::string &colour = "[200, 10, 10]");
// A header line with the count, then the triangles.
std::string triangleFile(int count, const std::vector<std::string> &triangles);
// A square floor of two triangles at height z, facing up.
std::string floorFile(float halfWidth, float z);
// What the game prints before the name of a model or collision file it
// cannot read.
const std::string triangleFileError =
    "encountered file error, possibly an invalid first line\nor an invalid file\n or no "
    "file\nor something else\nwhen trying to load ";

struct PinData {
    std::string position = "[0, 4, 0.5]";
    std::string radius = "0.5";
    std::string mass = "1";
    std::string model = "pin.txt";
};

struct SceneData {
    std::string background = "[0.1, 0.2, 0.3]";
    std::string hud = "[1, 0.5, 0]";
    std::string fall = "-5";
    std::string lane = "lane.txt";
    std::string collision = "floor.txt";
    std::string camera = "[0, -10, 3]";
    std::string pinCount = "2";
    std::string ballStart = "[0, -2, 0.5]";
    std::string ballRadius = "0.5";
    std::string ballMass = "7";
    std::string ballModel = "ball.txt";
    std::vector<PinData> pins = {PinData{}, PinData{"[1, 5, 0.5]", "0.4", "2", "pin.txt"}};

    std::string text() const;
};

// The same text with 20 more characters in every line's first word, its
// label: the labels of the test files then have 21 to 30 characters.
std::string lengthenLabels(const std::string &text);

// Writes lane.txt, floor.txt, ball.txt and pin.txt into the working folder.
void writeSceneModels();
void writeTextFile(const std::string &name, const std::string &text);
