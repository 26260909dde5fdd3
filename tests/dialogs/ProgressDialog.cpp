// The progress dialog: what it shows during and after an extraction,
// pause and cancel, and hiding while a work-folder command runs.
#include <gtest/gtest.h>
#include <algorithm>
#include "DialogRuns.h"
#include <commctrl.h>
#include "oxPackFixture.h"
#include "oxTest.h"

namespace {

enum { CancelButton = 103, PauseButton = 104, StatusLine = 105, Animation = 109, TitleLine = 111 };
const int OverwritePath = 10;

int BarPosition(HWND progress)
{
    return static_cast<int>(SendDlgItemMessageA(progress, ProgressBar, PBM_GETPOS, 0, 0));
}

int BarTop(HWND progress)
{
    return static_cast<int>(SendDlgItemMessageA(progress, ProgressBar, PBM_GETRANGE, FALSE, 0));
}

// The box the run shows at its end, over the progress dialog.
HWND WaitForCompletion(const TChild &child, HWND progress)
{
    TBox box = WaitForNewBox(child, {progress});
    EXPECT_EQ("All done", box.Text);
    return box.Window;
}

// A package whose run stops at an overwrite prompt for a.txt (the old one
// read-only), the second file, and then has count files of 64 KB (noise,
// stored) to write.
TPackOptions LongPackage(const std::string &folder, int count)
{
    TPackOptions options = DialogPackage(folder);
    WriteWholeFile(folder + "a.txt", "new a");
    WriteWholeFile(OutFolder(folder) + "a.txt", "old a");
    SetFileAttributesA((OutFolder(folder) + "a.txt").c_str(), FILE_ATTRIBUTE_READONLY);
    options.Files.push_back({folder + "a.txt", "a.txt"});
    for (int n = 0; n < count; ++n) {
        const std::string name = "big" + std::to_string(n) + ".bin";
        WriteWholeFile(folder + name, NoiseBytes(65536, static_cast<uint32_t>(n + 1)));
        options.Files.push_back({folder + name, name});
    }
    options.Compression = TCompression::None;
    return options;
}

// Pauses the run while the prompt for a.txt is open, then answers it with
// Yes: the run stops at its next update of the dialog, just after a.txt
// was created anew, still empty and open.
HWND PauseAfterPrompt(const TChild &child)
{
    HWND prompt = WaitForDialog(child, OverwritePath);
    EXPECT_TRUE(prompt);
    if (!prompt)
        return nullptr;
    HWND progress = FindDialog(child, ProgressBar);
    // The dialog is disabled under the prompt; its button's message is
    // what a click would send.
    PostMessageA(progress, WM_COMMAND, MAKEWPARAM(PauseButton, BN_CLICKED),
                 reinterpret_cast<LPARAM>(GetDlgItem(progress, PauseButton)));
    EXPECT_TRUE(WaitFor([&] { return ControlText(progress, PauseButton) == Text(9); }, 5000));
    EXPECT_TRUE(Answer(prompt, IDYES));
    EXPECT_TRUE(WaitFor([&] { return IsWindowEnabled(progress) != FALSE; }, 5000));
    return progress;
}

// True when nothing moves on the dialog for a while.
bool StandsStill(HWND progress)
{
    const std::string status = ControlText(progress, StatusLine);
    const int position = BarPosition(progress);
    Sleep(800);
    return status == ControlText(progress, StatusLine) && position == BarPosition(progress);
}

} // namespace

TEST(ProgressDialog, ShowsTitleButtonsAnimationAndAFullBarAtTheEnd)
{
    const std::string folder = NewTestFolder("progshow");
    TPackOptions options = DialogPackage(folder);
    for (const char *name : {"a.txt", "b.txt"}) {
        WriteWholeFile(folder + name, name);
        options.Files.push_back({folder + name, name});
    }
    options.CompletionMessage = "All done";
    TChild child = StartPackage(options);
    HWND progress = WaitForDialog(child, ProgressBar);
    ASSERT_TRUE(progress);
    HWND done = WaitForCompletion(child, progress);
    ASSERT_TRUE(done);
    EXPECT_EQ(progress, GetWindow(done, GW_OWNER));

    EXPECT_EQ(Caption, WindowCaption(progress));
    EXPECT_EQ("Test", ControlText(progress, TitleLine));
    EXPECT_EQ(Text(5), ControlText(progress, StatusLine));
    EXPECT_EQ(Text(44), ControlText(progress, CancelButton));
    EXPECT_EQ(Text(8), ControlText(progress, PauseButton));
    EXPECT_EQ(3, BarTop(progress));
    EXPECT_EQ(3, BarPosition(progress));

    HWND clip = GetDlgItem(progress, Animation);
    ASSERT_TRUE(clip);
    char cls[64] = "";
    GetClassNameA(clip, cls, sizeof cls);
    EXPECT_STREQ("SysAnimate32", cls);
    POINT corner = {0, 0};
    MapWindowPoints(clip, progress, &corner, 1);
    EXPECT_EQ(3, corner.x);
    EXPECT_EQ(12, corner.y);
    // The extractor's own file-copy clip (176 x 36): the one Wine's shell
    // library offers shows "Searching" instead.
    RECT size;
    GetClientRect(clip, &size);
    EXPECT_EQ(176, size.right) << "not the extractor's own clip";
    EXPECT_EQ(36, size.bottom);

    ASSERT_TRUE(Answer(done, IDOK));
    ExpectFinishedRun(child, OutFolder(folder));
    RemoveTestFolder(folder);
}

TEST(ProgressDialog, BarStartsAgainForEachCabinetOfASet)
{
    const std::string folder = NewTestFolder("progset");
    TPackOptions options = DialogPackage(folder);
    for (int n = 0; n < 4; ++n) {
        const std::string name = "part" + std::to_string(n) + ".bin";
        WriteWholeFile(folder + name, NoiseBytes(30000, static_cast<uint32_t>(n + 7)));
        options.Files.push_back({folder + name, name});
    }
    options.Compression = TCompression::None;
    options.MaxCabinetSize = 70000;
    options.CompletionMessage = "All done";
    TChild child = StartPackage(options);
    ASSERT_TRUE(FileExists(folder + "package2.cab")) << "the package is not a set";
    HWND progress = WaitForDialog(child, ProgressBar);
    ASSERT_TRUE(progress);
    HWND done = WaitForCompletion(child, progress);
    ASSERT_TRUE(done);
    // The range is that of the last cabinet alone, and full.
    const int top = BarTop(progress);
    EXPECT_GT(top, 0);
    EXPECT_LT(top, 5) << "the range counts the files of every cabinet";
    EXPECT_EQ(top, BarPosition(progress));
    ASSERT_TRUE(Answer(done, IDOK));
    ExpectFinishedRun(child, OutFolder(folder));
    EXPECT_EQ(30000u, ReadWholeFile(OutFolder(folder) + "part3.bin").size());
    RemoveTestFolder(folder);
}

TEST(ProgressDialog, PauseStopsTheRunKeepsItStoppedThroughEscapeAndCancelNoAndResumeFinishesIt)
{
    const std::string folder = NewTestFolder("progpause");
    const int count = 120;
    TChild child = StartPackage(LongPackage(folder, count));
    HWND progress = PauseAfterPrompt(child);
    ASSERT_TRUE(progress);
    EXPECT_TRUE(StandsStill(progress));
    EXPECT_FALSE(SendDlgItemMessageA(progress, Animation, ACM_ISPLAYING, 0, 0));
    EXPECT_FALSE(FileExists(OutFolder(folder) + "big" + std::to_string(count - 1) + ".bin"));

    // Escape does nothing: the dialog has no control 2.
    PressKey(progress, VK_ESCAPE);
    EXPECT_FALSE(WaitForNewDialog(child, {progress}, 1500));

    ASSERT_TRUE(Click(progress, CancelButton));
    TBox question = WaitForNewBox(child, {progress});
    ExpectQuitQuestion(question, Text(7));
    EXPECT_EQ(progress, GetWindow(question.Window, GW_OWNER));
    ASSERT_TRUE(Answer(question.Window, IDNO));
    EXPECT_EQ(Text(9), ControlText(progress, PauseButton));
    EXPECT_TRUE(StandsStill(progress));
    EXPECT_FALSE(SendDlgItemMessageA(progress, Animation, ACM_ISPLAYING, 0, 0));

    ASSERT_TRUE(WaitFor([&] { return IsWindowEnabled(progress) != FALSE; }, 5000));
    ASSERT_TRUE(Click(progress, PauseButton));
    EXPECT_TRUE(WaitFor([&] { return ControlText(progress, PauseButton) == Text(8); }, 5000));
    ExpectFinishedRun(child, OutFolder(folder));
    EXPECT_EQ("new a", ReadWholeFile(OutFolder(folder) + "a.txt"));
    EXPECT_FALSE(FileExists(OutFolder(folder) + "a.txt.oxtarn-old"));
    EXPECT_EQ(65536u, ReadWholeFile(OutFolder(folder) + "big" + std::to_string(count - 1) + ".bin").size());
    RemoveTestFolder(folder);
}

// A confirmed cancel is a cancelled run, paused or not: exit code 2. The
// run stopped with a.txt open, half replaced: the new, cut-off a.txt goes
// and the old one comes back.
TEST(ProgressDialog, CancelWhilePausedEndsWithTwoAndPutsBackTheFileBeingReplaced)
{
    const std::string folder = NewTestFolder("progcancel");
    const int count = 120;
    TChild child = StartPackage(LongPackage(folder, count));
    HWND progress = PauseAfterPrompt(child);
    ASSERT_TRUE(progress);
    CloseByAltF4(progress);
    TBox question = WaitForNewBox(child, {progress});
    ExpectQuitQuestion(question, Text(7));
    ASSERT_TRUE(Answer(question.Window, IDYES));
    EXPECT_EQ(2u, FinishChild(child));
    EXPECT_EQ("payload\r\n", ReadWholeFile(OutFolder(folder) + "readme.txt"));
    EXPECT_EQ("old a", ReadWholeFile(OutFolder(folder) + "a.txt"));
    EXPECT_EQ(DWORD(FILE_ATTRIBUTE_READONLY),
              GetFileAttributesA((OutFolder(folder) + "a.txt").c_str()) & FILE_ATTRIBUTE_READONLY);
    EXPECT_FALSE(FileExists(OutFolder(folder) + "a.txt.oxtarn-old"));
    EXPECT_FALSE(FileExists(OutFolder(folder) + "big0.bin"));
    RemoveTestFolder(folder);
}

// The same cancel where the file being replaced has a path of 254
// characters (the package's longer names then just reach the 259 the file
// calls take): no name made by adding to it would fit, and the old file
// must still wait under a name of its own rather than be deleted at once.
TEST(ProgressDialog, CancelPutsBackAFileWhosePathLeavesNoRoomForASuffix)
{
    const std::string folder = NewTestFolder("proglong");
    TPackOptions options = LongPackage(folder, 120);
    std::string destination = OutFolder(folder);
    const size_t wanted = 254 - std::string("a.txt").size();
    ASSERT_GE(wanted, destination.size() + 2);
    while (wanted - destination.size() > 101) {
        destination += std::string(50, 'd') + "\\";
        ASSERT_TRUE(CreateDirectoryA(destination.c_str(), nullptr)) << destination;
    }
    destination += std::string(wanted - destination.size() - 1, 'e') + "\\";
    ASSERT_TRUE(CreateDirectoryA(destination.c_str(), nullptr)) << destination;
    const std::string target = destination + "a.txt";
    ASSERT_EQ(254u, target.size());
    ASSERT_TRUE(WriteWholeFile(target, "old a"));
    ASSERT_TRUE(SetFileAttributesA(target.c_str(), FILE_ATTRIBUTE_READONLY));
    options.Destination = destination;

    TChild child = StartPackage(options);
    HWND progress = PauseAfterPrompt(child);
    ASSERT_TRUE(progress);
    CloseByAltF4(progress);
    TBox question = WaitForNewBox(child, {progress});
    ExpectQuitQuestion(question, Text(7));
    ASSERT_TRUE(Answer(question.Window, IDYES));
    EXPECT_EQ(2u, FinishChild(child));
    EXPECT_EQ("old a", ReadWholeFile(target));
    EXPECT_EQ(DWORD(FILE_ATTRIBUTE_READONLY), GetFileAttributesA(target.c_str()) & FILE_ATTRIBUTE_READONLY);
    // Nothing else is left: no cut-off file, no set-aside copy.
    std::vector<std::string> names;
    WIN32_FIND_DATAA found;
    HANDLE search = FindFirstFileA((destination + "*").c_str(), &found);
    ASSERT_NE(INVALID_HANDLE_VALUE, search);
    do {
        if (std::string(found.cFileName) != "." && std::string(found.cFileName) != "..")
            names.push_back(found.cFileName);
    } while (FindNextFileA(search, &found));
    FindClose(search);
    std::sort(names.begin(), names.end());
    EXPECT_EQ((std::vector<std::string>{"a.txt", "readme.txt"}), names);
    RemoveTestFolder(folder);
}

TEST(ProgressDialog, HiddenWhileTheWorkFolderCommandRunsAndBackForCleaningUp)
{
    const std::string folder = NewTestFolder("proghide");
    const std::string record = folder + "record.txt";
    SetEnvironmentVariableA("OX_RECORD", record.c_str());
    TPackOptions options = TestPackOptions(folder);
    options.Files.push_back({BinFolder() + "payload_recorder.exe", "payload_recorder.exe"});
    options.Destination = "$INSTALL$";
    options.Command = "payload_recorder.exe";
    // The command runs until the test has looked at the dialog.
    const std::string release = "oxtest_proghide_" + std::to_string(GetCurrentProcessId());
    HANDLE commandMayEnd = CreateEventA(nullptr, TRUE, FALSE, release.c_str());
    options.Parameters = "until=" + release;
    options.CompletionMessage = "All done";
    TChild child = StartPackage(options);
    SetEnvironmentVariableA("OX_RECORD", nullptr);

    const bool started = WaitFor([&] { return !ReadWholeFile(record).empty(); }, 20000);
    HWND progress = FindDialog(child, ProgressBar);
    const bool hidden = progress && !IsWindowVisible(progress);
    const std::string status = progress ? ControlText(progress, StatusLine) : std::string();
    SetEvent(commandMayEnd);
    CloseHandle(commandMayEnd);
    ASSERT_TRUE(started) << "the command never started";
    ASSERT_TRUE(progress);
    EXPECT_TRUE(hidden);
    EXPECT_EQ(Text(4), status);

    HWND done = WaitForCompletion(child, progress);
    ASSERT_TRUE(done);
    EXPECT_TRUE(IsWindowVisible(progress));
    EXPECT_EQ(Text(6), ControlText(progress, StatusLine));
    EXPECT_NE(std::string::npos, ReadWholeFile(record).find("end\r\n")) << "the command was not waited for";
    ASSERT_TRUE(Answer(done, IDOK));
    EXPECT_EQ(0u, FinishChild(child));
    RemoveTestFolder(folder);
}
