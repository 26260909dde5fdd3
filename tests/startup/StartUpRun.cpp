// The extractor started as a user or a script starts it: real packages,
// real message boxes, exit codes. The packages carry a program of the
// tests' own as their command; what it records (its command line) shows
// where the run put the files and what it handed over.
#include <windows.h>
#include <gtest/gtest.h>
#include "oxPackages.h"
#include "oxProcess.h"
#include "oxTest.h"
#include "oxWindows.h"

namespace {

const char Notice[] =
    "This is not a workable program, there is no utility in running it apart from seeing this notice.";

// The recorder's name in the packages. Some runs put it into the system
// and Windows folders, which every test program sees: the name is this
// program's own.
const std::string Recorder = "startup_rec.exe";

// The recorder program in a cabinet of its own, built once.
const std::string &RecorderCabinet()
{
    static std::string cabinet;
    if (cabinet.empty()) {
        const std::string folder = NewTestFolder("reccab");
        cabinet = CabinetOf({{BinFolder() + "payload_recorder.exe", Recorder}}, folder);
        RemoveTestFolder(folder);
    }
    return cabinet;
}

// Where the recorder of a run writes: folder + "record.txt", set for every
// child started from now on.
std::string RecordInto(const std::string &folder)
{
    const std::string record = folder + "record.txt";
    DeleteFileA(record.c_str());
    SetEnvironmentVariableA("OX_RECORD", record.c_str());
    return record;
}

// What the run handed over to the program it started: its folder (the
// destination) and the argument text; "<none>" when nothing was started.
struct THandOver {
    std::string Destination = "<none>";
    std::string Parameters = "<none>";
};

THandOver HandOver(const std::string &record)
{
    THandOver result;
    const std::string text = ReadWholeFile(record);
    const std::string line = text.substr(0, text.find("\r\n"));
    const size_t end = line.find(Recorder + "\"");
    if (line.empty() || line[0] != '"' || end == std::string::npos)
        return result;
    result.Destination = line.substr(1, end - 1);
    result.Parameters = line.size() > end + Recorder.size() + 2 ? line.substr(end + Recorder.size() + 2) : std::string();
    return result;
}

// A raw package whose command is the recorder, extracted from the cabinet
// behind the settings.
std::string WriteRecorderPackage(const std::string &path, std::vector<std::string> lines)
{
    // The command line comes three lines after the end of the licence.
    for (size_t i = 0; i + 3 < lines.size(); ++i)
        if (lines[i] == std::string("\0$LUMBO$\0", 9)) {
            lines[i + 3] = Recorder;
            break;
        }
    return WriteRawCabinetPackage(path, lines, RecorderCabinet());
}

std::string TempFolder()
{
    char buffer[MAX_PATH];
    GetTempPathA(MAX_PATH, buffer);
    return buffer;
}

std::string Quoted(const std::string &path) { return "\"" + path + "\""; }

struct TRun {
    DWORD ExitCode;
    std::string Output;
    bool BoxShown;
};

// Runs a package that is expected to show no window at all, and waits for
// the command it started too: its record is then complete and its files
// closed.
TRun RunWithoutWindows(const std::string &commandLine, const std::string &folder = std::string())
{
    TChild child = StartChild(commandLine, folder);
    TBox box = WaitForBox(child, 15000);
    if (box.Window)
        PressButton(box, box.Buttons.empty() ? IDOK : box.Buttons.front());
    DWORD code = FinishChild(child);
    EXPECT_TRUE(WaitForDescendants(child)) << "still running: " << RunningDescendants(child);
    return {code, child.Output, box.Window != nullptr};
}

std::vector<std::string> WithLine(std::vector<std::string> lines, size_t index, const std::string &value)
{
    lines[index] = value;
    return lines;
}

// The temporary folder of every child started while it lives: TMP and TEMP
// point at folder, and are put back afterwards.
struct TTemporaryFolder {
    char SavedTmp[MAX_PATH] = "", SavedTemp[MAX_PATH] = "";
    bool HadTmp, HadTemp;
    explicit TTemporaryFolder(const std::string &folder)
    {
        HadTmp = GetEnvironmentVariableA("TMP", SavedTmp, MAX_PATH) != 0;
        HadTemp = GetEnvironmentVariableA("TEMP", SavedTemp, MAX_PATH) != 0;
        SetEnvironmentVariableA("TMP", folder.c_str());
        SetEnvironmentVariableA("TEMP", folder.c_str());
    }
    ~TTemporaryFolder()
    {
        SetEnvironmentVariableA("TMP", HadTmp ? SavedTmp : nullptr);
        SetEnvironmentVariableA("TEMP", HadTemp ? SavedTemp : nullptr);
    }
};

// Indexes into RawSettingsLines (one licence line).
enum { Question = 4, Licence = 5, Completion = 7, Destination = 8, Command = 9, Parameters = 10,
       Megabytes = 11, PasswordFlag = 12, SilentFlag = 13 };

} // namespace

TEST(NotWorkable, BareExtractorShowsNoticeWithEmptyHeadingAndCaption)
{
    const std::string folder = NewTestFolder("bare");
    const std::string exe = folder + "bare.exe";
    ASSERT_TRUE(CopyFileA((BinFolder() + "oxtarn.exe").c_str(), exe.c_str(), FALSE));
    TChild child = StartChild(Quoted(exe));
    TBox box = WaitForBox(child);
    ASSERT_TRUE(box.Window) << "no box";
    EXPECT_EQ("", box.Caption);
    EXPECT_EQ(std::string("\r") + Notice + "\r\r", box.Text);
    EXPECT_EQ(ButtonsOf(MB_OK), box.Buttons);
    PressButton(box, IDOK);
    EXPECT_EQ(1u, FinishChild(child));
    // An unattended run never waits for a box, even before any settings.
    TRun silent = RunWithoutWindows(Quoted(exe) + " $SILENT$");
    EXPECT_FALSE(silent.BoxShown);
    EXPECT_EQ(1u, silent.ExitCode);
}

TEST(NotWorkable, SettingsWithoutEndOfLicenceLine)
{
    const std::string folder = NewTestFolder("nolicenceend");
    std::vector<std::string> lines = RawSettingsLines("$TEMP$");
    lines.erase(lines.begin() + Licence + 1);
    const std::string package = WriteRawPackage(folder + "package.exe", lines, "");
    TChild child = StartChild(Quoted(package));
    TBox box = WaitForBox(child);
    ASSERT_TRUE(box.Window);
    EXPECT_NE(std::string::npos, box.Text.find(Notice));
    PressButton(box, IDOK);
    EXPECT_EQ(1u, FinishChild(child));
}

TEST(SilentRun, DestinationPlaceholdersResolve)
{
    const std::string folder = NewTestFolder("placeholders");
    char system[MAX_PATH], windows[MAX_PATH];
    GetSystemDirectoryA(system, MAX_PATH);
    GetWindowsDirectoryA(windows, MAX_PATH);
    const std::string plain = NewTestFolder("plain");
    struct {
        std::string Line, Expected;
    } cases[] = {
        {"$EXE$", folder},
        {"$TEMP$", TempFolder()},
        {"$SYSTEM$", std::string(system) + "\\"},
        {"$WINDOWS$", std::string(windows) + "\\"},
        {"", folder},                                   // silent: the package's own folder
        {plain.substr(0, plain.size() - 1), plain},    // gets its trailing backslash
        {"$temp$", "$temp$\\"},                          // not a placeholder: a relative folder
    };
    const std::string record = RecordInto(folder);
    for (const auto &c : cases) {
        DeleteFileA(record.c_str());
        const std::string package =
            WriteRecorderPackage(folder + "package.exe", WithLine(RawSettingsLines(c.Line), Destination, c.Line));
        TRun run = RunWithoutWindows(Quoted(package) + " $SILENT$", folder);
        EXPECT_FALSE(run.BoxShown) << c.Line;
        EXPECT_EQ(0u, run.ExitCode) << c.Line;
        EXPECT_EQ(c.Expected, HandOver(record).Destination) << c.Line;
        // Not a work folder: the extracted files stay.
        const std::string extracted = (c.Expected[1] == ':' ? "" : folder) + c.Expected + Recorder;
        EXPECT_TRUE(DeleteFileA(extracted.c_str())) << extracted;
        // The settings copy lives only while the settings are read.
        EXPECT_EQ(INVALID_FILE_ATTRIBUTES, GetFileAttributesA((TempFolder() + "oxtarn.tmp").c_str()));
    }
}

TEST(SilentRun, InstallPlaceholderMakesNumberedWorkFolder)
{
    const std::string folder = NewTestFolder("install");
    const std::string temp = TempFolder();
    // Occupy the first numbers so that the run has to count past them.
    int first = 1;
    while (GetFileAttributesA((temp + "qbxr_installer" + std::to_string(first)).c_str()) != INVALID_FILE_ATTRIBUTES)
        ++first;
    const std::string taken = temp + "qbxr_installer" + std::to_string(first);
    ASSERT_TRUE(CreateDirectoryA(taken.c_str(), nullptr));
    const std::string expected = temp + "qbxr_installer" + std::to_string(first + 1) + "\\";

    const std::string record = RecordInto(folder);
    const std::string package =
        WriteRecorderPackage(folder + "package.exe", RawSettingsLines("$INSTALL$"));
    TRun run = RunWithoutWindows(Quoted(package) + " $SILENT$");
    RemoveDirectoryA(taken.c_str());
    EXPECT_FALSE(run.BoxShown);
    EXPECT_EQ(0u, run.ExitCode);
    EXPECT_EQ(expected, HandOver(record).Destination);
    // A work folder: gone with its files once the command has ended.
    EXPECT_EQ(INVALID_FILE_ATTRIBUTES, GetFileAttributesA(expected.c_str()));
}

TEST(SilentRun, QuestionAndLicenceAreNotShown)
{
    const std::string folder = NewTestFolder("silentquestions");
    std::vector<std::string> lines = RawSettingsLines("$EXE$");
    lines[Question] = "Do you want to go on?";
    lines[Licence] = "Licence line one";
    lines.insert(lines.begin() + Licence + 1, "Licence line two");
    lines[SilentFlag + 1] = "TRUE";  // silent by the package, not by an argument
    const std::string record = RecordInto(folder);
    TRun run = RunWithoutWindows(Quoted(WriteRecorderPackage(folder + "package.exe", lines)));
    EXPECT_FALSE(run.BoxShown);
    EXPECT_EQ(0u, run.ExitCode);
    EXPECT_EQ(folder, HandOver(record).Destination);
}

TEST(SilentRun, PasswordProtectedPackageEndsWithOneAndShowsNothing)
{
    const std::string folder = NewTestFolder("silentpassword");
    const std::string record = RecordInto(folder);
    const std::string package = WriteRecorderPackage(
        folder + "package.exe", WithLine(RawSettingsLines("$EXE$"), PasswordFlag, "TRUE"));
    TRun run = RunWithoutWindows(Quoted(package) + " $Silent$");
    EXPECT_FALSE(run.BoxShown);
    EXPECT_EQ(1u, run.ExitCode);
    EXPECT_EQ("<none>", HandOver(record).Destination);
}

// Only a destination the run made itself is removed after a failure; a
// folder that was there before stays, empty or not.
TEST(SilentRun, FatalErrorKeepsADestinationThatWasThereBefore)
{
    const std::string folder = NewTestFolder("silentfatal");
    const std::string empty = NewTestFolder("emptydest");
    const std::string full = NewTestFolder("fulldest");
    WriteWholeFile(full + "keep.txt", "mine");
    for (const std::string &destination : {empty, full}) {
        std::vector<std::string> lines = RawSettingsLines(destination);
        lines[Megabytes] = "4000000000";  // about 4 PB: never free
        const std::string record = RecordInto(folder);
        TRun run = RunWithoutWindows(Quoted(WriteRecorderPackage(folder + "package.exe", lines)) + " $SILENT$");
        EXPECT_FALSE(run.BoxShown);
        EXPECT_EQ(1u, run.ExitCode);
        EXPECT_EQ("<none>", HandOver(record).Destination);
    }
    EXPECT_NE(INVALID_FILE_ATTRIBUTES, GetFileAttributesA(empty.c_str()));
    EXPECT_EQ("mine", ReadWholeFile(full + "keep.txt"));
}

// The temporary folder as the destination is never the run's to remove,
// though it is empty when a damaged cabinet ends the run.
TEST(SilentRun, DamagedCabinetLeavesTheEmptyTemporaryFolderInPlace)
{
    const std::string folder = NewTestFolder("tempdest");
    const std::string temp = folder + "temp\\";
    ASSERT_TRUE(CreateDirectoryA(temp.c_str(), nullptr));
    const std::string package =
        WriteRawCabinetPackage(folder + "package.exe", RawSettingsLines("$TEMP$"), "MSCF" + std::string(200, 'x'));
    TRun run;
    {
        TTemporaryFolder redirected(temp);
        run = RunWithoutWindows(Quoted(package) + " $SILENT$");
    }
    EXPECT_FALSE(run.BoxShown);
    EXPECT_EQ(2u, run.ExitCode);
    EXPECT_NE(INVALID_FILE_ATTRIBUTES, GetFileAttributesA(temp.c_str()));
}

TEST(FreeSpace, FailureNamesTheRequiredBytes)
{
    const std::string folder = NewTestFolder("freespace");
    std::vector<std::string> lines = RawSettingsLines("$EXE$");
    lines[Megabytes] = "4000000000";
    TChild child = StartChild(Quoted(WriteRawPackage(folder + "package.exe", lines)));
    TBox box = WaitForBox(child);
    ASSERT_TRUE(box.Window);
    EXPECT_EQ("Kelvardo Tovrex - Raw", box.Caption);
    EXPECT_EQ("M35\rM11\rM124194304000000000\r\rM13\r\rM36", box.Text);
    EXPECT_EQ(ButtonsOf(MB_OK), box.Buttons);
    PressButton(box, IDOK);
    EXPECT_EQ(1u, FinishChild(child));
}

TEST(StartQuestion, NoEndsWithTwoBeforeAnyOtherDialog)
{
    const std::string folder = NewTestFolder("question");
    std::vector<std::string> lines = RawSettingsLines("$EXE$");
    lines[Question] = "Install the test?";
    lines[PasswordFlag] = "TRUE";
    const std::string package = WriteRawPackage(folder + "package.exe", lines);

    TChild declined = StartChild(Quoted(package));
    TBox box = WaitForBox(declined);
    ASSERT_TRUE(box.Window);
    EXPECT_EQ("Kelvardo Tovrex - Raw", box.Caption);
    EXPECT_EQ("Install the test?", box.Text);
    EXPECT_EQ(ButtonsOf(MB_YESNO), box.Buttons);
    PressButton(box, IDNO);
    EXPECT_EQ(2u, FinishChild(declined));

    // Yes goes on to the password, which comes before everything else.
    TChild accepted = StartChild(Quoted(package));
    box = WaitForBox(accepted);
    ASSERT_TRUE(box.Window);
    PressButton(box, IDYES);
    TBox next = WaitForNewBox(accepted, {box.Window});
    ASSERT_TRUE(next.Window);
    EXPECT_EQ("M55", next.Text);
    TerminateProcess(accepted.Process, 9);
    EXPECT_EQ(9u, FinishChild(accepted));
}

TEST(Arguments, SilentSwitchInAnyCaseAndParametersAppended)
{
    const std::string folder = NewTestFolder("arguments");
    const std::string record = RecordInto(folder);
    const std::string bare = WriteRecorderPackage(folder + "bare.exe", RawSettingsLines("$EXE$"));
    TRun run = RunWithoutWindows(Quoted(bare) + " $silent$ /q \"a b\"");
    EXPECT_FALSE(run.BoxShown);
    EXPECT_EQ(0u, run.ExitCode);
    // Empty parameters and the arguments: each argument after a blank,
    // with its own text.
    EXPECT_EQ(" /q \"a b\"", HandOver(record).Parameters);

    DeleteFileA(record.c_str());
    const std::string withParameters = WriteRecorderPackage(
        folder + "with.exe", WithLine(RawSettingsLines("$EXE$"), Parameters, "-x"));
    run = RunWithoutWindows(Quoted(withParameters) + " /q  \"\" $SILENT$ x\"y z\"");
    EXPECT_EQ("-x /q \"\" x\"y z\"", HandOver(record).Parameters);
}

// One argument stays one argument for the command, and what its quotes
// enclose stays text: the program sees the arguments as they were typed.
TEST(Arguments, EachArgumentReachesTheCommandWithItsOwnQuotes)
{
    const std::string folder = NewTestFolder("typedargs");
    const std::string record = RecordInto(folder);
    const std::string package = WriteRecorderPackage(
        folder + "setup.exe", WithLine(RawSettingsLines("$EXE$"), Parameters, "/from-settings"));
    TRun run = RunWithoutWindows(Quoted(package) + " \"/dir=C:\\a b /uninstall\" $Silent$ \"$SILENT$\" two\"  \"words");
    EXPECT_FALSE(run.BoxShown);
    EXPECT_EQ(0u, run.ExitCode);
    EXPECT_EQ("/from-settings \"/dir=C:\\a b /uninstall\" two\"  \"words", HandOver(record).Parameters);
}

// A batch file is run by the command interpreter, which would take an
// unquoted "&" as the start of a second command.
TEST(Arguments, QuotedAmpersandCannotStartASecondCommandFromABatchFile)
{
    const std::string folder = NewTestFolder("batchargs");
    const std::string batch = folder + "payload\\run.bat";
    const std::string output = folder + "batch.txt";
    const std::string injected = folder + "injected.txt";
    ASSERT_TRUE(CreateDirectoryA((folder + "payload").c_str(), nullptr));
    // Argument 1 is the package's argument: the script gets exactly its
    // parameters.
    ASSERT_TRUE(WriteWholeFile(batch, "@echo %1>\"" + output + "\"\r\n"));
    std::vector<std::string> lines = WithLine(RawSettingsLines(folder + "out"), Command, "run.bat");
    const std::string package = WriteRawCabinetPackage(folder + "package.exe", lines,
                                                       CabinetOf({{batch, "run.bat"}}, folder));
    const std::string argument = "\"x&echo INJECTED>" + injected + "\"";
    TRun run = RunWithoutWindows(Quoted(package) + " $SILENT$ " + argument);
    EXPECT_FALSE(run.BoxShown);
    EXPECT_EQ(0u, run.ExitCode);
    // The interpreter writes the text and the line end separately: the
    // line is read once it is whole.
    EXPECT_TRUE(WaitFor([&] {
        const std::string text = ReadWholeFile(output);
        return text.size() >= 2 && text.compare(text.size() - 2, 2, "\r\n") == 0;
    }, 10000)) << "the batch file did not run: " << ReadWholeFile(output);
    EXPECT_EQ(argument + "\r\n", ReadWholeFile(output));
    Sleep(500);
    EXPECT_EQ(INVALID_FILE_ATTRIBUTES, GetFileAttributesA(injected.c_str())) << "a second command ran";
}

// Nothing is written into the temporary folder under a fixed name, and
// nothing of such a name is deleted there: another user may have put it
// there, or a link to a file of the user's.
TEST(TemporaryFolder, AFilePlantedUnderTheSettingsCopysOldNameIsLeftAlone)
{
    const std::string folder = NewTestFolder("planted");
    const std::string temp = folder + "temp\\";
    ASSERT_TRUE(CreateDirectoryA(temp.c_str(), nullptr));
    ASSERT_TRUE(WriteWholeFile(temp + "oxtarn.tmp", "planted"));
    const std::string record = RecordInto(folder);
    TRun run;
    {
        TTemporaryFolder redirected(temp);
        run = RunWithoutWindows(
            Quoted(WriteRecorderPackage(folder + "package.exe", RawSettingsLines("$TEMP$"))) + " $SILENT$");
    }
    EXPECT_FALSE(run.BoxShown);
    EXPECT_EQ(0u, run.ExitCode);
    EXPECT_EQ(temp, HandOver(record).Destination);
    EXPECT_EQ("planted", ReadWholeFile(temp + "oxtarn.tmp"));
}

TEST(Arguments, PackageStartedByBareNameFindsItself)
{
    const std::string folder = NewTestFolder("relative");
    const std::string record = RecordInto(folder);
    WriteRecorderPackage(folder + "setup.exe", RawSettingsLines("$EXE$"));
    // The system looks for a bare program name in the starter's current
    // folder, as a console does.
    char previous[MAX_PATH];
    GetCurrentDirectoryA(MAX_PATH, previous);
    ASSERT_TRUE(SetCurrentDirectoryA(folder.c_str()));
    TRun run = RunWithoutWindows("setup $SILENT$", folder);
    SetCurrentDirectoryA(previous);
    EXPECT_FALSE(run.BoxShown);
    EXPECT_EQ(0u, run.ExitCode);
    EXPECT_EQ(folder, HandOver(record).Destination) << run.Output;
}

TEST(Packages, OxpackPackageRunsSilentlyToItsCommand)
{
    const std::string folder = NewTestFolder("oxpack");
    const std::string record = RecordInto(folder);
    TPackOptions options = TestPackOptions(folder);
    options.Files.push_back({BinFolder() + "payload_recorder.exe", Recorder});
    options.Destination = "$TEMP$";
    options.Command = Recorder;
    options.Parameters = "/x";
    options.Silent = true;
    TRun run = RunWithoutWindows(Quoted(BuildTestPackage(options)) + " more");
    EXPECT_FALSE(run.BoxShown);
    EXPECT_EQ(0u, run.ExitCode);
    EXPECT_EQ(TempFolder(), HandOver(record).Destination);
    EXPECT_EQ("/x more", HandOver(record).Parameters);
    DeleteFileA((TempFolder() + Recorder).c_str());
}
