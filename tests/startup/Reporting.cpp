// The reporting routines in a real process (tests/hosts/report_host): the
// boxes as the user sees them, silent answers, exit codes and the removal
// of an empty destination. The host's messages are "M1" to "M56".
#include <windows.h>
#include <gtest/gtest.h>
#include "oxPackages.h"
#include "oxProcess.h"
#include "oxTest.h"
#include "cabinet/uCabHelper.h"
#include "services/uReport.h"
#include "services/uSettings.h"

namespace {

TChild StartHost(const std::string &routine, bool silent, const std::string &destination,
                 const std::string &text, const std::string &more = "x", const std::string &extra = "")
{
    // No trailing backslash: the runtime would read it as escaping the quote.
    std::string folder = destination;
    if (!folder.empty() && folder.back() == '\\')
        folder.pop_back();
    return StartChild("\"" + BinFolder() + "report_host.exe\" " + routine + (silent ? " 1 " : " 0 ") + "\"" +
                      folder + "\" \"" + text + "\" \"" + more + "\" " + extra);
}

bool FolderExists(const std::string &path)
{
    DWORD attributes = GetFileAttributesA(path.c_str());
    return attributes != INVALID_FILE_ATTRIBUTES && (attributes & FILE_ATTRIBUTE_DIRECTORY);
}

// Runs the host, answers its one box with button, returns the exit code.
DWORD AnswerOneBox(TChild child, int button, TBox *seen = nullptr)
{
    TBox box = WaitForBox(child);
    EXPECT_TRUE(box.Window);
    if (seen)
        *seen = box;
    if (box.Window)
        PressButton(box, button);
    return FinishChild(child);
}

// Answers the next-cabinet prompt with No, to look again at a file there
// that is no cabinet: the damaged-package report ends the run with 1.
void ExpectDamagedAfterNo(TChild &child, const TBox &prompt)
{
    PressButton(prompt, IDNO);
    Sleep(300);
    TBox box = WaitForBox(child);
    ASSERT_TRUE(box.Window);
    EXPECT_EQ("M35\rM42\r\rM36", box.Text);
    PressButton(box, IDOK);
    EXPECT_EQ(1u, FinishChild(child));
}

} // namespace

TEST(ReportError, FatalBoxShowsHeadingTextAndLastLine)
{
    const std::string destination = NewTestFolder("fatal");
    TBox box;
    EXPECT_EQ(11u, AnswerOneBox(StartHost("fatal", false, destination, "Disk on fire"), IDOK, &box));
    EXPECT_EQ("Kelvardo Tovrex - Host", box.Caption);
    EXPECT_EQ("M35\rDisk on fire\r\rM36", box.Text);
    EXPECT_EQ(ButtonsOf(MB_OK), box.Buttons);
    EXPECT_FALSE(FolderExists(destination));
}

TEST(ReportError, QuitQuestionDefaultsToNoAndRemovesFolderOnlyOnYes)
{
    const std::string destination = NewTestFolder("quit");
    TBox box;
    EXPECT_EQ(10u, AnswerOneBox(StartHost("quit", false, destination, "Go on?"), IDNO, &box));
    EXPECT_EQ("Go on?\r\rM37", box.Text);
    EXPECT_EQ(ButtonsOf(MB_YESNO), box.Buttons);
    EXPECT_EQ(IDNO, box.DefaultButton);
    EXPECT_TRUE(FolderExists(destination));

    EXPECT_EQ(11u, AnswerOneBox(StartHost("quit", false, destination, "Go on?"), IDYES));
    EXPECT_FALSE(FolderExists(destination));
}

TEST(ReportError, SilentAnswersFatalTrueAndQuestionsNo)
{
    const std::string destination = NewTestFolder("silentreport");
    TChild quit = StartHost("quit", true, destination, "Cancel?");
    EXPECT_FALSE(WaitForBox(quit, 3000).Window);
    EXPECT_EQ(10u, FinishChild(quit));
    EXPECT_TRUE(FolderExists(destination));

    TChild fatal = StartHost("fatal", true, destination, "Broken");
    EXPECT_FALSE(WaitForBox(fatal, 3000).Window);
    EXPECT_EQ(11u, FinishChild(fatal));
    EXPECT_FALSE(FolderExists(destination));
}

// A destination the run did not make (the temporary folder, a folder of the
// user's) stays, empty or not, whatever ends the run.
TEST(ReportError, DestinationTheRunDidNotMakeIsNeverRemoved)
{
    const std::string destination = NewTestFolder("theirs");
    TChild fatal = StartHost("fatal", true, destination, "Broken", "x", "theirs");
    EXPECT_EQ(11u, FinishChild(fatal));
    EXPECT_EQ(11u, AnswerOneBox(StartHost("quit", false, destination, "Go on?", "x", "theirs"), IDYES));
    EXPECT_EQ(10u, AnswerOneBox(StartHost("yesno", false, destination, "Really?", "x", "theirs"), IDNO));
    EXPECT_TRUE(FolderExists(destination));
    RemoveDirectoryA(destination.c_str());
}

TEST(AskRetry, RetryIgnoreAndAbort)
{
    const std::string destination = NewTestFolder("retry");
    TBox box;
    EXPECT_EQ(11u, AnswerOneBox(StartHost("retry", false, destination, "M30\rC:\\x.txt"), IDRETRY, &box));
    EXPECT_EQ("M34\rM30\rC:\\x.txt", box.Text);
    EXPECT_EQ(ButtonsOf(MB_ABORTRETRYIGNORE), box.Buttons);
    EXPECT_EQ(10u, AnswerOneBox(StartHost("retry", false, destination, "M30"), IDIGNORE));
    // Abort ends the run with 1 and leaves the destination in place.
    EXPECT_EQ(1u, AnswerOneBox(StartHost("retry", false, destination, "M30"), IDABORT));
    EXPECT_TRUE(FolderExists(destination));

    TChild silent = StartHost("retry", true, destination, "M30");
    EXPECT_FALSE(WaitForBox(silent, 3000).Window);
    EXPECT_EQ(1u, FinishChild(silent));
}

TEST(AskYesNo, TextUnchangedNoRemovesEmptyDestinationSilentIsYes)
{
    const std::string destination = NewTestFolder("yesno");
    TBox box;
    EXPECT_EQ(11u, AnswerOneBox(StartHost("yesno", false, destination, "Really?"), IDYES, &box));
    EXPECT_EQ("Really?", box.Text);
    EXPECT_EQ(ButtonsOf(MB_YESNO), box.Buttons);
    EXPECT_TRUE(FolderExists(destination));

    TChild silent = StartHost("yesno", true, destination, "Really?");
    EXPECT_FALSE(WaitForBox(silent, 3000).Window);
    EXPECT_EQ(11u, FinishChild(silent));

    EXPECT_EQ(10u, AnswerOneBox(StartHost("yesno", false, destination, "Really?"), IDNO));
    EXPECT_FALSE(FolderExists(destination));
}

TEST(DecideOverwrite, AllModesAnswerWithoutAsking)
{
    const std::string destination = NewTestFolder("overwrite");
    TChild all = StartHost("overwrite", false, destination, "C:\\file.txt", "0");
    EXPECT_EQ(11u, FinishChild(all, 10000));
    TChild none = StartHost("overwrite", false, destination, "C:\\file.txt", "2");
    EXPECT_EQ(10u, FinishChild(none, 10000));
}

TEST(PromptNextCabinet, SilentMissingCabinetEndsWithOne)
{
    TChild child = StartHost("nextcab", true, "", "missing_next.cab", "Disk 2");
    EXPECT_FALSE(WaitForBox(child, 3000).Window);
    EXPECT_EQ(1u, FinishChild(child));
}

TEST(PromptNextCabinet, FolderPartOfTheNameIsNotFollowed)
{
    // A cabinet of that name exists one folder up, but only the folder of
    // the running program counts: the prompt asks for the bare name.
    const std::string name = "oxup_" + std::to_string(GetCurrentProcessId()) + ".cab";
    const std::string above = BinFolder() + "..\\" + name;
    ASSERT_TRUE(WriteWholeFile(above, "MSCF"));
    TChild child = StartHost("nextcab", false, "", "..\\" + name, "Disk 2");
    TBox box = WaitForBox(child);
    DeleteFileA(above.c_str());
    ASSERT_TRUE(box.Window) << "the cabinet above the program's folder was taken";
    EXPECT_EQ("M38\rM39Disk 2\rM40" + name + "\r\rM37", box.Text);
    PressButton(box, IDYES);
    EXPECT_EQ(2u, FinishChild(child));
}

TEST(PromptNextCabinet, PromptThatCannotBeShownEndsWithOneInsteadOfAskingForever)
{
    TChild child = StartHost("nextcab", false, "", "missing_next.cab", "Disk 2", "badowner");
    EXPECT_EQ(1u, FinishChild(child, 15000));
}

TEST(PromptNextCabinet, AsksAgainUntilPresentAndYesQuitsWithTwo)
{
    // The next cabinet is looked for beside the running program (the host).
    const std::string name = "oxnext_" + std::to_string(GetCurrentProcessId()) + ".cab";
    const std::string beside = BinFolder() + name;
    DeleteFileA(beside.c_str());

    TChild child = StartHost("nextcab", false, "", name, "Disk 2");
    TBox box = WaitForBox(child);
    ASSERT_TRUE(box.Window);
    EXPECT_EQ("M38\rM39Disk 2\rM40" + name + "\r\rM37", box.Text);
    EXPECT_EQ(IDNO, box.DefaultButton);
    PressButton(box, IDNO);
    Sleep(300);
    box = WaitForBox(child);
    ASSERT_TRUE(box.Window) << "the prompt must repeat while the cabinet is missing";
    // Present now, but not a cabinet: the damaged-package report ends the run.
    ASSERT_TRUE(WriteWholeFile(beside, "not a cabinet"));
    ExpectDamagedAfterNo(child, box);
    DeleteFileA(beside.c_str());

    TChild quitting = StartHost("nextcab", false, "", name, "Disk 2");
    EXPECT_EQ(2u, AnswerOneBox(quitting, IDYES));
}

// After the library refused the file, the user is asked before it is looked
// at again: a file there is reported as the wrong one, a missing one as
// missing; a silent run ends at once.
TEST(PromptNextCabinet, AFileTheLibraryRefusedIsNeverLookedAtAgainWithoutAnAnswer)
{
    const std::string name = "oxagain_" + std::to_string(GetCurrentProcessId()) + ".cab";
    const std::string beside = BinFolder() + name;
    ASSERT_TRUE(WriteWholeFile(beside, "refused by the library"));

    TChild silent = StartHost("nextcabagain", true, "", name, "Disk 2");
    EXPECT_FALSE(WaitForBox(silent, 3000).Window);
    EXPECT_EQ(1u, FinishChild(silent));

    TBox box;
    EXPECT_EQ(2u, AnswerOneBox(StartHost("nextcabagain", false, "", name, "Disk 2"), IDYES, &box));
    EXPECT_EQ("M42\rM40" + name + "\r\rM37", box.Text);
    EXPECT_EQ(IDNO, box.DefaultButton);

    // No looks again; the file is still no cabinet: the damaged package.
    TChild again = StartHost("nextcabagain", false, "", name, "Disk 2");
    box = WaitForBox(again);
    ASSERT_TRUE(box.Window);
    EXPECT_EQ("M42\rM40" + name + "\r\rM37", box.Text);
    ExpectDamagedAfterNo(again, box);

    // Gone meanwhile: asked for as missing.
    DeleteFileA(beside.c_str());
    EXPECT_EQ(2u, AnswerOneBox(StartHost("nextcabagain", false, "", name, "Disk 2"), IDYES, &box));
    EXPECT_EQ("M38\rM39Disk 2\rM40" + name + "\r\rM37", box.Text);
}

TEST(FdiErrorText, CodesMapToMessagesAndUnknownCodesToTheLast)
{
    TPackageSettings settings;
    for (int n = 1; n <= MessageCount; ++n)
        settings.Messages[n] = "M" + std::to_string(n);
    TRunPlan plan;
    plan.Package = &settings;
    ERF record = {};
    for (int code = 0; code <= 11; ++code) {
        record.erfOper = code;
        EXPECT_EQ("M" + std::to_string(15 + code), FdiErrorText(plan, record));
    }
    for (int code : {12, 255, -1, INT_MIN}) {
        record.erfOper = code;
        EXPECT_EQ("M27", FdiErrorText(plan, record)) << code;
    }
}
