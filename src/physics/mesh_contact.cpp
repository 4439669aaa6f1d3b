#include <cmath>
#include <cstdint>

#include "physics/limits.h"
#include "physics/physics.h"
#include "physics/vec.h"

static const float BOUNCE_REFLECT = -2.0f;
static const float BOUNCE_KEEP = 0.85f;

// q, the foot of the perpendicular, lies strictly inside the triangle when
// the three edge cross products all point the same way; a q on an edge's
// line, or any q of a triangle of zero area, fails. edge[i] leads from
// corner i to the next corner.
static bool footInsideTriangle(Vec3 q, const Vec3 v[3], const Vec3 edge[3]) {
    Vec3 c0 = vecCross(vecFromTo(q, v[0]), edge[0]);
    Vec3 c1 = vecCross(vecFromTo(q, v[1]), edge[1]);
    Vec3 c2 = vecCross(vecFromTo(q, v[2]), edge[2]);
    return vecDot(c0, c1) > 0.0f && vecDot(c1, c2) > 0.0f && vecDot(c2, c0) > 0.0f;
}

// w leads from the edge's first end to the centre, wNext from its second end
// to the centre, e along the edge. The centre must lie between the planes
// through the edge's ends at right angles to it, and closer than the radius
// to the edge's line. Negating a vector negates every rounded product and
// sum exactly, so dot(e, wNext) below 0 is the same test as the dot product
// with the vector from the centre to the second end above 0.
static bool touchesEdge(Vec3 w, Vec3 wNext, Vec3 e, float r2) {
    if (!(vecDot(w, e) > 0.0f && vecDot(e, wNext) < 0.0f)) return false;
    vecNormalize(&e);
    return vecLengthSquared(vecCross(w, e)) < r2;
}

// A centre exactly one radius from the plane does not touch it.
static bool withinPlaneReach(float r, float s) { return r > std::fabs(s); }

// The rest of the contact test, for a centre within reach of the plane: p is
// the centre, r2 the squared radius, worked out once per body and step.
static bool touchesNearPlane(Vec3 p, float r2, const CollisionTriangle *triangle, float s) {
    const Vec3 *v = triangle->vertex;
    Vec3 toCentre[3], edge[3];
    for (int i = 0; i < 3; i++) {
        toCentre[i] = vecFromTo(v[i], p);
        if (vecLengthSquared(toCentre[i]) < r2) return true;  // within reach of a corner
    }
    for (int i = 0; i < 3; i++) edge[i] = vecFromTo(v[i], v[(i + 1) % 3]);
    Vec3 foot = vecAdd(p, vecScale(triangle->normal, s));
    if (footInsideTriangle(foot, v, edge)) return true;
    for (int i = 0; i < 3; i++)
        if (touchesEdge(toCentre[i], toCentre[(i + 1) % 3], edge[i], r2)) return true;
    return false;
}

bool sphereTouchesTriangle(const Body *body, const CollisionTriangle *triangle, float s) {
    return withinPlaneReach(body->radius, s) &&
           touchesNearPlane(body->position, squaredRadius(body->radius), triangle, s);
}

// The walk follows next from node to node, so each node's memory is asked
// for only once the node before it has arrived, and the walk waits on every
// cache miss in turn. Nodes allocated one after another, as the collision
// loader allocates them, lie at a steady stride in memory, ascending or
// descending: the node some way down the list is then as many strides away,
// and asking for its memory early lets the walk find it in the cache. For
// nodes placed any other way the request is wasted, never wrong: a prefetch
// reads nothing and cannot fault.
static const uintptr_t PREFETCH_NODES_AHEAD = 24;

static void prefetchAlongStride(const CollisionTriangle *node) {
    uintptr_t here = reinterpret_cast<uintptr_t>(node);
    uintptr_t stride = reinterpret_cast<uintptr_t>(node->next) - here;
    __builtin_prefetch(reinterpret_cast<const void *>(here + PREFETCH_NODES_AHEAD * stride));
}

// The plane test rejects most triangles; it stays in the loop, and the rest
// of the test is a call, so that the loop keeps its values in registers.
void gatherMeshContacts(const Body *body, Vec3 *contactNormal, float *contactCount) {
    Vec3 p = body->position;
    float r = body->radius;
    float r2 = squaredRadius(body->radius);
    Vec3 sum = {0.0f, 0.0f, 0.0f};
    float count = 0.0f;
    for (const CollisionTriangle *t = collisionMesh; t; t = t->next) {
        prefetchAlongStride(t);
        float s = planeOffsetOf(p, t);
        if (!withinPlaneReach(r, s) || !touchesNearPlane(p, r2, t, s)) continue;
        // Each normal is turned toward the side of the plane where the centre is.
        sum = s < 0.0f ? vecAdd(sum, t->normal) : vecSub(sum, t->normal);
        count = (float)((double)count + 1.0);
    }
    *contactNormal = sum;
    *contactCount = count;
}

void bounceOffMesh(Body *body, Vec3 contactNormal) {
    Vec3 n = contactNormal;
    if (vecLengthSquared(n) != 0.0f) vecNormalize(&n);
    float vn = vecDot(body->velocity, n);
    if (!(vn < 0.0f)) return;  // moving away from the surface or along it
    float f = (float)(((double)BOUNCE_REFLECT * vn) * BOUNCE_KEEP);
    body->velocity = vecAdd(body->velocity, vecScale(n, f));
}
