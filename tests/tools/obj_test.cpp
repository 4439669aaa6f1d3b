// The OBJ importer: faces become outward triangles in the game's axes and
// colours that cover exactly the faces, what real exporters write is read,
// bad input names its line and leaves no file behind, only regular files are
// read or replaced, and what it writes loads in the game without a word.
#include <gtest/gtest.h>
#include <sys/stat.h>
#include <sys/sysmacros.h>
#include <sys/wait.h>
#include <unistd.h>

#include <algorithm>
#include <cmath>
#include <cstdio>
#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <iterator>
#include <string>
#include <vector>

#include "physics/vec.h"
#include "scene/scene.h"
#include "support/capture.h"
#include "support/data_files.h"
#include "support/temp_dir.h"

namespace {

const std::string TRIANGLE = "v 0 0 0\nv 1 0 0\nv 0 1 0\nf 1 2 3\n";

struct Outcome {
    int status;
    std::string out, err;
};

std::string readText(const std::string &path) {
    std::ifstream in(path, std::ios::binary);
    return std::string(std::istreambuf_iterator<char>(in), std::istreambuf_iterator<char>());
}

// Runs the importer in the working folder, a TempDir; what it prints goes
// beside that folder, so that the folder holds only what the importer
// leaves. A read that blocks ends after 20 s and fails the test.
Outcome runImporter(const std::string &arguments) {
    std::string out = std::filesystem::current_path().string() + ".out", err = out + ".err";
    std::string command =
        "timeout 20 '" SKORVEL_OBJ "' " + arguments + " >'" + out + "' 2>'" + err + "'";
    int status = system(command.c_str());
    Outcome run = {WIFEXITED(status) ? WEXITSTATUS(status) : -1, readText(out), readText(err)};
    remove(out.c_str());
    remove(err.c_str());
    return run;
}

// A triangle as the game reads it from a written file.
struct Written {
    Vec3 normal;
    Vec3 vertex[3];
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
            ok = fscanf(file, " colour [%*d, %*d, %*d] vertex [%f, %f, %f]", &t.vertex[k].x,
                        &t.vertex[k].y, &t.vertex[k].z) == 3;
        if (ok) triangles.push_back(t);
    }
    fclose(file);
    return triangles;
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

// Each case in obj_fixtures/cases is an OBJ file, converted with
// "NAME.obj --model m.txt --collision c.txt" and the words of its "#$" line.
// Its "#>" lines are the whole standard error. When the last is an error,
// the exit status is 1 and nothing is written; otherwise it is 0 and both
// files are NAME.txt.
TEST(ObjImport, EachCaseGivesItsMessagesAndItsFiles) {
    TempDir dir;
    std::filesystem::copy(SKORVEL_OBJ_FIXTURES "/cases", ".");
    const std::vector<std::string> before = folderEntries();
    for (const std::string &name : before) {
        if (std::filesystem::path(name).extension() != ".obj") continue;
        std::ifstream in(name, std::ios::binary);
        std::string errors, options;
        for (std::string line; std::getline(in, line) && line.rfind("#", 0) == 0;) {
            if (line.rfind("#> ", 0) == 0) errors += line.substr(3) + "\n";
            if (line.rfind("#$ ", 0) == 0) options = line.substr(2);
        }
        Outcome run = runImporter(name + " --model m.txt --collision c.txt" + options);
        EXPECT_EQ(run.err, errors) << name;
        if (errors.find(": error: ") != std::string::npos) {
            EXPECT_EQ(run.status, 1) << name;
            EXPECT_EQ(folderEntries(), before) << name;
            continue;
        }
        EXPECT_EQ(run.status, 0) << name;
        std::string written = readText(std::filesystem::path(name).replace_extension(".txt"));
        EXPECT_EQ(readText("m.txt"), written) << name;
        EXPECT_EQ(readText("c.txt"), written) << name;
        std::filesystem::remove("m.txt");
        std::filesystem::remove("c.txt");
    }
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

// Bad input no case file holds: each is an error at its line, exit status 1
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
        {comb, "in.obj:5004: error: this concave face has 5003 corners, more than the 5000"},
        {TRIANGLE + "#" + std::string(1 << 20, 'x') + "\n",
         "in.obj:5: error: the line is longer than 1048576 bytes"},
        {"", "no.obj: error: cannot read: No such file", "no.obj --model m.txt"},
        // The model is written first, under a temporary name that goes.
        {TRIANGLE, "gone/c.txt: error: cannot write: No such file",
         "in.obj --model m.txt --collision gone/c.txt"},
        // /proc/self/mem reads as a regular file that gives an error at once.
        {"", "/proc/self/mem:1: error: cannot read this line: Input/output error",
         "/proc/self/mem --model m.txt"},
    };
    for (const Case &c : cases) {
        TempDir dir;
        dir.write("in.obj", c.text);
        Outcome run = runImporter(c.arguments);
        EXPECT_EQ(run.status, 1) << c.message;
        EXPECT_EQ(run.err.find(c.message), 0u) << run.err;
        EXPECT_EQ(folderEntries(), std::vector<std::string>{"in.obj"}) << c.message;
    }
    TempDir dir;
    dir.write("in.obj", TRIANGLE + "#" + std::string((1 << 20) - 1, 'x') + "\n");
    EXPECT_EQ(runImporter("in.obj --model m.txt").status, 0) << "a line of exactly 1 MB";
}

TEST(ObjImport, OnlyRegularFilesAreReadAndNoneBlocks) {
    TempDir dir;
    dir.write("in.obj", "mtllib fifo.mtl\nmtllib zero.mtl\nmtllib folder.mtl\n" + TRIANGLE);
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
    Outcome input = runImporter("fifo.mtl --model m.txt");
    EXPECT_EQ(input.status, 1);
    EXPECT_EQ(input.err, "fifo.mtl: error: cannot read: it is a FIFO, not a file\n");
}

TEST(ObjImport, OnlyARegularFileIsReplacedAndALinkIsWrittenThrough) {
    TempDir dir;
    dir.write("in.obj", TRIANGLE);
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
        EXPECT_EQ(std::count(run.err.begin(), run.err.end(), '\n'), 1) << run.err;
    }
    EXPECT_EQ(folderEntries(), std::vector<std::string>{});
    Outcome help = runImporter("--help");
    EXPECT_EQ(help.status, 0);
    EXPECT_EQ(help.out.rfind("usage: skorvel-obj IN.obj", 0), 0u);
    EXPECT_EQ(help.err, "");
    Outcome version = runImporter("in.obj --version");
    EXPECT_EQ(version.status, 0);
    EXPECT_EQ(version.out, "skorvel-obj " SKORVEL_VERSION "\n");
    dir.write("-in.obj", TRIANGLE);
    EXPECT_EQ(runImporter("--model m.txt -- -in.obj").status, 0);
}

TEST(ObjImport, ALargeCollisionMeshIsWarnedOf) {
    TempDir dir;
    std::string faces = TRIANGLE;
    for (int i = 0; i < 20000; i++) faces += "f 1 2 3\n";
    dir.write("in.obj", faces);
    EXPECT_EQ(runImporter("in.obj --collision c.txt").err,
              "c.txt: warning: 20001 collision triangles; a ball and ten pins would spend about "
              "1.5 ms of each 16.7 ms frame on them; keep it under 20000 by leaving out what the "
              "ball and pins never touch\n");
    EXPECT_EQ(runImporter("in.obj --model m.txt").err, "");
}

}  // namespace
