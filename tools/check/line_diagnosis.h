// Why a line of a data file does not read as the game reads it, in words
// that say what to change: the text analysis behind the replay's errors.
#pragma once

#include <string>

enum ItemKind { ITEM_VECTOR, ITEM_COLOUR, ITEM_FLOAT, ITEM_INTEGER, ITEM_NAME };

// Why a line that should hold an item of this kind cannot be read.
std::string whyItemFails(const std::string &line, ItemKind kind);
// What text left unread after an item, rest, does to the item after it.
std::string whyLeftover(const std::string &rest);

std::string trimmed(const std::string &text);
int wordCount(const std::string &text);
