#include "obj/triangulate.h"

#include <algorithm>
#include <cmath>

namespace {

struct Point2 {
    double x, y;
};

ObjPoint centreOf(const std::vector<ObjPoint> &points) {
    ObjPoint sum = {0.0, 0.0, 0.0};
    for (const ObjPoint &p : points) sum = {sum.x + p.x, sum.y + p.y, sum.z + p.z};
    double n = static_cast<double>(points.size());
    return {sum.x / n, sum.y / n, sum.z / n};
}

// Newell's normal: twice the polygon's area along the direction from which
// its corners run counter-clockwise, and the best plane through a polygon
// that is not quite flat. Taken about the centre, so that far coordinates do
// not swamp a small face.
ObjPoint newellNormal(const std::vector<ObjPoint> &points, ObjPoint centre) {
    ObjPoint n = {0.0, 0.0, 0.0};
    for (size_t i = 0; i < points.size(); i++) {
        const ObjPoint &p = points[i], &q = points[(i + 1) % points.size()];
        double ax = p.x - centre.x, ay = p.y - centre.y, az = p.z - centre.z;
        double bx = q.x - centre.x, by = q.y - centre.y, bz = q.z - centre.z;
        n.x += (ay - by) * (az + bz);
        n.y += (az - bz) * (ax + bx);
        n.z += (ax - bx) * (ay + by);
    }
    return n;
}

// The farthest corner's distance from the plane through the centre across
// normal, as a share of the diagonal of the box around the corners.
double offPlaneShare(const std::vector<ObjPoint> &points, ObjPoint centre, ObjPoint normal) {
    double length = std::sqrt(normal.x * normal.x + normal.y * normal.y + normal.z * normal.z);
    ObjPoint low = points[0], high = points[0];
    double farthest = 0.0;
    for (const ObjPoint &p : points) {
        low = {std::min(low.x, p.x), std::min(low.y, p.y), std::min(low.z, p.z)};
        high = {std::max(high.x, p.x), std::max(high.y, p.y), std::max(high.z, p.z)};
        double distance = ((p.x - centre.x) * normal.x + (p.y - centre.y) * normal.y +
                           (p.z - centre.z) * normal.z) /
                          length;
        farthest = std::max(farthest, std::fabs(distance));
    }
    double dx = high.x - low.x, dy = high.y - low.y, dz = high.z - low.z;
    return farthest / std::sqrt(dx * dx + dy * dy + dz * dz);
}

// Drops the normal's largest axis, which keeps the shape's turns, and
// mirrors when needed so that the polygon runs counter-clockwise.
std::vector<Point2> flatten(const std::vector<ObjPoint> &points, ObjPoint normal) {
    double ax = std::fabs(normal.x), ay = std::fabs(normal.y), az = std::fabs(normal.z);
    std::vector<Point2> flat;
    for (const ObjPoint &p : points) {
        if (az >= ax && az >= ay)
            flat.push_back({p.x, normal.z > 0 ? p.y : -p.y});
        else if (ax >= ay)
            flat.push_back({p.y, normal.x > 0 ? p.z : -p.z});
        else
            flat.push_back({p.z, normal.y > 0 ? p.x : -p.x});
    }
    return flat;
}

// Twice the signed area of a b c: above 0 when they turn left.
double turn(Point2 a, Point2 b, Point2 c) {
    return (b.x - a.x) * (c.y - a.y) - (b.y - a.y) * (c.x - a.x);
}

bool samePoint(Point2 a, Point2 b) { return a.x == b.x && a.y == b.y; }

// Inside or on the edge of a counter-clockwise triangle a b c.
bool inTriangle(Point2 p, Point2 a, Point2 b, Point2 c) {
    return turn(a, b, p) >= 0.0 && turn(b, c, p) >= 0.0 && turn(c, a, p) >= 0.0;
}

// A fan from the first corner is right when every triangle of it turns the
// polygon's way: they then lie side by side around that corner.
bool fanFits(const std::vector<Point2> &flat) {
    for (size_t i = 1; i + 1 < flat.size(); i++)
        if (!(turn(flat[0], flat[i], flat[i + 1]) > 0.0)) return false;
    return true;
}

std::vector<CornerTriple> fan(int corners) {
    std::vector<CornerTriple> triangles;
    for (int i = 1; i + 1 < corners; i++) triangles.push_back({{0, i, i + 1}});
    return triangles;
}

// The corners still in the polygon, as a ring.
struct Ring {
    std::vector<int> next, previous;
};

// A corner is an ear when it turns left and no other corner lies in the
// triangle it makes with its neighbours: cutting that triangle off leaves a
// polygon that is still whole.
bool isEar(const std::vector<Point2> &flat, const Ring &ring, int corner) {
    int before = ring.previous[corner], after = ring.next[corner];
    Point2 a = flat[before], b = flat[corner], c = flat[after];
    if (!(turn(a, b, c) > 0.0)) return false;
    for (int other = ring.next[after]; other != before; other = ring.next[other]) {
        Point2 p = flat[other];
        // A corner written twice (where a hole is joined to its outline) is no obstacle.
        if (samePoint(p, a) || samePoint(p, b) || samePoint(p, c)) continue;
        if (inTriangle(p, a, b, c)) return false;
    }
    return true;
}

CornerTriple cutOff(Ring *ring, int corner) {
    int before = ring->previous[corner], after = ring->next[corner];
    ring->next[before] = after;
    ring->previous[after] = before;
    return {{before, corner, after}};
}

// Cuts ears off until a triangle is left. A polygon that crosses itself may
// have no ear; then the corner at hand is cut off anyway, so that the loop
// ends with corners - 2 triangles whatever the shape.
std::vector<CornerTriple> clipEars(const std::vector<Point2> &flat) {
    int corners = static_cast<int>(flat.size());
    Ring ring = {std::vector<int>(corners), std::vector<int>(corners)};
    for (int i = 0; i < corners; i++) {
        ring.next[i] = (i + 1) % corners;
        ring.previous[i] = (i + corners - 1) % corners;
    }
    std::vector<CornerTriple> triangles;
    int corner = 0, passed = 0;
    for (int left = corners; left > 3;) {
        if (passed < left && !isEar(flat, ring, corner)) {
            corner = ring.next[corner];
            passed++;
            continue;
        }
        triangles.push_back(cutOff(&ring, corner));
        // The neighbours are the corners whose turn has changed.
        corner = ring.previous[corner];
        left--;
        passed = 0;
    }
    triangles.push_back({{ring.previous[corner], corner, ring.next[corner]}});
    return triangles;
}

// Whether the triangles cover more than the polygon, which happens only
// when they overlap.
bool overlaps(const std::vector<Point2> &flat, const std::vector<CornerTriple> &triangles) {
    double covered = 0.0, area = 0.0;
    for (const CornerTriple &t : triangles) {
        double signedArea = turn(flat[t.corner[0]], flat[t.corner[1]], flat[t.corner[2]]);
        covered += std::fabs(signedArea);
        area += signedArea;
    }
    return covered - std::fabs(area) > 1e-9 * covered;
}

}  // namespace

FaceSplit splitFace(const std::vector<ObjPoint> &corners) {
    FaceSplit split = {{}, 0.0, false, {0.0, 0.0, 0.0}};
    int count = static_cast<int>(corners.size());
    ObjPoint centre = centreOf(corners);
    ObjPoint normal = newellNormal(corners, centre);
    double length = std::sqrt(normal.x * normal.x + normal.y * normal.y + normal.z * normal.z);
    if (length > 0.0) split.facing = {normal.x / length, normal.y / length, normal.z / length};
    // Three corners, or a face of no area, leave nothing to choose.
    if (count == 3 || (normal.x == 0.0 && normal.y == 0.0 && normal.z == 0.0)) {
        split.triangles = fan(count);
        return split;
    }
    split.offPlane = offPlaneShare(corners, centre, normal);
    std::vector<Point2> flat = flatten(corners, normal);
    if (fanFits(flat)) {
        split.triangles = fan(count);
        return split;
    }
    if (count > MOST_CLIPPED_CORNERS) return split;
    split.triangles = clipEars(flat);
    split.crossed = overlaps(flat, split.triangles);
    return split;
}
