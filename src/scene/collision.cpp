#include <cstdio>
#include <cstdlib>

#include "flow/memory.h"
#include "physics/vec.h"
#include "scene/line_reader.h"
#include "scene/scene.h"

// The nodes live in blocks of 1, 2, 4, ... nodes, each block one allocation
// filled in file order, so that the walk over the mesh, which physics makes
// for every body in every step, reads memory front to back. The last node of
// a block links to the first of the next; the nodes of the last block past
// the end of the mesh stay zeroed and link to nothing.
void freeCollisionMesh(CollisionTriangle *head) {
    size_t blockSize = 1;
    while (head) {
        CollisionTriangle *nextBlock = head[blockSize - 1].next;
        free(head);
        head = nextBlock;
        blockSize *= 2;
    }
}

struct NodeBlocks {
    CollisionTriangle *block;
    size_t size;
    size_t used;
};

// The next free node, from a new block twice the size of the last when the
// current one is full; null when the memory runs out.
static CollisionTriangle *newNode(NodeBlocks *blocks) {
    if (blocks->used == blocks->size) {
        size_t size = blocks->block ? blocks->size * 2 : 1;
        void *block = allocateZeroed(size, sizeof(CollisionTriangle));
        if (!block) return nullptr;
        *blocks = {static_cast<CollisionTriangle *>(block), size, 0};
    }
    return &blocks->block[blocks->used++];
}

void setTrianglePlane(CollisionTriangle *triangle) {
    vecNormalize(&triangle->normal);
    triangle->planeDistance = vecDot(triangle->normal, triangle->vertex[0]);
}

static int readCorners(FILE *file, CollisionTriangle *triangle) {
    for (int corner = 0; corner < 3; corner++) {
        unsigned short r, g, b;
        if (!readColourLine(file, MODEL_LABEL_MAX, &r, &g, &b)) return 0;
        if (!readVec3Line(file, MODEL_LABEL_MAX, &triangle->vertex[corner])) return 0;
    }
    return 1;
}

static CollisionTriangle *failMesh(FILE *file, CollisionTriangle *head, const char *message) {
    freeCollisionMesh(head);
    printf("%s", message);
    fclose(file);
    return nullptr;
}

CollisionTriangle *loadCollisionMesh(const char *path) {
    int32_t expected = 0;
    FILE *file = openTriangleFile(path, &expected);
    if (!file) {
        printf("\n");  // this loader's file-error message ends its line
        return nullptr;
    }
    CollisionTriangle *head = nullptr;
    CollisionTriangle **tail = &head;
    NodeBlocks blocks = {nullptr, 0, 0};
    int32_t found = 0;
    // The character skipped before each triangle is the line break that ends
    // the line before it; meeting the end of the file there ends the mesh.
    while (getc(file) != EOF) {
        Vec3 normal;
        if (!readVec3Line(file, MODEL_LABEL_MAX, &normal)) break;
        CollisionTriangle *triangle = newNode(&blocks);
        if (!triangle) return failMesh(file, head, "Colision file loading error\n");
        *tail = triangle;
        tail = &triangle->next;
        triangle->normal = normal;
        if (!readCorners(file, triangle))
            return failMesh(file, head, "Colision file loading error\n");
        setTrianglePlane(triangle);
        found++;
    }
    if (found < expected)
        return failMesh(file, head, "Didn't find enough triangles in colision object\n");
    fclose(file);
    return head;
}
