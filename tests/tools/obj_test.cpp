// The OBJ importer: faces become outward triangles in the game's axes and
// colours, bad input names its line and leaves no file behind, and what it
// writes loads in the game without a word.
#include <dirent.h>
#include <gtest/gtest.h>
#include <sys/wait.h>

#include <cstdio>
#include <cstdlib>
#include <string>

#include "obj/obj_reader.h"
#include "obj/obj_writer.h"
#include "scene/scene.h"
#include "support/capture.h"
#include "support/temp_dir.h"

namespace {

// A cube of side 2 around the origin, its quads written in every corner
// syntax, one through negative indices, with CRLF ends and statements the
// game has no use for.
const char *const CUBE =
    "# cube\r\nmtllib\no cube\ng sides\ns off\n"
    "v -1 -1 -1\nv 1 -1 -1\nv 1 1 -1\nv -1 1 -1\r\n"
    "v -1 -1 1\nv 1 -1 1\nv 1 1 1\nv -1 1 1\nvt 0 0\nvn 0 0 1\n\n"
    "f 1 4 3 2\nf 5/1 6/1 7/1 8/1\nf 1//1 2//1 6//1 5//1\nf 2/1/1 3/1/1 7/1/1 6/1/1\n"
    "f -5 -1 -2 -6\nl 1 2\nf 4 1 5 8\n";

double dot(ObjPoint a, ObjPoint b) { return a.x * b.x + a.y * b.y + a.z * b.z; }
ObjPoint minus(ObjPoint a, ObjPoint b) { return {a.x - b.x, a.y - b.y, a.z - b.z}; }
ObjPoint cross(ObjPoint a, ObjPoint b) {
    return {a.y * b.z - a.z * b.y, a.z * b.x - a.x * b.z, a.x * b.y - a.y * b.x};
}

std::vector<GameTriangle> convert(const char *text, const ConvertOptions &options = {}) {
    TempDir dir;
    dir.write("in.obj", text);
    ObjMesh mesh;
    std::string error;
    EXPECT_TRUE(readObj("in.obj", &mesh, &error)) << error;
    return buildTriangles(mesh, options);
}

TEST(ObjImport, CubeOfQuadsGivesTwelveOutwardTriangles) {
    std::vector<GameTriangle> cube = convert(CUBE);
    ASSERT_EQ(cube.size(), 12u);
    for (const GameTriangle &t : cube) {
        ObjPoint centre = {(t.vertex[0].x + t.vertex[1].x + t.vertex[2].x) / 3,
                           (t.vertex[0].y + t.vertex[1].y + t.vertex[2].y) / 3,
                           (t.vertex[0].z + t.vertex[1].z + t.vertex[2].z) / 3};
        // Each face lies at distance 1 along its unit outward normal.
        EXPECT_NEAR(dot(t.normal, centre), 1.0, 1e-9);
        ObjPoint turn = cross(minus(t.vertex[1], t.vertex[0]), minus(t.vertex[2], t.vertex[0]));
        EXPECT_GT(dot(turn, t.normal), 0.0);
    }
}

TEST(ObjImport, YUpTurnsToZUpAndScales) {
    // A floor in Y-up axes: it faces +Y there.
    const char *floor = "v 0 0 0\nv 1 0 0\nv 0 0 -1\nf 1 2 3\n";
    struct Case {
        bool yUp;
        double scale;
        ObjPoint third, normal;
    } cases[] = {{true, 2, {0, 2, 0}, {0, 0, 1}}, {false, 1, {0, 0, -1}, {0, 1, 0}}};
    for (const Case &c : cases) {
        ConvertOptions options;
        options.yUp = c.yUp;
        options.scale = c.scale;
        GameTriangle t = convert(floor, options).at(0);
        EXPECT_EQ(dot(minus(t.vertex[2], c.third), minus(t.vertex[2], c.third)), 0.0);
        EXPECT_EQ(dot(t.normal, c.normal), 1.0);
    }
}

TEST(ObjImport, MaterialColourReachesTheCornersAndShadingLightsTheTop) {
    TempDir dir;
    dir.write("mats.mtl", "newmtl clay\r\nKd 1 0.5 0\r\n");
    dir.write("in.obj",
              "mtllib mats.mtl\nv 0 0 0\nv 1 0 0\nv 0 1 0\nf 1 2 3\nusemtl clay\nf 1 3 2\n");
    ObjMesh mesh;
    std::string error;
    ASSERT_TRUE(readObj(dir.path("in.obj").c_str(), &mesh, &error)) << error;
    ConvertOptions options;
    options.yUp = false;
    options.colour[0] = 10;
    std::vector<GameTriangle> plain = buildTriangles(mesh, options);
    EXPECT_EQ(plain[0].colour[2][0], 10);
    EXPECT_EQ(plain[1].colour[2][0], 255);
    EXPECT_EQ(plain[1].colour[2][1], 128);
    options.shade = true;
    std::vector<GameTriangle> shaded = buildTriangles(mesh, options);
    EXPECT_GT(shaded[0].colour[0][0], 0.55 * 10);  // facing up: lit
    EXPECT_EQ(shaded[1].colour[0][0], 140);        // facing down: ambient only
}

std::vector<std::string> folderEntries() {
    std::vector<std::string> names;
    DIR *dir = opendir(".");
    while (dirent *entry = readdir(dir))
        if (entry->d_name[0] != '.') names.push_back(entry->d_name);
    closedir(dir);
    return names;
}

TEST(ObjImport, BadInputNamesItsLineAndWritesNothing) {
    const std::string triangle = "v 0 0 0\nv 1 0 0\nv 0 1 0\n";
    struct Case {
        std::string text, where, arguments = "in.obj --model m.txt --collision c.txt";
    } cases[] = {
        {triangle + "f 1 2 4\n", "in.obj:4: error: vertex index 4 is past"},
        {triangle + "\r\nf 1 -4 2\n", "in.obj:5: error: vertex index -4 is past"},
        {triangle + "f 1 2 0\n", "in.obj:4: error: vertex index 0"},
        {triangle + "f 1/1 2 3\n", "in.obj:4: error: texture index 1 is past"},
        {triangle + "f 1 2\n", "in.obj:4: error: a face needs at least three corners"},
        {triangle + "f 1 2 3x\n", "in.obj:4: error: vertex index '3x'"},
        {"v 0 0 0\nv 1 0,5 0\n", "in.obj:2: error: '0,5' is not a number"},
        {"vn 0 0 1e999\n", "in.obj:1: error: '1e999' is not a number"},
        {triangle, "in.obj: error: no faces"},
        {"", "no.obj: error: cannot open", "no.obj --model m.txt"},
        {"", "skorvel-obj: error: --up takes y or z", "in.obj --model m.txt --up x"},
        {"", "skorvel-obj: error: --scale takes a number above 0", "in.obj --model m --scale 0"},
        {"", "skorvel-obj: error: --colour takes R,G,B", "in.obj --model m --colour 1,2"},
    };
    for (const Case &c : cases) {
        TempDir dir;
        dir.write("in.obj", c.text);
        FILE *run = popen((SKORVEL_OBJ " " + c.arguments + " 2>&1").c_str(), "r");
        std::string output;
        for (int ch; (ch = fgetc(run)) != EOF;) output += static_cast<char>(ch);
        int status = pclose(run);
        EXPECT_EQ(WEXITSTATUS(status), 1) << c.text;
        EXPECT_EQ(output.rfind(c.where, 0), 0u) << output;
        EXPECT_EQ(folderEntries(), std::vector<std::string>{"in.obj"}) << c.text;
    }
}

TEST(ObjImport, ConvertedCubeLoadsInTheGameWithoutAMessage) {
    TempDir dir;
    dir.write("in.obj", CUBE);
    ASSERT_EQ(system(SKORVEL_OBJ " in.obj --model model.txt --collision mesh.txt --shade"), 0);
    std::vector<GameTriangle> cube = convert(CUBE);
    CollisionTriangle *mesh = nullptr;
    int32_t model = 0;
    std::string log = captureStdout([&] {
        mesh = loadCollisionMesh("mesh.txt");
        model = loadModel("model.txt");
    });
    EXPECT_EQ(log, "");
    EXPECT_EQ(model, 1);
    int count = 0;
    for (CollisionTriangle *t = mesh; t; t = t->next, count++)
        EXPECT_FLOAT_EQ(t->normal.x, static_cast<float>(cube[count].normal.x));
    EXPECT_EQ(count, 12);
    freeCollisionMesh(mesh);
}

}  // namespace
