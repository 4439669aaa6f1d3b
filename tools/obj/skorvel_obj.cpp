// skorvel-obj: converts a Wavefront OBJ file into the game's model file and
// collision file. Exit status 1 when the input or an output fails, 2 for bad
// usage, 0 otherwise.
#include <cerrno>
#include <cmath>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <string>

#include "obj/obj_reader.h"
#include "obj/obj_text.h"
#include "obj/obj_writer.h"

namespace {

// The help text; the three %d are the default colour.
const char *const HELP =
    "usage: skorvel-obj IN.obj [--model OUT] [--collision OUT] [--up y|z] [--scale S]\n"
    "                   [--colour R,G,B] [--shade]\n"
    "       skorvel-obj -h | --help | --version\n"
    "\n"
    "Converts a Wavefront OBJ file, and the colours of the .mtl material libraries\n"
    "it names, into the game's model file and collision file. Give at least one of\n"
    "--model and --collision.\n"
    "\n"
    "  --model OUT       write a model file: coloured triangles for drawing\n"
    "  --collision OUT   write a collision file: the triangles the ball and pins\n"
    "                    touch (it may name the same file as --model)\n"
    "  --up y|z          the OBJ file's up axis: y (the default, as Blender exports)\n"
    "                    or z\n"
    "  --scale S         multiply every coordinate by S, a number above 0\n"
    "                    (default 1)\n"
    "  --colour R,G,B    the colour, 0 to 255 each, of faces without a material\n"
    "                    colour (default %d,%d,%d)\n"
    "  --shade           bake a light from above and in front into the colours: a\n"
    "                    material's Ka share of its colour shows everywhere (0.55\n"
    "                    by default), Ks adds a white highlight, tighter for a\n"
    "                    larger Ns, and a corner's normal (vn) bends the light\n"
    "  -h, --help        print this help and exit\n"
    "  --version         print the version and exit\n"
    "  --                what follows is the input file, even if it starts with -\n"
    "\n"
    "Exit status: 0 when the files are written, 1 when the input cannot be\n"
    "converted or an output cannot be written (no output then changes), 2 for bad\n"
    "usage.\n";

// Every active body visits every collision triangle each step. On a large
// mesh, where most triangles are far from every body, the physics benchmark
// (terrain/stepPhysics) measures 5 to 7 ns per visit; a ball and ten pins at 60
// steps a second then spend a tenth of a frame, 1.7 ms, on about
// 1.7 ms / (11 * 7 ns) = 21,600 triangles.
const double NANOSECONDS_PER_VISIT = 7.0;
const int BODIES = 11;
const size_t COLLISION_TRIANGLE_BUDGET = 20000;

const int EXIT_FAULT = 1, EXIT_USAGE = 2;
// What parseArguments gives when the conversion is to go ahead.
const int GO_ON = -1;

struct Arguments {
    const char *input = nullptr;
    const char *model = nullptr;
    const char *collision = nullptr;
    ConvertOptions options;
};

int usageError(const std::string &text) {
    fprintf(stderr, "%s\n",
            located("skorvel-obj", 0, "error", text + "; see skorvel-obj --help").c_str());
    return EXIT_USAGE;
}

bool readScale(const char *text, double *scale) { return readDecimal(text, scale) && *scale > 0.0; }

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

bool takesValue(const char *word) {
    return strcmp(word, "--model") == 0 || strcmp(word, "--collision") == 0 ||
           strcmp(word, "--up") == 0 || strcmp(word, "--scale") == 0 ||
           strcmp(word, "--colour") == 0;
}

// GO_ON when the option is good, otherwise the exit status after a message.
int readOption(const char *option, const char *value, Arguments *args) {
    if (strcmp(option, "--model") == 0) {
        args->model = value;
    } else if (strcmp(option, "--collision") == 0) {
        args->collision = value;
    } else if (strcmp(option, "--up") == 0) {
        if (strcmp(value, "y") != 0 && strcmp(value, "z") != 0)
            return usageError(formatted("--up takes y or z, not '%s'", value));
        args->options.yUp = value[0] == 'y';
    } else if (strcmp(option, "--scale") == 0) {
        if (!readScale(value, &args->options.scale))
            return usageError(formatted("--scale takes a number above 0, not '%s'", value));
    } else if (strcmp(option, "--colour") == 0) {
        if (!readColour(value, args->options.colour))
            return usageError(formatted(
                "--colour takes R,G,B from 0 to 255, such as 200,160,100, not '%s'", value));
    } else if (strcmp(option, "--shade") == 0) {
        args->options.shade = true;
    } else if (strcmp(option, "--help") == 0 || strcmp(option, "-h") == 0) {
        const ConvertOptions defaults;
        const int *colour = defaults.colour;
        printf(HELP, colour[0], colour[1], colour[2]);
        return EXIT_SUCCESS;
    } else if (strcmp(option, "--version") == 0) {
        printf("skorvel-obj %s\n", SKORVEL_VERSION);
        return EXIT_SUCCESS;
    } else {
        return usageError(formatted("unknown option '%s'", option));
    }
    return GO_ON;
}

int parseArguments(int argc, char **argv, Arguments *args) {
    bool options = true;
    for (int i = 1; i < argc; i++) {
        const char *word = argv[i];
        if (options && strcmp(word, "--") == 0) {
            options = false;
        } else if (options && word[0] == '-' && word[1] != '\0') {
            if (takesValue(word) && i + 1 >= argc)
                return usageError(formatted("%s needs a value", word));
            int status = readOption(word, takesValue(word) ? argv[++i] : nullptr, args);
            if (status != GO_ON) return status;
        } else if (args->input) {
            return usageError(formatted("one input file only; '%s' is a second", word));
        } else {
            args->input = word;
        }
    }
    if (!args->input) return usageError("no input file");
    if (!args->model && !args->collision) return usageError("no --model or --collision");
    return GO_ON;
}

void warnIfSlow(const char *path, size_t triangles) {
    if (triangles <= COLLISION_TRIANGLE_BUDGET) return;
    double milliseconds = triangles * BODIES * NANOSECONDS_PER_VISIT * 1e-6;
    fprintf(stderr, "%s\n",
            located(path, 0, "warning",
                    formatted("%zu collision triangles; a ball and ten pins would spend about "
                              "%.1f ms of each 16.7 ms frame on them; keep it under %zu by "
                              "leaving out what the ball and pins never touch",
                              triangles, milliseconds, COLLISION_TRIANGLE_BUDGET))
                .c_str());
}

void printAll(const std::vector<std::string> &lines) {
    for (const std::string &line : lines) fprintf(stderr, "%s\n", line.c_str());
}

// The triangles of the input, or false after the messages.
bool convert(const Arguments &args, std::vector<GameTriangle> *triangles) {
    ObjMesh mesh;
    std::string error;
    bool read = readObj(args.input, &mesh, &error);
    printAll(mesh.warnings);
    std::vector<std::string> warnings;
    bool built = read && buildTriangles(mesh, args.options, triangles, &warnings, &error);
    printAll(warnings);
    if (!built) fprintf(stderr, "%s\n", error.c_str());
    return built;
}

}  // namespace

int main(int argc, char **argv) {
    Arguments args;
    int status = parseArguments(argc, argv, &args);
    if (status != GO_ON) return status;

    std::vector<GameTriangle> triangles;
    if (!convert(args, &triangles)) return EXIT_FAULT;

    std::vector<OutputFile> outputs;
    if (args.model) outputs.push_back(OutputFile{args.model, triangles});
    // One file may serve as both.
    if (args.collision && !(args.model && strcmp(args.model, args.collision) == 0))
        outputs.push_back(OutputFile{args.collision, triangles});
    std::string error;
    if (!writeTriangleFiles(outputs, &error)) {
        fprintf(stderr, "%s\n", error.c_str());
        return EXIT_FAULT;
    }
    for (const OutputFile &output : outputs)
        printf("%s: %zu triangles\n", showable(output.path).c_str(), output.triangles.size());
    if (args.collision) warnIfSlow(args.collision, triangles.size());
    return EXIT_SUCCESS;
}
