// The overwrite prompt: shown on the extraction thread, owned by the
// progress dialog, for each existing file while the run asks.
#include "ui/uDialogs.h"
#include "ui/mCommDlg.h"
#include "ui/uProgressWindow.h"
#include "ui/uResourceIds.h"
#include "services/uRunState.h"
#include "services/uSettings.h"

namespace {

const wchar_t *ShownPath = nullptr;
bool Overwrite = false;
int *Mode = nullptr;

void Answer(HWND dialog, bool overwrite)
{
    Overwrite = overwrite;
    EndDialog(dialog, 0);
}

INT_PTR CALLBACK OverwriteProc(HWND dialog, UINT message, WPARAM wParam, LPARAM)
{
    switch (message) {
    case WM_INITDIALOG:
        CentreWindow(dialog);
        SetDlgItemTextW(dialog, IDC_OVER_PATH, ShownPath);
        SetControlMessage(dialog, IDC_OVER_HEADING, MsgOverwriteHeading);
        SetControlMessage(dialog, IDC_OVER_YES, MsgYes);
        SetControlMessage(dialog, IDC_OVER_YESALL, MsgYesToAll);
        SetControlMessage(dialog, IDC_OVER_NO, MsgNo);
        SetControlMessage(dialog, IDC_OVER_NOALL, MsgNoToAll);
        SetControlMessage(dialog, IDC_OVER_CANCEL, MsgCancel);
        SetIconAndCaption(dialog, ICON_OVERWRITE);
        break;
    case WM_COMMAND:
        // No id 2 in the template: Escape does nothing.
        switch (ClickedButton(wParam)) {
        case IDC_OVER_YES:
            Answer(dialog, true);
            break;
        case IDC_OVER_YESALL:
            *Mode = 0;
            Answer(dialog, true);
            break;
        case IDC_OVER_NO:
            Answer(dialog, false);
            break;
        case IDC_OVER_NOALL:
            *Mode = 2;
            Answer(dialog, false);
            break;
        case IDC_OVER_CANCEL:
            ConfirmCancel();
            break;
        }
        break;
    case WM_CLOSE:  // Alt+F4: there is no close box
        ConfirmCancel();
        break;
    }
    return FALSE;
}

} // namespace

bool AskOverwrite(const wchar_t *fileName, int &overwriteMode)
{
    // The question shows the dialog as far as the run has got.
    ShowPublishedProgress();
    ShownPath = fileName;
    Mode = &overwriteMode;
    Overwrite = false;
    RunModalDialog(DLG_OVERWRITE, ProgressWindow, OverwriteProc);
    return Overwrite;
}
