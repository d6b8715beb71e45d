// The system's file and process services as the journal, KIRVA.INI and import use them, the same on Linux and
// Windows, and the per-thread objects that end with their threads.
#include "platform/system_files.h"

#include <gtest/gtest.h>

#include <atomic>
#include <cerrno>
#include <filesystem>
#include <set>
#include <string>
#include <thread>
#include <vector>

#include "platform/thread_slot.h"
#include "tests/support/test_folder.h"

namespace kirva::platform {
namespace {

using kirva::testing::readFile;
using kirva::testing::TestFolder;
using kirva::testing::writeFile;

std::string makeFile(const std::string& path, std::string_view bytes) {
    int error = 0;
    const int fd = createNewFile(path, error);
    EXPECT_GE(fd, 0) << path << ": " << systemErrorText(error);
    if (fd < 0) return path;
    EXPECT_EQ(writeWhole(fd, bytes.data(), bytes.size()), 0);
    EXPECT_EQ(syncFile(fd), 0);
    EXPECT_EQ(closeFile(fd), 0);
    return path;
}

// Names as users give them: Slovenian letters, blanks, a name with no extension.
class Names : public ::testing::TestWithParam<const char*> {};

TEST_P(Names, ANewFileIsMadeInBinaryModeFoundByItsNameAndReplacedInOneStep) {
    TestFolder folder;
    const std::string name = GetParam();
    const std::string path = utf8Of(folder.path() / pathOf(name));
    // "\n" stays one byte: no text mode on any system.
    makeFile(path, "line\nnext\r\n");
    EXPECT_EQ(readFile(pathOf(path)), "line\nnext\r\n");
    EXPECT_EQ(folder.names().count(utf8Of(pathOf(name))), 1u);

    int error = 0;
    EXPECT_EQ(createNewFile(path, error), -1) << "an existing name is never taken over";
    EXPECT_EQ(error, EEXIST);

    const FileStatus status = fileStatus(path);
    EXPECT_EQ(status.error, 0);
    EXPECT_TRUE(status.regular);
    EXPECT_FALSE(status.readOnly);
    EXPECT_EQ(status.size, 11u);

    const std::string next = makeFile(path + ".new", "new");
    ASSERT_EQ(replaceFile(next, path), 0);
    EXPECT_EQ(readFile(pathOf(path)), "new");
    EXPECT_FALSE(pathExists(next));

    EXPECT_EQ(removeFile(path), 0);
    EXPECT_FALSE(pathExists(path));
    EXPECT_EQ(removeFile(path), 0) << "a missing file is no error";
}

INSTANTIATE_TEST_SUITE_P(SystemFiles, Names,
                         ::testing::Values("KIRVA.INI", "Računi.xml", "ŠĆŽ čćž đ", "DEMO 2600179-2600077 2026129.XML"));

TEST(SystemFiles, RenameIfAbsentLeavesAFileThatIsThereAlone) {
    TestFolder folder;
    const std::string there = makeFile(folder / "SFENPA.DB", "someone else's");
    const std::string mine = makeFile(folder / "SFENPA.DB.import-1-0", "mine");
    EXPECT_EQ(renameIfAbsent(mine, there), EEXIST);
    EXPECT_EQ(readFile(pathOf(there)), "someone else's");
    EXPECT_EQ(readFile(pathOf(mine)), "mine");
    EXPECT_EQ(renameIfAbsent(mine, folder / "SFPARTN.DB"), 0);
    EXPECT_EQ(readFile(pathOf(folder / "SFPARTN.DB")), "mine");
    EXPECT_FALSE(pathExists(mine));
}

TEST(SystemFiles, WhatTheSystemSaysOfMissingFilesAndFolders) {
    TestFolder folder;
    EXPECT_EQ(fileStatus(folder / "missing").error, ENOENT);
    EXPECT_FALSE(pathExists(folder / "missing"));
    EXPECT_NE(replaceFile(folder / "missing", folder / "other"), 0);
    const FileStatus self = fileStatus(folder.path().string());
    EXPECT_EQ(self.error, 0);
    EXPECT_FALSE(self.regular);
    EXPECT_TRUE(mayWrite(folder.path().string()));
}

TEST(SystemFiles, ThisProcessRunsAndHasAName) {
    EXPECT_TRUE(processRunning(currentProcessId()));
    EXPECT_FALSE(hostName().empty());
    // Every separator the system accepts ends a folder name; the native one among them.
    EXPECT_NE(kPathSeparators.find('/'), std::string_view::npos);
    EXPECT_NE(kPathSeparators.find(kNativeSeparator), std::string_view::npos);
}

// ---- Objects of one thread ----------------------------------------------------------------------------

struct Counted {
    static inline std::atomic<int> alive{0};
    Counted() { ++alive; }
    ~Counted() { --alive; }
    Counted(const Counted&) = delete;
    Counted& operator=(const Counted&) = delete;
    int value = 0;
};

TEST(ThreadSlot, EachThreadHasItsOwnObjectAndItEndsWithTheThread) {
    ThreadSlot<Counted> slot;
    slot.get().value = 7;
    const int before = Counted::alive;
    std::vector<std::thread> threads;
    std::vector<int> seen(3, -1);
    for (int i = 0; i < 3; ++i) {
        threads.emplace_back([&slot, &seen, i] {
            seen[static_cast<std::size_t>(i)] = slot.get().value;  // a fresh object, not the main thread's
            slot.get().value = i + 100;
        });
    }
    for (auto& thread : threads) thread.join();
    EXPECT_EQ(seen, (std::vector<int>{0, 0, 0}));
    EXPECT_EQ(Counted::alive, before) << "every thread's object was destroyed when the thread ended";
    EXPECT_EQ(slot.get().value, 7);
    slot.reset();
    EXPECT_EQ(slot.find(), nullptr);
    EXPECT_EQ(Counted::alive, before - 1);
}

TEST(ThreadSlot, AThreadThatNeverAsksHasNoObject) {
    ThreadSlot<Counted> slot;
    std::thread([&slot] { EXPECT_EQ(slot.find(), nullptr); }).join();
    EXPECT_EQ(slot.find(), nullptr);
}

}  // namespace
}  // namespace kirva::platform
