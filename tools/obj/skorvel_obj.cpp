// skorvel-obj: converts a Wavefront OBJ file into the game's model file and
// collision file.
#include <cerrno>
#include <cmath>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <string>

#include "obj/obj_reader.h"
#include "obj/obj_writer.h"

namespace {

const char *const USAGE =
    "usage: skorvel-obj IN.obj --model OUT [--collision OUT] [--up y|z] [--scale S]\n"
    "                   [--colour R,G,B] [--shade]\n";

// Every active body visits every collision triangle each step. On a large
// mesh, where most triangles are far from every body, the physics benchmark
// (stepOnLargeMesh) measures 6 to 7 ns per visit; a ball and ten pins at 60
// steps a second then spend a tenth of a frame, 1.7 ms, on about
// 1.7 ms / (11 * 7 ns) = 21,600 triangles.
const double NANOSECONDS_PER_VISIT = 7.0;
const int BODIES = 11;
const size_t COLLISION_TRIANGLE_BUDGET = 20000;

struct Arguments {
    const char *input = nullptr;
    const char *model = nullptr;
    const char *collision = nullptr;
    ConvertOptions options;
};

int usageError(const char *format, const char *word) {
    fprintf(stderr, "skorvel-obj: error: ");
    fprintf(stderr, format, word);
    fprintf(stderr, "\n%s", USAGE);
    return 1;
}

bool readScale(const char *text, double *scale) {
    char *end = nullptr;
    errno = 0;
    *scale = strtod(text, &end);
    return end != text && *end == '\0' && errno == 0 && std::isfinite(*scale) && *scale > 0.0;
}

bool readColour(const char *text, int *rgb) {
    for (int c = 0; c < 3; c++) {
        char *end = nullptr;
        long value = strtol(text, &end, 10);
        if (end == text || value < 0 || value > 255 || *end != (c < 2 ? ',' : '\0')) return false;
        rgb[c] = static_cast<int>(value);
        text = end + 1;
    }
    return true;
}

// 0 when the arguments are good, otherwise the exit status after a message.
int parseArguments(int argc, char **argv, Arguments *args) {
    for (int i = 1; i < argc; i++) {
        const char *word = argv[i];
        bool takesValue = strcmp(word, "--model") == 0 || strcmp(word, "--collision") == 0 ||
                          strcmp(word, "--up") == 0 || strcmp(word, "--scale") == 0 ||
                          strcmp(word, "--colour") == 0;
        if (takesValue && i + 1 >= argc) return usageError("%s needs a value", word);
        const char *value = takesValue ? argv[++i] : nullptr;
        if (strcmp(word, "--model") == 0) {
            args->model = value;
        } else if (strcmp(word, "--collision") == 0) {
            args->collision = value;
        } else if (strcmp(word, "--up") == 0) {
            if (strcmp(value, "y") != 0 && strcmp(value, "z") != 0)
                return usageError("--up takes y or z, not '%s'", value);
            args->options.yUp = value[0] == 'y';
        } else if (strcmp(word, "--scale") == 0) {
            if (!readScale(value, &args->options.scale))
                return usageError("--scale takes a number above 0, not '%s'", value);
        } else if (strcmp(word, "--colour") == 0) {
            if (!readColour(value, args->options.colour))
                return usageError(
                    "--colour takes R,G,B from 0 to 255, such as 200,160,100, not '%s'", value);
        } else if (strcmp(word, "--shade") == 0) {
            args->options.shade = true;
        } else if (word[0] == '-' && word[1] != '\0') {
            return usageError("unknown option '%s'", word);
        } else if (args->input) {
            return usageError("one input file only; '%s' is a second", word);
        } else {
            args->input = word;
        }
    }
    if (!args->input) return usageError("%sno input file", "");
    if (!args->model && !args->collision) return usageError("%sno --model or --collision", "");
    return 0;
}

void warnIfSlow(const char *path, size_t triangles) {
    if (triangles <= COLLISION_TRIANGLE_BUDGET) return;
    double milliseconds = triangles * BODIES * NANOSECONDS_PER_VISIT * 1e-6;
    fprintf(stderr,
            "%s: warning: %zu collision triangles; a ball and ten pins would spend about %.1f ms "
            "of each 16.7 ms frame on them; keep it under %zu by leaving out what the ball and "
            "pins never touch\n",
            path, triangles, milliseconds, COLLISION_TRIANGLE_BUDGET);
}

}  // namespace

int main(int argc, char **argv) {
    Arguments args;
    if (int status = parseArguments(argc, argv, &args)) return status;

    ObjMesh mesh;
    std::string error;
    bool read = readObj(args.input, &mesh, &error);
    for (const std::string &warning : mesh.warnings) fprintf(stderr, "%s\n", warning.c_str());
    if (!read) {
        fprintf(stderr, "%s\n", error.c_str());
        return 1;
    }
    if (mesh.faces.empty()) {
        fprintf(stderr, "%s: error: no faces; the game needs at least one triangle\n", args.input);
        return 1;
    }

    std::vector<OutputFile> outputs;
    if (args.model) outputs.push_back(OutputFile{args.model, buildTriangles(mesh, args.options)});
    // One file may serve as both; the model's colours do no harm to a mesh.
    if (args.collision && !(args.model && strcmp(args.model, args.collision) == 0)) {
        ConvertOptions plain = args.options;
        plain.shade = false;
        outputs.push_back(OutputFile{args.collision, buildTriangles(mesh, plain)});
    }
    if (!writeTriangleFiles(outputs, &error)) {
        fprintf(stderr, "%s\n", error.c_str());
        return 1;
    }
    for (const OutputFile &output : outputs)
        printf("%s: %zu triangles\n", output.path.c_str(), output.triangles.size());
    if (args.collision) warnIfSlow(args.collision, outputs.back().triangles.size());
    return 0;
}
