#include "obj/obj_text.h"

#include <sys/stat.h>

#include <cerrno>
#include <cmath>
#include <cstdlib>
#include <cstring>

#include "scene/line_reader.h"

namespace {
const char *fileKind(mode_t mode) {
    if (S_ISDIR(mode)) return "folder";
    if (S_ISFIFO(mode)) return "FIFO";
    if (S_ISCHR(mode) || S_ISBLK(mode)) return "device";
    return "socket";
}
}  // namespace

std::string notAFile(mode_t mode) {
    return std::string("it is a ") + fileKind(mode) + ", not a file";
}

std::string folderOf(const std::string &path) {
    size_t slash = path.rfind('/');
    return slash == std::string::npos ? "" : path.substr(0, slash + 1);
}

FILE *openTextFile(const std::string &path, std::string *why) {
    errno = 0;
    FILE *file = openDataFile(path.c_str());
    if (file) return file;
    int cause = errno;
    // openDataFile decides; this only tells the reader why it said no.
    struct stat status;
    if (stat(path.c_str(), &status) == 0 && !S_ISREG(status.st_mode))
        *why = notAFile(status.st_mode);
    else
        *why = strerror(cause ? cause : EIO);
    return nullptr;
}

namespace {

enum LineStatus { LINE_READ, LINE_END, LINE_TOO_LONG, LINE_READ_ERROR };

// Appends one line, without its line break, to *text, which may grow to
// LONGEST_STATEMENT characters.
LineStatus appendLine(FILE *file, std::string *text) {
    size_t start = text->size();
    for (int c; (c = getc_unlocked(file)) != EOF;) {
        if (c == '\n') return LINE_READ;
        if (text->size() == LONGEST_STATEMENT) return LINE_TOO_LONG;
        text->push_back(static_cast<char>(c));
    }
    if (ferror(file)) return LINE_READ_ERROR;
    return text->size() > start ? LINE_READ : LINE_END;
}

void skipByteOrderMark(std::string *text) {
    if (text->compare(0, 3, "\xEF\xBB\xBF") == 0) text->erase(0, 3);
}

bool isComment(const std::string &text, size_t from) {
    size_t first = text.find_first_not_of(" \t\r\v\f", from);
    return first != std::string::npos && text[first] == '#';
}

// Removes a final backslash (and the white space after it) and says whether
// there was one.
bool takeContinuation(std::string *text, size_t from) {
    size_t last = text->find_last_not_of(" \t\r\v\f");
    if (last == std::string::npos || last < from || (*text)[last] != '\\' || isComment(*text, from))
        return false;
    text->erase(last);
    return true;
}

}  // namespace

StatementStatus readStatement(TextReader *reader, std::string *text, int *line) {
    text->clear();
    *line = reader->nextLine;
    for (;;) {
        size_t start = text->size();
        LineStatus status = appendLine(reader->file, text);
        if (status == LINE_TOO_LONG) return STATEMENT_TOO_LONG;
        if (status == LINE_READ_ERROR) return STATEMENT_READ_ERROR;
        if (status == LINE_END) return reader->nextLine > *line ? STATEMENT_READ : STATEMENT_END;
        if (reader->nextLine++ == 1) skipByteOrderMark(text);
        if (!takeContinuation(text, start)) return STATEMENT_READ;
        text->push_back(' ');
    }
}

bool isDecimal(const char *word) {
    const char *p = word;
    if (*p == '+' || *p == '-') p++;
    size_t digits = strspn(p, "0123456789");
    p += digits;
    if (*p == '.') {
        size_t fraction = strspn(p + 1, "0123456789");
        digits += fraction;
        p += 1 + fraction;
    }
    if (digits == 0) return false;
    if (*p == 'e' || *p == 'E') {
        p++;
        if (*p == '+' || *p == '-') p++;
        size_t exponent = strspn(p, "0123456789");
        if (exponent == 0) return false;
        p += exponent;
    }
    return *p == '\0';
}

bool readDecimal(const char *word, double *value) {
    if (!isDecimal(word)) return false;
    // A number too small for a double reads as 0; one too large is refused.
    *value = strtod(word, nullptr);
    return std::isfinite(*value);
}

namespace {

// The length of the well-formed UTF-8 sequence of a printable character
// (U+00A0 and above) at text[i], or 0.
size_t printableSequence(const std::string &text, size_t i) {
    unsigned char lead = text[i];
    size_t length = lead >= 0xF0 ? 4 : lead >= 0xE0 ? 3 : lead >= 0xC0 ? 2 : 0;
    if (length == 0 || lead > 0xF4 || i + length > text.size()) return 0;
    unsigned long code = lead & (0x7F >> length);
    for (size_t k = 1; k < length; k++) {
        unsigned char next = text[i + k];
        if ((next & 0xC0) != 0x80) return 0;
        code = code << 6 | (next & 0x3F);
    }
    const unsigned long shortest[5] = {0, 0, 0xA0, 0x800, 0x10000};
    bool surrogate = code >= 0xD800 && code <= 0xDFFF;
    return code >= shortest[length] && code <= 0x10FFFF && !surrogate ? length : 0;
}

}  // namespace

std::string showable(const std::string &text) {
    std::string shown;
    for (size_t i = 0; i < text.size();) {
        unsigned char c = text[i];
        size_t length = c >= 0x20 && c < 0x7F ? 1 : printableSequence(text, i);
        if (length > 0) {
            shown.append(text, i, length);
            i += length;
        } else {
            char escaped[5];
            snprintf(escaped, sizeof escaped, "\\x%02x", c);
            shown += escaped;
            i++;
        }
    }
    return shown;
}

std::string located(const std::string &path, int line, const char *severity,
                    const std::string &text) {
    std::string where = line > 0 ? path + ":" + std::to_string(line) : path;
    return showable(where + ": " + severity + ": " + text);
}
