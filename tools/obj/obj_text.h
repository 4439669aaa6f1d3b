// The text side of OBJ and MTL files: opening them as the game opens its data
// files, reading them a statement at a time, reading their numbers, and
// quoting their bytes in messages.
#pragma once

#include <sys/types.h>

#include <cstdio>
#include <string>

#include "common/formatted.h"

// No statement of either format comes near this length; a file without line
// breaks must not fill the memory before it is refused.
const size_t LONGEST_STATEMENT = 1 << 20;

// Opens a file for reading, regular files only and without blocking, as the
// game's loaders do. Null when it cannot, with *why saying why ("it is a
// folder, not a file" or the system's reason).
FILE *openTextFile(const std::string &path, std::string *why);

// "it is a folder, not a file" (or FIFO, device, socket) for what is not a regular file.
std::string notAFile(mode_t mode);

// The path up to and with its last slash, or "" when it has none.
std::string folderOf(const std::string &path);

struct TextReader {
    FILE *file;
    int nextLine;  // number of the next line to read, from 1
};

enum StatementStatus { STATEMENT_READ, STATEMENT_END, STATEMENT_TOO_LONG, STATEMENT_READ_ERROR };

// The next statement into *text and the number of the line it starts on:
// a line, without its line break, joined to the lines after it while it ends
// in a backslash. A comment line (starting with #) never continues. A UTF-8
// byte-order mark before the first line is skipped.
StatementStatus readStatement(TextReader *reader, std::string *text, int *line);

// Whether the word is a number as OBJ writes them: decimal (sign, digits,
// point, exponent), so not "0x10", "inf" or "nan".
bool isDecimal(const char *word);
// Reads such a number; false when the word is none or too large for a double.
bool readDecimal(const char *word, double *value);

// The text with bytes that do not show on a terminal written \xHH: control
// characters and bytes that are not part of well-formed UTF-8.
std::string showable(const std::string &text);

// "PATH:LINE: SEVERITY: TEXT" ("PATH: SEVERITY: TEXT" for line 0), shown as
// showable() does.
std::string located(const std::string &path, int line, const char *severity,
                    const std::string &text);
