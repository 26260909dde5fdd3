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
//
// That C: comes first hides whether the fallback passes over network and
// removable drives. For that, setup.sh (a ctest fixture, cleanup.sh undoes
// it) mounts tmpfs file systems of chosen sizes below the build folder, far
// larger than C: where needed (tmpfs only reports the size), and the
// FallbackDriveTests put drive letters on them; see MountedDrives. Without
// the mounts (no right to mount, or the program run outside ctest) those
// tests are skipped with the reason.
#include <gtest/gtest.h>
#include <windows.h>
#include <winioctl.h>

#include <chrono>
#include <cstring>
#include <functional>
#include <string>
#include <vector>

#include "oxPackages.h"
#include "oxTest.h"
#include "services/uWorkFolder.h"

namespace {

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

// Asks the mount manager to map letter: to the Unix folder with the given
// drive type, or, with DRIVE_NO_ROOT_DIR and no folder, to forget the letter.
void SendDriveRequest(char letter, UINT type, const std::string &unixFolder)
{
    std::vector<char> request(sizeof(UnixDrive) + unixFolder.size() + 1, 0);
    UnixDrive *drive = reinterpret_cast<UnixDrive *>(request.data());
    drive->size = static_cast<ULONG>(request.size());
    drive->type = type;
    drive->letter = static_cast<WCHAR>(letter - 'A' + 'a');
    drive->mountPointOffset = unixFolder.empty() ? 0 : sizeof(UnixDrive);
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
}

// Maps letter: to the Unix folder with the given drive type; true when
// GetDriveTypeA reports that type afterwards.
bool DefineDrive(char letter, UINT type, const std::string &unixFolder)
{
    std::string root = std::string(1, letter) + ":\\";
    // Defined once per prefix: mount manager changes are announced to every
    // window, and other tests may have windows open.
    if (GetDriveTypeA(root.c_str()) == type && IsDirectory(root))
        return true;
    SendDriveRequest(letter, type, unixFolder);
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
            RemoveTestFolder(folder + "\\");
    }
    // A new folder for this test below parent (which ends in a backslash).
    std::string FreshFolder(const std::string &parent)
    {
        const ::testing::TestInfo *info = ::testing::UnitTest::GetInstance()->current_test_info();
        std::string folder = parent + "ox_wf_" + info->name() + "_" +
                             std::to_string(GetCurrentProcessId());
        RemoveTestFolder(folder + "\\");
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

// The file systems that tests/workfolder/setup.sh mounts below the build
// folder, each behind a drive letter of its own:
//   T: -> wf-mounts/temp    fixed, 8 MiB
//   D: -> wf-mounts/net     network, 600 GiB
//   E: -> wf-mounts/cd      CD-ROM, 600 GiB
//   F: -> wf-mounts/floppy  removable, 600 GiB
//   K: -> wf-mounts/fixed   fixed, 600 GiB
// The letters are forgotten again after each test, so that no other program
// of the prefix finds drives that vanish with the mounts.
struct TestDrive {
    char letter;
    UINT type;
    const char *mount;
};
const TestDrive TestDrives[] = {
    {'T', DRIVE_FIXED, "temp"},
    {'D', DRIVE_REMOTE, "net"},
    {'E', DRIVE_CDROM, "cd"},
    {'F', DRIVE_REMOVABLE, "floppy"},
    {'K', DRIVE_FIXED, "fixed"},
};

std::string Root(char letter)
{
    return std::string(1, letter) + ":\\";
}

class MountedDrives : public WorkFolder {
protected:
    void SetUp() override
    {
        WorkFolder::SetUp();
        // The build folder is the parent of the test program's folder, seen
        // through Z:, the Unix root.
        std::string bin = BinFolder();
        if (bin.compare(0, 3, "Z:\\") != 0)
            GTEST_SKIP() << "the build folder is not on Z: (" << bin << ")";
        std::string build = bin.substr(0, bin.find_last_of('\\', bin.size() - 2) + 1);
        std::string mounts = build + "wf-mounts\\";
        if (GetFileAttributesA((mounts + "ready").c_str()) == INVALID_FILE_ATTRIBUTES) {
            std::string reason = ReadReason(mounts + "unavailable");
            GTEST_SKIP() << "the drive file systems are not mounted (run through ctest, as root): "
                         << (reason.empty() ? "setup.sh did not run" : reason);
        }
        std::string unixMounts = mounts.substr(2);
        for (char &c : unixMounts)
            if (c == '\\')
                c = '/';
        for (const TestDrive &drive : TestDrives) {
            // A letter the prefix uses for another kind of drive is left
            // alone; one of the same kind may be left over from a run that
            // was cut short, and is mapped anew.
            std::string root = Root(drive.letter);
            UINT type = GetDriveTypeA(root.c_str());
            if (type != DRIVE_NO_ROOT_DIR && type != drive.type)
                GTEST_SKIP() << drive.letter << ": is already a drive of type " << type;
            defined.push_back(drive.letter);
            SendDriveRequest(drive.letter, drive.type, unixMounts + drive.mount);
            if (GetDriveTypeA(root.c_str()) != drive.type || !IsDirectory(root))
                GTEST_SKIP() << drive.letter << ": could not be defined";
        }
    }
    void TearDown() override
    {
        WorkFolder::TearDown();
        for (char letter : defined)
            SendDriveRequest(letter, DRIVE_NO_ROOT_DIR, "");
    }
    static std::string ReadReason(const std::string &path)
    {
        std::string text;
        HANDLE file = CreateFileA(path.c_str(), GENERIC_READ, FILE_SHARE_READ, nullptr,
                                  OPEN_EXISTING, 0, nullptr);
        if (file == INVALID_HANDLE_VALUE)
            return text;
        char buffer[1024];
        DWORD got = 0;
        if (ReadFile(file, buffer, sizeof buffer, &got, nullptr))
            text.assign(buffer, got);
        CloseHandle(file);
        while (!text.empty() && (text.back() == '\n' || text.back() == '\r'))
            text.pop_back();
        return text;
    }
    std::vector<char> defined;
};

using FallbackDriveTests = MountedDrives;

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

// Two runs starting together must never get one folder: the first to end
// would delete it under the other's installer. The threads meet before
// every round, so that both ask for the same name at the same moment.
namespace {

struct TRace {
    static const int Rounds = 1000;
    std::string Base;
    volatile LONG Arrived = 0;
    std::string Got[2][Rounds];
};

struct TRacer {
    TRace *Race;
    int Side;
};

DWORD WINAPI RaceForFolders(LPVOID parameter)
{
    TRacer *racer = static_cast<TRacer *>(parameter);
    TRace &race = *racer->Race;
    for (int round = 0; round < TRace::Rounds; ++round) {
        InterlockedIncrement(&race.Arrived);
        while (race.Arrived < 2 * (round + 1))
            SwitchToThread();
        race.Got[racer->Side][round] = CreateNumberedFolder(race.Base, "r" + std::to_string(round) + "_");
    }
    return 0;
}

} // namespace

TEST_F(CreateNumberedFolderTests, TwoRunsRacingNeverGetTheSameFolder)
{
    TRace *race = new TRace;
    race->Base = base;
    TRacer racers[2] = {{race, 0}, {race, 1}};
    HANDLE threads[2];
    for (int side = 0; side < 2; ++side) {
        threads[side] = CreateThread(nullptr, 0, RaceForFolders, &racers[side], 0, nullptr);
        ASSERT_TRUE(threads[side]);
    }
    ASSERT_EQ(WAIT_OBJECT_0, WaitForMultipleObjects(2, threads, TRUE, 300000));
    CloseHandle(threads[0]);
    CloseHandle(threads[1]);
    int empty = 0, shared = 0, missing = 0;
    for (int round = 0; round < TRace::Rounds; ++round) {
        const std::string &first = race->Got[0][round];
        const std::string &second = race->Got[1][round];
        if (first.empty() || second.empty())
            ++empty;
        else if (first == second)
            ++shared;
        else if (!IsDirectory(first) || !IsDirectory(second))
            ++missing;
    }
    EXPECT_EQ(0, shared) << "rounds of " << TRace::Rounds << " in which both threads got one folder";
    EXPECT_EQ(0, empty) << "rounds in which a thread got no folder";
    EXPECT_EQ(0, missing) << "rounds in which a folder handed out is not there";
    delete race;
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

    // One the calls cannot report (too long), or whose work folder would be
    // longer than the file calls take, is passed over for a fixed drive: a
    // work folder is never relative to the current folder.
    for (size_t length : {1100u, 300u}) {
        const std::string tooLong = base + std::string(length, 't');
        SetEnvironmentVariableA("TMP", tooLong.c_str());
        SetEnvironmentVariableA("TEMP", tooLong.c_str());
        const std::string name = "ox_wf_notemp" + std::to_string(GetCurrentProcessId()) + "_" + std::to_string(length);
        const std::string chosen = ChooseWorkFolder(name, 0);
        if (!chosen.empty())
            made.push_back(chosen.substr(0, chosen.size() - 1));
        EXPECT_EQ("C:\\" + name + "1\\", chosen);
        EXPECT_FALSE(IsDirectory(name + "1"));
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

TEST_F(FallbackDriveTests, NetworkAndRemovableDrivesAreSkippedForALaterFixedOne)
{
    const int64_t required = 500LL << 30;
    // Each of D:, E:, F: and K: would hold the folder; only the drive type
    // tells them apart.
    for (char letter : {'D', 'E', 'F', 'K'})
        ASSERT_GE(FreeBytesOnDrive(Root(letter)), required) << letter << ":";
    ASSERT_LT(FreeBytesOnDrive("T:\\"), required);
    for (char letter = 'C'; letter < 'K'; ++letter) {
        if (letter >= 'D' && letter <= 'F')
            continue;
        if (GetDriveTypeA(Root(letter).c_str()) == DRIVE_FIXED &&
            FreeBytesOnDrive(Root(letter)) >= required)
            GTEST_SKIP() << letter << ": is a fixed disk with 500 GiB free";
    }
    UseTemporaryFolder("T:\\");
    RemoveTestFolder("K:\\qbxr_test1\\");

    std::string chosen = ChooseWorkFolder("qbxr_test", required);
    if (!chosen.empty())
        made.push_back(chosen.substr(0, chosen.size() - 1));
    EXPECT_EQ("K:\\qbxr_test1\\", chosen);
    EXPECT_TRUE(IsDirectory("K:\\qbxr_test1"));
    for (char letter : {'T', 'D', 'E', 'F'})
        EXPECT_FALSE(IsDirectory(Root(letter) + "qbxr_test1")) << letter << ":";
}

TEST_F(FallbackDriveTests, SmallTemporaryDriveIsUsedWhileItHasRoom)
{
    UseTemporaryFolder("T:\\");
    int64_t room = FreeBytesOnDrive("T:\\");
    ASSERT_GT(room, 4LL << 20);
    ASSERT_LT(room, 16LL << 20);
    RemoveTestFolder("T:\\qbxr_test1\\");

    std::string chosen = ChooseWorkFolder("qbxr_test", 4LL << 20);
    if (!chosen.empty())
        made.push_back(chosen.substr(0, chosen.size() - 1));
    EXPECT_EQ("T:\\qbxr_test1\\", chosen);
    EXPECT_TRUE(IsDirectory("T:\\qbxr_test1"));

    // 16 MiB do not fit T:; C:, the first fixed disk, has room.
    if (GetDriveTypeA("C:\\") != DRIVE_FIXED || FreeBytesOnDrive("C:\\") < (16LL << 20))
        GTEST_SKIP() << "C: is not a fixed disk with 16 MiB free";
    int n = 1;
    while (GetFileAttributesA(("C:\\qbxr_test" + std::to_string(n)).c_str()) !=
           INVALID_FILE_ATTRIBUTES)
        ++n;
    std::string expected = "C:\\qbxr_test" + std::to_string(n) + "\\";
    chosen = ChooseWorkFolder("qbxr_test", 16LL << 20);
    if (!chosen.empty())
        made.push_back(chosen.substr(0, chosen.size() - 1));
    EXPECT_EQ(expected, chosen);
    EXPECT_FALSE(IsDirectory("T:\\qbxr_test2"));
}
