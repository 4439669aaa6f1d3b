// The checker's findings in the compilers' form, FILE:LINE: error: text, so
// that editors and terminals can jump to them.
#pragma once

#include <cstdio>
#include <map>
#include <string>
#include <unordered_set>
#include <utility>
#include <vector>

#include "common/formatted.h"

enum Severity { SEVERITY_ERROR, SEVERITY_WARNING };

struct Diagnostic {
    std::string file;  // relative to the level folder
    int line;          // counted from 1
    Severity severity;
    std::string text;
    int moreLikeThis;  // findings of its kind in its file after it, counted but not shown
};

// How many findings of one kind in one file are shown; the rest are only
// counted, as compilers do.
enum { SHOWN_OF_A_KIND = 3 };

struct Report {
    std::vector<Diagnostic> diagnostics;
    std::vector<std::string> notes;   // plain lines, such as the simulated player's results
    std::vector<std::string> scenes;  // the scenes a list plays, when only the list is read
    int sceneCount = 0;
    int errors = 0, warnings = 0;
    // Every file read, as "list:", "scene:", "model:" or "collision:" and its
    // name, with the game's verdict: true when its loader accepted it.
    std::map<std::string, bool> verdicts;
    std::unordered_set<std::string> said;  // each finding shown, so that none is said twice
    // For each kind of finding in a file: how many are shown, and the last.
    std::map<std::pair<std::string, std::string>, std::pair<int, size_t>> shownOfKind;
};

// Adds a finding, unless the same was said before. kind names the kind of
// finding, for summing up repeats: a finding of no kind is always shown.
void addDiagnostic(Report *report, const std::string &file, int line, Severity severity,
                   const std::string &text, const char *kind = nullptr);
void addError(Report *report, const std::string &file, int line, const std::string &text);
void addWarning(Report *report, const std::string &file, int line, const std::string &text,
                const char *kind = nullptr);
// When every finding of this kind in the file that is shown has been shown,
// counts one more and gives true: the caller then need not make its text.
bool countedOnly(Report *report, const std::string &file, Severity severity, const char *kind);

// Every finding, a line each, then the notes and the summary line.
void printReport(const Report &report, FILE *out);
// Every finding, a line each, and nothing more.
void printFindings(const Report &report, FILE *out);
// A count with its thousands marked: 99,999.
std::string thousands(int count);
