#include "support/capture.h"

#include <unistd.h>

#include <cstdio>
#include <cstdlib>
#include <stdexcept>

std::string captureStdout(const std::function<void()> &body) {
    fflush(stdout);
    FILE *sink = tmpfile();
    if (!sink) throw std::runtime_error("tmpfile failed");
    int saved = dup(fileno(stdout));
    dup2(fileno(sink), fileno(stdout));
    body();
    fflush(stdout);
    dup2(saved, fileno(stdout));
    close(saved);
    std::string text;
    rewind(sink);
    int c;
    while ((c = getc(sink)) != EOF) text += static_cast<char>(c);
    fclose(sink);
    return text;
}
