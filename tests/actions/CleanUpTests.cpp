// Removing extracted files: the order of the folder walk, the deferred
// folder removal, what stays behind, and links that must not be followed.
#include <gtest/gtest.h>
#include <windows.h>

#include <algorithm>
#include <string>
#include <vector>

#include "ActionsTestTools.h"
#include "actions/uCleanUp.h"
#include "oxPackages.h"
#include "services/uLog.h"

namespace {

std::vector<std::string> Visited;
size_t StopAt = 0;  // 1-based call that answers false; 0 never

// The tests' paths are ASCII: each wide character is one byte.
std::string Narrow(const std::wstring &wide)
{
    return std::string(wide.begin(), wide.end());
}

std::wstring W(const std::string &narrow)
{
    return std::wstring(narrow.begin(), narrow.end());
}

bool RecordEntry(const wchar_t *path, void *)
{
    Visited.push_back(Narrow(path));
    return Visited.size() != StopAt;
}

// The clean-up callback, recording the path and whether the previous
// folder handed over was still there when the next call came.
bool RecordAndRemove(const wchar_t *path, void *pendingFolder)
{
    Visited.push_back(Narrow(path));
    return RemoveFoundEntry(path, pendingFolder);
}

bool Exists(const std::string &path)
{
    return GetFileAttributesA(path.c_str()) != INVALID_FILE_ATTRIBUTES;
}

// The names of a folder's entries in the order the file system gives them.
std::vector<std::string> EnumerationOrder(const std::string &folder)
{
    std::vector<std::string> names;
    WIN32_FIND_DATAA entry;
    HANDLE search = FindFirstFileA((folder + "*.*").c_str(), &entry);
    if (search == INVALID_HANDLE_VALUE)
        return names;
    do {
        std::string name = entry.cFileName;
        if (name != "." && name != "..")
            names.push_back(name);
    } while (FindNextFileA(search, &entry));
    FindClose(search);
    return names;
}

class CleanUp : public ::testing::Test {
protected:
    void SetUp() override
    {
        root = NewTestFolder("actions");
        ASSERT_FALSE(root.empty());
        work = root + "qbxr_installer1\\";
        ASSERT_TRUE(CreateDirectoryA(work.c_str(), nullptr));
        Visited.clear();
        StopAt = 0;
    }
    void TearDown() override { RemoveTestFolder(root); }
    void File(const std::string &relative) { ASSERT_TRUE(WriteWholeFile(work + relative, "x")); }
    void Folder(const std::string &relative)
    {
        ASSERT_TRUE(CreateDirectoryA((work + relative).c_str(), nullptr));
    }
    std::string root, work;
};

using WalkFolderOrder = CleanUp;
using RemoveFoundEntryTests = CleanUp;
using LinkedFolders = CleanUp;

} // namespace

TEST_F(WalkFolderOrder, EntriesComeBeforeTheirFolderInEnumerationOrder)
{
    File("first.txt");
    Folder("sub");
    File("sub\\inner.txt");
    File("second.txt");

    ASSERT_TRUE(WalkFolder(W(work).c_str(), L"*.*", true, RecordEntry, nullptr));

    std::vector<std::string> expected;
    for (const std::string &name : EnumerationOrder(work)) {
        if (name == "sub") {
            expected.push_back(work + "sub\\inner.txt");
            expected.push_back(work + "sub\\");
        } else {
            expected.push_back(work + name);
        }
    }
    expected.push_back(work);
    EXPECT_EQ(expected, Visited);
}

TEST_F(WalkFolderOrder, EmptyMissingAndDottedFolders)
{
    ASSERT_TRUE(WalkFolder(W(work).c_str(), L"*.*", true, RecordEntry, nullptr));
    EXPECT_EQ(std::vector<std::string>{work}, Visited);

    Visited.clear();
    EXPECT_FALSE(WalkFolder(W(root + "missing\\").c_str(), L"*.*", true, RecordEntry, nullptr));
    EXPECT_FALSE(WalkFolder(W(root + "missing").c_str(), L"*.*", true, RecordEntry, nullptr));
    EXPECT_TRUE(Visited.empty());

    // Only the exact names "." and ".." are passed over.
    Visited.clear();
    File(".config");
    Folder("..data");
    File("..data\\.x");
    ASSERT_TRUE(WalkFolder(W(work).c_str(), L"*.*", true, RecordEntry, nullptr));
    std::vector<std::string> sorted = Visited;
    std::sort(sorted.begin(), sorted.end());
    EXPECT_EQ((std::vector<std::string>{work, work + "..data\\", work + "..data\\.x", work + ".config"}),
              sorted);
}

TEST_F(WalkFolderOrder, WithoutRecursionSubfoldersArePlainEntries)
{
    Folder("sub");
    File("sub\\inner.txt");
    File("file.txt");
    // The folder is given without its backslash; entries still get one.
    ASSERT_TRUE(WalkFolder(W(work.substr(0, work.size() - 1)).c_str(), L"*.*", false, RecordEntry, nullptr));
    std::vector<std::string> sorted(Visited.begin(), Visited.end() - 1);
    std::sort(sorted.begin(), sorted.end());
    EXPECT_EQ((std::vector<std::string>{work + "file.txt", work + "sub"}), sorted);
    EXPECT_EQ(work, Visited.back());
}

TEST_F(WalkFolderOrder, MaskSelectsEntriesAndOnlyAFolderNamedLikeIt)
{
    File("a.txt");
    File("b.dat");
    Folder("sub.txt");
    File("sub.txt\\c.txt");
    File("sub.txt\\d.dat");
    ASSERT_TRUE(WalkFolder(W(work).c_str(), L"*.txt", true, RecordEntry, nullptr));
    std::sort(Visited.begin(), Visited.end());
    // Folder form has no name part, so no walked folder is handed over.
    EXPECT_EQ((std::vector<std::string>{work + "a.txt", work + "sub.txt\\c.txt"}), Visited);

    // A top folder given without its backslash whose name is the mask is
    // (after its entries, when its search finds any).
    Visited.clear();
    File("sub.txt\\sub.txt");
    ASSERT_TRUE(WalkFolder(W(work + "sub.txt").c_str(), L"sub.txt", true, RecordEntry, nullptr));
    EXPECT_EQ((std::vector<std::string>{work + "sub.txt\\sub.txt", work + "sub.txt\\"}), Visited);
}

TEST_F(WalkFolderOrder, CallbackAnsweringFalseStopsEveryEnclosingWalk)
{
    Folder("a");
    Folder("a\\b");
    File("a\\b\\deep.txt");
    File("a\\b\\deeper.txt");
    File("top.txt");
    StopAt = 1;
    EXPECT_FALSE(WalkFolder(W(work).c_str(), L"*.*", true, RecordEntry, nullptr));
    EXPECT_EQ(1u, Visited.size());

    // Stopping deep inside: nothing after the refused entry is visited.
    Visited.clear();
    StopAt = 0;
    ASSERT_TRUE(WalkFolder(W(work).c_str(), L"*.*", true, RecordEntry, nullptr));
    const std::vector<std::string> all = Visited;
    const size_t deep = std::find(all.begin(), all.end(), work + "a\\b\\deep.txt") - all.begin();
    ASSERT_LT(deep, all.size());
    Visited.clear();
    StopAt = deep + 1;
    EXPECT_FALSE(WalkFolder(W(work).c_str(), L"*.*", true, RecordEntry, nullptr));
    EXPECT_EQ(std::vector<std::string>(all.begin(), all.begin() + deep + 1), Visited);
}

TEST_F(RemoveFoundEntryTests, FolderIsRemovedAtTheNextCall)
{
    std::wstring pending(PendingFolderRoom, L'\0');
    Folder("sub");
    File("file.txt");
    EXPECT_TRUE(RemoveFoundEntry(W(work + "sub\\").c_str(), &pending[0]));
    EXPECT_TRUE(Exists(work + "sub"));
    EXPECT_TRUE(RemoveFoundEntry(W(work + "file.txt").c_str(), &pending[0]));
    EXPECT_FALSE(Exists(work + "sub"));
    EXPECT_FALSE(Exists(work + "file.txt"));
    EXPECT_TRUE(RemoveFoundEntry(W(work).c_str(), &pending[0]));
    EXPECT_TRUE(Exists(work));
    // A path that is not there is passed over, and the pending folder goes.
    EXPECT_TRUE(RemoveFoundEntry(W(work + "nothing.txt").c_str(), &pending[0]));
    EXPECT_FALSE(Exists(work));
}

TEST_F(RemoveFoundEntryTests, WholeTreeGoesThreeFoldersDeep)
{
    File("top.txt");
    Folder("one");
    Folder("one\\two");
    Folder("one\\two\\three");
    File("one\\two\\three\\.config");
    File("one\\two\\file.bin");
    Folder("empty");
    SetFileAttributesA((work + "one\\two\\file.bin").c_str(), FILE_ATTRIBUTE_HIDDEN);

    RemoveWorkFolder(work);
    EXPECT_FALSE(Exists(work));

    // The last folder of a walk is left pending for the caller.
    std::wstring pending(PendingFolderRoom, L'\0');
    ASSERT_TRUE(CreateDirectoryA(work.c_str(), nullptr));
    Folder("a");
    WalkFolder(W(work).c_str(), L"*.*", true, RecordAndRemove, &pending[0]);
    EXPECT_FALSE(Exists(work + "a"));
    EXPECT_TRUE(Exists(work));
    EXPECT_EQ(work, Visited.back());
}

// A read-only file goes; one another process holds open stays, with the
// folders above it, and the log names each path that stayed.
TEST_F(RemoveFoundEntryTests, ReadOnlyFileGoesAndWhatStaysIsLogged)
{
    Folder("keep");
    Folder("keep\\deeper");
    File("keep\\deeper\\locked.txt");
    File("keep\\loose.txt");
    Folder("gone");
    File("gone\\readonly.txt");
    File("top.txt");
    ASSERT_TRUE(SetFileAttributesA((work + "gone\\readonly.txt").c_str(), FILE_ATTRIBUTE_READONLY));
    const std::string held = work + "keep\\deeper\\locked.txt", log = root + "clean-up.log";
    HANDLE file = CreateFileA(held.c_str(), GENERIC_READ, 0, nullptr, OPEN_EXISTING, 0, nullptr);
    ASSERT_NE(INVALID_HANDLE_VALUE, file);

    ASSERT_TRUE(OpenLog(log));
    RemoveWorkFolder(work);
    LogEnd(0);
    EXPECT_TRUE(Exists(held));
    EXPECT_FALSE(Exists(work + "keep\\loose.txt"));
    EXPECT_FALSE(Exists(work + "gone"));
    EXPECT_FALSE(Exists(work + "top.txt"));
    const std::string logged = ReadWholeFile(log);
    for (const std::string &kept : {held, work + "keep\\deeper\\", work + "keep\\", work})
        EXPECT_NE(std::string::npos, logged.find("clean-up: kept: " + kept + "\r\n")) << kept << "\n" << logged;

    CloseHandle(file);
    RemoveWorkFolder(work);
    EXPECT_FALSE(Exists(work));
}

// A folder deeper than the narrow calls reach stopped nothing else; the
// wide calls reach it too (Wine's take such paths), and it goes as well.
TEST_F(RemoveFoundEntryTests, FolderThatCannotBeSearchedStopsNothingElse)
{
    for (int i = 0; i < 20; ++i)
        File("file" + std::to_string(i) + ".txt");
    const std::wstring deep = std::wstring(work.begin(), work.end()) + L"deep";
    const std::wstring deeper = deep + L"\\" + std::wstring(250, L'd');
    ASSERT_TRUE(CreateDirectoryW(deep.c_str(), nullptr));
    ASSERT_TRUE(CreateDirectoryW(deeper.c_str(), nullptr));
    CloseHandle(CreateFileW((deeper + L"\\x").c_str(), GENERIC_WRITE, 0, nullptr, CREATE_NEW, 0, nullptr));
    RemoveWorkFolder(work);
    EXPECT_FALSE(Exists(work));
    RemoveDirectoryW(deeper.c_str());
}

TEST(LinkAttributes, OnlyPlainFoldersAreEntered)
{
    EXPECT_TRUE(IsEnteredFolder(FILE_ATTRIBUTE_DIRECTORY));
    EXPECT_TRUE(IsEnteredFolder(FILE_ATTRIBUTE_DIRECTORY | FILE_ATTRIBUTE_HIDDEN | FILE_ATTRIBUTE_READONLY));
    EXPECT_FALSE(IsEnteredFolder(FILE_ATTRIBUTE_DIRECTORY | FILE_ATTRIBUTE_REPARSE_POINT));
    EXPECT_FALSE(IsEnteredFolder(FILE_ATTRIBUTE_ARCHIVE));
    EXPECT_FALSE(IsEnteredFolder(FILE_ATTRIBUTE_REPARSE_POINT));
}

TEST_F(LinkedFolders, LinkIsHandedOverAsAnEntryAndNotEntered)
{
    const std::string outside = root + "outside\\";
    ASSERT_TRUE(CreateDirectoryA(outside.c_str(), nullptr));
    ASSERT_TRUE(WriteWholeFile(outside + "precious.txt", "keep me"));
    if (!MakeSymbolicLink(outside.substr(0, outside.size() - 1), work + "link"))
        GTEST_SKIP() << "no Unix symbolic links here";
    ASSERT_EQ(FILE_ATTRIBUTE_REPARSE_POINT | FILE_ATTRIBUTE_DIRECTORY,
              GetFileAttributesA((work + "link").c_str()) &
                  (FILE_ATTRIBUTE_REPARSE_POINT | FILE_ATTRIBUTE_DIRECTORY));
    File("file.txt");

    EXPECT_TRUE(WalkFolder(W(work).c_str(), L"*.*", true, RecordEntry, nullptr));
    std::sort(Visited.begin(), Visited.end());
    EXPECT_EQ((std::vector<std::string>{work, work + "file.txt", work + "link"}), Visited);
    RemoveSymbolicLink(work + "link");
}

TEST_F(LinkedFolders, CleanUpNeverTouchesWhatALinkPointsTo)
{
    const std::string full = root + "full\\";
    const std::string empty = root + "empty\\";
    ASSERT_TRUE(CreateDirectoryA(full.c_str(), nullptr));
    ASSERT_TRUE(CreateDirectoryA(empty.c_str(), nullptr));
    ASSERT_TRUE(WriteWholeFile(full + "precious.txt", "keep me"));
    if (!MakeSymbolicLink(full.substr(0, full.size() - 1), work + "tofull") ||
        !MakeSymbolicLink(empty.substr(0, empty.size() - 1), work + "toempty"))
        GTEST_SKIP() << "no Unix symbolic links here";
    File("file.txt");

    RemoveWorkFolder(work);
    EXPECT_EQ("keep me", ReadWholeFile(full + "precious.txt"));
    EXPECT_TRUE(Exists(empty));
    EXPECT_FALSE(Exists(work + "file.txt"));
    // Where the system removes links themselves, the work folder goes
    // too; under Wine, which would remove the target instead, they stay.
    if (Exists(work + "tofull")) {
        EXPECT_TRUE(RemoveSymbolicLink(work + "tofull"));
        EXPECT_TRUE(RemoveSymbolicLink(work + "toempty"));
    }
}
