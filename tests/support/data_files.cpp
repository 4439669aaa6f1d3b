#include "support/data_files.h"

#include <cctype>
#include <cstdio>
#include <stdexcept>

std::string vecText(Vec3 v) {
    char text[128];
    snprintf(text, sizeof text, "[%.9g, %.9g, %.9g]", v.x, v.y, v.z);
    return text;
}

std::string triangleText(Vec3 normal, Vec3 a, Vec3 b, Vec3 c, const std::string &colour) {
    std::string text = "normal " + vecText(normal) + "\n";
    for (Vec3 corner : {a, b, c}) text += "colour " + colour + "\nvertex " + vecText(corner) + "\n";
    return text;
}

std::string triangleFile(int count, const std::vector<std::string> &triangles) {
    std::string text = "triangles " + std::to_string(count) + "\n";
    for (const std::string &triangle : triangles) text += triangle;
    return text;
}

std::string floorFile(float w, float z) {
    Vec3 up = {0, 0, 1};
    return triangleFile(2, {triangleText(up, {-w, -w, z}, {w, -w, z}, {w, w, z}),
                            triangleText(up, {-w, -w, z}, {w, w, z}, {-w, w, z})});
}

std::string SceneData::text() const {
    std::string text = "background " + background + "\nhud " + hud + "\nfallout " + fall +
                       "\nlane " + lane + "\ncollision " + collision + "\ncamera " + camera +
                       "\npins " + pinCount + "\nballstart " + ballStart + "\nballradius " +
                       ballRadius + "\nballmass " + ballMass + "\nballmodel " + ballModel + "\n";
    for (const PinData &pin : pins)
        text += "pinstart " + pin.position + "\npinradius " + pin.radius + "\npinmass " + pin.mass +
                "\npinmodel " + pin.model + "\n";
    return text;
}

void writeTextFile(const std::string &name, const std::string &text) {
    FILE *file = fopen(name.c_str(), "wb");
    if (!file) throw std::runtime_error("cannot write " + name);
    fwrite(text.data(), 1, text.size(), file);
    fclose(file);
}

void writeSceneModels() {
    writeTextFile("lane.txt", floorFile(10, 0));
    writeTextFile("floor.txt", floorFile(10, 0));
    Vec3 n = {0, -1, 0};
    std::string body =
        triangleFile(1, {triangleText(n, {-0.5f, 0, -0.5f}, {0.5f, 0, -0.5f}, {0, 0, 0.5f})});
    writeTextFile("ball.txt", body);
    writeTextFile("pin.txt", body);
}

std::string lengthenLabels(const std::string &text) {
    const std::string more(20, '_');
    std::string out;
    bool lineStart = true, inLabel = false;
    for (char c : text) {
        bool space = isspace(static_cast<unsigned char>(c));
        if (inLabel && space) out += more;
        inLabel = (inLabel || lineStart) && !space;
        lineStart = c == '\n' || (lineStart && space);
        out += c;
    }
    return inLabel ? out + more : out;
}
