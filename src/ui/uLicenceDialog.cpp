// The licence agreement: Yes goes on, No declines at once.
#include "ui/uDialogs.h"
#include "ui/mCommDlg.h"
#include "ui/uResourceIds.h"
#include "services/uRunState.h"
#include "services/uSettings.h"
#include "util/mUtils.h"

namespace {

const std::string *ShownLicence = nullptr;
bool Accepted = false;

INT_PTR CALLBACK LicenceProc(HWND dialog, UINT message, WPARAM wParam, LPARAM)
{
    switch (message) {
    case WM_INITDIALOG:
        CentreWindow(dialog);
        SetDlgItemTextW(dialog, IDC_LICENCE_TEXT, TWideText(*ShownLicence).Text);
        SetControlMessage(dialog, IDC_LICENCE_INTRO, MsgLicencePrompt);
        SetControlMessage(dialog, IDC_LICENCE_QUESTION, MsgLicenceQuestion);
        SetControlMessage(dialog, IDC_LICENCE_YES, MsgYes);
        SetControlMessage(dialog, IDC_LICENCE_NO, MsgNo);
        SetIconAndCaption(dialog, ICON_LICENCE);
        break;
    case WM_COMMAND:
        // No id 2 in the template: Escape does nothing.
        switch (ClickedButton(wParam)) {
        case IDC_LICENCE_YES:
            Accepted = true;
            EndDialog(dialog, 0);
            break;
        case IDC_LICENCE_NO:
            Accepted = false;
            EndDialog(dialog, 0);
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

bool ShowLicence(const std::string &licenceText)
{
    ShownLicence = &licenceText;
    Accepted = false;
    RunModalDialog(DLG_LICENCE, nullptr, LicenceProc);
    return Accepted;
}
