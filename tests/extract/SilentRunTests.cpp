// Packages built with oxpack, run silently as a script would run them:
// every file written right, the command started as it should be, and the
// exit code that tells the caller what happened.
#include <windows.h>
#include <gtest/gtest.h>
#include "ExtractFixture.h"
#include "oxPackFixture.h"
#include "oxProcess.h"
#include "oxTest.h"
#include "oxWindows.h"
#include "util/mUtils.h"

namespace {

struct TScratch {
    std::string Root = NewTestFolder("extract");
    std::string Payload = Root + "payload\\";
    std::string Out = Root + "out\\";
    TScratch()
    {
        CreateDirectoryA(Payload.c_str(), nullptr);
        SetEnvironmentVariableA("OX_RECORD", RecordPath(Root).c_str());
    }
    ~TScratch()
    {
        SetEnvironmentVariableA("OX_RECORD", nullptr);
        RemoveTestFolder(Root);
    }
};

} // namespace

TEST(SilentRun, EveryFileByteForByteWithItsFoldersTimesAndAttributes)
{
    TScratch s;
    MakePayloadTree(s.Payload);
    for (TCompression compression : {TCompression::MsZip, TCompression::None}) {
        TPackOptions options = PackageOf(s.Payload, s.Root, s.Out);
        options.Compression = compression;
        options.CompletionMessage = "Shown only when not silent";
        const std::string package = BuildTestPackage(options);
        TRunResult run = RunPackage(package, "$SILENT$", s.Root);
        EXPECT_EQ(0u, run.ExitCode);
        EXPECT_FALSE(run.BoxShown) << run.BoxText;
        ExpectSameTree(s.Payload, s.Out);
        RemoveTestFolder(s.Out);
    }
}

TEST(SilentRun, DestinationsAndTheCommandLineOfTheStartedProgram)
{
    TScratch s;
    AddRecorder(s.Payload, "Setup.Exe");
    const std::string started = s.Root + "started\\";
    CreateDirectoryA(started.c_str(), nullptr);
    // Where the files land, and the program path as it is started: a
    // relative destination stays relative to the starting folder.
    struct {
        std::string Destination, Expected, Folder;
    } cases[] = {
        {s.Out, s.Out, s.Out},
        {"$EXE$", s.Root, s.Root},
        {"$TEMP$", TestTempFolder(), TestTempFolder()},
        {"relative dir", "relative dir\\", started + "relative dir\\"},
    };
    for (const auto &c : cases) {
        DeleteFileA(RecordPath(s.Root).c_str());
        TPackOptions options = PackageOf(s.Payload, s.Root, c.Destination);
        options.Command = "Setup.Exe";
        options.Parameters = "/q";
        const std::string package = BuildTestPackage(options);
        const std::string log = s.Root + "run.log";
        DeleteFileA(log.c_str());
        TRunResult run = RunPackage(package, "$silent$ \"a b\" c \"$LOG$=" + log + "\"", started);
        EXPECT_EQ(0u, run.ExitCode) << c.Destination << "\n" << ReadWholeFile(log);
        const std::vector<std::string> record = RecordLines(RecordPath(s.Root), 2);
        ASSERT_EQ(2u, record.size()) << c.Destination;
        // The program part is quoted; the package's own arguments follow
        // the parameters as they were typed; the program starts in the
        // folder the package was started in.
        EXPECT_EQ(Quoted(c.Expected + "Setup.Exe") + " /q \"a b\" c", record[0]);
        EXPECT_EQ(DropTrailingBackslash(started), record[1]);
        EXPECT_TRUE(ReadWholeFile(c.Folder + "Setup.Exe") == ReadWholeFile(s.Payload + "Setup.Exe"));
        DeleteFileA((c.Folder + "Setup.Exe").c_str());
    }
}

TEST(SilentRun, ProgramPathWithBlanksCannotStartAShorterOne)
{
    TScratch s;
    AddRecorder(s.Payload, "setup.exe");
    // Unquoted, "...\dest dir\setup.exe" would start "...\dest.exe".
    AddRecorder(s.Root, "dest.exe");
    TPackOptions options = PackageOf(s.Payload, s.Root, s.Root + "dest dir");
    options.Command = "setup.exe";
    const std::string package = BuildTestPackage(options);
    EXPECT_EQ(0u, RunPackage(package, "$SILENT$", s.Root).ExitCode);
    const std::vector<std::string> record = RecordLines(RecordPath(s.Root), 2);
    ASSERT_EQ(2u, record.size());
    EXPECT_EQ(Quoted(s.Root + "dest dir\\setup.exe"), record[0]);
}

TEST(SilentRun, InstallRunWaitsForTheCommandThenRemovesTheWorkFolder)
{
    TScratch s;
    MakePayloadTree(s.Payload);
    SetFileAttributesA((s.Payload + "readonly.txt").c_str(), FILE_ATTRIBUTE_NORMAL);
    AddRecorder(s.Payload + "sub\\", "install.exe");
    TPackOptions options = PackageOf(s.Payload, s.Root, "$INSTALL$");
    options.Command = "sub\\install.exe";
    options.Parameters = "sleep=1500";
    const std::string package = BuildTestPackage(options);
    EXPECT_EQ(0u, RunPackage(package, "$SILENT$", s.Root).ExitCode);
    const std::vector<std::string> record = RecordLines(RecordPath(s.Root));
    // Ended before the run did: the run waited for it.
    ASSERT_EQ(3u, record.size());
    EXPECT_EQ("end", record[2]);
    const std::string prefix = "\"" + TestTempFolder() + "qbxr_installer";
    ASSERT_EQ(prefix, record[0].substr(0, prefix.size())) << record[0];
    const std::string workFolder = record[0].substr(1, record[0].find("\\sub\\install.exe") - 1);
    EXPECT_EQ(Quoted(workFolder + "\\sub\\install.exe") + " sleep=1500", record[0]);
    EXPECT_EQ(INVALID_FILE_ATTRIBUTES, GetFileAttributesA(workFolder.c_str())) << workFolder;
}

TEST(SilentRun, InstallRunWithoutCommandStillRemovesTheWorkFolder)
{
    TScratch s;
    ASSERT_TRUE(WriteWholeFile(s.Payload + "only.txt", "x"));
    TPackOptions options = PackageOf(s.Payload, s.Root, "$INSTALL$");
    const std::vector<std::string> before = WorkFolders();
    EXPECT_EQ(0u, RunPackage(BuildTestPackage(options), "$SILENT$", s.Root).ExitCode);
    EXPECT_EQ(before, WorkFolders());
}

namespace {

struct TFoundWindow {
    const char *Title;
    HWND Window;
};

BOOL CALLBACK MatchTitle(HWND window, LPARAM data)
{
    TFoundWindow *found = reinterpret_cast<TFoundWindow *>(data);
    char title[MAX_PATH] = "";
    GetWindowTextA(window, title, sizeof title);
    if (IsWindowVisible(window) && lstrcmpA(title, found->Title) == 0) {
        found->Window = window;
        return FALSE;
    }
    return TRUE;
}

HWND WaitForTopWindow(const char *title, DWORD timeoutMs)
{
    TFoundWindow found = {title, nullptr};
    for (DWORD waited = 0; waited < timeoutMs && !found.Window; waited += 100) {
        EnumWindows(MatchTitle, reinterpret_cast<LPARAM>(&found));
        if (!found.Window)
            Sleep(100);
    }
    return found.Window;
}

} // namespace

TEST(SilentRun, ExploreOpensAWindowOnTheDestination)
{
    TScratch s;
    ASSERT_TRUE(WriteWholeFile(s.Payload + "shown.txt", "x"));
    // The shell names its window after the folder it shows.
    const char *name = "explored by oxtarn";
    TPackOptions options = PackageOf(s.Payload, s.Root, s.Root + name);
    options.Command = "$EXPLORE$";
    // The shell's window stays open after the run: not RunPackage, which
    // would wait for it.
    const std::string log = s.Root + "explore.log";
    TChild child = StartChild(Quoted(BuildTestPackage(options)) + " $SILENT$ \"$LOG$=" + log + "\"", s.Root);
    EXPECT_EQ(0u, FinishChild(child));
    EXPECT_EQ("x", ReadWholeFile(s.Root + name + "\\shown.txt"));
    // Its trailing backslash doubled, so that it does not escape the quote.
    EXPECT_NE(std::string::npos, ReadWholeFile(log).find(name + std::string("\\\\\" "))) << ReadWholeFile(log);
    HWND window = WaitForTopWindow(name, 15000);
    EXPECT_TRUE(window) << "no shell window on the destination";
    if (window)
        PostMessageA(window, WM_CLOSE, 0, 0);
    EXPECT_TRUE(WaitForDescendants(child)) << "the shell's window did not close";
}

// A command that cannot be started fails the run: exit code 1 after the
// work folder is gone, silently, or with the file and the system's reason
// in place of the completion message.
TEST(SilentRun, CommandThatCannotBeStartedEndsWithOneAfterTheCleanUp)
{
    TScratch s;
    ASSERT_TRUE(WriteWholeFile(s.Payload + "only.txt", "x"));
    TPackOptions options = PackageOf(s.Payload, s.Root, "$INSTALL$");
    options.Command = "missing.exe";
    options.AllowMissingCommand = true;  // oxpack refuses it otherwise
    options.CompletionMessage = "All done";
    const std::string package = BuildTestPackage(options);
    const std::vector<std::string> before = WorkFolders();

    TRunResult run = RunPackage(package, "$SILENT$", s.Root);
    EXPECT_EQ(1u, run.ExitCode);
    EXPECT_FALSE(run.BoxShown) << run.BoxText;
    EXPECT_EQ(before, WorkFolders());

    run = RunAndAnswer(package, s.Root);
    EXPECT_EQ(1u, run.ExitCode);
    EXPECT_NE(std::string::npos, run.BoxText.find("\\missing.exe\r")) << run.BoxText;
    EXPECT_EQ(std::string::npos, run.BoxText.find("All done")) << run.BoxText;
    EXPECT_EQ(before, WorkFolders());
}
