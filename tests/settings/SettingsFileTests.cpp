// The routines over real files: the marker scan limit, the copied settings
// and the extractor's own path and arguments.
#include <windows.h>
#include <gtest/gtest.h>
#include <cstdlib>
#include <fstream>
#include <iterator>
#include "SettingsBlock.h"
#include "oxProcess.h"
#include "oxTest.h"
#include "services/uRunState.h"
#include "services/uSettings.h"

namespace {

std::string ScratchFolder()
{
    char temp[MAX_PATH];
    GetTempPathA(MAX_PATH, temp);
    std::string folder = std::string(temp) + "ox_settings_" + std::to_string(GetCurrentProcessId()) + "\\";
    CreateDirectoryA(folder.c_str(), nullptr);
    return folder;
}

void WriteBytes(const std::string &path, const std::string &bytes)
{
    std::ofstream out(path, std::ios::binary | std::ios::trunc);
    out.write(bytes.data(), static_cast<std::streamsize>(bytes.size()));
}

std::string ReadBytes(const std::string &path)
{
    std::ifstream in(path, std::ios::binary);
    return std::string(std::istreambuf_iterator<char>(in), std::istreambuf_iterator<char>());
}

const std::string Marker = "$KORVANTE$\r\n";

// Starts this test program by the relative name `program` from `folder`, to
// run only the child report below; returns what the child wrote.
std::string RunChildReport(const std::string &program, const std::string &folder,
                           const std::string &extraArguments)
{
    const std::string report = ScratchFolder() + "child_report.bin";
    DeleteFileA(report.c_str());
    SetEnvironmentVariableA("OX_SETTINGS_REPORT", report.c_str());
    std::string commandLine =
        program + " --gtest_also_run_disabled_tests --gtest_filter=OwnFile.DISABLED_ChildReport " +
        extraArguments;
    // The child's own test output would only confuse this program's.
    SECURITY_ATTRIBUTES inherit = {sizeof inherit, nullptr, TRUE};
    HANDLE nul = CreateFileA("NUL", GENERIC_WRITE, FILE_SHARE_READ | FILE_SHARE_WRITE, &inherit,
                             OPEN_EXISTING, 0, nullptr);
    STARTUPINFOA startup = {};
    startup.cb = sizeof startup;
    startup.dwFlags = STARTF_USESTDHANDLES;
    startup.hStdInput = nul;
    startup.hStdOutput = nul;
    startup.hStdError = nul;
    PROCESS_INFORMATION process = {};
    const BOOL started = StartRetrying([&] {
        return CreateProcessA(nullptr, &commandLine[0], nullptr, nullptr, TRUE, 0, nullptr, folder.c_str(),
                              &startup, &process);
    });
    CloseHandle(nul);
    SetEnvironmentVariableA("OX_SETTINGS_REPORT", nullptr);
    if (!started)
        return "CreateProcessA failed";
    WaitForSingleObject(process.hProcess, 60000);
    CloseHandle(process.hThread);
    CloseHandle(process.hProcess);
    return ReadBytes(report);
}

// Removes what the child reports leave behind.
struct TScratchCleanup : ::testing::Environment {
    void TearDown() override
    {
        const std::string folder = ScratchFolder();
        DeleteFileA((folder + "child_report.bin").c_str());
        RemoveDirectoryA(folder.c_str());
    }
};
const auto *const ScratchCleanup = ::testing::AddGlobalTestEnvironment(new TScratchCleanup);

}  // namespace

TEST(FindSettingsBlockIn, MarkerMustEndWithinTheScanLength)
{
    const std::string path = ScratchFolder() + "scan.bin";
    // The marker's LF is the last byte of the scan: found.
    std::string head(MarkerScanLength - 12, 'x');
    head.back() = '\n';
    WriteBytes(path, head + Marker + "60000\r\n");
    EXPECT_EQ(MarkerScanLength, FindSettingsBlockIn(path));

    // One byte later it lies beyond the scan, though the file holds it.
    std::string later = "y" + head + Marker + "60000\r\n";
    WriteBytes(path, later);
    EXPECT_EQ(MarkerScanLength + 1, FindMarkerLine(later));
    EXPECT_EQ(-1, FindSettingsBlockIn(path));
    DeleteFileA(path.c_str());
}

TEST(FindSettingsBlockIn, FileThatCannotBeReadHasNoMarker)
{
    const std::string folder = ScratchFolder();
    EXPECT_EQ(-1, FindSettingsBlockIn(folder + "missing.bin"));
    EXPECT_EQ(-1, FindSettingsBlockIn(folder));
    EXPECT_EQ(-1, FindSettingsBlockIn(""));
}

TEST(FindSettingsBlockIn, FileOpenForWritingIsStillRead)
{
    const std::string path = ScratchFolder() + "open.bin";
    WriteBytes(path, "MZ\r\n" + Marker + "1\r\n");
    HANDLE writer = CreateFileA(path.c_str(), GENERIC_READ | GENERIC_WRITE,
                                FILE_SHARE_READ | FILE_SHARE_WRITE, nullptr, OPEN_EXISTING, 0, nullptr);
    ASSERT_NE(INVALID_HANDLE_VALUE, writer);
    EXPECT_EQ(16, FindSettingsBlockIn(path));
    CloseHandle(writer);
    DeleteFileA(path.c_str());
}

TEST(ReadPackageSettingsFrom, SettingsBeyondTheCopyLengthAreCutOff)
{
    const std::string folder = ScratchFolder();
    const std::string path = folder + "package.bin";

    // A licence long enough that the copy ends right after the first byte
    // of message 50.
    TSettingsLines s = MakeSettingsLines({"", ""});
    std::string settings = JoinLines(s.Lines);
    const size_t message50 = settings.find("\r\nM50\r\n") + 2;
    const size_t pad = SettingsCopyLength - 1 - message50;
    s.Lines[s.LicenceFirst] = std::string(pad, 'L');
    settings = JoinLines(s.Lines);
    ASSERT_EQ(SettingsCopyLength - 1, static_cast<int32_t>(settings.find("\r\nM50\r\n") + 2));

    const std::string cabinet = "MSCF" + std::string(5000, 'c');
    const std::string package = std::string("MZ\0\0", 4) + std::string(3000, 'p') + "\r\n" + Marker +
                                settings + cabinet;
    WriteBytes(path, package);
    const int32_t offset = FindSettingsBlockIn(path);
    ASSERT_EQ(3004 + 2 + 12, offset);

    // A file of the name the settings were once copied to, planted in the
    // temporary folder: never written through, never deleted.
    WriteBytes(folder + "oxtarn.tmp", "planted");
    TPackageSettings p;
    ReadPackageSettingsFrom(path, offset, {"/x"}, p);
    EXPECT_TRUE(p.Complete);
    EXPECT_EQ(std::string(pad, 'L') + "\r\n", p.LicenceText);
    EXPECT_EQ(" /x", p.Parameters);
    EXPECT_EQ("M49", p.Messages[49]);
    EXPECT_EQ("M", p.Messages[50]);
    EXPECT_EQ("", p.Messages[51]);
    EXPECT_EQ("", p.Messages[56]);

    EXPECT_EQ("planted", ReadBytes(folder + "oxtarn.tmp"));
    DeleteFileA((folder + "oxtarn.tmp").c_str());
    DeleteFileA(path.c_str());
}

TEST(ReadPackageSettingsFrom, ShortPackageIsReadToItsEnd)
{
    const std::string folder = ScratchFolder();
    const std::string path = folder + "short.bin";
    const std::string settings = JoinLines(MakeSettingsLines({"a", "", "b"}).Lines);
    WriteBytes(path, "\r\n" + Marker + settings + "MSCF");
    TPackageSettings p;
    ReadPackageSettingsFrom(path, 14, {}, p);
    EXPECT_TRUE(p.Complete);
    EXPECT_EQ("a\r\n\r\nb", p.LicenceText);
    // The cabinet's first bytes after the last CR LF are not read.
    EXPECT_EQ("M56", p.Messages[56]);
    // Nothing is written beside the package's settings.
    EXPECT_EQ(INVALID_FILE_ATTRIBUTES, GetFileAttributesA((folder + "oxtarn.tmp").c_str()));
    DeleteFileA(path.c_str());
}

TEST(ReadPackageSettingsFrom, UnreadableFileGivesEmptySettings)
{
    const std::string folder = ScratchFolder();
    TPackageSettings p;
    p.Title = "old";
    ReadPackageSettingsFrom(folder + "missing.bin", 14, {"$SILENT$"}, p);
    EXPECT_FALSE(p.Complete);
    EXPECT_EQ("", p.Title);
    EXPECT_EQ(0, p.LibraryOffset);
    ReadPackageSettingsFrom(folder + "missing.bin", -1, {}, p);
    EXPECT_FALSE(p.Complete);
}

TEST(OwnFile, PathIsTheAbsoluteModuleFile)
{
    const std::string self = OwnFilePath();
    ASSERT_GT(self.size(), 3u);
    EXPECT_EQ(":\\", self.substr(1, 2));
    EXPECT_EQ(BinFolder() + "test_settings.exe", self);
    EXPECT_NE(INVALID_FILE_ATTRIBUTES, GetFileAttributesA(self.c_str()));
    // The test program carries no marker line of its own.
    EXPECT_EQ(-1, FindSettingsBlock());
}

// Run only as a child of the tests below: reports what the routines see.
TEST(OwnFile, DISABLED_ChildReport)
{
    const char *report = getenv("OX_SETTINGS_REPORT");
    ASSERT_NE(nullptr, report);
    std::string text = OwnFilePath();
    for (const std::string &argument : CommandLineArguments())
        text += '|' + argument;
    WriteBytes(report, text);
}

TEST(OwnFile, StartedByRelativeNameFindsItself)
{
    const std::string report =
        RunChildReport("test_settings.exe", BinFolder(), "$silent$ \"a b\" \"\" c\\d e\tf");
    EXPECT_EQ(BinFolder() + "test_settings.exe|--gtest_also_run_disabled_tests|"
                            "--gtest_filter=OwnFile.DISABLED_ChildReport|$silent$|\"a b\"|\"\"|c\\d|e\tf",
              report);
}

TEST(OwnFile, PathIsWholeWhateverTheFirstBufferSize)
{
    // Paths longer than MAX_PATH cannot be started under the test system,
    // so the growth is driven by starting with buffers that are too small.
    const std::string self = OwnFilePath();
    for (size_t length : {size_t(1), size_t(2), size_t(7), self.size() - 1, self.size(),
                          self.size() + 1})
        EXPECT_EQ(self, ModuleFilePath(length)) << length;
}
