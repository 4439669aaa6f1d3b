// The OBJ importer: faces become outward triangles in the game's axes and
// colours that cover exactly the faces, what real exporters write is read,
// bad input names its line and leaves no file behind, only regular files are
// read or replaced, and what it writes loads in the game without a word.
#include <gtest/gtest.h>
#include <spawn.h>
#include <sys/stat.h>
#include <sys/sysmacros.h>
#include <sys/wait.h>
#include <unistd.h>

#include <algorithm>
#include <array>
#include <cmath>
#include <cstdio>
#include <filesystem>
#include <string>
#include <vector>

#include "physics/vec.h"
#include "scene/scene.h"
#include "support/capture.h"
#include "support/data_files.h"
#include "support/temp_dir.h"

extern char **environ;

namespace {

const std::string TRIANGLE = "v 0 0 0\nv 1 0 0\nv 0 1 0\n";

struct Outcome {
    int status;
    std::string out, err;
};

std::string readBack(FILE *file) {
    std::string text;
    rewind(file);
    for (int c; (c = fgetc(file)) != EOF;) text += static_cast<char>(c);
    fclose(file);
    return text;
}

// Runs the importer in the working folder with the arguments written as one
// line, split at the spaces, and no shell between; it is stopped after 20 s
// so that a read that blocks fails the test rather than hanging it.
Outcome runImporter(const std::string &line) {
    std::vector<std::string> words = {"timeout", "20", SKORVEL_OBJ};
    for (size_t start = 0, space; start < line.size(); start = space + 1) {
        space = line.find(' ', start);
        if (space == std::string::npos) space = line.size();
        words.push_back(line.substr(start, space - start));
    }
    std::vector<char *> argv;
    for (std::string &word : words) argv.push_back(&word[0]);
    argv.push_back(nullptr);
    FILE *out = tmpfile(), *err = tmpfile();
    posix_spawn_file_actions_t actions;
    posix_spawn_file_actions_init(&actions);
    posix_spawn_file_actions_adddup2(&actions, fileno(out), 1);
    posix_spawn_file_actions_adddup2(&actions, fileno(err), 2);
    pid_t pid;
    int status = -1;
    if (posix_spawnp(&pid, "timeout", &actions, nullptr, argv.data(), environ) == 0)
        waitpid(pid, &status, 0);
    posix_spawn_file_actions_destroy(&actions);
    return {WIFEXITED(status) ? WEXITSTATUS(status) : -1, readBack(out), readBack(err)};
}

using Rgb = std::array<int, 3>;

// A triangle as the game reads it from a written file.
struct Written {
    Vec3 normal;
    Vec3 vertex[3];
    Rgb colour[3];
};

std::vector<Written> readWritten(const std::string &path) {
    std::vector<Written> triangles;
    FILE *file = fopen(path.c_str(), "r");
    if (!file) return triangles;
    int count = 0;
    bool ok = fscanf(file, "triangles %d", &count) == 1;
    for (int i = 0; ok && i < count; i++) {
        Written t;
        ok = fscanf(file, " normal [%f, %f, %f]", &t.normal.x, &t.normal.y, &t.normal.z) == 3;
        for (int k = 0; ok && k < 3; k++)
            ok = fscanf(file, " colour [%d, %d, %d] vertex [%f, %f, %f]", &t.colour[k][0],
                        &t.colour[k][1], &t.colour[k][2], &t.vertex[k].x, &t.vertex[k].y,
                        &t.vertex[k].z) == 6;
        if (ok) triangles.push_back(t);
    }
    fclose(file);
    return triangles;
}

// The colour of each triangle's first corner.
std::vector<Rgb> colours(const std::vector<Written> &triangles) {
    std::vector<Rgb> rgb;
    for (const Written &t : triangles) rgb.push_back(t.colour[0]);
    return rgb;
}

Vec3 faceCross(const Written &t) { return vecFaceNormal(t.vertex[0], t.vertex[1], t.vertex[2]); }

double area(const Written &t) { return std::sqrt(vecDotInDouble(faceCross(t), faceCross(t))) / 2; }

// What skorvel-check asks of each triangle, in the game's arithmetic: the
// corners run counter-clockwise seen from where the normal points, and the
// normal is within the checker's 2.5 degrees of perpendicular to the face.
void expectCheckerAgrees(const Written &t) {
    Vec3 face = faceCross(t), normal = t.normal;
    EXPECT_GE(vecDot(face, t.normal), 0.0f) << "clockwise";
    vecNormalize(&face);
    vecNormalize(&normal);
    EXPECT_GE(std::fabs(vecDot(normal, face)), 0.999f) << "not perpendicular";
}

std::vector<std::string> folderEntries() {
    std::vector<std::string> names;
    for (const auto &entry : std::filesystem::directory_iterator("."))
        names.push_back(entry.path().filename());
    std::sort(names.begin(), names.end());
    return names;
}

int lineCount(const std::string &text) {
    return static_cast<int>(std::count(text.begin(), text.end(), '\n'));
}

TEST(ObjImport, CubeOfQuadsGivesTwelveOutwardTrianglesTheGameLoadsWithoutAMessage) {
    TempDir dir;
    std::filesystem::copy_file(SKORVEL_OBJ_FIXTURES "/cube.obj", "in.obj");
    Outcome run = runImporter("in.obj --model model.txt --collision mesh.txt --shade");
    ASSERT_EQ(run.status, 0);
    EXPECT_EQ(run.out, "model.txt: 12 triangles\nmesh.txt: 12 triangles\n");
    std::vector<Written> cube = readWritten("model.txt");
    ASSERT_EQ(cube.size(), 12u);
    for (const Written &t : cube) {
        Vec3 centre = vecScale(vecAdd(vecAdd(t.vertex[0], t.vertex[1]), t.vertex[2]), 1.0f / 3);
        // Each face lies at distance 1 along its unit outward normal.
        EXPECT_NEAR(vecDot(t.normal, centre), 1.0f, 1e-5f);
        expectCheckerAgrees(t);
    }
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
        EXPECT_EQ(vecText(t->normal), vecText(cube.at(count).normal));
    EXPECT_EQ(count, 12);
    freeCollisionMesh(mesh);
}

TEST(ObjImport, YUpTurnsToZUpAndScales) {
    TempDir dir;
    // A floor in Y-up axes: it faces +Y there.
    dir.write("in.obj", "v 0 0 0\nv 1 0 0\nv 0 0 -1\nf 1 2 3\n");
    ASSERT_EQ(runImporter("in.obj --model y.txt --up y --scale 2").status, 0);
    ASSERT_EQ(runImporter("in.obj --model z.txt --up z").status, 0);
    Written y = readWritten("y.txt").at(0), z = readWritten("z.txt").at(0);
    EXPECT_EQ(vecText(y.vertex[2]), "[0, 2, 0]");
    EXPECT_EQ(vecText(y.normal), "[0, 0, 1]");
    EXPECT_EQ(vecText(z.vertex[2]), "[0, 0, -1]");
    EXPECT_EQ(vecText(z.normal), "[0, 1, 0]");
}

// The light falls from unit(-0.4, -0.55, 0.75): a face turned up shows its
// Ka share of its colour (0.55 unless the material says) and the rest times
// 0.741, one turned down the share alone. Ks adds a white highlight of
// (0.607 facing up) to the power Ns, and a corner's normal bends the light
// there. A bent face shows the colour of its plane (a saddle's is level),
// and the collision file the model's colours.
TEST(ObjImport, ShadingFollowsTheMaterialsAndTheCornerNormals) {
    TempDir dir;
    dir.write("mats.mtl",
              "newmtl white\nKd 1\nnewmtl flat\nKd 0.4 0.6 0.8\nKa 1\nnewmtl bare\r\n"
              "newmtl shiny\nKd 0\nKa 0\nKs 1 0.5 0\nNs 2\n");
    dir.write(
        "in.obj",
        "mtllib mats.mtl\n" + TRIANGLE +
            "vn 0 0 2\nvn 0 0 0\nf 1 3 2\nusemtl white\nf 1 2 3\nf 1 3 2\n"
            "f 1//1 3 2\nf 1//2 2 3\nusemtl flat\nf 1 3 2\nusemtl bare\nf 1 3 2\n"
            "usemtl shiny\nf 1 2 3\nv 1 0 0.1\nv 1 1 0\nv 0 1 0.1\nusemtl white\nf 1 4 5 6\n");
    Outcome run = runImporter(
        "in.obj --model m.txt --collision c.txt --up z --shade --colour "
        "200,100,40");
    ASSERT_EQ(run.status, 0) << run.err;
    std::vector<Written> model = readWritten("m.txt");
    EXPECT_EQ(colours(model), (std::vector<Rgb>{{110, 55, 22},
                                                {225, 225, 225},
                                                {140, 140, 140},
                                                {225, 225, 225},
                                                {225, 225, 225},
                                                {102, 153, 204},
                                                {112, 112, 112},
                                                {94, 47, 0},
                                                {225, 225, 225},
                                                {225, 225, 225}}));
    EXPECT_EQ(model.at(3).colour[1], (Rgb{140, 140, 140}));
    EXPECT_EQ(colours(readWritten("c.txt")), colours(model));
}

TEST(ObjImport, ProblemsInAMaterialLibraryAreWarningsAndTheRestConverts) {
    struct Case {
        std::string library, warning;
    } cases[] = {
        {"newmtl \nKd 0 1 0\n", "lib.mtl:3: warning: 'newmtl' without a name"},
        {"newmtl other\n\nKd xyz 0.1 0.2 0.3\n", "lib.mtl:5: warning: 'Kd xyz 0.1 0.2 0.3'"},
        {"newmtl other\nKd 1 0,5 0\n", "lib.mtl:4: warning: 'Kd 1 0,5 0' is not read"},
        {"newmtl other\nKs 1 0\n", "lib.mtl:4: warning: 'Ks 1 0' is not read"},
        {"newmtl other\nNs -1\n", "lib.mtl:4: warning: 'Ns -1' is not read"},
        {"#" + std::string(1 << 20, 'x') + "\n", "lib.mtl:3: warning: the line is longer"},
    };
    for (const Case &c : cases) {
        TempDir dir;
        dir.write("lib.mtl", "newmtl red\nKd 1 0 0\n" + c.library);
        dir.write("in.obj", "mtllib lib.mtl\n" + TRIANGLE + "usemtl red\nf 1 2 3\n");
        Outcome run = runImporter("in.obj --model m.txt");
        EXPECT_EQ(run.status, 0) << run.err;
        EXPECT_EQ(run.err.rfind(c.warning, 0), 0u) << run.err;
        EXPECT_EQ(lineCount(run.err), 1) << run.err;
        EXPECT_EQ(colours(readWritten("m.txt")), (std::vector<Rgb>{{255, 0, 0}}));
    }
}

TEST(ObjImport, NamesKeepTheirSpacesAndALibraryLineMayListSeveral) {
    TempDir dir;
    dir.write("my lane.mtl", "newmtl Hard Shiny\nKd 1 0 0\nnewmtl Hard Matte \t\nKd 0 0 1\n");
    dir.write("a.mtl", "newmtl green\nKd 0 1 0\n");
    dir.write("b.mtl", "newmtl #7 grey\nKd 0.5\n");
    dir.write("in.obj", "mtllib my lane.mtl\nmtllib a.mtl b.mtl\n" + TRIANGLE +
                            "usemtl Hard Matte\nf 1 2 3\nusemtl  Hard Shiny \nf 1 2 3\n"
                            "usemtl green\nf 1 2 3\nusemtl #7 grey\nf 1 2 3\n");
    EXPECT_EQ(runImporter("in.obj --model m.txt").err, "");
    EXPECT_EQ(colours(readWritten("m.txt")),
              (std::vector<Rgb>{{0, 0, 255}, {255, 0, 0}, {0, 255, 0}, {128, 128, 128}}));
}

TEST(ObjImport, ByteOrderMarksAndContinuedLinesAreRead) {
    TempDir dir;
    dir.write("lib.mtl", "\xEF\xBB\xBFnewmtl red\nKd 1 0 0\n");
    // The comment's final backslash does not join the vertex after it.
    dir.write("in.obj", "\xEF\xBB\xBFv 5 5 5\nmtllib lib.mtl\n" + TRIANGLE +
                            "# C:\\models\\\nv 9 9 9\nusemtl red\nf 1 \\\r\n 2 \\\n 3\nf 2 3 5\n");
    Outcome run = runImporter("in.obj --model m.txt --up z");
    EXPECT_EQ(run.status, 0) << run.err;
    EXPECT_EQ(run.err, "");
    std::vector<Written> model = readWritten("m.txt");
    ASSERT_EQ(model.size(), 2u);
    EXPECT_EQ(model[0].vertex[0].x, 5.0f);
    EXPECT_EQ(model[0].colour[0][0], 255);
    EXPECT_EQ(model[1].vertex[2].x, 9.0f);
}

TEST(ObjImport, AMissingLibraryOrMaterialIsWarnedOfOnce) {
    TempDir dir;
    dir.write("in.obj", "mtllib gone.mtl\nmtllib gone.mtl\n" + TRIANGLE +
                            "usemtl a\nf 1 2 3\nusemtl b\nf 1 2 3\nusemtl a\nf 1 2 3\n");
    Outcome run = runImporter("in.obj --model m.txt");
    EXPECT_EQ(run.status, 0);
    EXPECT_EQ(run.err,
              "in.obj:1: warning: material library 'gone.mtl' cannot be read (No such file or "
              "directory); the faces of its materials take the --colour colour\n"
              "in.obj:6: warning: material 'a' is in no material library read so far; its faces "
              "take the --colour colour\n"
              "in.obj:8: warning: material 'b' is in no material library read so far; its faces "
              "take the --colour colour\n");
}

// Corners of flat polygons in a plane tilted about x, counter-clockwise
// seen from (0, -0.8, 0.6): u along x, v along (0, 0.6, 0.8).
std::string tiltedFace(const std::vector<std::pair<int, int>> &corners, bool reversed) {
    std::string text;
    for (const auto &c : corners)
        text += "v " + std::to_string(c.first) + " " + std::to_string(0.6 * c.second) + " " +
                std::to_string(0.8 * c.second) + "\n";
    text += "f";
    for (size_t i = 0; i < corners.size(); i++)
        text += " " + std::to_string(reversed ? corners.size() - i : i + 1);
    return text + "\n";
}

TEST(ObjImport, ConcaveFacesAreCoveredExactlyWithTheirWinding) {
    struct Case {
        std::vector<std::pair<int, int>> corners;
        double area;
    } cases[] = {
        // A U, starting inside its notch, where a fan flips triangles.
        {{{2, 3}, {2, 1}, {1, 1}, {1, 3}, {0, 3}, {0, 0}, {3, 0}, {3, 3}}, 7},
        // A comb of three teeth with a point on one tooth's edge.
        {{{0, 0}, {6, 0}, {6, 4}, {5, 1}, {4, 4}, {3, 1}, {2, 4}, {1, 1}, {0, 4}, {0, 2}}, 15},
        // Convex, with a corner on an edge: the fan from the first corner fits.
        {{{4, 2}, {0, 2}, {0, 0}, {2, 0}, {4, 0}}, 8},
    };
    for (const Case &c : cases)
        for (bool reversed : {false, true}) {
            TempDir dir;
            dir.write("in.obj", tiltedFace(c.corners, reversed));
            Outcome run = runImporter("in.obj --model m.txt --up z");
            EXPECT_EQ(run.err, "");
            std::vector<Written> model = readWritten("m.txt");
            EXPECT_EQ(model.size(), c.corners.size() - 2);
            double covered = 0;
            Vec3 facing = {0.0f, reversed ? 0.8f : -0.8f, reversed ? -0.6f : 0.6f};
            for (const Written &t : model) {
                covered += area(t);
                EXPECT_GT(vecDot(t.normal, facing), 0.999f);
                expectCheckerAgrees(t);
            }
            EXPECT_NEAR(covered, c.area, 1e-4);
        }
}

TEST(ObjImport, BentAndTangledFacesAreWarnedOf) {
    struct Case {
        std::string text, warning;
    } cases[] = {
        // A corner lifted 0.03 lies 0.5% of the square's size off its plane.
        {"v 0 0 0\nv 1 0 0\nv 1 1 0.03\nv 0 1 0\nf 1 2 3 4\n", ""},
        {"v 0 0 0\nv 1 0 0\nv 1 1 0.1\nv 0 1 0\nf 1 2 3 4\nf 1 2 3 4\n",
         "in.obj:5: warning: this face is not flat enough to split faithfully: a corner lies off "
         "its plane by more than 1% of its size; flatten it in the modelling tool; 1 more faces "
         "are bent too\n"},
        {"v 0 0 0\nv 2 2 0\nv 2 0 0\nv 0 1 0\nf 1 2 3 4\n",
         "in.obj:5: warning: the edges of this face cross each other, so its triangles overlap; "
         "untangle it in the modelling tool\n"},
    };
    for (const Case &c : cases) {
        TempDir dir;
        dir.write("in.obj", c.text);
        Outcome run = runImporter("in.obj --model m.txt --up z");
        EXPECT_EQ(run.status, 0);
        EXPECT_EQ(run.err, c.warning);
    }
}

TEST(ObjImport, NormalsFollowTheCornersAsWrittenAndFlatTrianglesAreLeftOut) {
    TempDir dir;
    // A thin triangle whose corners, rounded to the six digits written, turn
    // the other way round than they do unrounded; and triangles of no area,
    // the last only once rounded.
    dir.write("in.obj",
              "v 479.9521 -1220.712 723.0447\nv 534.6119 -1339.9514 441.6517\n"
              "v 589.2716 -1459.1903 160.2595\nv 0 0 0\nv 1000 1000 0\nv 2000 2000.0004 0\n"
              "f 1 2 3\nf 4 4 5\nf 4 5 6\n");
    Outcome run = runImporter("in.obj --model m.txt --collision c.txt --up z");
    EXPECT_EQ(run.status, 0);
    EXPECT_EQ(run.err,
              "in.obj:8: warning: 2 triangles with no area as written (the corners on one line) "
              "are left out, the first from this line\n");
    for (const char *file : {"m.txt", "c.txt"}) {
        std::vector<Written> triangles = readWritten(file);
        ASSERT_EQ(triangles.size(), 1u);
        expectCheckerAgrees(triangles[0]);
    }
}

// Bad input of every kind: each one an error at its line, exit status 1
// and no file written.
TEST(ObjImport, BadInputNamesItsLineAndWritesNothing) {
    // A comb of 2500 teeth: a concave face of 5003 corners.
    std::string comb = "v 0 0 0\nv 5000 0 0\n", combFace = "f 1 2";
    for (int tooth = 2500; tooth > 0; tooth--)
        comb += "v " + std::to_string(2 * tooth) + " 2 0\nv " + std::to_string(2 * tooth - 1) +
                " 1 0\n";
    for (int corner = 3; corner <= 5003; corner++) combFace += " " + std::to_string(corner);
    comb += "v 0 2 0\n" + combFace + "\n";
    struct Case {
        std::string text, message, arguments = "in.obj --model m.txt --collision c.txt";
    } cases[] = {
        {"v 0 0 0\nf 1 2 1\n", "in.obj:2: error: vertex index 2 is past the one vertex defined"},
        {TRIANGLE + "f 1 2 0\n", "in.obj:4: error: vertex index 0"},
        {TRIANGLE + "f 1/1 2 3\n", "in.obj:4: error: texture index 1: no texture coordinates are"},
        {TRIANGLE + "vn 0 0 1\nvn 0 1 0\nf 1//-3 2 3\n",
         "in.obj:6: error: normal index -3 is past the 2 normals defined"},
        {TRIANGLE + "f 1 2\n", "in.obj:4: error: a face needs at least three corners"},
        {TRIANGLE + "f 1 2 3x\n", "in.obj:4: error: vertex index '3x'"},
        {TRIANGLE + "f 1 \\\n 2 \\\n 4\n", "in.obj:4: error: vertex index 4 is past"},
        {"vt\n", "in.obj:1: error: 'vt' needs at least 1 number, found 0"},
        {"vn 0 1\n", "in.obj:1: error: 'vn' needs at least 3 numbers, found 2"},
        {"v 0 0 0\nv 1 0x10 0\n", "in.obj:2: error: '0x10' is not a number"},
        {"v 0 nan 0\n", "in.obj:1: error: 'nan' is not a number"},
        {"vn 0 0 1e999\n", "in.obj:1: error: '1e999' is too large a number"},
        {TRIANGLE + "v 1 1 1e39\nf 1 2 4\n",
         "in.obj:4: error: coordinate 1e+39 is past 3.40282e+38"},
        {"v 0 0 0\nv 1 0 0\nv 1e308 1 0\nf 1 2 3\n",
         "in.obj:3: error: coordinate 1e+308 times --scale 10 is past",
         "in.obj --model m.txt --scale 10"},
        {TRIANGLE, "in.obj: error: no faces"},
        {TRIANGLE + "f 1 2 2\n", "in.obj: error: no face has any area"},
        {comb, "in.obj:5004: error: this concave face has 5003 corners, more than the 5000"},
        {TRIANGLE + "#" + std::string(1 << 20, 'x') + "\nf 1 2 3\n",
         "in.obj:4: error: the line is longer than 1048576 bytes"},
        {"v 0 caf\xC3\xA9\x1B[31m\x7F\xC2\x85\xC0\xAF\x89\xF4\x8F\xBF\xBF 0\n",
         "in.obj:1: error: 'caf\xC3\xA9\\x1b[31m\\x7f\\xc2\\x85\\xc0\\xaf\\x89\xF4\x8F\xBF\xBF' "
         "is"},
        {"", "no.obj: error: cannot read: No such file", "no.obj --model m.txt"},
        {TRIANGLE + "f 1 2 3\n", "gone/m.txt: error: cannot write: No such file",
         "in.obj --model gone/m.txt"},
        // /proc/self/mem reads as a regular file that gives an error at once.
        {"", "/proc/self/mem:1: error: cannot read this line: Input/output error",
         "/proc/self/mem --model m.txt"},
    };
    for (const Case &c : cases) {
        TempDir dir;
        dir.write("in.obj", c.text);
        Outcome run = runImporter(c.arguments);
        EXPECT_EQ(run.status, 1) << c.message;
        // The error is the last line, after any warnings that explain it.
        size_t lastLine = run.err.rfind('\n', run.err.size() - 2) + 1;
        EXPECT_EQ(run.err.find(c.message), lastLine) << run.err;
        EXPECT_EQ(folderEntries(), std::vector<std::string>{"in.obj"}) << c.message;
    }
    TempDir dir;
    dir.write("in.obj", TRIANGLE + "#" + std::string((1 << 20) - 1, 'x') + "\nf 1 2 3\n");
    EXPECT_EQ(runImporter("in.obj --model m.txt").status, 0) << "a line of exactly 1 MB";
}

TEST(ObjImport, OnlyRegularFilesAreReadAndNoneBlocks) {
    TempDir dir;
    dir.write("in.obj",
              "mtllib fifo.mtl\nmtllib zero.mtl\nmtllib folder.mtl\n" + TRIANGLE + "f 1 2 3\n");
    ASSERT_EQ(mkfifo("fifo.mtl", 0600), 0);
    ASSERT_EQ(mknod("zero.mtl", S_IFCHR | 0600, makedev(1, 5)), 0);
    ASSERT_EQ(mkdir("folder.mtl", 0700), 0);
    Outcome run = runImporter("in.obj --model m.txt");
    EXPECT_EQ(run.status, 0);
    EXPECT_EQ(run.err,
              "in.obj:1: warning: material library 'fifo.mtl' cannot be read (it is a FIFO, not a "
              "file); the faces of its materials take the --colour colour\n"
              "in.obj:2: warning: material library 'zero.mtl' cannot be read (it is a device, not "
              "a file); the faces of its materials take the --colour colour\n"
              "in.obj:3: warning: material library 'folder.mtl' cannot be read (it is a folder, "
              "not a file); the faces of its materials take the --colour colour\n");
    for (const char *input : {"fifo.mtl", "zero.mtl", "folder.mtl"}) {
        Outcome refused = runImporter(std::string(input) + " --model m.txt");
        EXPECT_EQ(refused.status, 1) << input;
        EXPECT_NE(refused.err.find(": error: cannot read: it is a "), std::string::npos);
    }
}

TEST(ObjImport, OnlyARegularFileIsReplacedAndALinkIsWrittenThrough) {
    TempDir dir;
    dir.write("in.obj", TRIANGLE + "f 1 2 3\n");
    ASSERT_EQ(mknod("null", S_IFCHR | 0600, makedev(1, 3)), 0);
    ASSERT_EQ(mkfifo("fifo", 0600), 0);
    ASSERT_EQ(mkdir("folder", 0700), 0);
    ASSERT_EQ(symlink("null", "device-link"), 0);
    ASSERT_EQ(symlink("nowhere", "broken-link"), 0);
    const std::vector<std::string> before = folderEntries();
    struct Case {
        const char *output, *message;
    } cases[] = {
        {"null", "null: error: cannot write: it is a device, not a file"},
        {"fifo", "fifo: error: cannot write: it is a FIFO, not a file"},
        {"folder", "folder: error: cannot write: it is a folder, not a file"},
        {"device-link", "device-link: error: cannot write: it is a device, not a file"},
        {"broken-link", "broken-link: error: cannot write: it is a symbolic link to no file"},
    };
    for (const Case &c : cases) {
        // The other output is fine, and is not written either.
        Outcome run = runImporter(std::string("in.obj --model m.txt --collision ") + c.output);
        EXPECT_EQ(run.status, 1);
        EXPECT_EQ(run.err.rfind(c.message, 0), 0u) << run.err;
        EXPECT_EQ(folderEntries(), before);
    }
    struct stat status;
    ASSERT_EQ(lstat("null", &status), 0);
    EXPECT_TRUE(S_ISCHR(status.st_mode));

    dir.write("kept.txt", "");
    ASSERT_EQ(chmod("kept.txt", 0640), 0);
    ASSERT_EQ(symlink("kept.txt", "link.txt"), 0);
    std::string longest(251, 'n');
    longest += ".txt";
    Outcome run = runImporter("in.obj --model link.txt --collision " + longest);
    EXPECT_EQ(run.status, 0) << run.err;
    ASSERT_EQ(lstat("link.txt", &status), 0);
    EXPECT_TRUE(S_ISLNK(status.st_mode));
    ASSERT_EQ(stat("kept.txt", &status), 0);
    EXPECT_EQ(status.st_mode & 0777, 0640u);
    EXPECT_EQ(readWritten("kept.txt").size(), 1u);
    EXPECT_EQ(readWritten(longest).size(), 1u);
    std::vector<std::string> after = before;
    for (const std::string &name : {std::string("kept.txt"), std::string("link.txt"), longest})
        after.push_back(name);
    std::sort(after.begin(), after.end());
    EXPECT_EQ(folderEntries(), after);
}

TEST(ObjImport, UsageErrorsGiveOneLineAndStatusTwo) {
    const char *cases[] = {
        "",
        "in.obj",
        "in.obj --model",
        "in.obj --model m.txt --up x",
        "in.obj --model m.txt --scale 0",
        "in.obj --model m.txt --scale 0x10",
        "in.obj --model m.txt --colour 1,2",
        "in.obj --model m.txt --colour 1,2,256",
        "in.obj --model m.txt --bogus",
        "in.obj other.obj --model m.txt",
    };
    TempDir dir;
    for (const char *arguments : cases) {
        Outcome run = runImporter(arguments);
        EXPECT_EQ(run.status, 2) << arguments;
        EXPECT_EQ(run.out, "");
        EXPECT_EQ(run.err.rfind("skorvel-obj: error: ", 0), 0u) << run.err;
        EXPECT_EQ(lineCount(run.err), 1) << run.err;
    }
    EXPECT_EQ(folderEntries(), std::vector<std::string>{});
    Outcome help = runImporter("--help");
    EXPECT_EQ(help.status, 0);
    EXPECT_EQ(help.out.rfind("usage: skorvel-obj IN.obj", 0), 0u);
    EXPECT_EQ(help.err, "");
    Outcome version = runImporter("in.obj --version");
    EXPECT_EQ(version.status, 0);
    EXPECT_EQ(version.out, "skorvel-obj " SKORVEL_VERSION "\n");
    dir.write("-in.obj", TRIANGLE + "f 1 2 3\n");
    EXPECT_EQ(runImporter("--model m.txt -- -in.obj").status, 0);
}

TEST(ObjImport, ALargeCollisionMeshIsWarnedOf) {
    TempDir dir;
    std::string faces = TRIANGLE;
    for (int i = 0; i < 20001; i++) faces += "f 1 2 3\n";
    dir.write("in.obj", faces);
    EXPECT_EQ(runImporter("in.obj --collision c.txt").err,
              "c.txt: warning: 20001 collision triangles; a ball and ten pins would spend about "
              "1.5 ms of each 16.7 ms frame on them; keep it under 20000 by leaving out what the "
              "ball and pins never touch\n");
    EXPECT_EQ(runImporter("in.obj --model m.txt").err, "");
}

}  // namespace
