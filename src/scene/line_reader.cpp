#include "scene/line_reader.h"

#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

#include <cctype>

static void skipRestOfWord(FILE *file) {
    int c;
    while ((c = getc(file)) != EOF && !isspace(c)) {
    }
    if (c != EOF) ungetc(c, file);
}

// Up to maxLength characters of the next word; 0 at the end of the file.
static int scanWord(FILE *file, char *word, int maxLength) {
    char format[16];
    snprintf(format, sizeof format, "%%%ds", maxLength);
    return fscanf(file, format, word) == 1;
}

int readWord(FILE *file, char *word, int maxLength) {
    if (!scanWord(file, word, maxLength)) return 0;
    int next = getc(file);
    if (next == EOF) return 1;
    ungetc(next, file);
    if (isspace(next)) return 1;
    skipRestOfWord(file);
    return 0;
}

// Labels only make a file readable, so one of any length will do: the word
// is read up to the buffer's width and the rest of it skipped, and the line
// then reads exactly as it would with a short label.
static int readLabel(FILE *file, int labelMax) {
    char label[SCENE_LIST_LABEL_MAX + 1];
    if (labelMax > SCENE_LIST_LABEL_MAX) labelMax = SCENE_LIST_LABEL_MAX;
    if (!scanWord(file, label, labelMax)) return 0;
    skipRestOfWord(file);
    return 1;
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

FILE *openDataFile(const char *path) {
    // Opening without blocking, so that a FIFO without a writer does not
    // stop the game; its type is then told from the open descriptor.
    int fd = open(path, O_RDONLY | O_NONBLOCK);
    if (fd < 0) return nullptr;
    struct stat status;
    if (fstat(fd, &status) != 0 || !S_ISREG(status.st_mode) ||
        fcntl(fd, F_SETFL, fcntl(fd, F_GETFL) & ~O_NONBLOCK) != 0) {
        close(fd);
        return nullptr;
    }
    FILE *file = fdopen(fd, "r");
    if (!file) close(fd);
    return file;
}

FILE *openTriangleFile(const char *path, int32_t *count) {
    FILE *file = openDataFile(path);
    if (file && readIntegerLine(file, MODEL_LABEL_MAX, count) && *count >= 1) return file;
    printf(
        "encountered file error, possibly an invalid first line\nor an invalid file\n or no "
        "file\nor something else\nwhen trying to load %s",
        path);
    if (file) fclose(file);
    return nullptr;
}
