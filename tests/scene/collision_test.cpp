#include <gtest/gtest.h>

#include "flow/memory.h"
#include "scene/scene.h"
#include "support/capture.h"
#include "support/data_files.h"
#include "support/temp_dir.h"

namespace {

const std::string fileError = triangleFileError + "mesh.txt\n";
const std::string loadError = "Colision file loading error\n";
const std::string tooFew = "Didn't find enough triangles in colision object\n";

struct MeshLoad {
    CollisionTriangle *mesh;
    std::string log;
};

MeshLoad loadMesh(const TempDir &dir, const std::string &text, const char *path = "mesh.txt") {
    dir.write("mesh.txt", text);
    MeshLoad load;
    load.log = captureStdout([&] { load.mesh = loadCollisionMesh(path); });
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
    TempDir dir;
    std::string file = triangleFile(3, {first, second, third});
    MeshLoad load = loadMesh(dir, file);
    ASSERT_EQ(length(load.mesh), 3);
    EXPECT_EQ(load.log, "");
    const CollisionTriangle *t = load.mesh;
    EXPECT_EQ(t->normal.z, 1.0f);
    EXPECT_EQ(t->planeDistance, 3.0f);
    EXPECT_EQ(t->vertex[1].x, 4.0f);
    EXPECT_EQ(t->vertex[2].y, 8.0f);
    t = t->next;
    EXPECT_EQ(t->normal.z, 1.0f);        // a zero normal points up
    EXPECT_EQ(t->planeDistance, -2.0f);  // so the plane sits at the first vertex's z
    t = t->next;
    EXPECT_EQ(t->normal.x, 0.6f);
    EXPECT_EQ(t->normal.y, 0.8f);
    EXPECT_EQ(t->planeDistance, 0.6f);
    EXPECT_EQ(t->next, nullptr);
    freeCollisionMesh(load.mesh);
}

TEST(CollisionMesh, TheDataEndsAtTheFileEndOrTheFirstBadNormal) {
    TempDir dir;
    std::string file = triangleFile(2, {first, second});
    for (std::string text : {file, file.substr(0, file.size() - 1), file + "garbage here\n",
                             file + "normal [1, 2]\n" + third, triangleFile(1, {first, second})}) {
        MeshLoad load = loadMesh(dir, text);
        EXPECT_EQ(length(load.mesh), 2) << text;
        EXPECT_EQ(load.log, "");
        freeCollisionMesh(load.mesh);
    }
}

TEST(CollisionMesh, AFileIsTakenWholeOrNotAtAll) {
    TempDir dir;
    std::string shortColour = triangleText({0, 0, 1}, {0, 0, 0}, {1, 0, 0}, {0, 1, 0}, "[1, 2]");
    std::string shortVertex = "normal [0, 0, 1]\ncolour [1, 2, 3]\nvertex [1, 2]\n";
    const struct {
        std::string text;
        const char *path;
        int failAllocation;
        std::string log;
    } cases[] = {
        {triangleFile(1, {first, shortColour, second}), "mesh.txt", -1, loadError},
        {triangleFile(1, {first, shortVertex}), "mesh.txt", -1, loadError},
        {triangleFile(2, {first, second}), "mesh.txt", 1, loadError},
        {triangleFile(3, {first, second}), "mesh.txt", -1, tooFew},
        {"", "mesh.txt", -1, fileError},
        {"triangles 0\n" + first, "mesh.txt", -1, fileError},
        {"", "none.txt", -1, triangleFileError + "none.txt\n"},
    };
    int descriptors = openDescriptorCount();
    for (const auto &c : cases) {
        allocationFailCountdown = c.failAllocation;
        MeshLoad load = loadMesh(dir, c.text, c.path);
        EXPECT_EQ(load.mesh, nullptr) << c.text;
        EXPECT_EQ(load.log, c.log) << c.text;
        EXPECT_EQ(openDescriptorCount(), descriptors) << c.text;
    }
    freeCollisionMesh(nullptr);
}

}  // namespace
