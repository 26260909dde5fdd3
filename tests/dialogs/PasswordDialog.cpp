// The password dialog of a protected package, driven as a person would.
#include <gtest/gtest.h>
#include "DialogRuns.h"

namespace {

const int PasswordBox = 2101;
const int Prompt = 2108;

TPackOptions ProtectedPackage(const std::string &folder, const std::string &password)
{
    TPackOptions options = DialogPackage(folder);
    options.PasswordProtected = true;
    options.Password = password;
    return options;
}

} // namespace

TEST(PasswordDialog, ShowsPromptCentredWithFocusInMaskedBoxAndRightPasswordExtracts)
{
    const std::string folder = NewTestFolder("pwshow");
    TChild child = StartPackage(ProtectedPackage(folder, "s3cret"));
    HWND dialog = WaitForDialog(child, PasswordBox);
    ASSERT_TRUE(dialog);
    EXPECT_EQ(Caption, WindowCaption(dialog));
    EXPECT_EQ(Text(55), ControlText(dialog, Prompt));
    EXPECT_EQ(Text(51), ControlText(dialog, IDOK));
    EXPECT_EQ(Text(44), ControlText(dialog, IDCANCEL));
    EXPECT_EQ("", ControlText(dialog, PasswordBox));
    EXPECT_TRUE(ControlStyle(dialog, PasswordBox) & ES_PASSWORD);
    // Once the dialog is the active, foreground window the box has the
    // focus, with nothing more to wait for.
    EXPECT_TRUE(WaitUntilActive(dialog)) << DescribeActivation(dialog);
    EXPECT_EQ(GetDlgItem(dialog, PasswordBox), FocusedWindow(dialog)) << DescribeActivation(dialog);
    EXPECT_TRUE(IsCentred(dialog));

    TypeInto(dialog, PasswordBox, "s3cret");
    PressKey(dialog, VK_RETURN);  // OK is the default button
    EXPECT_TRUE(WaitUntilClosed(dialog));
    ExpectFinishedRun(child, OutFolder(folder));
    RemoveTestFolder(folder);
}

TEST(PasswordDialog, EmptyPasswordAsksAgainOnNoAndEndsWithTwoOnYes)
{
    const std::string folder = NewTestFolder("pwempty");
    TChild child = StartPackage(ProtectedPackage(folder, "s3cret"));
    HWND dialog = WaitForDialog(child, PasswordBox);
    ASSERT_TRUE(dialog);

    ASSERT_TRUE(Click(dialog, IDOK));
    TBox question = WaitForNewBox(child, {dialog});
    ExpectQuitQuestion(question, Text(41));
    ASSERT_TRUE(Answer(question.Window, IDNO));
    EXPECT_TRUE(IsWindowVisible(dialog));

    ASSERT_TRUE(Click(dialog, IDOK));
    question = WaitForNewBox(child, {dialog, question.Window});
    ExpectQuitQuestion(question, Text(41));
    ASSERT_TRUE(Answer(question.Window, IDYES));
    EXPECT_EQ(2u, FinishChild(child));
    EXPECT_EQ("", ReadWholeFile(OutFolder(folder) + "readme.txt"));
    RemoveTestFolder(folder);
}

// A confirmed cancel is a cancelled run: exit code 2, never 0.
TEST(PasswordDialog, CancelEscapeAndCloseAskFirstKeepTheTextOnNoAndEndWithTwoOnYes)
{
    const std::string folder = NewTestFolder("pwcancel");
    TChild child = StartPackage(ProtectedPackage(folder, "s3cret"));
    HWND dialog = WaitForDialog(child, PasswordBox);
    ASSERT_TRUE(dialog);
    TypeInto(dialog, PasswordBox, "typed so far");
    std::vector<HWND> known = {dialog};

    ASSERT_TRUE(Click(dialog, IDCANCEL));
    TBox question = WaitForNewBox(child, known);
    ExpectQuitQuestion(question, Text(7));
    known.push_back(question.Window);
    ASSERT_TRUE(Answer(question.Window, IDNO));
    EXPECT_EQ("typed so far", ControlText(dialog, PasswordBox));

    PressKey(dialog, VK_ESCAPE);
    question = WaitForNewBox(child, known);
    ExpectQuitQuestion(question, Text(7));
    known.push_back(question.Window);
    ASSERT_TRUE(Answer(question.Window, IDNO));
    EXPECT_TRUE(IsWindowVisible(dialog));

    CloseByAltF4(dialog);
    question = WaitForNewBox(child, known);
    ExpectQuitQuestion(question, Text(7));
    ASSERT_TRUE(Answer(question.Window, IDYES));
    EXPECT_EQ(2u, FinishChild(child));
    RemoveTestFolder(folder);
}

TEST(PasswordDialog, TextIsTakenByteForByteAndCutAt259Characters)
{
    // A single blank is a password like any other.
    {
        const std::string folder = NewTestFolder("pwblank");
        TChild child = StartPackage(ProtectedPackage(folder, " "));
        HWND dialog = WaitForDialog(child, PasswordBox);
        ASSERT_TRUE(dialog);
        TypeInto(dialog, PasswordBox, " ");
        ASSERT_TRUE(Click(dialog, IDOK));
        ExpectFinishedRun(child, OutFolder(folder));
        RemoveTestFolder(folder);
    }
    // Characters past the 259th are dropped, so the first 259 unlock it.
    {
        const std::string folder = NewTestFolder("pwlong");
        std::string password;
        for (int i = 0; i < 259; ++i)
            password += static_cast<char>('a' + i % 26);
        TChild child = StartPackage(ProtectedPackage(folder, password));
        HWND dialog = WaitForDialog(child, PasswordBox);
        ASSERT_TRUE(dialog);
        TypeInto(dialog, PasswordBox, password + "TAIL");
        ASSERT_TRUE(Click(dialog, IDOK));
        ExpectFinishedRun(child, OutFolder(folder));
        RemoveTestFolder(folder);
    }
}

TEST(PasswordDialog, WrongPasswordEndsWithTwoAfterTheDamagedMessage)
{
    const std::string folder = NewTestFolder("pwwrong");
    TChild child = StartPackage(ProtectedPackage(folder, "s3cret"));
    HWND dialog = WaitForDialog(child, PasswordBox);
    ASSERT_TRUE(dialog);
    TypeInto(dialog, PasswordBox, "S3CRET");
    ASSERT_TRUE(Click(dialog, IDOK));
    HWND progress = WaitForDialog(child, ProgressBar);
    TBox box = WaitForNewBox(child, {progress});
    ASSERT_TRUE(box.Window);
    EXPECT_EQ(Text(35) + "\r" + Text(43) + "\r\r" + Text(36), box.Text);
    EXPECT_EQ(progress, GetWindow(box.Window, GW_OWNER));
    ASSERT_TRUE(Answer(box.Window, IDOK));
    EXPECT_EQ(2u, FinishChild(child));
    EXPECT_EQ("", ReadWholeFile(OutFolder(folder) + "readme.txt"));
    RemoveTestFolder(folder);
}

TEST(PasswordDialog, SilentRunOfProtectedPackageEndsWithOneAndShowsNothing)
{
    const std::string folder = NewTestFolder("pwsilent");
    TChild child = StartPackage(ProtectedPackage(folder, "s3cret"), " $SILENT$");
    EXPECT_FALSE(WaitForNewDialog(child, {}, 3000));
    EXPECT_EQ(1u, FinishChild(child));
    RemoveTestFolder(folder);
}
