#include "fuzz/fuzz_support.h"

#include "flow/world.h"

#include <fcntl.h>
#include <unistd.h>

#include <cerrno>
#include <cstdio>
#include <cstdlib>
#include <cstring>

static void fail(const char *what) {
    fprintf(stderr, "fuzz set-up failed: %s: %s\n", what, strerror(errno));
    exit(1);
}

void enterWorkFolder(const char *targetName) {
    resetWorld();
    static char folder[4096];
    const char *base = getenv("TMPDIR");
    snprintf(folder, sizeof folder, "%s/%s-XXXXXX", base && *base ? base : "/tmp", targetName);
    if (!mkdtemp(folder) || chdir(folder) != 0) fail(folder);
    fflush(stdout);
    int null = open("/dev/null", O_WRONLY);
    if (null < 0 || dup2(null, STDOUT_FILENO) < 0) fail("/dev/null");
    close(null);
}

void writeWorkFile(const char *name, const uint8_t *data, size_t size) {
    FILE *file = fopen(name, "wb");
    if (!file) fail(name);
    if (size > 0 && fwrite(data, 1, size, file) != size) fail(name);
    if (fclose(file) != 0) fail(name);
}
