// The overwrite prompt, shown by the extraction for files that exist.
#include <gtest/gtest.h>
#include <algorithm>
#include "DialogRuns.h"
#include "oxPackFixture.h"
#include "util/mUtils.h"

namespace {

const int PathLine = 10;
const int Heading = 33;
enum { Yes = 5, YesToAll = 6, No = 7, NoToAll = 8, Cancel = 9 };

// readme.txt plus a.txt, b.txt and c.txt ("new a" ...), whose older
// versions ("old a" ...) are already in the destination; the old b.txt is
// read-only and hidden.
TPackOptions PackageOverOldFiles(const std::string &folder)
{
    TPackOptions options = DialogPackage(folder);
    for (const char *name : {"a", "b", "c"}) {
        const std::string file = std::string(name) + ".txt";
        WriteWholeFile(folder + file, std::string("new ") + name);
        WriteWholeFile(OutFolder(folder) + file, std::string("old ") + name);
        options.Files.push_back({folder + file, file});
    }
    SetFileAttributesA((OutFolder(folder) + "b.txt").c_str(), FILE_ATTRIBUTE_READONLY | FILE_ATTRIBUTE_HIDDEN);
    return options;
}

std::string Contents(const std::string &folder)
{
    return ReadWholeFile(OutFolder(folder) + "a.txt") + "|" + ReadWholeFile(OutFolder(folder) + "b.txt") + "|" +
           ReadWholeFile(OutFolder(folder) + "c.txt");
}

// The prompt for file, open over the progress dialog.
HWND WaitForPrompt(const TChild &child, const std::string &file, const std::vector<HWND> &known = {})
{
    for (DWORD waited = 0; waited < 20000; waited += 50) {
        for (HWND window : VisibleDialogs(child)) {
            if (GetDlgItem(window, PathLine) &&
                std::find(known.begin(), known.end(), window) == known.end()) {
                Sleep(100);
                EXPECT_EQ(file, ControlText(window, PathLine));
                return window;
            }
        }
        if (WaitForSingleObject(child.Process, 50) == WAIT_OBJECT_0)
            break;
    }
    ADD_FAILURE() << "no prompt for " << file;
    return nullptr;
}

} // namespace

TEST(OverwritePrompt, NamesTheFileOverTheProgressDialogAndYesToAllOverwritesEveryFile)
{
    const std::string folder = NewTestFolder("owall");
    // A file of the user's with the name an old file is set aside under.
    const std::string usersOwn = OutFolder(folder) + "c.txt.oxtarn-old";
    TPackOptions options = PackageOverOldFiles(folder);
    WriteWholeFile(usersOwn, "mine");
    TChild child = StartPackage(options);
    HWND prompt = WaitForPrompt(child, OutFolder(folder) + "a.txt");
    ASSERT_TRUE(prompt);
    EXPECT_EQ(Caption, WindowCaption(prompt));
    EXPECT_EQ(Text(52), ControlText(prompt, Heading));
    EXPECT_EQ(Text(47), ControlText(prompt, Yes));
    EXPECT_EQ(Text(53), ControlText(prompt, YesToAll));
    EXPECT_EQ(Text(48), ControlText(prompt, No));
    EXPECT_EQ(Text(54), ControlText(prompt, NoToAll));
    EXPECT_EQ(Text(44), ControlText(prompt, Cancel));
    EXPECT_TRUE(IsCentred(prompt));
    HWND progress = FindDialog(child, ProgressBar);
    EXPECT_EQ(progress, GetWindow(prompt, GW_OWNER));
    EXPECT_FALSE(Click(progress, 103)) << "the progress dialog's Cancel is usable under the prompt";

    // Escape does nothing: no question, the prompt stays.
    PressKey(prompt, VK_ESCAPE);
    EXPECT_FALSE(WaitForNewDialog(child, {progress, prompt}, 1500));
    EXPECT_TRUE(IsWindowVisible(prompt));

    ASSERT_TRUE(Answer(prompt, YesToAll));
    ExpectFinishedRun(child, OutFolder(folder));  // fails on a second prompt
    EXPECT_EQ("new a|new b|new c", Contents(folder));
    // A read-only file is replaced, and takes the new file's attributes.
    EXPECT_EQ(0u, GetFileAttributesA((OutFolder(folder) + "b.txt").c_str()) &
                      (FILE_ATTRIBUTE_READONLY | FILE_ATTRIBUTE_HIDDEN));
    EXPECT_EQ("mine", ReadWholeFile(usersOwn));
    EXPECT_FALSE(FileExists(OutFolder(folder) + "a.txt.oxtarn-old"));
    EXPECT_FALSE(FileExists(OutFolder(folder) + "b.txt.oxtarn-old"));
    RemoveTestFolder(folder);
}

TEST(OverwritePrompt, NoThenYesLeavesTheFirstOverwritesTheSecondAndAsksForTheThird)
{
    const std::string folder = NewTestFolder("owone");
    TChild child = StartPackage(PackageOverOldFiles(folder));
    HWND prompt = WaitForPrompt(child, OutFolder(folder) + "a.txt");
    ASSERT_TRUE(prompt);
    ASSERT_TRUE(Answer(prompt, No));
    std::vector<HWND> known = {prompt};
    prompt = WaitForPrompt(child, OutFolder(folder) + "b.txt", known);
    ASSERT_TRUE(prompt);
    ASSERT_TRUE(Answer(prompt, Yes));
    known.push_back(prompt);
    prompt = WaitForPrompt(child, OutFolder(folder) + "c.txt", known);
    ASSERT_TRUE(prompt);
    ASSERT_TRUE(Answer(prompt, No));
    ExpectFinishedRun(child, OutFolder(folder));
    EXPECT_EQ("old a|new b|old c", Contents(folder));
    RemoveTestFolder(folder);
}

TEST(OverwritePrompt, NoToAllKeepsEveryFileWithoutAnotherPrompt)
{
    const std::string folder = NewTestFolder("ownone");
    TChild child = StartPackage(PackageOverOldFiles(folder));
    HWND prompt = WaitForPrompt(child, OutFolder(folder) + "a.txt");
    ASSERT_TRUE(prompt);
    ASSERT_TRUE(Answer(prompt, NoToAll));
    ExpectFinishedRun(child, OutFolder(folder));
    EXPECT_EQ("old a|old b|old c", Contents(folder));
    RemoveTestFolder(folder);
}

// A confirmed cancel is a cancelled run, whichever way it was asked for.
TEST(OverwritePrompt, CancelAndAltF4AskFirstKeepThePromptOnNoAndEndWithTwoOnYes)
{
    for (bool byAltF4 : {false, true}) {
        const std::string folder = NewTestFolder("owcancel");
        TChild child = StartPackage(PackageOverOldFiles(folder));
        HWND prompt = WaitForPrompt(child, OutFolder(folder) + "a.txt");
        ASSERT_TRUE(prompt);
        HWND progress = FindDialog(child, ProgressBar);
        std::vector<HWND> known = {progress, prompt};
        auto cancel = [&] {
            if (byAltF4)
                CloseByAltF4(prompt);
            else
                ASSERT_TRUE(Click(prompt, Cancel));
        };

        cancel();
        TBox question = WaitForNewBox(child, known);
        ExpectQuitQuestion(question, Text(7));
        known.push_back(question.Window);
        ASSERT_TRUE(Answer(question.Window, IDNO));
        EXPECT_TRUE(IsWindowVisible(prompt));
        EXPECT_EQ(OutFolder(folder) + "a.txt", ControlText(prompt, PathLine));

        cancel();
        question = WaitForNewBox(child, known);
        ExpectQuitQuestion(question, Text(7));
        ASSERT_TRUE(Answer(question.Window, IDYES));
        EXPECT_EQ(2u, FinishChild(child)) << (byAltF4 ? "Alt+F4" : "Cancel");
        EXPECT_EQ("old a|old b|old c", Contents(folder));
        RemoveTestFolder(folder);
    }
}

TEST(OverwritePrompt, SilentRunKeepsEveryExistingFileWithoutAWindow)
{
    const std::string folder = NewTestFolder("owsilent");
    TChild child = StartPackage(PackageOverOldFiles(folder), " $SILENT$");
    ExpectFinishedRun(child, OutFolder(folder));
    EXPECT_EQ("old a|old b|old c", Contents(folder));
    RemoveTestFolder(folder);
}

// A name outside this machine's code page (Cyrillic under 1252) is shown
// in the prompt as it is, read back with the wide call, not as question
// marks; Yes replaces that file.
TEST(OverwritePrompt, ShowsACyrillicNameAsItIs)
{
    const std::string folder = NewTestFolder("owcyr");
    TPackOptions options = DialogPackage(folder);
    const std::wstring name = L"\u041F\u0440\u0438\u0432\u0435\u0442.txt";
    WriteWholeFile(folder + "new.txt", "new");
    options.Files.push_back({folder + "new.txt", "\xD0\x9F\xD1\x80\xD0\xB8\xD0\xB2\xD0\xB5\xD1\x82.txt"});
    const std::wstring old = WidePath(OutFolder(folder)) + name;
    HANDLE h = CreateFileW(old.c_str(), GENERIC_WRITE, 0, nullptr, CREATE_ALWAYS, FILE_ATTRIBUTE_NORMAL, nullptr);
    ASSERT_NE(INVALID_HANDLE_VALUE, h);
    DWORD written = 0;
    WriteFile(h, "old", 3, &written, nullptr);
    CloseHandle(h);

    TChild child = StartPackage(options);
    HWND prompt = nullptr;
    for (DWORD waited = 0; !prompt && waited < 20000; waited += 50) {
        for (HWND window : VisibleDialogs(child))
            if (GetDlgItem(window, PathLine))
                prompt = window;
        if (!prompt)
            Sleep(50);
    }
    ASSERT_TRUE(prompt) << "no overwrite prompt";
    Sleep(100);
    wchar_t shown[MAX_PATH] = L"";
    GetDlgItemTextW(prompt, PathLine, shown, MAX_PATH);
    EXPECT_EQ(old, std::wstring(shown));
    ASSERT_TRUE(Answer(prompt, Yes));
    ExpectFinishedRun(child, OutFolder(folder));
    h = CreateFileW(old.c_str(), GENERIC_READ, FILE_SHARE_READ, nullptr, OPEN_EXISTING, 0, nullptr);
    ASSERT_NE(INVALID_HANDLE_VALUE, h);
    char bytes[8] = {};
    DWORD got = 0;
    ReadFile(h, bytes, sizeof bytes, &got, nullptr);
    CloseHandle(h);
    EXPECT_EQ("new", std::string(bytes, got));
    DeleteFileW(old.c_str());
    RemoveTestFolder(folder);
}
