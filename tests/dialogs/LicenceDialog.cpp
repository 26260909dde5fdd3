// The licence agreement of a package, driven as a person would.
#include <gtest/gtest.h>
#include "DialogRuns.h"

namespace {

const int LicenceBox = 2100;
const int Intro = 31;
const int Question = 32;

TPackOptions LicencedPackage(const std::string &folder)
{
    TPackOptions options = DialogPackage(folder);
    options.LicenceLines = {"Terms of use", "", "1. Be nice.", "2. Share."};
    return options;
}

} // namespace

TEST(LicenceDialog, ShowsEveryLineReadOnlyAndYesGoesOn)
{
    const std::string folder = NewTestFolder("licshow");
    TChild child = StartPackage(LicencedPackage(folder));
    HWND dialog = WaitForDialog(child, LicenceBox);
    ASSERT_TRUE(dialog);
    EXPECT_EQ(Caption, WindowCaption(dialog));
    // One line per settings line, the empty one included.
    EXPECT_EQ("Terms of use\r\n\r\n1. Be nice.\r\n2. Share.", ControlText(dialog, LicenceBox));
    EXPECT_EQ(Text(45), ControlText(dialog, Intro));
    EXPECT_EQ(Text(46), ControlText(dialog, Question));
    EXPECT_EQ(Text(47), ControlText(dialog, IDYES));
    EXPECT_EQ(Text(48), ControlText(dialog, IDNO));
    EXPECT_TRUE(IsCentred(dialog));

    // Typing into the licence changes nothing.
    HWND licence = GetDlgItem(dialog, LicenceBox);
    PostMessageA(licence, WM_CHAR, 'x', 1);
    PostMessageA(licence, WM_CHAR, VK_BACK, 1);
    SendMessageA(licence, WM_NULL, 0, 0);
    Sleep(200);
    EXPECT_EQ("Terms of use\r\n\r\n1. Be nice.\r\n2. Share.", ControlText(dialog, LicenceBox));

    ASSERT_TRUE(Click(dialog, IDYES));
    EXPECT_TRUE(WaitUntilClosed(dialog));
    ExpectFinishedRun(child, OutFolder(folder));
    RemoveTestFolder(folder);
}

TEST(LicenceDialog, NoEndsWithTwoWithoutAnotherQuestion)
{
    const std::string folder = NewTestFolder("licno");
    TChild child = StartPackage(LicencedPackage(folder));
    HWND dialog = WaitForDialog(child, LicenceBox);
    ASSERT_TRUE(dialog);
    ASSERT_TRUE(Click(dialog, IDNO));
    EXPECT_EQ(2u, FinishChild(child, 10000));
    EXPECT_EQ("", ReadWholeFile(OutFolder(folder) + "readme.txt"));
    RemoveTestFolder(folder);
}

TEST(LicenceDialog, AltF4AsksFirstStaysOnNoAndEndsWithTwoOnYes)
{
    const std::string folder = NewTestFolder("licclose");
    TChild child = StartPackage(LicencedPackage(folder));
    HWND dialog = WaitForDialog(child, LicenceBox);
    ASSERT_TRUE(dialog);

    CloseByAltF4(dialog);
    TBox question = WaitForNewBox(child, {dialog});
    ExpectQuitQuestion(question, Text(7));
    ASSERT_TRUE(Answer(question.Window, IDNO));
    EXPECT_TRUE(IsWindowVisible(dialog));

    CloseByAltF4(dialog);
    question = WaitForNewBox(child, {dialog, question.Window});
    ExpectQuitQuestion(question, Text(7));
    ASSERT_TRUE(Answer(question.Window, IDYES));
    EXPECT_EQ(2u, FinishChild(child));
    RemoveTestFolder(folder);
}

TEST(LicenceDialog, SilentRunExtractsWithoutShowingIt)
{
    const std::string folder = NewTestFolder("licsilent");
    TChild child = StartPackage(LicencedPackage(folder), " $SILENT$");
    ExpectFinishedRun(child, OutFolder(folder));
    RemoveTestFolder(folder);
}
