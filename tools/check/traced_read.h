// Reading through the game: each file is given to the game's own loader with
// the line readers' trace switched on and the game's log kept quiet. The
// loader decides whether the file is accepted; the trace tells where each
// item began and where reading it stopped, and the file's text maps those
// positions to lines.
#pragma once

#include <string>
#include <vector>

#include "flow/scene_list.h"
#include "scene/line_reader.h"

// One item the loader read from the file, in reading order.
struct Item {
    TraceKind kind;
    bool good;
    ItemId id;        // which item of its format the loader read
    long start, end;  // where reading it began and where it stopped
    float value[3];   // a vector's, a colour's or a float line's numbers
    int32_t count;    // an integer line's value
    // For a name line the loader went on to open: whether the file opened.
    enum { NOTHING_OPENED, OPENED, NOT_OPENED } opened;
};

// A data file's text, and where its lines begin: a line ends at "\n",
// "\r\n" or a lone "\r".
struct FileText {
    std::string text;
    std::vector<long> lineStarts;
};

struct TracedRead {
    bool opened = false;    // whether the loader could open the file
    bool accepted = false;  // the loader's own verdict
    std::vector<Item> items;
    FileText file;
};

// The scene list; on acceptance the list is filled and the caller frees it.
TracedRead traceSceneList(const std::string &path, SceneList *list);
// The scene; on acceptance the scene stays loaded and the caller unloads it
// with unloadQuietly.
TracedRead traceScene(const std::string &path);
void unloadQuietly();
// The scene loaded again, untraced, after the checker has put it away;
// whether the game still accepts it.
bool reloadQuietly(const std::string &path);
TracedRead traceModel(const std::string &path);
TracedRead traceCollisionFile(const std::string &path);

// The same loaders on a text given in memory, read as a file: what the game
// would make of a copy of a file with its count raised past any it can meet.
TracedRead traceSceneText(const std::string &text);
TracedRead traceSceneListText(const std::string &text);

long sizeOf(const FileText &file);
int lineOf(const FileText &file, long offset);
// Where the line holding offset ends: its line break, or the end of the text.
long lineEnd(const FileText &file, long offset);
// The text of a line (from lineOf) without its line break.
std::string lineText(const FileText &file, int line);
bool isSpaceAt(const FileText &file, long offset);
// The first character at or after offset that is not white space.
long skipSpace(const FileText &file, long offset);
// The word that starts at offset, up to the next white space.
std::string wordAt(const FileText &file, long offset);
// Where an item's value begins: the first word after its label.
long valueStart(const FileText &file, const Item &item);
// The line of the first word at or after offset, as fscanf skips white space to it.
int itemLine(const FileText &file, long offset);
// An item in the words a level maker would use: "ball radius", "vertex".
const char *itemWords(ItemId id);
// The indexes of the items of that identity, in reading order.
std::vector<int> itemsOf(const std::vector<Item> &items, ItemId id);
// The first item of that identity. An accepted file holds every item its
// loader reads (a test holds the loaders to that); any other gets a blank
// item at the file's start.
const Item &firstItem(const std::vector<Item> &items, ItemId id);
// The name a name line read: the word that ends where reading stopped.
std::string nameOf(const FileText &file, const Item &item);
