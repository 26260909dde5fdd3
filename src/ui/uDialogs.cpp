#include "ui/uDialogs.h"
#include "services/uReport.h"
#include "services/uRunState.h"
#include "services/uSettings.h"
#include "util/mUtils.h"

namespace {

// Set once, before the first box; the dialog procedures have nothing else
// to reach the run by.
TRunPlan *Shown = nullptr;

} // namespace

void SetShownRun(TRunPlan &plan)
{
    Shown = &plan;
}

TRunPlan &ShownRun()
{
    return *Shown;
}

const std::string &Message(int number)
{
    return Message(*Shown, number);
}

// The dialogs are wide windows, so that their controls hold any name as it
// is; the program's own texts still go in through the "A" calls.
void RunModalDialog(int templateId, HWND owner, DLGPROC procedure)
{
    if (DialogBoxParamW(GetModuleHandleW(nullptr), MAKEINTRESOURCEW(templateId), owner, procedure, 0) == -1) {
        FailRun(*Shown, Message(MsgUnknownError), ExitError);
    }
}

int ClickedButton(WPARAM wParam)
{
    return HIWORD(wParam) == BN_CLICKED ? LOWORD(wParam) : 0;
}

void SetControlMessage(HWND dialog, int control, int message)
{
    SetDlgItemTextW(dialog, control, TWideText(Message(message)).Text);
}

void SetIconAndCaption(HWND dialog, int iconId)
{
    HICON icon = LoadIconA(GetModuleHandleA(nullptr), MAKEINTRESOURCEA(iconId));
    SendMessageA(dialog, WM_SETICON, ICON_BIG, reinterpret_cast<LPARAM>(icon));
    SetWindowTextW(dialog, TWideText(Shown->Package->Caption).Text);
}

// The dialog is left as it is: the process ends from inside its
// procedure, which takes the window with it.
void QuitOnYes(const std::string &text)
{
    if (ReportError(*Shown, text, false))
        EndRun(*Shown, ExitDeclined);
}

void ConfirmCancel()
{
    QuitOnYes(Message(MsgCancelQuestion));
}
