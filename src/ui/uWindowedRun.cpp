// uWindowedRun: the user of a windowed run. Boxes are owned by the progress
// dialog once it is open and carry Caption; every box is logged with the
// button pressed. The progress reaches the dialog's controls through
// uProgressWindow.
#include <windows.h>
#include <commctrl.h>
#include "ui/uDialogs.h"
#include "ui/uProgressWindow.h"
#include "ui/uResourceIds.h"
#include "services/uLog.h"
#include "services/uReport.h"
#include "services/uSettings.h"
#include "util/mUtils.h"

namespace {

const UINT StyleFatal = MB_OK | MB_ICONHAND;                              // 0x10
const UINT StyleQuit = MB_YESNO | MB_ICONEXCLAMATION | MB_DEFBUTTON2;     // 0x134
const UINT StyleRetry = MB_ABORTRETRYIGNORE | MB_ICONHAND;                // 0x12
const UINT StyleQuestion = MB_YESNO | MB_ICONQUESTION;                    // 0x24

// The button pressed, or 0 when the box could not be shown (some systems
// report that as -1 rather than 0). The box is a wide one, so that a name
// outside the ANSI code page shows as it is.
// Every box: owned by the progress dialog once it is open, Caption on top.
int CaptionedBox(const wchar_t *body, UINT style)
{
    return MessageBoxW(ProgressWindow, body, TWideText(ShownRun().Package->Caption).Text, style);
}

int ShowBox(const wchar_t *body, UINT style)
{
    // A box shows the dialog as far as the run has got.
    ShowPublishedProgress();
    int answer = CaptionedBox(body, style);
    if (answer < 0)
        answer = 0;
    LogLine("box: ", body, AnswerName(answer));
    return answer;
}

int ShowError(const std::string &text, bool fatal)
{
    if (fatal)
        return ShowBox(TWideText(Message(MsgFatalHeading) + "\r" + text + "\r\r" + Message(MsgClickOk)).Text, StyleFatal);
    return ShowBox(TWideText(text + "\r\r" + Message(MsgYesToExit)).Text, StyleQuit);
}

int RetryBox(const wchar_t *text)
{
    return ShowBox(TWideText(Message(MsgErrorHeading) + "\r", text).Text, StyleRetry);
}

bool YesNoBox(const std::string &text)
{
    return ShowBox(TWideText(text).Text, StyleQuestion) == IDYES;
}

int AskNextCabinet(const std::string &cabinetName, const std::string &diskName, bool wrongFile)
{
    return ShowError(wrongFile ? ShownRun().Package->DamagedMessage + "\r" + Message(MsgCabinet) + cabinetName
                               : Message(MsgInsertDisk) + "\r" + Message(MsgDisk) + diskName + "\r" +
                                     Message(MsgCabinet) + cabinetName,
                     false);
}

// A box with only OK, which needs no log of its answer.
void ShowMessage(const std::string &text, UINT style)
{
    CaptionedBox(TWideText(text).Text, style);
}

void ShowNotice(const char *, const std::string &text, bool warning)
{
    ShowMessage(text, warning ? MB_ICONWARNING : MB_ICONINFORMATION);
}

void ShowTitle(const std::string &title)
{
    SetProgressText(IDC_PROGRESS_TITLE, title);
}

void ShowStage(int message)
{
    SetProgressText(IDC_PROGRESS_STATUS, Message(message));
}

void SetProgressBar(uint16_t files, bool range)
{
    if (range)
        SendToProgress(IDC_PROGRESS_BAR, PBM_SETRANGE, 0, MAKELPARAM(0, files));
    else
        SendToProgress(IDC_PROGRESS_BAR, PBM_SETPOS, files, 0);
}

void ShowCompletion(const std::string &text)
{
    LogLine("completion message: ", text.c_str());
    ShowMessage(text, MB_ICONINFORMATION);
}

} // namespace

namespace {

const TRunUserInterface WindowedUserInterface = {
    ShowError, RetryBox, YesNoBox, AskNextCabinet, AskOverwrite,
    AskPassword, ShowLicence, AskDestinationFolder, ShowNotice, RunProgressDialog,
    ShowTitle, ShowStage, SetProgressBar, PublishProgress, ShowProgressWindow, ShowCompletion,
};

} // namespace

const TRunUserInterface &WindowedRun(TRunPlan &plan)
{
    SetShownRun(plan);
    return WindowedUserInterface;
}
