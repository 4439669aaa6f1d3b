#include <gtest/gtest.h>

#include "flow/memory.h"
#include "scene/scene.h"
#include "support/capture.h"
#include "support/data_files.h"
#include "support/temp_dir.h"

namespace {

const char *const fileError =
    "encountered file error, possibly an invalid first line\nor an invalid file\n or no "
    "file\nor something else\nwhen trying to load mesh.txt\n";

struct MeshLoad {
    CollisionTriangle *mesh;
    std::string log;
};

MeshLoad loadMesh(const std::string &text) {
    TempDir dir;
    dir.write("mesh.txt", text);
    MeshLoad load;
    load.log = captureStdout([&] { load.mesh = loadCollisionMesh("mesh.txt"); });
    return load;
}

int length(const CollisionTriangle *mesh) {
    int n = 0;
    for (; mesh; mesh = mesh->next) n++;
    return n;
}

const std::string first = triangleText({0, 0, 2}, {1, 2, 3}, {4, 5, 3}, {7, 8, 3});
const std::string second = triangleText({0, 0, 0}, {0, 0, -2}, {1, 0, -2}, {0, 1, -2});
const std::string third = triangleText({3, 4, 0}, {1, 0, 0}, {1, 1, 0}, {1, 0, 1});

TEST(CollisionMesh, TrianglesKeepFileOrderWithUnitNormalsAndPlanes) {
    MeshLoad load = loadMesh(triangleFile(3, {first, second, third}));
    ASSERT_EQ(length(load.mesh), 3);
    EXPECT_EQ(load.log, "");
    const CollisionTriangle *t = load.mesh;
    EXPECT_EQ(t->normal.z, 1.0f);
    EXPECT_EQ(t->planeDistance, 3.0f);
    EXPECT_EQ(t->vertex[1].x, 4.0f);
    EXPECT_EQ(t->vertex[2].y, 8.0f);
    t = t->next;
    EXPECT_EQ(t->normal.x, 0.0f);
    EXPECT_EQ(t->normal.z, 1.0f);        // a zero normal points up
    EXPECT_EQ(t->planeDistance, -2.0f);  // so the plane sits at the first vertex's z
    t = t->next;
    EXPECT_EQ(t->normal.x, 0.6f);
    EXPECT_EQ(t->normal.y, 0.8f);
    EXPECT_EQ(t->planeDistance, 0.6f);
    EXPECT_EQ(t->next, nullptr);
    freeCollisionMesh(load.mesh);
}

TEST(CollisionMesh, TheCountIsAMinimum) {
    MeshLoad more = loadMesh(triangleFile(1, {first, second}));
    EXPECT_EQ(length(more.mesh), 2);
    freeCollisionMesh(more.mesh);

    MeshLoad fewer = loadMesh(triangleFile(3, {first, second}));
    EXPECT_EQ(fewer.mesh, nullptr);
    EXPECT_EQ(fewer.log, "Didn't find enough triangles in colision object\n");
}

TEST(CollisionMesh, DataEndsAtTheFileEndOrTheFirstBadNormal) {
    std::string file = triangleFile(2, {first, second});
    for (std::string text : {file, file.substr(0, file.size() - 1), file + "garbage here\n",
                             file + "normal [1, 2]\n" + third}) {
        MeshLoad load = loadMesh(text);
        EXPECT_EQ(length(load.mesh), 2) << text;
        EXPECT_EQ(load.log, "");
        freeCollisionMesh(load.mesh);
    }
}

TEST(CollisionMesh, ShortColourOrVertexLinesSpoilTheWholeMesh) {
    std::string shortColour = triangleText({0, 0, 1}, {0, 0, 0}, {1, 0, 0}, {0, 1, 0}, "[1, 2]");
    std::string shortVertex = "normal [0, 0, 1]\ncolour [1, 2, 3]\nvertex [1, 2]\n";
    for (const std::string &bad : {shortColour, shortVertex}) {
        MeshLoad load = loadMesh(triangleFile(1, {first, bad, second}));
        EXPECT_EQ(load.mesh, nullptr);
        EXPECT_EQ(load.log, "Colision file loading error\n");
    }
}

TEST(CollisionMesh, UnusableFilesGiveTheFileError) {
    for (const char *text :
         {"", "triangles\n", "triangles 0\n", "triangles -1\n", "abcdefghijkl 1\n"}) {
        MeshLoad load = loadMesh(text);
        EXPECT_EQ(load.mesh, nullptr);
        EXPECT_EQ(load.log, fileError) << text;
    }
    TempDir dir;
    std::string log = captureStdout([] { EXPECT_EQ(loadCollisionMesh("mesh.txt"), nullptr); });
    EXPECT_EQ(log, fileError);
}

TEST(CollisionMesh, OverlongLabelsAreBadLines) {
    std::string longLabel = "abcdefghijkl [0, 0, 1]\n";  // twelve characters
    MeshLoad load = loadMesh(triangleFile(1, {first}) + longLabel);
    EXPECT_EQ(length(load.mesh), 1);
    freeCollisionMesh(load.mesh);
    std::string fitting = "abcdefghijk [0, 0, 1]\n";
    std::string corners = first.substr(first.find('\n') + 1);
    MeshLoad fits = loadMesh(triangleFile(1, {fitting + corners}));
    EXPECT_EQ(length(fits.mesh), 1);
    freeCollisionMesh(fits.mesh);
}

TEST(CollisionMesh, NodeAllocationFailureFreesEverything) {
    allocationFailCountdown = 1;
    MeshLoad load = loadMesh(triangleFile(2, {first, second}));
    EXPECT_EQ(load.mesh, nullptr);
    EXPECT_EQ(load.log, "Colision file loading error\n");
}

TEST(CollisionMesh, FileIsClosedOnEveryPath) {
    int before = openDescriptorCount();
    for (const std::string &text :
         {triangleFile(0, {}), triangleFile(3, {first}), triangleFile(1, {first + "colour [1]"}),
          triangleFile(1, {first})}) {
        MeshLoad load = loadMesh(text);
        freeCollisionMesh(load.mesh);
        EXPECT_EQ(openDescriptorCount(), before);
    }
    freeCollisionMesh(nullptr);
}

}  // namespace
