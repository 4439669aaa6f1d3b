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

// A data file's text, read from the file as it is asked for, a block at a
// time, so that a file of any size costs one block. A line ends at "\n",
// "\r\n" or a lone "\r".
struct FileText {
    std::string path;
    long size = 0;
    mutable long blockStart = -1;
    mutable std::string block;   // the text from blockStart, and the character after it
    mutable long countedTo = 0;  // lines are counted up to here
    mutable int countedLine = 1;
};

struct TracedRead {
    bool opened = false;    // whether the loader could open the file
    bool accepted = false;  // the loader's own verdict
    std::vector<Item> items;
    FileText file;
};

enum Loader { LOAD_SCENE_LIST, LOAD_SCENE, LOAD_MODEL, LOAD_COLLISION };

// The loader run on the file with the trace given switched on and the log
// quiet; its verdict. A scene it accepts stays loaded.
bool runTraced(Loader loader, const std::string &path, SceneList *list, ReadTrace *trace);
Item itemOf(const TraceEntry &entry);

// The scene list; on acceptance the list is filled and the caller frees it.
TracedRead traceSceneList(const std::string &path, SceneList *list);
// The scene; on acceptance the scene stays loaded and the caller unloads it
// with unloadQuietly.
TracedRead traceScene(const std::string &path);
void unloadQuietly();
// The scene loaded again, untraced, after the checker has put it away;
// whether the game still accepts it.
bool reloadQuietly(const std::string &path);

// The same loader on a copy of the file whose count item is raised to the
// largest there is, which no file can meet: the items the game reads on
// through everything present. The copy is streamed from the file.
std::vector<Item> itemsWithCountRaised(Loader loader, const TracedRead &read, const Item &count);

// The list's entries after the counted ones, read on with the game's own
// entry reader from where the loader stopped: how many there are, how many
// name the same file as the closing scene, and the line of the first.
struct ListTail {
    int entries = 0;
    int closingAgain = 0;
    int firstLine = 0;
};
ListTail readListTail(const TracedRead &read, const std::string &closing);

// What a name leads to: its file's device and inode, so that "x.txt",
// "./x.txt" and a link to it are one; or the name itself when there is no
// such file.
std::string fileIdentity(const std::string &name);

FileText openText(const std::string &path);
long sizeOf(const FileText &file);
// The character at offset, or 0 outside the text.
char charAt(const FileText &file, long offset);
std::string textBetween(const FileText &file, long begin, long end);
int lineOf(const FileText &file, long offset);
// Where the line holding offset begins, and where it ends: its line break,
// or the end of the text.
long lineStart(const FileText &file, long offset);
long lineEnd(const FileText &file, long offset);
// The text of the line holding offset, without its line break.
std::string lineAt(const FileText &file, long offset);
bool isSpaceAt(const FileText &file, long offset);
// The first character at or after offset that is not white space.
long skipSpace(const FileText &file, long offset);
// The word that starts at offset, up to the next white space.
std::string wordAt(const FileText &file, long offset);
// Where an item's value begins: the first word after its label.
long valueStart(const FileText &file, const Item &item);
// The line of the first word at or after offset, as fscanf skips white space to it.
int itemLine(const FileText &file, long offset);
// Whether only white space is left where the item begins: the file ended before it.
bool atEndOfText(const FileText &file, const Item &item);
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
