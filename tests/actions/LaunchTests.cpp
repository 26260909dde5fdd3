// Starting the payload: the command line (pure) and real launches of the
// payload_recorder host under the test's own Wine session.
#include <gtest/gtest.h>
#include <windows.h>

#include <string>
#include <vector>

#include "ActionsTestTools.h"
#include "actions/uLaunch.h"
#include "oxPackages.h"
#include "oxProcess.h"
#include "oxTest.h"
#include "services/uRunState.h"

TEST(LaunchCommandLine, ExecutableIsStartedItselfInQuotesInAnyLetterCase)
{
    const std::string windows = "C:\\WINDOWS\\";
    EXPECT_EQ("\"C:\\dest dir\\Setup.Exe\" /quiet /log",
              BuildLaunchCommandLine("C:\\dest dir\\Setup.Exe", "/quiet /log", "ignored", windows));
    EXPECT_EQ("\"C:\\dest dir\\SETUP.EXE\"",
              BuildLaunchCommandLine("C:\\dest dir\\SETUP.EXE", "", "", windows));
    EXPECT_EQ("\"C:\\d\\setup.exe\" \"C:\\dest dir\" x",
              BuildLaunchCommandLine("C:\\d\\setup.exe", "\"C:\\dest dir\" x", "", windows));

    EXPECT_TRUE(IsStartedDirectly("C:\\d\\Setup.Exe"));
    EXPECT_TRUE(IsStartedDirectly("C:\\d\\SETUP.EXE"));
    EXPECT_FALSE(IsStartedDirectly("C:\\d\\setup.exe.txt"));
    EXPECT_FALSE(IsStartedDirectly("C:\\d\\run.bat"));
    EXPECT_FALSE(IsStartedDirectly("C:\\d\\setup.exe "));
    // The extension is taken from the whole path: a dotted folder and a
    // file name without a dot give "exe\setup", which is no executable.
    EXPECT_FALSE(IsStartedDirectly("C:\\tools.exe\\setup"));
}

TEST(LaunchCommandLine, DocumentFollowsItsQuotedProgramAndNotepadStandsIn)
{
    const std::string windows = "C:\\WINDOWS\\";
    EXPECT_EQ("\"C:\\Program Files\\Viewer\\view.exe\" \"C:\\dest dir\\run.bat\" a b",
              BuildLaunchCommandLine("C:\\dest dir\\run.bat", "a b",
                                     "C:\\Program Files\\Viewer\\view.exe", windows));
    // A script the shell names as its own program gets just its parameters.
    EXPECT_EQ("\"C:\\dest dir\\run.bat\" a b",
              BuildLaunchCommandLine("C:\\dest dir\\run.bat", "a b", "C:\\DEST DIR\\RUN.BAT", windows));
    EXPECT_EQ("\"C:\\WINDOWS\\notepad.exe\" \"C:\\dest dir\\readme.txt\"",
              BuildLaunchCommandLine("C:\\dest dir\\readme.txt", "", "", windows));
    EXPECT_EQ("\"C:\\WINDOWS\\notepad.exe\" \"C:\\tools.exe\\setup\" -v",
              BuildLaunchCommandLine("C:\\tools.exe\\setup", "-v", "", windows));
}

namespace {

// A folder with a blank in its name holding a copy of payload_recorder
// under a mixed-case name, and a program named like the folder's first
// word beside it, which an unquoted command line would start instead (it
// records nothing). The record file goes to OX_RECORD for every child.
class LaunchFileTest : public ::testing::Test {
protected:
    void SetUp() override
    {
        root = NewTestFolder("actions");
        ASSERT_FALSE(root.empty());
        destination = root + "dest dir\\";
        ASSERT_TRUE(CreateDirectoryA(destination.c_str(), nullptr));
        recorder = destination + "Setup.Exe";
        ASSERT_TRUE(CopyFileA((BinFolder() + "payload_recorder.exe").c_str(), recorder.c_str(), FALSE));
        ASSERT_TRUE(CopyFileA((BinFolder() + "report_host.exe").c_str(), (root + "dest.exe").c_str(),
                              FALSE));
        record = root + "record.txt";
        ASSERT_TRUE(SetEnvironmentVariableA("OX_RECORD", record.c_str()));
        char current[MAX_PATH];
        GetCurrentDirectoryA(MAX_PATH, current);
        currentFolder = current;
        GetWindowsDirectoryA(current, MAX_PATH);
        windowsFolder = std::string(current) + "\\";
    }
    void TearDown() override
    {
        SetEnvironmentVariableA("OX_RECORD", nullptr);
        // A program that was not waited for holds its program file until
        // it ends.
        EXPECT_TRUE(WaitForOwnChildren(30000)) << "a started program did not end";
        RemoveTestFolder(root);
    }
    std::string root, destination, recorder, record, currentFolder, windowsFolder;
};

} // namespace

TEST_F(LaunchFileTest, WaitedExecutableHasEndedWhenLaunchReturns)
{
    ASSERT_TRUE(LaunchFile(recorder, "sleep=1000 one \"two three\"", windowsFolder, true));

    const std::vector<std::string> lines = ReadRecord(record);
    ASSERT_EQ(3u, lines.size()) << "the started program has not ended, or another one ran";
    EXPECT_EQ("\"" + recorder + "\" sleep=1000 one \"two three\"", lines[0]);
    // The payload starts in the package's current folder, not in the
    // destination.
    EXPECT_EQ(currentFolder, lines[1]);
    EXPECT_EQ("end", lines[2]);
}

TEST_F(LaunchFileTest, UnwaitedExecutableOutlivesTheLaunch)
{
    // The program runs until the test lets it end.
    const std::string release = "oxtest_unwaited_" + std::to_string(GetCurrentProcessId());
    HANDLE programMayEnd = CreateEventA(nullptr, TRUE, FALSE, release.c_str());
    const bool launched = LaunchFile(recorder, "until=" + release, windowsFolder, false);
    bool endedAlready = false;
    for (const std::string &line : ReadRecord(record))
        endedAlready = endedAlready || line == "end";
    SetEvent(programMayEnd);
    CloseHandle(programMayEnd);
    ASSERT_TRUE(launched);
    EXPECT_FALSE(endedAlready);

    ASSERT_TRUE(WaitForRecordEnd(record, 20000));
    const std::vector<std::string> lines = ReadRecord(record);
    ASSERT_FALSE(lines.empty());
    EXPECT_EQ("\"" + recorder + "\" until=" + release, lines[0]);
}

TEST_F(LaunchFileTest, MissingExecutableIsNotStarted)
{
    EXPECT_FALSE(LaunchFile(destination + "absent.exe", "", windowsFolder, true));
    EXPECT_FALSE(LaunchFile(root + "dest dir\\absent.EXE", "x", windowsFolder, false));
    EXPECT_TRUE(ReadRecord(record).empty());
}

TEST_F(LaunchFileTest, DocumentWithoutAssociationOpensInNotepadOfTheWindowsFolder)
{
    // The Windows folder is pointed at a folder whose "notepad.exe" is the
    // recorder, so the fallback can be watched without opening a window.
    const std::string windows = root + "win dir\\";
    ASSERT_TRUE(CreateDirectoryA(windows.c_str(), nullptr));
    ASSERT_TRUE(CopyFileA(recorder.c_str(), (windows + "notepad.exe").c_str(), FALSE));
    windowsFolder = windows;
    const std::string document = destination + "notes.oxdoc";
    ASSERT_TRUE(WriteWholeFile(document, "text"));

    ASSERT_TRUE(LaunchFile(document, "sleep=0", windowsFolder, true));
    const std::vector<std::string> lines = ReadRecord(record);
    ASSERT_FALSE(lines.empty());
    EXPECT_EQ("\"" + windows + "notepad.exe\" \"" + document + "\" sleep=0", lines[0]);

    // A document that is not there is still handed to Notepad.
    ASSERT_TRUE(DeleteFileA(record.c_str()));
    ASSERT_TRUE(LaunchFile(destination + "gone.txt", "", windowsFolder, true));
    const std::vector<std::string> again = ReadRecord(record);
    ASSERT_FALSE(again.empty());
    EXPECT_EQ("\"" + windows + "notepad.exe\" \"" + destination + "gone.txt\"", again[0]);
}

TEST_F(LaunchFileTest, BatchFileGetsExactlyItsParameters)
{
    // The shell answers for a batch file with the batch file itself; the
    // system runs it through the command interpreter with its parameters
    // alone.
    const std::string batch = destination + "run.bat";
    const std::string output = root + "batch.txt";
    ASSERT_TRUE(WriteWholeFile(batch, "@echo %1 %2>\"" + output + "\"\r\n"));

    ASSERT_TRUE(LaunchFile(batch, "arg", windowsFolder, true));
    EXPECT_EQ("arg \r\n", ReadWholeFile(output));
}

TEST_F(LaunchFileTest, ElevationRefusalIsHandedToTheShell)
{
    // CreateProcessA refuses a program that needs elevation with error 740;
    // only that error goes on to the shell.
    EXPECT_FALSE(StartAfterCreateProcessFailure(ERROR_FILE_NOT_FOUND, recorder, "x", true));
    EXPECT_FALSE(StartAfterCreateProcessFailure(ERROR_ACCESS_DENIED, recorder, "x", true));
    EXPECT_TRUE(ReadRecord(record).empty());

    ASSERT_TRUE(StartAfterCreateProcessFailure(ERROR_ELEVATION_REQUIRED, recorder,
                                               "sleep=500 elevated \"a b\"", true));
    const std::vector<std::string> lines = ReadRecord(record);
    ASSERT_EQ(3u, lines.size()) << "the shell's start was not waited for";
    EXPECT_NE(std::string::npos, lines[0].find("sleep=500 elevated \"a b\""));
    EXPECT_EQ("end", lines[2]);

    EXPECT_FALSE(StartAfterCreateProcessFailure(ERROR_ELEVATION_REQUIRED, destination + "absent.exe",
                                                "", true));
}

TEST_F(LaunchFileTest, HandlesOfTheStartedProcessAreClosed)
{
    DWORD before = 0, after = 0;
    ASSERT_TRUE(GetProcessHandleCount(GetCurrentProcess(), &before));
    ASSERT_TRUE(LaunchFile(recorder, "", windowsFolder, true));
    ASSERT_TRUE(LaunchFile(recorder, "", windowsFolder, false));
    ASSERT_TRUE(StartAfterCreateProcessFailure(ERROR_ELEVATION_REQUIRED, recorder, "", true));
    ASSERT_TRUE(GetProcessHandleCount(GetCurrentProcess(), &after));
    EXPECT_EQ(before, after);
}
