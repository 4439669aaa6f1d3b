#include "check/explain.h"

#include <sys/stat.h>

#include <algorithm>
#include <cctype>
#include <cerrno>
#include <climits>
#include <cmath>
#include <cstdlib>
#include <cstring>

#include "check/diagnostics.h"

// --- Words and lines --------------------------------------------------------

static bool firstOnLine(const FileText &file, long offset) {
    for (long at = offset - 1; at >= 0; at--) {
        char c = charAt(file, at);
        if (c == '\n' || c == '\r') return true;
        if (!isSpaceAt(file, at)) return false;
    }
    return true;
}

// How many words the line holding offset holds, counted up to two: whether
// it holds one word alone is all that is asked, and a line may be a whole
// file.
static int wordsOnLine(const FileText &file, long offset) {
    int count = 0;
    bool inWord = false;
    for (long at = lineStart(file, offset); count < 2 && at < sizeOf(file); at++) {
        char c = charAt(file, at);
        if (c == '\n' || c == '\r') break;
        bool space = isspace(static_cast<unsigned char>(c));
        count += !space && !inWord;
        inWord = !space;
    }
    return count;
}

// The text from offset to the end of its line, without white space at either end.
static std::string restOfLine(const FileText &file, long offset) {
    std::string rest = textBetween(file, offset, lineEnd(file, offset));
    size_t first = rest.find_first_not_of(" \t\f\v");
    size_t last = rest.find_last_not_of(" \t\f\v");
    return first == std::string::npos ? "" : rest.substr(first, last - first + 1);
}

static bool isNumber(const std::string &word) {
    if (word.empty()) return false;
    char *end = nullptr;
    strtod(word.c_str(), &end);
    return *end == '\0';
}

// A number written with C's float suffix, "0.5f".
static bool hasFSuffix(const std::string &word) {
    return (word.back() == 'f' || word.back() == 'F') && isNumber(word.substr(0, word.size() - 1));
}

// Whether c is one of the characters of set; a NUL is in none.
static bool isOneOf(char c, const char *set) { return c != '\0' && strchr(set, c); }

// A label word that is a value, read out of step: a bracket, or a number
// that is left over on a line or stands alone on its line, its label lost.
// A number with more words after it on its line may well be a label.
static bool labelIsAValue(const FileText &file, long labelAt) {
    char first = charAt(file, labelAt);
    if (isOneOf(first, "[]()")) return true;
    if (!isOneOf(first, ",.+-0123456789")) return false;
    return !firstOnLine(file, labelAt) || wordsOnLine(file, labelAt) == 1;
}

static std::string noun(const Item &item) { return itemWords(item.id); }

static const char *valueKind(const Item &item) {
    switch (item.kind) {
        case TRACE_VECTOR:
        case TRACE_COLOUR:
            return "[x, y, z]";
        case TRACE_NAME:
            return "the file name";
        default:
            return "the number";
    }
}

// --- A number cut short -----------------------------------------------------

// A good item whose reading stopped inside a word: the rest of the word is
// read as the next label, and everything after it out of step.
static bool cutShort(const FileText &file, const Item &item) {
    return item.good && item.kind != TRACE_NAME && item.end < sizeOf(file) &&
           !isSpaceAt(file, item.end) && !isSpaceAt(file, item.end - 1);
}

// A NUL byte is no white space to the game: it is read as a word, or as part of one.
static std::string nulConsequence(const FileText &file, const Item *next) {
    if (!next || next->kind != TRACE_NAME || !next->good) return "";
    return formatted(", and it looks for a %s called '%s'", noun(*next).c_str(),
                     nameOf(file, *next).c_str());
}

// A bracketed item's value, from its '[' to its ']' or the end of its line.
static std::string bracketOf(const FileText &file, const Item &item) {
    long end = item.end;
    while (end < sizeOf(file) && !isOneOf(charAt(file, end), "]\n\r")) end++;
    return textBetween(file, valueStart(file, item), end + (charAt(file, end) == ']'));
}

// A value whose reading stopped at a character after it: a NUL byte, the
// closing bracket with more after it, or a comma after the third number.
static bool stoppedAfterValue(const FileText &file, const Item &item, const Item *next,
                              Finding *finding) {
    int line = lineOf(file, item.end);
    std::string rest = restOfLine(file, item.end);
    char after = charAt(file, item.end);
    bool bracketed = item.kind == TRACE_VECTOR || item.kind == TRACE_COLOUR;
    if (after == '\0') {
        *finding = {line, formatted("a NUL byte (a zero character) follows the %s: the game reads "
                                    "it as the next label, so every word after it is read out of "
                                    "step%s; remove the NUL",
                                    noun(item).c_str(), nulConsequence(file, next).c_str())};
    } else if (charAt(file, item.end - 1) == ']') {
        *finding = {line, formatted("'%s' is left unread after the %s and spoils the next line: "
                                    "remove it",
                                    rest.c_str(), noun(item).c_str())};
    } else if (bracketed && after == ',') {
        std::string bracket = bracketOf(file, item);
        long numbers = 1 + std::count(bracket.begin(), bracket.end(), ',');
        std::string extra = numbers == 4 ? "the fourth" : formatted("the last %ld", numbers - 3);
        *finding = {line, formatted("'%s' holds %ld numbers, and a %s has three: the game reads "
                                    "three and leaves '%s' unread, which spoils the next line; "
                                    "remove %s",
                                    bracket.c_str(), numbers, noun(item).c_str(), rest.c_str(),
                                    extra.c_str())};
    } else {
        return false;
    }
    return true;
}

// A number whose reading stopped inside its word: what the game read of it,
// and what it leaves.
static Finding numberCutShort(const FileText &file, const Item &item) {
    int line = lineOf(file, item.end);
    std::string rest = restOfLine(file, item.end);
    bool bracketed = item.kind == TRACE_VECTOR || item.kind == TRACE_COLOUR;
    long begin = item.end, end = item.end;
    while (begin > 0 && !isSpaceAt(file, begin - 1) && !isOneOf(charAt(file, begin - 1), "[,"))
        begin--;
    while (end < sizeOf(file) && !isSpaceAt(file, end) &&
           !(bracketed && isOneOf(charAt(file, end), ",]")))
        end++;
    std::string word = textBetween(file, begin, end);
    std::string read = textBetween(file, begin, item.end);
    if (item.kind == TRACE_INTEGER)
        return {line,
                formatted("the %s is a whole number, not '%s': the game reads %s and takes '%s' "
                          "as the next label, so every word after it is read out of step",
                          noun(item).c_str(), word.c_str(), read.c_str(), rest.c_str())};
    if (item.kind == TRACE_COLOUR)
        return {line,
                formatted("model colours are whole numbers 0-255, not '%s': the game reads %s "
                          "and leaves '%s' unread, which spoils the next line",
                          word.c_str(), read.c_str(), rest.c_str())};
    std::string pointed = word;
    bool comma = charAt(file, item.end) == ',';
    if (comma) pointed[read.size()] = '.';
    if (comma && isNumber(pointed))
        return {line, formatted("'%s' has a decimal comma: the game reads %s and leaves '%s' "
                                "unread, which spoils the next line; write %s with a point",
                                word.c_str(), read.c_str(), rest.c_str(), pointed.c_str())};
    std::string advice = "write one number";
    if (hasFSuffix(word))
        advice = "numbers take no 'f' suffix: write " + word.substr(0, word.size() - 1);
    return {line, formatted("'%s' is not a number: the game reads %s and leaves '%s' unread, which "
                            "spoils the next line; %s",
                            word.c_str(), read.c_str(), rest.c_str(), advice.c_str())};
}

static Finding cutShortFinding(const FileText &file, const Item &item, const Item *next) {
    Finding finding;
    if (stoppedAfterValue(file, item, next, &finding)) return finding;
    return numberCutShort(file, item);
}

// --- A label word where a value was, or the other way round -------------------

static Finding labelIsValue(const FileText &file, const Item &item, long labelAt) {
    int line = lineOf(file, labelAt);
    std::string label = wordAt(file, labelAt);
    if (label[0] == ']')
        return {line,
                firstOnLine(file, labelAt)
                    ? "the closing ']' starts a line of its own, and the game reads it as the "
                      "next label: put it right after the last number"
                    : "a space before ']' leaves ' ]' unread, which spoils the next line: "
                      "remove the space"};
    if (!firstOnLine(file, labelAt))
        return {line,
                formatted("'%s' is left over after the value and spoils the next line: remove it",
                          label.c_str())};
    return {line,
            formatted("the %s line has no label: the game reads '%s' as its label and goes on "
                      "out of step; write a label word before %s",
                      noun(item).c_str(), label.c_str(), valueKind(item))};
}

static bool isFileName(const std::string &word) {
    return word.find('.') != std::string::npos || word.find('/') != std::string::npos;
}

// A name line whose name is the next line's label: either a word was left
// over before it, or the line lacks its label or its name.
static bool nameOutOfStep(const FileText &file, const std::vector<Item> &items, size_t index,
                          Finding *finding) {
    const Item &item = items[index];
    if (item.kind != TRACE_NAME || !item.good) return false;
    long labelAt = skipSpace(file, item.start);
    long nameAt = item.end - static_cast<long>(nameOf(file, item).size());
    if (!firstOnLine(file, nameAt) || wordsOnLine(file, nameAt) < 2) return false;
    std::string label = wordAt(file, labelAt), name = nameOf(file, item);
    int labelLine = lineOf(file, labelAt);
    if (!firstOnLine(file, labelAt)) {
        bool afterName = index > 0 && items[index - 1].kind == TRACE_NAME &&
                         lineOf(file, items[index - 1].end) == labelLine;
        *finding = {
            labelLine,
            afterName
                ? formatted("the file name '%s' is followed by '%s' on its line: file "
                            "names cannot hold spaces, and the game reads '%s' as the "
                            "next label; rename the file without spaces",
                            nameOf(file, items[index - 1]).c_str(), label.c_str(), label.c_str())
                : formatted("'%s' is left over after the value and spoils the next "
                            "line: remove it",
                            label.c_str())};
        return true;
    }
    if (wordsOnLine(file, labelAt) != 1) return false;
    *finding = {
        labelLine,
        isFileName(label)
            ? formatted("the %s line has no label: the game reads the name '%s' as the label "
                        "and the next line's label '%s' as the file name; write a label word "
                        "before the name",
                        noun(item).c_str(), label.c_str(), name.c_str())
            : formatted("the %s line has no file name: the game reads the next line's label "
                        "'%s' as the name",
                        noun(item).c_str(), name.c_str())};
    return true;
}

// Whether the words went out of step at this item, the one read after
// before (null for the first), whose label starts at labelAt.
static bool stepsOutAt(const FileText &file, const Item *before, const Item &item, long labelAt,
                       Finding *finding) {
    char first = charAt(file, labelAt);
    if (first == '#' && firstOnLine(file, labelAt)) {
        *finding = {lineOf(file, labelAt),
                    "a line that starts with '#' is not a comment: the formats have no "
                    "comments, so the game reads '#' as a label and the words after it as "
                    "values; remove the line"};
        return true;
    }
    if (before && cutShort(file, *before)) {
        *finding = cutShortFinding(file, *before, &item);
        return true;
    }
    if (first == '\0' && wordAt(file, labelAt).find_first_not_of('\0') == std::string::npos) {
        *finding = {lineOf(file, labelAt),
                    formatted("a NUL byte (a zero character) stands where the %s line's label "
                              "belongs: the game reads it as the label, so every word after it is "
                              "read out of step; remove the NUL",
                              noun(item).c_str())};
        return true;
    }
    if (labelIsAValue(file, labelAt)) {
        *finding = labelIsValue(file, item, labelAt);
        return true;
    }
    return false;
}

void searchItem(const FileText &file, const Item *before, const Item &item, StepSearch *search) {
    if (search->over) return;
    search->next++;
    long labelAt = skipSpace(file, item.start);
    if (labelAt >= sizeOf(file))
        search->over = true;
    else if (stepsOutAt(file, before, item, labelAt, &search->finding))
        search->over = search->found = true;
}

bool findOutOfStep(const FileText &file, const std::vector<Item> &items, size_t last,
                   Finding *finding, StepSearch *search) {
    while (!search->over && search->next <= last && search->next < items.size()) {
        size_t p = search->next;
        searchItem(file, p > 0 ? &items[p - 1] : nullptr, items[p], search);
    }
    if (search->found) *finding = search->finding;
    if (search->over) return search->found;
    return last < items.size() && nameOutOfStep(file, items, last, finding);
}

bool findOutOfStep(const FileText &file, const std::vector<Item> &items, size_t last,
                   Finding *finding) {
    StepSearch search;
    return findOutOfStep(file, items, last, finding, &search);
}

// --- What is wrong with the item's own words ----------------------------------

static std::string trimmed(const std::string &text) {
    size_t first = text.find_first_not_of(" \t\r\n\f\v");
    if (first == std::string::npos) return "";
    size_t last = text.find_last_not_of(" \t\r\n\f\v");
    return text.substr(first, last - first + 1);
}

static std::string notANumber(const std::string &word) {
    if (hasFSuffix(word))
        return formatted("'%s' is not a number: numbers take no 'f' suffix", word.c_str());
    return formatted("'%s' is not a number", word.c_str());
}

// Which of the bracketed numbers is not a number, or a plain description.
static std::string badComponent(const std::string &inside) {
    size_t from = 0;
    for (int index = 0;; index++) {
        size_t comma = inside.find(',', from);
        std::string part = trimmed(
            inside.substr(from, comma == std::string::npos ? std::string::npos : comma - from));
        size_t gap = part.find_first_of(" \t");
        if (gap != std::string::npos && isNumber(part.substr(0, gap)))
            return formatted("a comma is missing after '%s'", part.substr(0, gap).c_str());
        if (!isNumber(part)) return part.empty() ? "a number is missing" : notANumber(part);
        if (comma == std::string::npos)
            return index < 2 ? "three numbers are needed, separated by ', '" : "";
        from = comma + 1;
    }
}

static std::string whyBracketLine(const std::string &content, TraceKind kind) {
    std::string label = content.substr(0, content.find_first_of(" \t"));
    std::string rest = trimmed(content.substr(label.size()));
    if (label.find('[') != std::string::npos)
        return "there is no space between the label and '[': write '" +
               label.substr(0, label.find('[')) + " ['";
    if (label.find('(') != std::string::npos || (!rest.empty() && rest[0] == '('))
        return "write the numbers in brackets [x, y, z], not parentheses";
    if (rest.empty() || rest[0] != '[')
        return formatted("'%s' stands where '[' belongs: write the numbers as [x, y, z]",
                         rest.substr(0, rest.find_first_of(" \t")).c_str());
    size_t close = rest.find(']');
    std::string inside = rest.substr(1, close == std::string::npos ? std::string::npos : close - 1);
    if (inside.find(", ,") != std::string::npos || trimmed(inside)[0] == ',')
        return "a number is missing";
    if (rest.find(" ,") != std::string::npos || rest.find("\t,") != std::string::npos)
        return "remove the space before ',': the game stops reading the line there";
    if (kind == TRACE_COLOUR && inside.find('.') != std::string::npos)
        return "model colours are whole numbers 0-255, such as [200, 160, 100]";
    std::string bad = badComponent(inside);
    return bad.empty() ? "expected 'label [x, y, z]'" : bad;
}

static std::string whyWordLine(const std::string &content, TraceKind kind) {
    std::string label = content.substr(0, content.find_first_of(" \t"));
    std::string rest = trimmed(content.substr(label.size()));
    std::string value = rest.substr(0, rest.find_first_of(" \t"));
    if (kind == TRACE_NAME)
        return value.size() > FILE_NAME_MAX
                   ? formatted("file names have at most %d characters", FILE_NAME_MAX)
                   : "expected 'label file-name'";
    if (kind == TRACE_INTEGER && !value.empty() && (isdigit(value[0]) || value[0] == '-'))
        return formatted("'%s' is not a whole number", value.c_str());
    return notANumber(value);
}

Finding explainItem(const FileText &file, const Item &item) {
    long labelAt = skipSpace(file, item.start);
    if (labelAt >= sizeOf(file))
        return {lineOf(file, sizeOf(file)), "the file ends before the " + noun(item)};
    std::string label = wordAt(file, labelAt);
    int labelLine = lineOf(file, labelAt);
    bool bracketed = item.kind == TRACE_VECTOR || item.kind == TRACE_COLOUR;
    std::string why;
    int line = labelLine;
    if (bracketed && label.find_first_of("[(") != std::string::npos) {
        why = whyBracketLine(restOfLine(file, labelAt), item.kind);
    } else {
        long valueAt = skipSpace(file, labelAt + static_cast<long>(label.size()));
        if (valueAt >= sizeOf(file))
            return {labelLine,
                    formatted("the %s has a label but no value, and the file ends there: "
                              "write %s after the label",
                              noun(item).c_str(), valueKind(item))};
        int valueLine = lineOf(file, valueAt);
        if (valueLine != labelLine && firstOnLine(file, valueAt) && wordsOnLine(file, valueAt) > 1)
            return {labelLine,
                    formatted("the %s line has no value: the game reads the next line's "
                              "label '%s' where %s belongs",
                              noun(item).c_str(), wordAt(file, valueAt).c_str(), valueKind(item))};
        std::string content = label + " " + restOfLine(file, valueAt);
        why = bracketed ? whyBracketLine(content, item.kind) : whyWordLine(content, item.kind);
        line = valueLine;
    }
    return {line, "cannot read the " + noun(item) + ": " + why};
}

Finding explainFailure(const FileText &file, const std::vector<Item> &items, size_t failed) {
    Finding finding;
    if (findOutOfStep(file, items, failed, &finding)) return finding;
    return explainItem(file, items[failed]);
}

const char *notAFile(const std::string &name) {
    struct stat status;
    if (stat(name.c_str(), &status) != 0 || S_ISREG(status.st_mode)) return nullptr;
    if (S_ISDIR(status.st_mode)) return "a folder";
    if (S_ISFIFO(status.st_mode)) return "a pipe (FIFO)";
    if (S_ISCHR(status.st_mode) || S_ISBLK(status.st_mode)) return "a device";
    return "not a regular file";
}

Finding whyUnopened(const FileText &file, const Item &item) {
    std::string name = nameOf(file, item);
    int line = lineOf(file, item.end);
    if (name[0] == '[') {
        long labelAt = skipSpace(file, item.start);
        return {lineOf(file, labelAt),
                formatted("the %s line is missing: the game reads the next line, '%s', as the %s "
                          "and looks for a file called '%s'; write the %s line before it",
                          noun(item).c_str(), lineAt(file, labelAt).c_str(), noun(item).c_str(),
                          name.c_str(), noun(item).c_str())};
    }
    std::string after = restOfLine(file, item.end);
    if (!after.empty())
        return {line,
                formatted("cannot open the %s '%s': file names cannot hold spaces, and the game "
                          "reads the name only up to the space, so '%s' is read as the next "
                          "label; rename the file without spaces",
                          noun(item).c_str(), name.c_str(), after.c_str())};
    const char *kind = notAFile(name);
    if (kind)
        return {line,
                formatted("cannot open the %s '%s': it is %s, and the game reads only regular "
                          "files",
                          noun(item).c_str(), name.c_str(), kind)};
    return {line, formatted("cannot open the %s '%s': check the name, relative to the level folder",
                            noun(item).c_str(), name.c_str())};
}

Finding explainUnopened(const FileText &file, const std::vector<Item> &items, size_t nameItem) {
    Finding finding;
    if (findOutOfStep(file, items, nameItem, &finding)) return finding;
    return whyUnopened(file, items[nameItem]);
}

std::string countText(const FileText &file, const Item &item) {
    long valueAt = valueStart(file, item);
    std::string written = textBetween(file, valueAt, item.end);
    errno = 0;
    long long value = strtoll(written.c_str(), nullptr, 10);
    if (errno == 0 && value >= INT32_MIN && value <= INT32_MAX) return std::to_string(item.count);
    return formatted("%s (more than a count can hold, %d at most, so the game reads it as %d)",
                     written.c_str(), INT32_MAX, item.count);
}
