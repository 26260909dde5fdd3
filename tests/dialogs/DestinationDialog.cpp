// The destination folder dialog of a package without a destination.
#include <gtest/gtest.h>
#include <shlobj.h>
#include "DialogRuns.h"
#include "oxPackFixture.h"

namespace {

const int FolderBox = 2101;
const int Prompt = 2108;
const int Browse = 2102;

// The package lives in folder + "pkg\", away from what the tests create.
TPackOptions AskingPackage(const std::string &folder)
{
    TPackOptions options = TestPackOptions(folder);
    CreateDirectoryA((folder + "pkg").c_str(), nullptr);
    options.OutputPath = folder + "pkg\\package.exe";
    options.Destination.clear();
    return options;
}

} // namespace

TEST(DestinationDialog, OffersThePackageFolderAndUntouchedEnterExtractsThere)
{
    const std::string folder = NewTestFolder("destshow");
    TChild child = StartPackage(AskingPackage(folder));
    HWND dialog = WaitForDialog(child, FolderBox);
    ASSERT_TRUE(dialog);
    EXPECT_EQ(Caption, WindowCaption(dialog));
    EXPECT_EQ(folder + "pkg\\", ControlText(dialog, FolderBox));
    EXPECT_EQ(Text(49), ControlText(dialog, Prompt));
    EXPECT_EQ(Text(50), ControlText(dialog, Browse));
    EXPECT_EQ(Text(51), ControlText(dialog, IDOK));
    EXPECT_EQ(Text(44), ControlText(dialog, IDCANCEL));
    // Once the dialog is the active, foreground window the box has the
    // focus, with nothing more to wait for.
    EXPECT_TRUE(WaitUntilActive(dialog)) << DescribeActivation(dialog);
    EXPECT_EQ(GetDlgItem(dialog, FolderBox), FocusedWindow(dialog)) << DescribeActivation(dialog);
    EXPECT_TRUE(IsCentred(dialog));

    PressKey(dialog, VK_RETURN);
    EXPECT_TRUE(WaitUntilClosed(dialog));
    ExpectFinishedRun(child, folder + "pkg\\");
    RemoveTestFolder(folder);
}

TEST(DestinationDialog, RelativePathIsRefusedAndLeftForCorrectionThenNewNestedFoldersAreCreated)
{
    const std::string folder = NewTestFolder("destnew");
    TChild child = StartPackage(AskingPackage(folder));
    HWND dialog = WaitForDialog(child, FolderBox);
    ASSERT_TRUE(dialog);
    std::vector<HWND> known = {dialog};

    // Besides relative paths, what $DESTINATION$ refuses too: a drive
    // without its root, device and raw paths, a server without a share.
    for (const char *relative : {"sub\\dir", "\\rooted", "C:a", "C:", "\\\\?\\C:\\a", "\\\\.\\PhysicalDrive0",
                                 "\\\\srv"}) {
        TypeInto(dialog, FolderBox, relative);
        ASSERT_TRUE(Click(dialog, IDOK));
        TBox question = WaitForNewBox(child, known);
        ExpectQuitQuestion(question, Text(32));
        known.push_back(question.Window);
        ASSERT_TRUE(Answer(question.Window, IDNO));
        EXPECT_EQ(relative, ControlText(dialog, FolderBox));
    }

    // Two levels that do not exist; the typed path has no backslash at
    // its end and gets exactly one.
    const std::string target = folder + "new1\\new2";
    TypeInto(dialog, FolderBox, target);
    ASSERT_TRUE(Click(dialog, IDOK));
    ExpectFinishedRun(child, target + "\\");
    EXPECT_FALSE(FileExists(folder + "pkg\\readme.txt"));
    RemoveTestFolder(folder);
}

TEST(DestinationDialog, UncreatableFolderAsksAndYesEndsWithTwo)
{
    const std::string folder = NewTestFolder("destbad");
    TChild child = StartPackage(AskingPackage(folder));
    HWND dialog = WaitForDialog(child, FolderBox);
    ASSERT_TRUE(dialog);
    // A folder below a file cannot be made.
    const std::string typed = folder + "readme.txt\\inside";
    TypeInto(dialog, FolderBox, typed);
    ASSERT_TRUE(Click(dialog, IDOK));
    TBox question = WaitForNewBox(child, {dialog});
    ExpectQuitQuestion(question, Text(28) + "\r" + typed + "\r\r" + Text(33));
    ASSERT_TRUE(Answer(question.Window, IDYES));
    EXPECT_EQ(2u, FinishChild(child));
    RemoveTestFolder(folder);
}

TEST(DestinationDialog, CancelAndCloseAskFirstStayOnNoAndEndWithTwoOnYes)
{
    const std::string folder = NewTestFolder("destcancel");
    TChild child = StartPackage(AskingPackage(folder));
    HWND dialog = WaitForDialog(child, FolderBox);
    ASSERT_TRUE(dialog);

    ASSERT_TRUE(Click(dialog, IDCANCEL));
    TBox question = WaitForNewBox(child, {dialog});
    ExpectQuitQuestion(question, Text(7));
    ASSERT_TRUE(Answer(question.Window, IDNO));
    EXPECT_EQ(folder + "pkg\\", ControlText(dialog, FolderBox));

    CloseByAltF4(dialog);
    question = WaitForNewBox(child, {dialog, question.Window});
    ExpectQuitQuestion(question, Text(7));
    ASSERT_TRUE(Answer(question.Window, IDYES));
    EXPECT_EQ(2u, FinishChild(child));
    RemoveTestFolder(folder);
}

TEST(DestinationDialog, BrowserCancelledKeepsTheTextAndAChoiceReplacesIt)
{
    const std::string folder = NewTestFolder("destbrowse");
    TChild child = StartPackage(AskingPackage(folder));
    HWND dialog = WaitForDialog(child, FolderBox);
    ASSERT_TRUE(dialog);

    ASSERT_TRUE(Click(dialog, Browse));
    HWND browser = WaitForNewDialog(child, {dialog});
    ASSERT_TRUE(browser);
    EXPECT_FALSE(IsWindowEnabled(dialog));  // the browser is owned by the dialog
    ASSERT_TRUE(Answer(browser, IDCANCEL));
    EXPECT_EQ(folder + "pkg\\", ControlText(dialog, FolderBox));

    // The browser starts on the desktop; taking that choice puts the
    // desktop's folder in the box.
    ASSERT_TRUE(WaitFor([&] { return IsWindowEnabled(dialog) != FALSE; }));
    ASSERT_TRUE(Click(dialog, Browse));
    browser = WaitForNewDialog(child, {dialog, browser});
    ASSERT_TRUE(browser);
    ASSERT_TRUE(Answer(browser, IDOK));
    char desktop[MAX_PATH] = "";
    ASSERT_TRUE(SHGetSpecialFolderPathA(nullptr, desktop, CSIDL_DESKTOPDIRECTORY, FALSE));
    EXPECT_TRUE(WaitFor([&] { return ControlText(dialog, FolderBox) == desktop; }, 3000))
        << ControlText(dialog, FolderBox);

    ASSERT_TRUE(WaitFor([&] { return IsWindowEnabled(dialog) != FALSE; }));
    ASSERT_TRUE(Click(dialog, IDCANCEL));
    TBox question = WaitForNewBox(child, {dialog, browser});
    ASSERT_TRUE(Answer(question.Window, IDYES));
    EXPECT_EQ(2u, FinishChild(child));
    RemoveTestFolder(folder);
}

TEST(DestinationDialog, SilentRunExtractsIntoThePackageFolder)
{
    const std::string folder = NewTestFolder("destsilent");
    TChild child = StartPackage(AskingPackage(folder), " $SILENT$");
    ExpectFinishedRun(child, folder + "pkg\\");
    RemoveTestFolder(folder);
}
