#include "obj/light.h"

#include <algorithm>
#include <cmath>

namespace {

ObjPoint unit(double x, double y, double z) {
    double length = std::sqrt(x * x + y * y + z * z);
    return {x / length, y / length, z / length};
}

double dot(ObjPoint a, ObjPoint b) { return a.x * b.x + a.y * b.y + a.z * b.z; }

const ObjPoint LIGHT = unit(-0.4, -0.55, 0.75);
// Roughly from a body toward the camera, which stands behind the ball and
// above it: the highlights are seen from there.
const ObjPoint VIEW = unit(0.0, -1.0, 0.45);
const ObjPoint HALFWAY = unit(LIGHT.x + VIEW.x, LIGHT.y + VIEW.y, LIGHT.z + VIEW.z);

int byte(double value) {
    return static_cast<int>(std::lround(std::min(255.0, std::max(0.0, value))));
}

}  // namespace

int colourByte(double value) { return byte(value * 255.0); }

void shadeColour(const ObjMaterial &material, const int *base, ObjPoint normal, int *rgb) {
    double diffuse = std::max(0.0, dot(normal, LIGHT));
    double mirrored = std::pow(std::max(0.0, dot(normal, HALFWAY)), material.shininess);
    for (int c = 0; c < 3; c++) {
        double ambient = material.ambient[c];
        rgb[c] = byte(base[c] * (ambient + (1.0 - ambient) * diffuse) +
                      255.0 * material.specular[c] * mirrored);
    }
}
