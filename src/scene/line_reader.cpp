#include "scene/line_reader.h"

#include <cctype>

static void skipRestOfWord(FILE *file) {
    int c;
    while ((c = getc(file)) != EOF && !isspace(c)) {
    }
    if (c != EOF) ungetc(c, file);
}

int readWord(FILE *file, char *word, int maxLength) {
    char format[16];
    snprintf(format, sizeof format, "%%%ds", maxLength);
    if (fscanf(file, format, word) != 1) return 0;
    int next = getc(file);
    if (next == EOF) return 1;
    ungetc(next, file);
    if (isspace(next)) return 1;
    skipRestOfWord(file);
    return 0;
}

static int readLabel(FILE *file, int labelMax) {
    char label[SCENE_LIST_LABEL_MAX + 1];
    if (labelMax > SCENE_LIST_LABEL_MAX) labelMax = SCENE_LIST_LABEL_MAX;
    return readWord(file, label, labelMax);
}

int readVectorLine(FILE *file, int labelMax, float *x, float *y, float *z) {
    if (!readLabel(file, labelMax)) return 0;
    // The closing bracket is matched after the three numbers: a missing one
    // goes unnoticed, any other character there stays unread.
    return fscanf(file, " [%f, %f, %f]", x, y, z) == 3;
}

int readColourLine(FILE *file, int labelMax, unsigned short *r, unsigned short *g,
                   unsigned short *b) {
    if (!readLabel(file, labelMax)) return 0;
    return fscanf(file, " [%hu, %hu, %hu]", r, g, b) == 3;
}

int readFloatLine(FILE *file, int labelMax, float *value) {
    if (!readLabel(file, labelMax)) return 0;
    return fscanf(file, "%f", value) == 1;
}

int readIntegerLine(FILE *file, int labelMax, int32_t *value) {
    if (!readLabel(file, labelMax)) return 0;
    int read = 0;
    if (fscanf(file, "%d", &read) != 1) return 0;
    *value = read;
    return 1;
}

int readNameLine(FILE *file, int labelMax, char name[FILE_NAME_MAX + 1]) {
    if (!readLabel(file, labelMax)) return 0;
    return readWord(file, name, FILE_NAME_MAX);
}

int readVec3Line(FILE *file, int labelMax, Vec3 *v) {
    return readVectorLine(file, labelMax, &v->x, &v->y, &v->z);
}

int32_t roomForItems(FILE *file, int32_t count, long shortestItem) {
    long here = ftell(file);
    if (here < 0 || fseek(file, 0, SEEK_END) != 0) return count;
    long end = ftell(file);
    if (fseek(file, here, SEEK_SET) != 0 || end < here) return count;
    long room = (end - here) / shortestItem + 1;
    return room < count ? static_cast<int32_t>(room) : count;
}

FILE *openTriangleFile(const char *path, int32_t *count) {
    FILE *file = fopen(path, "r");
    if (file && readIntegerLine(file, MODEL_LABEL_MAX, count) && *count >= 1) return file;
    printf(
        "encountered file error, possibly an invalid first line\nor an invalid file\n or no "
        "file\nor something else\nwhen trying to load %s",
        path);
    if (file) fclose(file);
    return nullptr;
}
