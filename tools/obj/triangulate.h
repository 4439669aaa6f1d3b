// Splits a face into triangles that cover exactly its area and keep its
// winding: a fan where that is right, ear clipping in the face's own plane
// where it is not.
#pragma once

#include <vector>

#include "obj/obj_reader.h"

// A corner farther from the face's plane than this share of the face's size
// (the diagonal of the box around it) makes the face too bent for one split
// to stand for the surface drawn in the modelling tool. A square folded by
// 5 degrees along a diagonal lies 1.1% off its plane, one folded by 4
// degrees 0.9%: about where modelling tools start to call a face not planar.
const double FLATNESS_TOLERANCE = 0.01;

// Ear clipping takes time that grows with the square of the corners, so a
// concave face with more corners than this is not split.
const int MOST_CLIPPED_CORNERS = 5000;

struct CornerTriple {
    int corner[3];  // positions in the face's list of corners
};

struct FaceSplit {
    std::vector<CornerTriple> triangles;  // corners - 2 of them, or none if too large
    double offPlane;  // the farthest corner's distance from the plane, per face size
    bool crossed;     // edges cross in the face's plane: some triangles overlap
    ObjPoint facing;  // the unit normal of the face's plane, or zero for a face of no area
};

FaceSplit splitFace(const std::vector<ObjPoint> &corners);
