#include "check/diagnostics.h"

void addDiagnostic(Report *report, const std::string &file, int line, Severity severity,
                   const std::string &text, const char *kind) {
    if (kind && countedOnly(report, file, severity, kind)) return;
    if (!report->said.insert(file + ":" + std::to_string(line) + ": " + text).second) return;
    (severity == SEVERITY_ERROR ? report->errors : report->warnings)++;
    if (kind) {
        std::pair<int, size_t> &shown = report->shownOfKind[{file, kind}];
        shown.first++;
        shown.second = report->diagnostics.size();
    }
    report->diagnostics.push_back({file, line, severity, text, 0});
}

bool countedOnly(Report *report, const std::string &file, Severity severity, const char *kind) {
    auto seen = report->shownOfKind.find({file, kind});
    if (seen == report->shownOfKind.end() || seen->second.first < SHOWN_OF_A_KIND) return false;
    (severity == SEVERITY_ERROR ? report->errors : report->warnings)++;
    report->diagnostics[seen->second.second].moreLikeThis++;
    return true;
}

void addError(Report *report, const std::string &file, int line, const std::string &text) {
    addDiagnostic(report, file, line, SEVERITY_ERROR, text);
}

void addWarning(Report *report, const std::string &file, int line, const std::string &text,
                const char *kind) {
    addDiagnostic(report, file, line, SEVERITY_WARNING, text, kind);
}

static const char *plural(int count, const char *one, const char *many) {
    return count == 1 ? one : many;
}

void printFindings(const Report &report, FILE *out) {
    for (const Diagnostic &d : report.diagnostics) {
        fprintf(out, "%s:%d: %s: %s\n", d.file.c_str(), d.line,
                d.severity == SEVERITY_ERROR ? "error" : "warning", d.text.c_str());
        if (d.moreLikeThis > 0)
            fprintf(out, "%s: and %s more like this\n", d.file.c_str(),
                    thousands(d.moreLikeThis).c_str());
    }
}

void printReport(const Report &report, FILE *out) {
    printFindings(report, out);
    for (const std::string &note : report.notes) fprintf(out, "%s\n", note.c_str());
    fprintf(out, "%d %s, %d %s, %d %s\n", report.sceneCount,
            plural(report.sceneCount, "scene", "scenes"), report.errors,
            plural(report.errors, "error", "errors"), report.warnings,
            plural(report.warnings, "warning", "warnings"));
}

std::string thousands(int count) {
    std::string digits = std::to_string(count);
    for (int at = static_cast<int>(digits.size()) - 3; at > 0; at -= 3) digits.insert(at, ",");
    return digits;
}
