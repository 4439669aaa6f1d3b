#include <cstdarg>
#include <cstdio>

#include "check/diagnostics.h"

void addDiagnostic(Report *report, const std::string &file, int line, Severity severity,
                   const std::string &text) {
    for (const Diagnostic &seen : report->diagnostics)
        if (seen.file == file && seen.line == line && seen.text == text) return;
    report->diagnostics.push_back({file, line < 1 ? 1 : line, severity, text});
}

void addError(Report *report, const std::string &file, int line, const std::string &text) {
    addDiagnostic(report, file, line, SEVERITY_ERROR, text);
}

void addWarning(Report *report, const std::string &file, int line, const std::string &text) {
    addDiagnostic(report, file, line, SEVERITY_WARNING, text);
}

int countOf(const Report &report, Severity severity) {
    int count = 0;
    for (const Diagnostic &d : report.diagnostics) count += d.severity == severity;
    return count;
}

static const char *plural(int count, const char *one, const char *many) {
    return count == 1 ? one : many;
}

void printReport(const Report &report, FILE *out) {
    for (const Diagnostic &d : report.diagnostics)
        fprintf(out, "%s:%d: %s: %s\n", d.file.c_str(), d.line,
                d.severity == SEVERITY_ERROR ? "error" : "warning", d.text.c_str());
    for (const std::string &note : report.notes) fprintf(out, "%s\n", note.c_str());
    int errors = countOf(report, SEVERITY_ERROR);
    int warnings = countOf(report, SEVERITY_WARNING);
    fprintf(out, "%d %s, %d %s, %d %s\n", report.sceneCount,
            plural(report.sceneCount, "scene", "scenes"), errors, plural(errors, "error", "errors"),
            warnings, plural(warnings, "warning", "warnings"));
}

std::string format(const char *pattern, ...) {
    char text[512];
    va_list args;
    va_start(args, pattern);
    vsnprintf(text, sizeof text, pattern, args);
    va_end(args);
    return text;
}
