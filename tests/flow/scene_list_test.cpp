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

ListRead readList(const std::string &text) {
    TempDir dir;
    dir.write("scenelist.txt", text);
    ListRead read;
    read.log = captureStdout([&] { read.ok = loadSceneList("scenelist.txt", &read.list); });
    return read;
}

const char *const invalidCount =
    "invalid first line, or number of scenes stated\nError in scene list file, scenelist.txt\n";
const char *const incomplete =
    "Not all scene entries valid\nError in scene list file, scenelist.txt\n";

TEST(SceneList, ReadsEveryEntryInOrder) {
    ListRead read = readList("scenes 3\nfirst one.txt\nsecond two.txt\nlast end.txt\n");
    ASSERT_EQ(read.ok, 1);
    EXPECT_EQ(read.log, "loading list of scenes...\n3 scenes\ndone loading scene list\n");
    ASSERT_EQ(read.list.sceneCount, 3);
    EXPECT_STREQ(read.list.sceneNames[0], "one.txt");
    EXPECT_STREQ(read.list.sceneNames[1], "two.txt");
    EXPECT_STREQ(read.list.sceneNames[2], "end.txt");
    freeSceneList(&read.list);
}

TEST(SceneList, LineLayoutDoesNotMatterAndSurplusIsIgnored) {
    ListRead read = readList("scenes\t2 a one.txt\n\n  b   two.txt c three.txt d four.txt junk");
    ASSERT_EQ(read.ok, 1);
    ASSERT_EQ(read.list.sceneCount, 2);
    EXPECT_STREQ(read.list.sceneNames[0], "one.txt");
    EXPECT_STREQ(read.list.sceneNames[1], "two.txt");
    freeSceneList(&read.list);
}

TEST(SceneList, MissingFileSaysSoAndNothingElse) {
    TempDir dir;
    SceneList list;
    std::string log = captureStdout([&] { EXPECT_EQ(loadSceneList("scenelist.txt", &list), 0); });
    EXPECT_EQ(log, "loading list of scenes...\nUnable to open scenelist.txt, exiting...\n");
}

TEST(SceneList, BadCountsAreRejectedAfterTheCountLine) {
    struct {
        const char *text;
        const char *countLine;
    } cases[] = {
        {"", "-1 scenes\n"},
        {"scenes\n", "-1 scenes\n"},
        {"scenes many\n", "-1 scenes\n"},
        {"scenes 0\nlevel a.txt\n", "0 scenes\n"},
        {"scenes -4\n", "-4 scenes\n"},
    };
    for (const auto &c : cases) {
        ListRead read = readList(c.text);
        EXPECT_EQ(read.ok, 0) << c.text;
        EXPECT_EQ(read.log, std::string("loading list of scenes...\n") + c.countLine + invalidCount)
            << c.text;
        EXPECT_EQ(read.list.sceneNames, nullptr);
    }
}

TEST(SceneList, TooFewEntriesReleaseTheList) {
    for (const char *text : {"scenes 3\na one.txt\nb two.txt\n", "scenes 2\na one.txt\nb\n"}) {
        ListRead read = readList(text);
        EXPECT_EQ(read.ok, 0) << text;
        EXPECT_EQ(read.log, std::string("loading list of scenes...\n") +
                                std::to_string(read.list.sceneCount) + " scenes\n" + incomplete);
        EXPECT_EQ(read.list.sceneNames, nullptr);
    }
}

TEST(SceneList, AHugeCountInAShortFileIsJustIncomplete) {
    ListRead read = readList("scenes 2000000000\na one.txt\n");
    EXPECT_EQ(read.ok, 0);
    EXPECT_EQ(read.log, "loading list of scenes...\n2000000000 scenes\n" + std::string(incomplete));
}

TEST(SceneList, OverlongWordsFailTheirEntryWithoutOverrun) {
    std::string longLabel(20, 'L');
    std::string longName(256, 'n');
    std::string fits(255, 'f');
    ListRead read = readList("scenes 1\n" + std::string(19, 'l') + " " + fits + "\n");
    ASSERT_EQ(read.ok, 1);
    EXPECT_EQ(std::string(read.list.sceneNames[0]), fits);
    freeSceneList(&read.list);

    for (const std::string &entry : {longLabel + " a.txt", "label " + longName}) {
        ListRead bad = readList("scenes 1\n" + entry + "\n");
        EXPECT_EQ(bad.ok, 0);
        EXPECT_EQ(bad.log, "loading list of scenes...\n1 scenes\n" + std::string(incomplete));
    }
    ListRead badFirst = readList(longLabel + " 1\nlevel a.txt\n");
    EXPECT_EQ(badFirst.ok, 0);
    EXPECT_EQ(badFirst.log, "loading list of scenes...\n-1 scenes\n" + std::string(invalidCount));
}

TEST(SceneList, AllocationFailureGivesOneLineAndFreesEverything) {
    // 0: the table fails; 1: the first name buffer; 2: the second one.
    for (int failAt = 0; failAt < 3; failAt++) {
        allocationFailCountdown = failAt;
        ListRead read = readList("scenes 2\na one.txt\nb two.txt\n");
        EXPECT_EQ(read.ok, 0) << failAt;
        EXPECT_EQ(read.log,
                  "loading list of scenes...\n2 scenes\nNot enough memory to read scenelist.txt\n");
        EXPECT_EQ(read.list.sceneNames, nullptr);
        EXPECT_EQ(allocationFailCountdown, -1);
    }
}

TEST(SceneList, FileIsClosedOnEveryPath) {
    int before = openDescriptorCount();
    for (const char *text : {"", "scenes 0\n", "scenes 2\na b\n", "scenes 1\na b\n"}) {
        ListRead read = readList(text);
        if (read.ok) freeSceneList(&read.list);
        EXPECT_EQ(openDescriptorCount(), before) << text;
    }
}

}  // namespace
