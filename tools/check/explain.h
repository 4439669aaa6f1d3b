// Why the game could not read an item, in words that say what to change: the
// line-aware text analysis behind the checker's reading errors. The game's
// loaders decide what failed and where; this only looks at the words there.
#pragma once

#include <string>
#include <vector>

#include "check/traced_read.h"

struct Finding {
    int line;
    std::string text;
};

// The search for the first place where the words began to be read out of
// step, an item at a time, so that a file is searched once however often it
// is asked about.
struct StepSearch {
    size_t next = 0;     // the item to look at next
    bool over = false;   // the words went out of step, or the text ended
    bool found = false;  // the words went out of step, and finding says where and why
    Finding finding;
};
// Looks at one more item, the one read after before (null for the first).
void searchItem(const FileText &file, const Item *before, const Item &item, StepSearch *search);
// The first place, up to the item at last, where the words began to be read
// out of step: a number cut short, a label word that is a value, a comment,
// a word left over after a value, a NUL byte. False when the reading kept in
// step. The search given goes on from where it stopped.
bool findOutOfStep(const FileText &file, const std::vector<Item> &items, size_t last,
                   Finding *finding, StepSearch *search);
bool findOutOfStep(const FileText &file, const std::vector<Item> &items, size_t last,
                   Finding *finding);
// Why a reading error happened at this item: the first place the words went
// out of step before it, or what is wrong with the item's own words.
Finding explainFailure(const FileText &file, const std::vector<Item> &items, size_t failed);
// What is wrong with the item's own words.
Finding explainItem(const FileText &file, const Item &item);
// Why the file a good name line named could not be opened: the first place
// the words went out of step before it, or what is wrong with its name.
Finding explainUnopened(const FileText &file, const std::vector<Item> &items, size_t nameItem);
Finding whyUnopened(const FileText &file, const Item &item);
// The integer line's number as written, with what the game makes of one too
// large for it: "99999999999 (more than 2147483647, so the game reads
// 1215752191)".
std::string countText(const FileText &file, const Item &item);
// Whether a name names anything but a regular file, and which.
const char *notAFile(const std::string &name);
