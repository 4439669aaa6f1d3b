#include <gtest/gtest.h>

#include <string>

#include "flow/memory.h"
#include "flow/scene_list.h"
#include "support/capture.h"
#include "support/temp_dir.h"

namespace {

struct ListRead {
    int ok;
    SceneList list;
    std::string log;
};

ListRead readList(const TempDir &dir, const std::string &text) {
    dir.write("scenelist.txt", text);
    ListRead read;
    read.log = captureStdout([&] { read.ok = loadSceneList("scenelist.txt", &read.list); });
    return read;
}

const std::string loading = "loading list of scenes...\n";
const std::string badList = "Error in scene list file, scenelist.txt\n";
const std::string badCount = "invalid first line, or number of scenes stated\n" + badList;
const std::string incomplete = "Not all scene entries valid\n" + badList;

TEST(SceneList, ReadsEntriesInOrderWhateverTheLayoutAndLabelLength) {
    TempDir dir;
    std::string name(255, 'n'), label(30, 'L');
    for (const std::string &text :
         {"scenes\t2 a one.txt\n\n  b   " + name + " c three.txt junk",
          label + " 2\n" + label + " one.txt\n" + label + " " + name + "\n"}) {
        ListRead read = readList(dir, text);
        ASSERT_EQ(read.ok, 1) << text;
        EXPECT_EQ(read.log, loading + "2 scenes\ndone loading scene list\n");
        EXPECT_EQ(read.list.sceneCount, 2);
        EXPECT_STREQ(read.list.sceneNames[0], "one.txt");
        EXPECT_EQ(read.list.sceneNames[1], name);
        freeSceneList(&read.list);
    }
}

TEST(SceneList, BadListsSayWhyAndKeepNothing) {
    TempDir dir;
    int descriptors = openDescriptorCount();
    const struct {
        std::string text, log;
    } cases[] = {
        {"", "-1 scenes\n" + badCount},
        {"scenes 0\nlevel a.txt\n", "0 scenes\n" + badCount},
        {"scenes -4\n", "-4 scenes\n" + badCount},
        {"scenes 3\na one.txt\nb two.txt\n", "3 scenes\n" + incomplete},
        {"scenes 2\na one.txt\nb\n", "2 scenes\n" + incomplete},
        {"scenes 1\nlabel " + std::string(256, 'n') + "\n", "1 scenes\n" + incomplete},
        {"scenes 2000000000\na one.txt\n", "2000000000 scenes\n" + incomplete},
    };
    for (const auto &c : cases) {
        ListRead read = readList(dir, c.text);
        EXPECT_EQ(read.ok, 0) << c.text;
        EXPECT_EQ(read.log, loading + c.log) << c.text;
        EXPECT_EQ(read.list.sceneNames, nullptr);
        EXPECT_EQ(openDescriptorCount(), descriptors) << c.text;
        freeSceneList(&read.list);  // and freeing what was refused is harmless
    }
}

TEST(SceneList, AllocationFailureGivesOneLineAndFreesEverything) {
    TempDir dir;
    // 0: the table fails; 1: the first name buffer; 2: the second one.
    int descriptors = openDescriptorCount();
    for (int failAt = 0; failAt < 3; failAt++) {
        allocationFailCountdown = failAt;
        ListRead read = readList(dir, "scenes 2\na one.txt\nb two.txt\n");
        EXPECT_EQ(read.ok, 0) << failAt;
        EXPECT_EQ(read.log, loading + "2 scenes\nNot enough memory to read scenelist.txt\n");
        EXPECT_EQ(read.list.sceneNames, nullptr);
        EXPECT_EQ(openDescriptorCount(), descriptors) << failAt;
    }
}

}  // namespace
