#include <cstdio>
#include <cstdlib>

#include "flow/memory.h"
#include "physics/vec.h"
#include "scene/line_reader.h"
#include "scene/scene.h"

void freeCollisionMesh(CollisionTriangle *head) {
    while (head) {
        CollisionTriangle *next = head->next;
        free(head);
        head = next;
    }
}

void setTrianglePlane(CollisionTriangle *triangle) {
    vecNormalize(&triangle->normal);
    triangle->planeDistance = vecDot(triangle->normal, triangle->vertex[0]);
}

static int readCorners(FILE *file, CollisionTriangle *triangle) {
    for (int corner = 0; corner < 3; corner++) {
        unsigned short r = 0, g = 0, b = 0;
        if (!readColourLine(file, MODEL_LABEL_MAX, &r, &g, &b, ITEM_COLOUR)) return 0;
        if (!readVec3Line(file, MODEL_LABEL_MAX, &triangle->vertex[corner], ITEM_VERTEX)) return 0;
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
    int32_t found = 0;
    // The character skipped before each triangle is the line break that ends
    // the line before it; meeting the end of the file there ends the mesh.
    while (getc(file) != EOF) {
        Vec3 normal = {};
        if (!readVec3Line(file, MODEL_LABEL_MAX, &normal, ITEM_NORMAL)) break;
        CollisionTriangle *triangle =
            static_cast<CollisionTriangle *>(allocateZeroed(1, sizeof(CollisionTriangle)));
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
