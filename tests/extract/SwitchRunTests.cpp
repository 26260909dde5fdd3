// Packages run the way administrators run them in bulk: the switches on
// the command line, alone and together, the exit code the caller gets,
// and the log of the run.
#include <windows.h>
#include <cstring>
#include <gtest/gtest.h>
#include "ExtractFixture.h"
#include "oxPackFixture.h"
#include "oxProcess.h"
#include "oxTest.h"
#include "oxWindows.h"
#include "ui/uResourceIds.h"
#include "util/mUtils.h"

namespace {

// A payload with the recorder as Setup.exe and one more file, a folder the
// package is started from, and the recorder's record.
struct TSwitchScratch {
    std::string Root = NewTestFolder("switches");
    std::string Payload = Root + "payload\\";
    std::string Record = RecordPath(Root);
    TSwitchScratch()
    {
        CreateDirectoryA(Payload.c_str(), nullptr);
        AddRecorder(Payload, "Setup.exe");
        WriteWholeFile(Payload + "data.txt", "payload data");
        SetEnvironmentVariableA("OX_RECORD", Record.c_str());
    }
    ~TSwitchScratch()
    {
        SetEnvironmentVariableA("OX_RECORD", nullptr);
        RemoveTestFolder(Root);
    }
    // A package of the payload with Setup.exe as its command.
    std::string Package(const std::string &name, const std::string &destination,
                        const std::string &parameters = std::string(), const std::string &password = std::string())
    {
        TPackOptions options = PackageOf(Payload, Root, destination);
        options.OutputPath = Root + name;
        options.Command = "Setup.exe";
        options.Parameters = parameters;
        options.PasswordProtected = !password.empty();
        options.Password = password;
        return BuildTestPackage(options);
    }
    bool Started() { return FileExists(Record); }
};

// The log's lines without their time stamps.
std::vector<std::string> LogSteps(const std::string &path)
{
    std::vector<std::string> steps;
    const std::string text = ReadWholeFile(path);
    for (size_t at = 0; at < text.size();) {
        size_t end = text.find("\r\n", at);
        if (end == std::string::npos)
            end = text.size();
        const std::string line = text.substr(at, end - at);
        steps.push_back(line.size() > 20 ? line.substr(20) : line);
        at = end + 2;
    }
    return steps;
}

// The first step that starts with prefix, or "<missing prefix>".
std::string Step(const std::vector<std::string> &steps, const std::string &prefix)
{
    for (const std::string &step : steps)
        if (step.compare(0, prefix.size(), prefix) == 0)
            return step;
    return "<missing " + prefix + ">";
}

std::string Joined(const std::vector<std::string> &steps)
{
    std::string text;
    for (const std::string &step : steps)
        text += step + "\n";
    return text;
}

} // namespace

TEST(DestinationSwitch, ReplacesThePackagesFolderAndTheWorkFolderWhichThenStays)
{
    TSwitchScratch s;
    const std::string fixed = s.Root + "fixed\\";
    const std::string given = s.Root + "given folder\\new";
    TRunResult run = RunPackage(s.Package("fixed.exe", fixed), "$SILENT$ \"$DESTINATION$=" + given + "\"", s.Root);
    EXPECT_EQ(0u, run.ExitCode);
    EXPECT_EQ("payload data", ReadWholeFile(given + "\\data.txt"));
    EXPECT_FALSE(IsFolderPresent(fixed));
    // The switch is consumed: the command gets nothing of it.
    std::vector<std::string> record = RecordLines(s.Record, 2);
    ASSERT_EQ(2u, record.size());
    EXPECT_EQ(Quoted(given + "\\Setup.exe"), record[0]);

    // An install package: no work folder, the command is still waited
    // for, and the files stay where the user asked for them.
    DeleteFileA(s.Record.c_str());
    const std::string installed = s.Root + "installed";
    const std::vector<std::string> before = WorkFolders();
    run = RunPackage(s.Package("install.exe", "$INSTALL$", "sleep=1000"), "$silent$ \"$Destination$=" + installed + "\"",
                     s.Root);
    EXPECT_EQ(0u, run.ExitCode);
    record = RecordLines(s.Record);
    ASSERT_EQ(3u, record.size());
    EXPECT_EQ(Quoted(installed + "\\Setup.exe") + " sleep=1000", record[0]);
    EXPECT_EQ("end", record[2]);
    EXPECT_EQ("payload data", ReadWholeFile(installed + "\\data.txt"));
    EXPECT_TRUE(FileExists(installed + "\\Setup.exe"));
    EXPECT_EQ(before, WorkFolders());
}

TEST(DestinationSwitch, RelativeOrEmptyFolderIsRefusedWithOneBeforeAnythingIsWritten)
{
    TSwitchScratch s;
    const std::string package = s.Package("fixed.exe", s.Root + "fixed");
    // Too long for the file calls, alone or with the command below it.
    const std::string tooLong = s.Root + std::string(260 - s.Root.size(), 'd');
    const std::string noRoomForCommand = s.Root + std::string(251 - s.Root.size(), 'c');
    // 259 in a new folder: with its backslash too long, so not even the
    // new parent is made.
    const std::string inNewFolder = s.Root + "new\\" + std::string(255 - s.Root.size(), 'n');
    // Fits, but not with the command below it: not even the new parent.
    const std::string noRoomInNewFolder = s.Root + "room\\" + std::string(246 - s.Root.size(), 'r');
    for (const char *folder : {"relative", "C:relative", "\\rooted", "", tooLong.c_str(), noRoomForCommand.c_str(),
                               inNewFolder.c_str(), noRoomInNewFolder.c_str()}) {
        TRunResult run = RunPackage(package, std::string("$SILENT$ \"$DESTINATION$=") + folder + "\"", s.Root);
        EXPECT_EQ(1u, run.ExitCode) << folder;
        EXPECT_FALSE(run.BoxShown) << folder << ": " << run.BoxText;
        EXPECT_FALSE(IsFolderPresent(folder)) << folder;
    }
    EXPECT_FALSE(IsFolderPresent(s.Root + "relative"));
    EXPECT_FALSE(IsFolderPresent(s.Root + "new"));
    EXPECT_FALSE(IsFolderPresent(s.Root + "room"));
    EXPECT_FALSE(IsFolderPresent(s.Root + "fixed"));
    EXPECT_FALSE(s.Started());

    // With a user in front of it: the destination dialog's refusal text
    // and the folder, as a fatal box.
    TRunResult shown = RunPackage(package, "$DESTINATION$=relative", s.Root, 5000);
    EXPECT_EQ(1u, shown.ExitCode);
    EXPECT_TRUE(shown.BoxShown);
    EXPECT_NE(std::string::npos, shown.BoxText.find("relative")) << shown.BoxText;
}

TEST(ExtractOnlySwitch, StartsNothingShowsNothingAndLeavesTheFiles)
{
    TSwitchScratch s;
    const std::string out = s.Root + "out\\";
    TPackOptions options = PackageOf(s.Payload, s.Root, out);
    options.Command = "Setup.exe";
    options.CompletionMessage = "Never shown when extracting only";
    TRunResult run = RunPackage(BuildTestPackage(options), "$EXTRACTONLY$", s.Root, 10000);
    EXPECT_EQ(0u, run.ExitCode);
    EXPECT_FALSE(run.BoxShown) << run.BoxText;
    EXPECT_EQ("payload data", ReadWholeFile(out + "data.txt"));
    EXPECT_FALSE(s.Started());
}

TEST(ExtractOnlySwitch, InstallPackageAsksForTheDestinationOrTakesTheGivenOne)
{
    TSwitchScratch s;
    const std::string package = s.Package("install.exe", "$INSTALL$");
    const std::vector<std::string> before = WorkFolders();
    // Silent: as a silent run of a package without destination, into the
    // package's own folder; no work folder, nothing removed.
    TRunResult run = RunPackage(package, "$SILENT$ $EXTRACTONLY$", s.Root);
    EXPECT_EQ(0u, run.ExitCode);
    EXPECT_EQ("payload data", ReadWholeFile(s.Root + "data.txt"));
    EXPECT_EQ(before, WorkFolders());
    EXPECT_FALSE(s.Started());

    // With a destination: there, and it stays.
    const std::string given = s.Root + "given";
    run = RunPackage(package, "$EXTRACTONLY$ $SILENT$ \"$DESTINATION$=" + given + "\"", s.Root);
    EXPECT_EQ(0u, run.ExitCode);
    EXPECT_EQ("payload data", ReadWholeFile(given + "\\data.txt"));
    EXPECT_EQ(before, WorkFolders());
    EXPECT_FALSE(s.Started());

    // With a user: the destination dialog comes up instead of a work folder.
    TChild child = StartChild(Quoted(package) + " $EXTRACTONLY$", s.Root);
    ASSERT_TRUE(child.Process);
    HWND dialog = WaitForDialog(child, IDC_DEST_FOLDER, 20000);
    EXPECT_TRUE(dialog) << "no destination dialog";
    TerminateProcess(child.Process, 9);
    FinishChild(child);
}

TEST(PasswordSwitch, OpensAProtectedPackageWithoutTheDialogSilentOrNot)
{
    // Each run extracts to a folder of its own: the command a run starts
    // from its folder may still be running when the next run begins.
    TSwitchScratch s;
    const std::string out = s.Root + "out\\";
    const std::string package = s.Package("protected.exe", out, std::string(), "Open Sesame");
    TRunResult run = RunPackage(package, "$SILENT$ \"$PASSWORD$=Open Sesame\"", s.Root);
    EXPECT_EQ(0u, run.ExitCode);
    EXPECT_EQ("payload data", ReadWholeFile(out + "data.txt"));

    // Not silent: the progress dialog only, no password dialog.
    const std::string shown = s.Root + "shown";
    run = RunPackage(package, "\"$PASSWORD$=Open Sesame\" \"$DESTINATION$=" + shown + "\"", s.Root, 15000);
    EXPECT_EQ(0u, run.ExitCode);
    EXPECT_FALSE(run.BoxShown) << run.BoxText;
    EXPECT_EQ("payload data", ReadWholeFile(shown + "\\data.txt"));

    // Without it a silent run still ends with 1; a wrong one ends as a
    // wrong typed one does: the cabinet is not recognised, exit code 2,
    // nothing written.
    const std::string wrong = s.Root + "wrong";
    EXPECT_EQ(1u, RunPackage(package, "$SILENT$ \"$DESTINATION$=" + wrong + "\"", s.Root).ExitCode);
    run = RunPackage(package, "$SILENT$ $PASSWORD$=open \"$DESTINATION$=" + wrong + "\"", s.Root);
    EXPECT_EQ(2u, run.ExitCode);
    EXPECT_FALSE(FileExists(wrong + "\\data.txt"));
    EXPECT_FALSE(FileExists(wrong + "\\Setup.exe"));
}

TEST(PassExitCodeSwitch, WaitedCommandsCodeOnlyWhenAskedAndOnlyWhenWaited)
{
    TSwitchScratch s;
    const std::string install = s.Package("install.exe", "$INSTALL$", "exit=7");
    EXPECT_EQ(0u, RunPackage(install, "$SILENT$", s.Root).ExitCode);
    EXPECT_EQ(7u, RunPackage(install, "$SILENT$ $PASSEXITCODE$", s.Root).ExitCode);
    EXPECT_EQ(7u, RunPackage(install, "$passexitcode$ $SILENT$", s.Root).ExitCode);

    // Not waited for (an ordinary destination): the run does not know it.
    const std::string plain = s.Package("plain.exe", s.Root + "out", "exit=7");
    EXPECT_EQ(0u, RunPackage(plain, "$SILENT$ $PASSEXITCODE$", s.Root).ExitCode);

    // A command that cannot be started is the run's own failure: 1.
    TPackOptions options = PackageOf(s.Payload, s.Root, "$INSTALL$");
    options.OutputPath = s.Root + "missing.exe";
    options.Command = "missing.exe";
    options.AllowMissingCommand = true;  // oxpack refuses it otherwise
    EXPECT_EQ(1u, RunPackage(BuildTestPackage(options), "$SILENT$ $PASSEXITCODE$", s.Root).ExitCode);
}

TEST(PackageSwitches, OddLetterCasesAreConsumedAndLookalikesPassThroughInOrder)
{
    TSwitchScratch s;
    const std::string folder = s.Root + "odd";
    const std::string log = s.Root + "odd.log";
    const std::string package = s.Package("odd.exe", s.Root + "unused", "/q");
    TRunResult run = RunPackage(package,
                                "a $sIlEnT$ x$DESTINATION$=y \"$dEsTiNaTiOn$=" + folder + "\" $DESTINATION$x \"$LoG$=" +
                                    log + "\" $PassExitCode$ $SILENT$=no z",
                                s.Root);
    EXPECT_EQ(0u, run.ExitCode);
    const std::vector<std::string> record = RecordLines(s.Record, 2);
    ASSERT_EQ(2u, record.size());
    EXPECT_EQ(Quoted(folder + "\\Setup.exe") + " /q a x$DESTINATION$=y $DESTINATION$x $SILENT$=no z", record[0]);
    EXPECT_TRUE(FileExists(log));
    EXPECT_FALSE(IsFolderPresent(s.Root + "unused"));
}

// A silent run keeps an existing file; $OVERWRITE$ replaces it, silent or
// not, without the question, and the log says which.
TEST(OverwriteSwitch, ReplacesWhatASilentRunWouldKeepWithoutAsking)
{
    TSwitchScratch s;
    const std::string installed = s.Root + "installed\\", log = s.Root + "overwrite.log";
    const std::string package = s.Package("update.exe", installed);
    const struct {
        const char *Arguments, *Expected, *Logged;
    } cases[] = {{"$SILENT$", "old data", "existing file kept: "},
                 {"$SILENT$ $OVERWRITE$", "payload data", "existing file replaced: "},
                 {"$overwrite$", "payload data", "existing file replaced: "}};
    for (const auto &c : cases) {
        ASSERT_TRUE(CreateFolderTree(installed) && WriteWholeFile(installed + "data.txt", "old data"));
        DeleteFileA(log.c_str());
        TRunResult run = RunPackage(package, std::string(c.Arguments) + " \"$LOG$=" + log + "\"", s.Root, 10000);
        EXPECT_EQ(0u, run.ExitCode) << c.Arguments;
        EXPECT_FALSE(run.BoxShown) << c.Arguments << ": " << run.BoxText;
        EXPECT_EQ(c.Expected, ReadWholeFile(installed + "data.txt")) << c.Arguments;
        const std::string line = c.Logged + installed + "data.txt";
        EXPECT_EQ(0u, Step(LogSteps(log), line).find(line)) << c.Arguments;
    }

    // The old file cannot be set aside (held open): after Ignore the log
    // says the file was skipped, never that it was replaced.
    ASSERT_TRUE(WriteWholeFile(installed + "data.txt", "old data"));
    HANDLE held = CreateFileA((installed + "data.txt").c_str(), GENERIC_READ, FILE_SHARE_READ, nullptr, OPEN_EXISTING,
                              0, nullptr);
    DeleteFileA(log.c_str());
    TRunResult run = RunAndAnswer(package, s.Root, IDIGNORE, "$OVERWRITE$ \"$LOG$=" + log + "\"");
    CloseHandle(held);
    EXPECT_EQ(0u, run.ExitCode);
    EXPECT_EQ("old data", ReadWholeFile(installed + "data.txt"));
    const std::vector<std::string> steps = LogSteps(log);
    EXPECT_EQ(0u, Step(steps, "file skipped after Ignore: " + installed + "data.txt").find("file skipped"));
    for (const std::string &step : steps)
        EXPECT_TRUE(step.find(installed + "data.txt") == std::string::npos || step.find("replaced") == std::string::npos)
            << step;
}

TEST(HelpSwitch, ListsTheSwitchesAndExitCodesThenEndsWithZero)
{
    TSwitchScratch s;
    const std::string out = s.Root + "out";
    TRunResult run = RunPackage(s.Package("help.exe", out), "$help$", s.Root, 5000);
    EXPECT_EQ(0u, run.ExitCode);
    ASSERT_TRUE(run.BoxShown);
    for (const char *text : {"$DESTINATION$=FOLDER", "$PASSWORD$=TEXT", "$EXTRACTONLY$", "$PASSEXITCODE$",
                             "$LOG$=FILE", "$SILENT$", "Exit codes"})
        EXPECT_NE(std::string::npos, run.BoxText.find(text)) << text;
    EXPECT_FALSE(IsFolderPresent(out));
    EXPECT_FALSE(s.Started());

    // A silent run shows nothing: the help goes to the log.
    const std::string log = s.Root + "help log.txt";
    run = RunPackage(s.Root + "help.exe", "$SILENT$ $help$ \"$LOG$=" + log + "\"", s.Root, 5000);
    EXPECT_EQ(0u, run.ExitCode);
    EXPECT_FALSE(run.BoxShown) << run.BoxText;
    EXPECT_NE(std::string::npos, ReadWholeFile(log).find("$PASSWORD$=TEXT"));

    // Started from a console, silent or not: the help goes to the output
    // redirected, or else to the console, and nothing is shown.
    const HANDLE output = GetStdHandle(STD_OUTPUT_HANDLE), error = GetStdHandle(STD_ERROR_HANDLE);
    FreeConsole();
    ASSERT_TRUE(AllocConsole());
    TChild piped = StartChild(Quoted(s.Root + "help.exe") + " $SILENT$ $help$", s.Root);
    EXPECT_EQ(0u, FinishChild(piped));
    EXPECT_NE(std::string::npos, piped.Output.find("$PASSWORD$=TEXT\r\n")) << piped.Output;
    STARTUPINFOA startup = {sizeof startup};
    PROCESS_INFORMATION started = {};
    std::string line = Quoted(s.Root + "help.exe") + " $help$";
    ASSERT_TRUE(CreateProcessA(nullptr, &line[0], nullptr, nullptr, FALSE, 0, nullptr, nullptr, &startup, &started));
    EXPECT_EQ(WAIT_OBJECT_0, WaitForSingleObject(started.hProcess, 20000));
    DWORD code = 1;
    EXPECT_TRUE(GetExitCodeProcess(started.hProcess, &code) && code == 0);
    CloseHandle(started.hProcess);
    CloseHandle(started.hThread);
    HANDLE console = CreateFileW(L"CONOUT$", GENERIC_READ | GENERIC_WRITE, FILE_SHARE_READ | FILE_SHARE_WRITE,
                                 nullptr, OPEN_EXISTING, 0, nullptr);
    CONSOLE_SCREEN_BUFFER_INFO buffer = {};
    GetConsoleScreenBufferInfo(console, &buffer);
    std::wstring shown(static_cast<size_t>(buffer.dwSize.X) * buffer.dwCursorPosition.Y, L' ');
    DWORD read = 0;
    ReadConsoleOutputCharacterW(console, &shown[0], static_cast<DWORD>(shown.size()), COORD{0, 0}, &read);
    CloseHandle(console);
    FreeConsole();
    SetStdHandle(STD_OUTPUT_HANDLE, output);
    SetStdHandle(STD_ERROR_HANDLE, error);
    EXPECT_NE(std::wstring::npos, shown.find(L"$PASSWORD$=TEXT")) << std::string(shown.begin(), shown.end());
}

TEST(RunLog, UnattendedProtectedInstallLogsEveryStepAndEndsWithTheCommandsCode)
{
    TSwitchScratch s;
    const std::string log = s.Root + "run log.txt";
    const std::string package = s.Package("setup.exe", "$INSTALL$", "exit=7", "Open Sesame");
    const std::vector<std::string> before = WorkFolders();
    TRunResult run = RunPackage(package, "$SILENT$ \"$PASSWORD$=Open Sesame\" \"$LOG$=" + log + "\" $PASSEXITCODE$",
                                s.Root);
    EXPECT_EQ(7u, run.ExitCode);
    EXPECT_EQ(before, WorkFolders());

    const std::vector<std::string> steps = LogSteps(log);
    const std::string all = Joined(steps);
    EXPECT_EQ(std::string::npos, all.find("Open Sesame")) << all;
    const std::string start = Step(steps, "start: ");
    EXPECT_NE(std::string::npos, start.find("setup.exe, oxtarn ")) << all;
    EXPECT_NE(std::string::npos, start.find("arguments: $SILENT$ $PASSWORD$=*** ")) << all;
    EXPECT_EQ("title: Extraction test", Step(steps, "title: "));
    EXPECT_EQ("command: Setup.exe", Step(steps, "command: "));
    EXPECT_EQ("password: given with $PASSWORD$", Step(steps, "password: "));
    const std::string destination = Step(steps, "destination: ");
    EXPECT_EQ(0u, destination.find("destination: " + TestTempFolder() + "qbxr_installer")) << all;
    EXPECT_NE("<missing free space: >", Step(steps, "free space: "));
    const std::string workFolder = destination.substr(13, destination.find('\\', 13 + TestTempFolder().size()) - 12);
    EXPECT_EQ("file written: " + workFolder + "data.txt (12 bytes)", Step(steps, "file written: " + workFolder + "d"));
    EXPECT_EQ(0u, Step(steps, "command line: ").find("command line: " + Quoted(workFolder + "Setup.exe"))) << all;
    EXPECT_EQ("command ended: exit code 7", Step(steps, "command ended: "));
    EXPECT_EQ("clean-up: work folder removed: " + workFolder, Step(steps, "clean-up: "));
    EXPECT_EQ(0u, steps.back().find("end: exit code 7, after ")) << all;
    // The steps come in the order of the run.
    const char *order[] = {"start: ", "title: ", "password: ", "destination: ", "free space: ", "file written: ",
                           "command line: ", "command ended: ", "clean-up: ", "end: "};
    size_t last = 0;
    for (const char *prefix : order) {
        size_t at = 0;
        while (at < steps.size() && steps[at].compare(0, strlen(prefix), prefix) != 0)
            ++at;
        EXPECT_LT(at, steps.size()) << prefix;
        EXPECT_GE(at, last) << prefix << "\n" << all;
        last = at;
    }

    // A second run appends.
    RunPackage(package, "$SILENT$ $PASSWORD$=x $LOG$=\"" + log + "\"", s.Root);
    size_t starts = 0;
    for (const std::string &step : LogSteps(log))
        starts += step.compare(0, 7, "start: ") == 0;
    EXPECT_EQ(2u, starts);
}

TEST(RunLog, FailedRunsLogTheAnswerGivenAndTheExitCode)
{
    TSwitchScratch s;
    const std::string log = s.Root + "failed.log";
    const std::string package = s.Package("protected.exe", s.Root + "out", std::string(), "right");
    // A silent run that needs a password.
    EXPECT_EQ(1u, RunPackage(package, "$SILENT$ \"$LOG$=" + log + "\"", s.Root).ExitCode);
    std::vector<std::string> steps = LogSteps(log);
    EXPECT_EQ("password: needed, none given in a silent run", Step(steps, "password: ")) << Joined(steps);
    EXPECT_EQ(0u, steps.back().find("end: exit code 1, after ")) << Joined(steps);

    // A wrong password: the damaged-package box, answered for the user.
    DeleteFileA(log.c_str());
    EXPECT_EQ(2u, RunPackage(package, "$SILENT$ $PASSWORD$=wrong \"$LOG$=" + log + "\"", s.Root).ExitCode);
    steps = LogSteps(log);
    const std::string box = Step(steps, "box (silent run): ");
    EXPECT_NE(std::string::npos, box.find(DefaultMessages()[42])) << Joined(steps);
    EXPECT_EQ(box.size() - 6, box.rfind(" -> OK")) << box;
    EXPECT_EQ("<missing file written: >", Step(steps, "file written: "));
    EXPECT_EQ(0u, steps.back().find("end: exit code 2, after ")) << Joined(steps);
}

TEST(RunLog, LogThatCannotBeOpenedDoesNotStopASilentRun)
{
    TSwitchScratch s;
    const std::string out = s.Root + "out\\";
    const std::string package = s.Package("plain.exe", out);
    TRunResult run = RunPackage(package, "$SILENT$ \"$LOG$=" + s.Root + "no folder\\run.log\"", s.Root);
    EXPECT_EQ(0u, run.ExitCode);
    EXPECT_FALSE(run.BoxShown) << run.BoxText;
    EXPECT_EQ("payload data", ReadWholeFile(out + "data.txt"));
    EXPECT_FALSE(IsFolderPresent(s.Root + "no folder"));

    // The package itself is no log: nothing is appended to it.
    const std::string bytes = ReadWholeFile(package);
    EXPECT_EQ(0u, RunPackage(package, "$SILENT$ \"$LOG$=" + package + "\"", s.Root).ExitCode);
    EXPECT_TRUE(ReadWholeFile(package) == bytes) << "the package has changed";
}
