#include "fuzz/fuzz_support.h"

#include <fcntl.h>
#include <unistd.h>

#include <cerrno>
#include <cstdio>
#include <cstdlib>
#include <cstring>

static char workFolder[4096];

// Names of the files made in the work folder, for the clean-up at exit.
enum { MAX_WORK_FILES = 16, MAX_WORK_NAME = 64 };
static char workFiles[MAX_WORK_FILES][MAX_WORK_NAME];
static int workFileCount = 0;

static void fail(const char *what) {
    fprintf(stderr, "fuzz set-up failed: %s: %s\n", what, strerror(errno));
    exit(1);
}

static void removeWorkFolder() {
    for (int i = 0; i < workFileCount; i++) {
        char path[sizeof workFolder + MAX_WORK_NAME + 1];
        snprintf(path, sizeof path, "%s/%s", workFolder, workFiles[i]);
        unlink(path);
    }
    rmdir(workFolder);
}

// libFuzzer flags whose value is a path.
static const char *const pathFlags[] = {
    "-artifact_prefix=",    "-exact_artifact_path=", "-dict=",      "-features_dir=",
    "-merge_control_file=", "-data_flow_trace=",     "-stop_file=", "-mutation_graph_file=",
};

// Arguments built here live for the whole run, as libFuzzer's argv does.
enum { MAX_ARGUMENTS = 256 };
static char *arguments[MAX_ARGUMENTS + 1];

static char *joinPath(const char *start, const char *prefix, const char *path) {
    size_t length = strlen(start) + strlen(prefix) + strlen(path) + 2;
    char *joined = static_cast<char *>(malloc(length));
    if (!joined) fail("argument");
    if (path[0] == '/')
        snprintf(joined, length, "%s%s", prefix, path);
    else
        snprintf(joined, length, "%s%s/%s", prefix, start, path);
    return joined;
}

// The program name stays as it is: libFuzzer insists on it.
static void makePathsAbsolute(const char *start, int *argc, char ***argv) {
    if (*argc < 1 || *argc > MAX_ARGUMENTS - 1) {
        errno = E2BIG;
        fail("arguments");
    }
    int count = 0;
    int hasArtifactPrefix = 0;
    arguments[count++] = (*argv)[0];
    for (int i = 1; i < *argc; i++) {
        char *argument = (*argv)[i];
        if (argument[0] != '-') {
            arguments[count++] = joinPath(start, "", argument);
            continue;
        }
        char *rewritten = argument;
        for (const char *flag : pathFlags) {
            size_t flagLength = strlen(flag);
            if (strncmp(argument, flag, flagLength) == 0 && argument[flagLength] != '\0')
                rewritten = joinPath(start, flag, argument + flagLength);
        }
        if (strncmp(argument, "-artifact_prefix=", 17) == 0) hasArtifactPrefix = 1;
        arguments[count++] = rewritten;
    }
    if (!hasArtifactPrefix) arguments[count++] = joinPath(start, "-artifact_prefix=", "");
    arguments[count] = nullptr;
    *argc = count;
    *argv = arguments;
}

void enterWorkFolder(const char *targetName, int *argc, char ***argv) {
    static char start[4096];
    if (!getcwd(start, sizeof start)) fail("current folder");
    makePathsAbsolute(start, argc, argv);

    const char *base = getenv("TMPDIR");
    if (!base || !*base) base = "/tmp";
    int length = snprintf(workFolder, sizeof workFolder, "%s/%s-XXXXXX", base, targetName);
    if (length < 0 || static_cast<size_t>(length) >= sizeof workFolder) {
        errno = ENAMETOOLONG;
        fail("work folder name");
    }
    if (!mkdtemp(workFolder)) fail(workFolder);
    if (chdir(workFolder) != 0) fail(workFolder);
    atexit(removeWorkFolder);

    fflush(stdout);
    int null = open("/dev/null", O_WRONLY);
    if (null < 0) fail("/dev/null");
    if (dup2(null, STDOUT_FILENO) < 0) fail("redirecting standard output");
    close(null);
}

static void rememberWorkFile(const char *name) {
    for (int i = 0; i < workFileCount; i++)
        if (strcmp(workFiles[i], name) == 0) return;
    if (workFileCount == MAX_WORK_FILES || strlen(name) >= MAX_WORK_NAME) {
        fprintf(stderr, "fuzz set-up failed: too many or too long work file names\n");
        exit(1);
    }
    strcpy(workFiles[workFileCount++], name);
}

void writeWorkFile(const char *name, const uint8_t *data, size_t size) {
    rememberWorkFile(name);
    FILE *file = fopen(name, "wb");
    if (!file) fail(name);
    if (size > 0 && fwrite(data, 1, size, file) != size) fail(name);
    if (fclose(file) != 0) fail(name);
}

void writeWorkText(const char *name, const char *text) {
    writeWorkFile(name, reinterpret_cast<const uint8_t *>(text), strlen(text));
}
