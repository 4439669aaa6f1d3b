#include "check/line_diagnosis.h"

#include <cctype>
#include <cmath>
#include <cstdio>
#include <cstdlib>

#include "check/diagnostics.h"
#include "scene/line_reader.h"

std::string trimmed(const std::string &text) {
    size_t first = text.find_first_not_of(" \t\r\n\f\v");
    if (first == std::string::npos) return "";
    size_t last = text.find_last_not_of(" \t\r\n\f\v");
    return text.substr(first, last - first + 1);
}

static bool isNumber(const std::string &word) {
    if (word.empty()) return false;
    char *end = nullptr;
    strtod(word.c_str(), &end);
    return end && *end == '\0';
}

// Which of the bracketed numbers is not a number, or a plain description.
static std::string badComponent(const std::string &inside) {
    size_t from = 0;
    for (int index = 0; index < 3; index++) {
        size_t comma = inside.find(',', from);
        std::string part = trimmed(
            inside.substr(from, comma == std::string::npos ? std::string::npos : comma - from));
        if (!isNumber(part)) return format("'%s' is not a number", part.c_str());
        if (comma == std::string::npos)
            return index < 2 ? "three numbers are needed, separated by ', '" : "";
        from = comma + 1;
    }
    return "";
}

// Model colours from 0-1 decimals to the whole numbers the format wants.
static std::string wholeColour(const std::string &inside) {
    float r = 0, g = 0, b = 0;
    if (sscanf(inside.c_str(), "%f ,%f ,%f", &r, &g, &b) != 3)
        return "whole numbers 0-255, such as [200, 160, 100]";
    return format("[%d, %d, %d]", static_cast<int>(lroundf(r <= 1 ? r * 255 : r)),
                  static_cast<int>(lroundf(g <= 1 ? g * 255 : g)),
                  static_cast<int>(lroundf(b <= 1 ? b * 255 : b)));
}

static std::string whyBracketLine(const std::string &content, ItemKind kind) {
    std::string label = content.substr(0, content.find_first_of(" \t"));
    std::string rest = trimmed(content.substr(label.size()));
    if (content[0] == '[' || content[0] == '(')
        return "the line has no label: write a label word, a space, then [x, y, z]";
    if (label.find('[') != std::string::npos)
        return "there is no space between the label and '[': write '" +
               label.substr(0, label.find('[')) + " ['";
    if (label.find('(') != std::string::npos || (!rest.empty() && rest[0] == '('))
        return "write the numbers in brackets [x, y, z], not parentheses";
    if (rest.empty() || rest[0] != '[') return "expected '[' after the label";
    if (rest.find(" ,") != std::string::npos || rest.find("\t,") != std::string::npos)
        return "remove the space before ',': the game stops reading the line there";
    std::string inside = rest.substr(
        1, rest.find(']') == std::string::npos ? std::string::npos : rest.find(']') - 1);
    if (kind == ITEM_COLOUR && inside.find('.') != std::string::npos)
        return "model colours are whole numbers 0-255: write " + wholeColour(inside);
    std::string bad = badComponent(inside);
    if (!bad.empty()) return bad;
    return "expected 'label [x, y, z]'";
}

static std::string whyWordLine(const std::string &content, ItemKind kind) {
    std::string label = content.substr(0, content.find_first_of(" \t"));
    std::string rest = trimmed(content.substr(label.size()));
    if (rest.empty())
        return isNumber(label) ? "the line has no label: write a label word before the value"
                               : "a label and a value are needed on this line";
    std::string value = rest.substr(0, rest.find_first_of(" \t"));
    if (kind == ITEM_NAME) {
        if (value.size() > FILE_NAME_MAX) return "file names may have at most 255 characters";
        return "expected 'label file-name'";
    }
    if (!isNumber(value)) return format("'%s' is not a number", value.c_str());
    return "expected 'label number'";
}

// What the text left unread after an item does to the item after it.
std::string whyLeftover(const std::string &rest) {
    if (rest[0] == ']')
        return "a space before ']' leaves ' ]' unread, which spoils the next line: remove the "
               "space";
    if (rest[0] == '.')
        return format("a count is a whole number: '%s' is left unread and spoils the next line",
                      rest.c_str());
    return format("'%s' is left unread after the value and spoils the next line: remove it",
                  rest.c_str());
}

int wordCount(const std::string &text) {
    int count = 0;
    bool inWord = false;
    for (char c : text) {
        bool space = isspace(static_cast<unsigned char>(c));
        count += !space && !inWord;
        inWord = !space;
    }
    return count;
}

std::string whyItemFails(const std::string &content, ItemKind kind) {
    return kind == ITEM_VECTOR || kind == ITEM_COLOUR ? whyBracketLine(content, kind)
                                                      : whyWordLine(content, kind);
}
