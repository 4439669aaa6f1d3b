// The checker's findings in the compilers' form, FILE:LINE: error: text, so
// that editors and terminals can jump to them.
#pragma once

#include <string>
#include <vector>

enum Severity { SEVERITY_ERROR, SEVERITY_WARNING };

struct Diagnostic {
    std::string file;  // relative to the level folder
    int line;          // counted from 1
    Severity severity;
    std::string text;
};

struct Report {
    std::vector<Diagnostic> diagnostics;
    std::vector<std::string> notes;  // plain lines, such as the simulated player's results
    int sceneCount = 0;
};

// Adds a finding; the same finding twice is kept once.
void addDiagnostic(Report *report, const std::string &file, int line, Severity severity,
                   const std::string &text);
void addError(Report *report, const std::string &file, int line, const std::string &text);
void addWarning(Report *report, const std::string &file, int line, const std::string &text);

int countOf(const Report &report, Severity severity);
// Every finding, a line each, then the notes and the summary line.
void printReport(const Report &report, FILE *out);
// printf-style text for a message.
std::string format(const char *pattern, ...) __attribute__((format(printf, 1, 2)));
