// The extractor started as a user or a script starts it: real packages,
// real message boxes, exit codes. The extraction itself is not built yet;
// the run reports what it hands over on standard output, then stops with
// exit code 1.
#include <windows.h>
#include <gtest/gtest.h>
#include "oxPackages.h"
#include "oxProcess.h"
#include "oxTest.h"

namespace {

const char Notice[] =
    "This is not a workable program, there is no utility in running it apart from seeing this notice.";

// Value of a "Name=value" line of the hand-over output; "<none>" when the
// run never reached the hand-over.
std::string HandOver(const std::string &output, const std::string &name)
{
    const std::string text = "\n" + output;
    const size_t at = text.find("\n" + name + "=");
    if (at == std::string::npos)
        return "<none>";
    const size_t start = at + name.size() + 2;
    return text.substr(start, text.find("\r\n", start) - start);
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

// Runs a package that is expected to show no window at all.
TRun RunWithoutWindows(const std::string &commandLine, const std::string &folder = std::string())
{
    TChild child = StartChild(commandLine, folder);
    TBox box = WaitForBox(child, 15000);
    if (box.Window)
        PressButton(box, box.Buttons.empty() ? IDOK : box.Buttons.front());
    DWORD code = FinishChild(child);
    return {code, child.Output, box.Window != nullptr};
}

std::vector<std::string> WithLine(std::vector<std::string> lines, size_t index, const std::string &value)
{
    lines[index] = value;
    return lines;
}

// Indexes into RawSettingsLines (one licence line).
enum { Question = 4, Licence = 5, Completion = 7, Destination = 8, Command = 9, Parameters = 10,
       Megabytes = 11, PasswordFlag = 12, SilentFlag = 13 };

} // namespace

TEST(NotWorkable, BareExtractorShowsNoticeWithEmptyHeadingAndCaption)
{
    const std::string folder = NewTestFolder("bare");
    const std::string exe = folder + "bare.exe";
    ASSERT_TRUE(CopyFileA((BinFolder() + "oxtarn.exe").c_str(), exe.c_str(), FALSE));
    // "$SILENT$" cannot silence it: the settings were never read.
    for (const char *arguments : {"", " $SILENT$"}) {
        TChild child = StartChild(Quoted(exe) + arguments);
        TBox box = WaitForBox(child);
        ASSERT_TRUE(box.Window) << "no box for arguments '" << arguments << "'";
        EXPECT_EQ("", box.Caption);
        EXPECT_EQ(std::string("\r") + Notice + "\r\r", box.Text);
        EXPECT_EQ(ButtonsOf(MB_OK), box.Buttons);
        PressButton(box, IDOK);
        EXPECT_EQ(1u, FinishChild(child));
    }
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
    EXPECT_EQ("<none>", HandOver(child.Output, "Destination"));
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
    for (const auto &c : cases) {
        const std::string package =
            WriteRawPackage(folder + "package.exe", WithLine(RawSettingsLines(c.Line), Destination, c.Line));
        TRun run = RunWithoutWindows(Quoted(package) + " $SILENT$", folder);
        EXPECT_FALSE(run.BoxShown) << c.Line;
        EXPECT_EQ(1u, run.ExitCode) << c.Line;
        EXPECT_EQ(c.Expected, HandOver(run.Output, "Destination")) << c.Line;
        EXPECT_EQ("FALSE", HandOver(run.Output, "InstallMode")) << c.Line;
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

    const std::string package =
        WriteRawPackage(folder + "package.exe", RawSettingsLines("$INSTALL$"));
    TRun run = RunWithoutWindows(Quoted(package) + " $SILENT$");
    RemoveDirectoryA(taken.c_str());
    EXPECT_FALSE(run.BoxShown);
    EXPECT_EQ(1u, run.ExitCode);
    EXPECT_EQ(expected, HandOver(run.Output, "Destination"));
    EXPECT_EQ("TRUE", HandOver(run.Output, "InstallMode"));
    // The run stopped with a fatal error: its empty work folder is gone.
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
    TRun run = RunWithoutWindows(Quoted(WriteRawPackage(folder + "package.exe", lines)));
    EXPECT_FALSE(run.BoxShown);
    EXPECT_EQ(1u, run.ExitCode);
    EXPECT_EQ(folder, HandOver(run.Output, "Destination"));
    EXPECT_EQ("TRUE", HandOver(run.Output, "Silent"));
}

TEST(SilentRun, PasswordProtectedPackageEndsWithOneAndShowsNothing)
{
    const std::string folder = NewTestFolder("silentpassword");
    const std::string package = WriteRawPackage(
        folder + "package.exe", WithLine(RawSettingsLines("$EXE$"), PasswordFlag, "TRUE"));
    TRun run = RunWithoutWindows(Quoted(package) + " $Silent$");
    EXPECT_FALSE(run.BoxShown);
    EXPECT_EQ(1u, run.ExitCode);
    EXPECT_EQ("<none>", HandOver(run.Output, "Destination"));
}

TEST(SilentRun, FatalErrorRemovesOnlyAnEmptyDestination)
{
    const std::string folder = NewTestFolder("silentfatal");
    const std::string empty = NewTestFolder("emptydest");
    const std::string full = NewTestFolder("fulldest");
    WriteWholeFile(full + "keep.txt", "mine");
    for (const std::string &destination : {empty, full}) {
        std::vector<std::string> lines = RawSettingsLines(destination);
        lines[Megabytes] = "4000000000";  // about 4 PB: never free
        TRun run = RunWithoutWindows(Quoted(WriteRawPackage(folder + "package.exe", lines)) + " $SILENT$");
        EXPECT_FALSE(run.BoxShown);
        EXPECT_EQ(1u, run.ExitCode);
        EXPECT_EQ("<none>", HandOver(run.Output, "Destination"));
    }
    EXPECT_EQ(INVALID_FILE_ATTRIBUTES, GetFileAttributesA(empty.c_str()));
    EXPECT_EQ("mine", ReadWholeFile(full + "keep.txt"));
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
    Sleep(300);
    TBox next = WaitForBox(accepted);
    ASSERT_TRUE(next.Window);
    EXPECT_NE(std::string::npos, next.Text.find("password")) << next.Text;
    PressButton(next, IDOK);
    EXPECT_EQ(1u, FinishChild(accepted));
}

TEST(Arguments, SilentSwitchInAnyCaseAndParametersAppended)
{
    const std::string folder = NewTestFolder("arguments");
    const std::string bare = WriteRawPackage(folder + "bare.exe", RawSettingsLines("$EXE$"));
    TRun run = RunWithoutWindows(Quoted(bare) + " $silent$ /q \"a b\"");
    EXPECT_FALSE(run.BoxShown);
    EXPECT_EQ("TRUE", HandOver(run.Output, "Silent"));
    EXPECT_EQ(" /q a b", HandOver(run.Output, "Parameters"));

    const std::string withParameters = WriteRawPackage(
        folder + "with.exe", WithLine(RawSettingsLines("$EXE$"), Parameters, "-x"));
    run = RunWithoutWindows(Quoted(withParameters) + " /q  \"\" $SILENT$ x\"y z\"");
    EXPECT_EQ("-x /q  xy z", HandOver(run.Output, "Parameters"));
}

TEST(Arguments, PackageStartedByBareNameFindsItself)
{
    const std::string folder = NewTestFolder("relative");
    WriteRawPackage(folder + "setup.exe", RawSettingsLines("$EXE$"));
    // The system looks for a bare program name in the starter's current
    // folder, as a console does.
    char previous[MAX_PATH];
    GetCurrentDirectoryA(MAX_PATH, previous);
    ASSERT_TRUE(SetCurrentDirectoryA(folder.c_str()));
    TRun run = RunWithoutWindows("setup $SILENT$", folder);
    SetCurrentDirectoryA(previous);
    EXPECT_FALSE(run.BoxShown);
    EXPECT_EQ(1u, run.ExitCode);
    EXPECT_EQ(folder, HandOver(run.Output, "Destination")) << run.Output;
}

TEST(Packages, OxpackPackageRunsSilentlyToTheHandOver)
{
    const std::string folder = NewTestFolder("oxpack");
    TPackOptions options = TestPackOptions(folder);
    options.Destination = "$TEMP$";
    options.Command = "readme.txt";
    options.Parameters = "/x";
    options.Silent = true;
    TRun run = RunWithoutWindows(Quoted(BuildTestPackage(options)) + " more");
    EXPECT_FALSE(run.BoxShown);
    EXPECT_EQ(1u, run.ExitCode);
    EXPECT_EQ(TempFolder(), HandOver(run.Output, "Destination"));
    EXPECT_EQ("readme.txt", HandOver(run.Output, "Command"));
    EXPECT_EQ("/x more", HandOver(run.Output, "Parameters"));
}
