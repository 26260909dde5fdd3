// The mUtils routines that ask the file system. Each test works in a fresh
// folder of its own under the temporary folder.
#include <gtest/gtest.h>
#include <windows.h>

#include <string>

#include "oxPackages.h"
#include "util/mUtils.h"

namespace {

void MakeFile(const std::string &path)
{
    HANDLE file = CreateFileA(path.c_str(), GENERIC_WRITE, 0, nullptr, CREATE_ALWAYS,
                              FILE_ATTRIBUTE_NORMAL, nullptr);
    ASSERT_NE(INVALID_HANDLE_VALUE, file) << path;
    DWORD written;
    WriteFile(file, "data", 4, &written, nullptr);
    CloseHandle(file);
}

bool IsDirectory(const std::string &path)
{
    DWORD attributes = GetFileAttributesA(path.c_str());
    return attributes != INVALID_FILE_ATTRIBUTES && (attributes & FILE_ATTRIBUTE_DIRECTORY);
}

bool Exists(const std::string &path)
{
    return GetFileAttributesA(path.c_str()) != INVALID_FILE_ATTRIBUTES;
}

// A fresh, empty folder per test (no trailing backslash), removed afterwards;
// the current folder is moved into it for the relative-path cases.
class FileSystem : public ::testing::Test {
protected:
    void SetUp() override
    {
        root = NewTestFolder("utils");
        ASSERT_FALSE(root.empty());
        root.pop_back();
        char current[MAX_PATH];
        GetCurrentDirectoryA(MAX_PATH, current);
        previous = current;
        SetCurrentDirectoryA(root.c_str());
    }
    void TearDown() override
    {
        SetCurrentDirectoryA(previous.c_str());
        RemoveTestFolder(root + "\\");
    }
    std::string root;
    std::string previous;
};

using PresenceTests = FileSystem;
using GetFileDosTimeTests = FileSystem;
using CreateFolderTreeTests = FileSystem;

} // namespace

TEST_F(PresenceTests, FilesAndFoldersAreToldApart)
{
    std::string file = root + "\\file.txt";
    std::string folder = root + "\\folder";
    MakeFile(file);
    ASSERT_TRUE(CreateDirectoryA(folder.c_str(), nullptr));

    EXPECT_TRUE(IsFilePresent(file));
    EXPECT_FALSE(IsFolderPresent(file));
    EXPECT_TRUE(IsFolderPresent(folder));
    EXPECT_TRUE(IsFolderPresent(folder + "\\"));
    EXPECT_FALSE(IsFilePresent(folder));
    EXPECT_FALSE(IsFilePresent(root + "\\missing.txt"));
    EXPECT_FALSE(IsFolderPresent(root + "\\missing"));
    EXPECT_FALSE(IsFilePresent(root + "\\missing\\file.txt"));
    EXPECT_FALSE(IsFilePresent(""));
    EXPECT_FALSE(IsFolderPresent(""));
    EXPECT_TRUE(IsFilePresent("file.txt"));
    EXPECT_TRUE(IsFolderPresent("folder"));
}

// A file dated before 1980 has no DOS time; it is there all the same (the
// extractor asks before replacing it), and a wildcard names no file.
TEST_F(PresenceTests, FileDatedBefore1980IsPresentAndAPatternIsNot)
{
    const std::string file = root + "\\old.txt";
    MakeFile(file);
    HANDLE h = CreateFileA(file.c_str(), FILE_WRITE_ATTRIBUTES, 0, nullptr, OPEN_EXISTING, 0, nullptr);
    ASSERT_NE(INVALID_HANDLE_VALUE, h);
    SYSTEMTIME old = {1975, 6, 0, 15, 12, 0, 0, 0};
    FILETIME time;
    ASSERT_TRUE(SystemTimeToFileTime(&old, &time));
    ASSERT_TRUE(SetFileTime(h, nullptr, nullptr, &time));
    CloseHandle(h);
    EXPECT_EQ(-1, GetFileDosTime(file));
    EXPECT_TRUE(IsFilePresent(file));
    EXPECT_FALSE(IsFilePresent(root + "\\*.txt"));
}

TEST_F(GetFileDosTimeTests, GivesLocalLastWriteTimeInDosForm)
{
    std::string file = root + "\\dated.bin";
    MakeFile(file);
    // 2021-03-04 05:06:08 local time.
    SYSTEMTIME local = {};
    local.wYear = 2021;
    local.wMonth = 3;
    local.wDay = 4;
    local.wHour = 5;
    local.wMinute = 6;
    local.wSecond = 8;
    FILETIME localTime, utcTime;
    ASSERT_TRUE(SystemTimeToFileTime(&local, &localTime));
    ASSERT_TRUE(LocalFileTimeToFileTime(&localTime, &utcTime));
    HANDLE handle = CreateFileA(file.c_str(), GENERIC_WRITE, 0, nullptr, OPEN_EXISTING, 0, nullptr);
    ASSERT_NE(INVALID_HANDLE_VALUE, handle);
    ASSERT_TRUE(SetFileTime(handle, nullptr, nullptr, &utcTime));
    CloseHandle(handle);

    const int32_t date = ((2021 - 1980) << 9) | (3 << 5) | 4;
    const int32_t time = (5 << 11) | (6 << 5) | (8 / 2);
    EXPECT_EQ((date << 16) | time, GetFileDosTime(file));
    // A pattern is answered for the entry it matches.
    EXPECT_EQ((date << 16) | time, GetFileDosTime(root + "\\d*.bin"));
}

TEST_F(GetFileDosTimeTests, FoldersAndMissingPathsGiveMinusOne)
{
    EXPECT_EQ(-1, GetFileDosTime(root));
    EXPECT_EQ(-1, GetFileDosTime(root + "\\missing"));
    EXPECT_EQ(-1, GetFileDosTime(root + "\\nothing*"));
    EXPECT_EQ(-1, GetFileDosTime(""));
}

TEST_F(CreateFolderTreeTests, CreatesMissingLevelsOutermostFirst)
{
    std::string deep = root + "\\one\\two\\three";
    EXPECT_TRUE(CreateFolderTree(deep + "\\"));
    EXPECT_TRUE(IsDirectory(root + "\\one"));
    EXPECT_TRUE(IsDirectory(root + "\\one\\two"));
    EXPECT_TRUE(IsDirectory(deep));

    // Without a trailing backslash, and relative to the current folder.
    EXPECT_TRUE(CreateFolderTree(root + "\\other\\level"));
    EXPECT_TRUE(IsDirectory(root + "\\other\\level"));
    EXPECT_TRUE(CreateFolderTree("rel\\sub\\"));
    EXPECT_TRUE(IsDirectory(root + "\\rel\\sub"));
}

TEST_F(CreateFolderTreeTests, ExistingFoldersAndDrivePrefixesNeedNothing)
{
    EXPECT_TRUE(CreateFolderTree(root));
    EXPECT_TRUE(CreateFolderTree(root + "\\"));
    EXPECT_TRUE(CreateFolderTree(""));
    EXPECT_TRUE(CreateFolderTree("C:\\"));
    EXPECT_TRUE(CreateFolderTree("C:"));
    // Two characters are taken as a drive prefix, never created.
    EXPECT_TRUE(CreateFolderTree("ab"));
    EXPECT_TRUE(CreateFolderTree("ab\\"));
    EXPECT_FALSE(Exists(root + "\\ab"));
    // A root the length test does not catch is its own folder part.
    EXPECT_TRUE(CreateFolderTree("ab\\\\"));
    EXPECT_FALSE(Exists(root + "\\ab"));
}

TEST_F(CreateFolderTreeTests, FileInThePathFailsAndLeavesItAlone)
{
    MakeFile(root + "\\file");
    EXPECT_FALSE(CreateFolderTree(root + "\\file\\x\\y\\"));
    EXPECT_FALSE(IsDirectory(root + "\\file"));
    EXPECT_TRUE(Exists(root + "\\file"));
    EXPECT_FALSE(CreateFolderTree(root + "\\file"));
    EXPECT_FALSE(IsDirectory(root + "\\file"));
}

TEST_F(CreateFolderTreeTests, LevelsBeforeAFailureStay)
{
    // "<" is not allowed in a name: the outer levels are made, the last is not.
    EXPECT_FALSE(CreateFolderTree(root + "\\made\\also\\bad<name\\"));
    EXPECT_TRUE(IsDirectory(root + "\\made\\also"));
}

TEST_F(CreateFolderTreeTests, ColonAfterMoreThanADriveLetterFails)
{
    // Each remainder ends in a colon and would otherwise be retried forever.
    EXPECT_FALSE(CreateFolderTree("ab:c"));
    EXPECT_FALSE(CreateFolderTree("ab:"));
    EXPECT_FALSE(CreateFolderTree(root + "\\a:b\\c\\"));
    EXPECT_FALSE(CreateFolderTree(root + "\\new\\x:\\y"));
    EXPECT_FALSE(Exists(root + "\\new"));
    EXPECT_FALSE(Exists(root + "\\a"));
}

// Folder names outside the ANSI code page (this test program runs under
// 1252): the wide routines create and find them, and the ANSI form of an
// existing one is its short (8.3) form, which the "A" calls can name.
TEST_F(CreateFolderTreeTests, WideNamesOutsideTheCodePageAreCreatedAndHaveAnAnsiForm)
{
    const std::wstring base = WidePath(root) + L"\\";
    const std::wstring folder = base + L"\u041F\u0440\u0438\u0432\u0435\u0442\\\u8868\u793A\\\U0001F600\\";
    EXPECT_TRUE(CreateFolderTree(folder));
    EXPECT_TRUE(IsFolderPresent(folder));
    EXPECT_FALSE(IsFilePresent(folder));
    const std::wstring file = folder + L"\u0444.txt";
    HANDLE h = CreateFileW(file.c_str(), GENERIC_WRITE, 0, nullptr, CREATE_ALWAYS, FILE_ATTRIBUTE_NORMAL, nullptr);
    ASSERT_NE(INVALID_HANDLE_VALUE, h);
    CloseHandle(h);
    EXPECT_TRUE(IsFilePresent(file));
    EXPECT_NE(-1, GetFileDosTime(file));

    const std::string ansi = AnsiPathOf(folder);
    EXPECT_EQ(std::string::npos, ansi.find('?')) << ansi;
    EXPECT_TRUE(IsDirectory(ansi)) << ansi;
    EXPECT_TRUE(IsFolderPresent(ansi)) << ansi;
    // A name the code page holds keeps its long form.
    EXPECT_EQ(root + "\\", AnsiPathOf(WidePath(root + "\\")));

    DeleteFileW(file.c_str());
    RemoveDirectoryW(folder.c_str());
    RemoveDirectoryW((base + L"\u041F\u0440\u0438\u0432\u0435\u0442\\\u8868\u793A").c_str());
    RemoveDirectoryW((base + L"\u041F\u0440\u0438\u0432\u0435\u0442").c_str());
}
