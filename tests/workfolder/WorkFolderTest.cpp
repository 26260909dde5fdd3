// The work folder choice and the free-space measurement.
//
// Drives: the tests need a temporary folder on a drive with little room, and
// on a network drive. Wine maps drive letters to Unix folders; the test
// defines them itself, at run time, through Wine's mount manager (the
// IOCTL_MOUNTMGR_DEFINE_UNIX_DRIVE request that winecfg uses), which writes
// the $WINEPREFIX/dosdevices link and the drive type under
// HKLM\Software\Wine\Drives and takes effect at once, even while other
// programs keep the prefix's wineserver running:
//   P: -> /dev/shm/oxtarn-wf-<id>/p   fixed disk ("hd") on tmpfs
//   Q: -> /dev/shm/oxtarn-wf-<id>/q   network drive
// /dev/shm has less free space than /, which holds C: (the prefix's
// drive_c), so a requirement between the two fits C: but not P:. C: is the
// first letter the fallback scans and is a fixed disk, so the pick is C:.
// Outside Wine, or when a drive cannot be defined, those tests are skipped.
#include <gtest/gtest.h>
#include <windows.h>
#include <winioctl.h>

#include <chrono>
#include <cstring>
#include <functional>
#include <string>
#include <vector>

#include "oxTest.h"
#include "startup/uWorkFolder.h"

namespace {

void RemoveTree(const std::string &folder)
{
    WIN32_FIND_DATAA entry;
    HANDLE search = FindFirstFileA((folder + "\\*").c_str(), &entry);
    if (search != INVALID_HANDLE_VALUE) {
        do {
            std::string name = entry.cFileName;
            if (name == "." || name == "..")
                continue;
            std::string path = folder + "\\" + name;
            if (entry.dwFileAttributes & FILE_ATTRIBUTE_DIRECTORY)
                RemoveTree(path);
            else
                DeleteFileA(path.c_str());
        } while (FindNextFileA(search, &entry));
        FindClose(search);
    }
    RemoveDirectoryA(folder.c_str());
}

bool IsDirectory(const std::string &path)
{
    DWORD attributes = GetFileAttributesA(path.c_str());
    return attributes != INVALID_FILE_ATTRIBUTES && (attributes & FILE_ATTRIBUTE_DIRECTORY);
}

void MakeFile(const std::string &path)
{
    HANDLE file = CreateFileA(path.c_str(), GENERIC_WRITE, 0, nullptr, CREATE_ALWAYS,
                              FILE_ATTRIBUTE_NORMAL, nullptr);
    ASSERT_NE(INVALID_HANDLE_VALUE, file) << path;
    CloseHandle(file);
}

int64_t FreeBytesReported(const std::string &root)
{
    ULARGE_INTEGER available, total, totalFree;
    if (!GetDiskFreeSpaceExA(root.c_str(), &available, &total, &totalFree))
        return -1;
    return static_cast<int64_t>(available.QuadPart);
}

std::string Variable(const char *name)
{
    char value[1024];
    DWORD n = GetEnvironmentVariableA(name, value, sizeof value);
    return n > 0 && n < sizeof value ? std::string(value, n) : std::string();
}

// Wine's own mount manager request; the layout is Wine's.
const DWORD DefineUnixDrive =
    CTL_CODE(static_cast<ULONG>('m'), 32, METHOD_BUFFERED, FILE_READ_ACCESS | FILE_WRITE_ACCESS);
struct UnixDrive {
    ULONG size;
    ULONG type;
    ULONG fsType;
    DWORD serial;
    ULONGLONG unixDevice;
    WCHAR letter;
    USHORT mountPointOffset;
    USHORT deviceOffset;
    USHORT labelOffset;
};

// Maps letter: to the Unix folder with the given drive type; true when
// GetDriveTypeA reports that type afterwards.
bool DefineDrive(char letter, UINT type, const std::string &unixFolder)
{
    std::string root = std::string(1, letter) + ":\\";
    // Defined once per prefix: mount manager changes are announced to every
    // window, and other tests may have windows open.
    if (GetDriveTypeA(root.c_str()) == type && IsDirectory(root))
        return true;
    std::vector<char> request(sizeof(UnixDrive) + unixFolder.size() + 1, 0);
    UnixDrive *drive = reinterpret_cast<UnixDrive *>(request.data());
    drive->size = static_cast<ULONG>(request.size());
    drive->type = type;
    drive->letter = static_cast<WCHAR>(letter - 'A' + 'a');
    drive->mountPointOffset = sizeof(UnixDrive);
    std::memcpy(request.data() + sizeof(UnixDrive), unixFolder.c_str(), unixFolder.size());
    HANDLE manager = CreateFileA("\\\\.\\MountPointManager", GENERIC_READ | GENERIC_WRITE,
                                 FILE_SHARE_READ | FILE_SHARE_WRITE, nullptr, OPEN_EXISTING, 0,
                                 nullptr);
    if (manager != INVALID_HANDLE_VALUE) {
        DWORD returned;
        DeviceIoControl(manager, DefineUnixDrive, request.data(), drive->size, nullptr, 0,
                        &returned, nullptr);
        CloseHandle(manager);
    }
    return GetDriveTypeA(root.c_str()) == type && IsDirectory(root);
}

// The Unix folder behind P: and Q:, one per build tree.
std::string ShmFolder()
{
    char id[32];
    unsigned long hash = static_cast<unsigned long>(std::hash<std::string>()(BinFolder()));
    wsprintfA(id, "%08lx", hash);
    return std::string("oxtarn-wf-") + id;
}

bool DrivesReady()
{
    static int ready = -1;
    if (ready < 0) {
        std::string windowsPath = "Z:\\dev\\shm\\" + ShmFolder();
        std::string unixPath = "/dev/shm/" + ShmFolder();
        CreateDirectoryA(windowsPath.c_str(), nullptr);
        CreateDirectoryA((windowsPath + "\\p").c_str(), nullptr);
        CreateDirectoryA((windowsPath + "\\q").c_str(), nullptr);
        ready = DefineDrive('P', DRIVE_FIXED, unixPath + "/p") &&
                DefineDrive('Q', DRIVE_REMOTE, unixPath + "/q");
    }
    return ready == 1;
}

// A fresh folder (in folder form) under the temporary folder per test, and
// the TMP and TEMP variables restored afterwards.
class WorkFolder : public ::testing::Test {
protected:
    void SetUp() override
    {
        savedTmp = Variable("TMP");
        savedTemp = Variable("TEMP");
        char temp[MAX_PATH];
        GetTempPathA(MAX_PATH, temp);
        base = FreshFolder(temp);
    }
    void TearDown() override
    {
        SetEnvironmentVariableA("TMP", savedTmp.empty() ? nullptr : savedTmp.c_str());
        SetEnvironmentVariableA("TEMP", savedTemp.empty() ? nullptr : savedTemp.c_str());
        for (const std::string &folder : made)
            RemoveTree(folder);
    }
    // A new folder for this test below parent (which ends in a backslash).
    std::string FreshFolder(const std::string &parent)
    {
        const ::testing::TestInfo *info = ::testing::UnitTest::GetInstance()->current_test_info();
        std::string folder = parent + "ox_wf_" + info->name() + "_" +
                             std::to_string(GetCurrentProcessId());
        RemoveTree(folder);
        EXPECT_TRUE(CreateDirectoryA(folder.c_str(), nullptr)) << folder;
        made.push_back(folder);
        return folder + "\\";
    }
    void UseTemporaryFolder(const std::string &folder)
    {
        SetEnvironmentVariableA("TMP", folder.c_str());
        SetEnvironmentVariableA("TEMP", folder.c_str());
        char temp[MAX_PATH];
        GetTempPathA(MAX_PATH, temp);
        ASSERT_EQ(folder, std::string(temp));
    }
    std::string base;
    std::string savedTmp, savedTemp;
    std::vector<std::string> made;
};

using CreateNumberedFolderTests = WorkFolder;
using ChooseWorkFolderTests = WorkFolder;

} // namespace

TEST(ExtractDrive, DriveLetterOrShareWithoutTrailingBackslash)
{
    EXPECT_EQ("C:", ExtractDrive("C:\\Temp\\x"));
    EXPECT_EQ("C:", ExtractDrive("C:\\"));
    EXPECT_EQ("C:", ExtractDrive("C:"));
    EXPECT_EQ("d:", ExtractDrive("d:relative"));
    EXPECT_EQ("\\\\server\\share", ExtractDrive("\\\\server\\share\\dir\\sub"));
    EXPECT_EQ("\\\\server\\share", ExtractDrive("\\\\server\\share\\"));
    EXPECT_EQ("\\\\server\\share", ExtractDrive("\\\\server\\share"));
    EXPECT_EQ("\\\\server", ExtractDrive("\\\\server"));
    EXPECT_EQ("", ExtractDrive("relative\\dir"));
    EXPECT_EQ("", ExtractDrive("\\rooted\\dir"));
    EXPECT_EQ("", ExtractDrive("x"));
    EXPECT_EQ("", ExtractDrive(""));
}

TEST(FreeBytesOnDrive, EmptyRelativeAndUnreadablePathsGiveZero)
{
    EXPECT_EQ(0, FreeBytesOnDrive(""));
    EXPECT_EQ(0, FreeBytesOnDrive("relative\\dir"));
    EXPECT_EQ(0, FreeBytesOnDrive("\\rooted\\dir"));
    EXPECT_EQ(0, FreeBytesOnDrive("\\\\nosuchserver\\share\\dir"));
    if (GetDriveTypeA("Y:\\") == DRIVE_NO_ROOT_DIR) {
        EXPECT_EQ(0, FreeBytesOnDrive("Y:\\folder"));
    }
}

TEST(FreeBytesOnDrive, MeasuresTheDriveOfAnyPathOnIt)
{
    // Other programs write meanwhile: allow for a little change.
    const int64_t slack = 512LL << 20;
    int64_t reported = FreeBytesReported("C:\\");
    ASSERT_GT(reported, 0);
    EXPECT_NEAR(reported, FreeBytesOnDrive("C:\\"), slack);
    EXPECT_NEAR(reported, FreeBytesOnDrive("C:"), slack);
    EXPECT_NEAR(reported, FreeBytesOnDrive("C:\\no\\such\\folder\\file.txt"), slack);
    if (!DrivesReady())
        GTEST_SKIP() << "drive P: could not be defined";
    int64_t small = FreeBytesReported("P:\\");
    EXPECT_NEAR(small, FreeBytesOnDrive("P:\\missing"), slack);
}

TEST_F(CreateNumberedFolderTests, SkipsExistingFoldersAndFiles)
{
    ASSERT_TRUE(CreateDirectoryA((base + "work1").c_str(), nullptr));
    MakeFile(base + "work2");
    ASSERT_TRUE(CreateDirectoryA((base + "work3").c_str(), nullptr));

    EXPECT_EQ(base + "work4\\", CreateNumberedFolder(base, "work"));
    EXPECT_TRUE(IsDirectory(base + "work4"));
    // The base may come without its trailing backslash.
    EXPECT_EQ(base + "work5\\", CreateNumberedFolder(base.substr(0, base.size() - 1), "work"));
    // Another name starts at 1 again; the file is still a file.
    EXPECT_EQ(base + "other1\\", CreateNumberedFolder(base, "other"));
    EXPECT_FALSE(IsDirectory(base + "work2"));
}

TEST_F(CreateNumberedFolderTests, CreatesMissingParentsOfTheBase)
{
    std::string deeper = base + "a\\b\\";
    EXPECT_EQ(deeper + "work1\\", CreateNumberedFolder(deeper, "work"));
    EXPECT_TRUE(IsDirectory(deeper + "work1"));
}

TEST_F(CreateNumberedFolderTests, GivesUpWhereNothingCanBeCreated)
{
    MakeFile(base + "file");
    auto start = std::chrono::steady_clock::now();
    EXPECT_EQ("", CreateNumberedFolder(base + "file\\", "work"));
    EXPECT_EQ("", CreateNumberedFolder(base + "bad<name", "work"));
    EXPECT_EQ("", CreateNumberedFolder("ab:c", "work"));
    auto seconds = std::chrono::duration_cast<std::chrono::seconds>(
                       std::chrono::steady_clock::now() - start).count();
    EXPECT_LT(seconds, 20);
}

TEST_F(ChooseWorkFolderTests, RequiredZeroAlwaysUsesTheTemporaryFolder)
{
    UseTemporaryFolder(base);
    EXPECT_EQ(base + "qbxr_installer1\\", ChooseWorkFolder("qbxr_installer", 0));
    EXPECT_TRUE(IsDirectory(base + "qbxr_installer1"));
    EXPECT_EQ(base + "qbxr_installer2\\", ChooseWorkFolder("qbxr_installer", -5));

    // A temporary folder on a drive that cannot be measured still counts as
    // having room for nothing; no other drive is looked for.
    if (GetDriveTypeA("Y:\\") == DRIVE_NO_ROOT_DIR) {
        UseTemporaryFolder("Y:\\Temp\\");
        EXPECT_EQ("", ChooseWorkFolder("ox_wf_unreadable", 0));
        EXPECT_FALSE(IsDirectory("C:\\ox_wf_unreadable1"));
    }
}

TEST_F(ChooseWorkFolderTests, TemporaryFolderIsTakenWithoutADriveTypeTest)
{
    if (!DrivesReady())
        GTEST_SKIP() << "drive Q: could not be defined";
    std::string temp = FreshFolder("Q:\\");
    UseTemporaryFolder(temp);
    ASSERT_EQ(static_cast<UINT>(DRIVE_REMOTE), GetDriveTypeA("Q:\\"));
    EXPECT_EQ(temp + "work1\\", ChooseWorkFolder("work", 1));
    EXPECT_TRUE(IsDirectory(temp + "work1"));
}

TEST_F(ChooseWorkFolderTests, FallsBackToAFixedDriveWithRoom)
{
    if (!DrivesReady())
        GTEST_SKIP() << "drive P: could not be defined";
    std::string temp = FreshFolder("P:\\");
    UseTemporaryFolder(temp);
    int64_t small = FreeBytesReported("P:\\");
    int64_t large = FreeBytesReported("C:\\");
    if (large - small < (4LL << 30))
        GTEST_SKIP() << "C: does not have clearly more room than P:";

    std::string name = "ox_wf_fallback_" + std::to_string(GetCurrentProcessId()) + "_";
    std::string chosen = ChooseWorkFolder(name, small + (large - small) / 2);
    if (!chosen.empty())
        made.push_back(chosen.substr(0, chosen.size() - 1));
    EXPECT_EQ("C:\\" + name + "1\\", chosen);
    EXPECT_TRUE(IsDirectory("C:\\" + name + "1"));
    EXPECT_FALSE(IsDirectory(temp + name + "1"));
}

TEST_F(ChooseWorkFolderTests, NoDriveWithRoomGivesEmpty)
{
    if (!DrivesReady())
        GTEST_SKIP() << "drive P: could not be defined";
    std::string temp = FreshFolder("P:\\");
    UseTemporaryFolder(temp);
    int64_t beyond = FreeBytesReported("C:\\") + (1LL << 40);
    EXPECT_EQ("", ChooseWorkFolder("ox_wf_nowhere", beyond));
    EXPECT_FALSE(IsDirectory("C:\\ox_wf_nowhere1"));
    EXPECT_FALSE(IsDirectory(temp + "ox_wf_nowhere1"));
}
