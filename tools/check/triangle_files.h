// A model or collision file: read through its loader with the trace taken as
// it fills, so that the file is kept as the triangles the checks look at and
// never item by item, and a file of a million triangles costs only its
// triangles; and what is wrong in it.
#pragma once

#include <string>

#include "check/diagnostics.h"
#include "check/geometry_checks.h"

// The file as its loader reads it, and its findings; a file that cannot be
// opened is reported where it is named.
TriangleFile checkTriangleFile(const std::string &path, bool collision, Report *report);
