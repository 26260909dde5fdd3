// The password dialog: any non-empty text is taken unchecked; a wrong one
// shows only when the scrambled cabinet is not recognised.
#include "ui/uDialogs.h"
#include "ui/mCommDlg.h"
#include "ui/uResourceIds.h"
#include "services/uLog.h"
#include "services/uReport.h"
#include "services/uRunState.h"
#include "services/uSettings.h"
#include "util/mUtils.h"

namespace {

// Set only by a successful OK; read after the dialog has ended.
std::string TypedPassword;

INT_PTR CALLBACK PasswordProc(HWND dialog, UINT message, WPARAM wParam, LPARAM)
{
    if (message == WM_INITDIALOG) {
        CentreWindow(dialog);
        SetFocus(GetDlgItem(dialog, IDC_PASS_EDIT));
        SetControlMessage(dialog, IDC_PASS_PROMPT, MsgPasswordPrompt);
        SetControlMessage(dialog, IDC_OK, MsgOk);
        SetControlMessage(dialog, IDC_CANCEL, MsgCancel);
        SetIconAndCaption(dialog, ICON_PASSWORD);
        return FALSE;  // the focus stays in the password box
    }
    if (message != WM_COMMAND)
        return FALSE;
    // Escape and the close box arrive as Cancel.
    switch (ClickedButton(wParam)) {
    case IDC_CANCEL:
        ConfirmCancel();
        break;
    case IDC_OK: {
        // The key is made from the password in the code page of the
        // package's texts, as its maker typed it.
        wchar_t buffer[260];
        if (GetDlgItemTextW(dialog, IDC_PASS_EDIT, buffer, 260) == 0) {
            QuitOnYes(Message(MsgEmptyPassword));
            break;
        }
        TypedPassword = NarrowText(buffer);
        EndDialog(dialog, 0);
        break;
    }
    }
    return FALSE;
}

} // namespace

std::string AskPassword(const TRunPlan &)
{
    LogLine("password: asked for");
    TypedPassword.clear();
    RunModalDialog(DLG_PASSWORD, nullptr, PasswordProc);
    return TypedPassword;
}
