// The destination folder dialog: a full path typed or browsed for, created
// with all its missing parents on OK.
#include "ui/uDialogs.h"
#include "ui/mCommDlg.h"
#include "ui/uResourceIds.h"
#include "services/uSettings.h"
#include "util/mUtils.h"
#include "format/uDestinationRule.h"
#include "format/uFileNameRule.h"

namespace {

// Set only by a successful OK; read after the dialog has ended.
std::string ChosenFolder;
// Characters the run needs below the folder; set before the dialog opens.
size_t CommandRoom;

void Browse(HWND dialog)
{
    wchar_t path[MAX_PATH];
    if (BrowseForFolder(Message(MsgBrowseTitle), dialog, path) && path[0])
        SetDlgItemTextW(dialog, IDC_DEST_FOLDER, path);
}

// Only a full path is taken, by the rule $DESTINATION$ follows too: a
// relative one would depend on the current folder, a device or raw path
// is no folder.
void Accept(HWND dialog)
{
    // Room for the backslash added below.
    wchar_t wide[261];
    const UINT length = GetDlgItemTextW(dialog, IDC_DEST_FOLDER, wide, 260);
    wide[length] = L'\0';
    const std::string typed = AnsiPathOf(wide);
    // A folder that leaves the command no room is refused before any level
    // of it is made.
    if (!IsFullPath(NameCheckForm(wide)) || length + (wide[length - 1] != L'\\') + CommandRoom > MaxPathLength) {
        QuitOnYes(Message(MsgNotFullPath));
        return;
    }
    if (wide[length - 1] != L'\\')
        CopyWide(wide + length, L"\\", 2);
    const bool existed = IsFolderPresent(wide);
    // The run names its destination with the "A" calls: a folder whose name
    // the ANSI code page cannot hold is taken in its short (8.3) form, which
    // exists once the folder does.
    const std::string folder = CreateFolderTree(wide) ? AddTrailingBackslash(AnsiPathOf(wide)) : std::string();
    if (!IsFolderPresent(folder)) {
        QuitOnYes(Message(MsgCannotCreateFolder) + "\r" + typed + "\r\r" + Message(MsgInvalidFolder));
        return;
    }
    ChosenFolder = folder;
    ShownRun().DestinationMadeByRun = !existed;
    EndDialog(dialog, 0);
}

INT_PTR CALLBACK DestinationProc(HWND dialog, UINT message, WPARAM wParam, LPARAM)
{
    if (message == WM_INITDIALOG) {
        CentreWindow(dialog);
        SetFocus(GetDlgItem(dialog, IDC_DEST_FOLDER));
        SetDlgItemTextW(dialog, IDC_DEST_FOLDER, TWideText(ShownRun().Folders.Exe).Text);
        SetControlMessage(dialog, IDC_DEST_PROMPT, MsgDestinationPrompt);
        SetControlMessage(dialog, IDC_DEST_BROWSE, MsgBrowse);
        SetControlMessage(dialog, IDC_OK, MsgOk);
        SetControlMessage(dialog, IDC_CANCEL, MsgCancel);
        SetIconAndCaption(dialog, ICON_DESTINATION);
        return FALSE;  // the focus stays in the folder box
    }
    if (message != WM_COMMAND)
        return FALSE;
    // Escape and the close box arrive as Cancel.
    switch (ClickedButton(wParam)) {
    case IDC_DEST_BROWSE:
        Browse(dialog);
        break;
    case IDC_CANCEL:
        ConfirmCancel();
        break;
    case IDC_OK:
        Accept(dialog);
        break;
    }
    return FALSE;
}

} // namespace

std::string AskDestinationFolder(TRunPlan &, size_t commandRoom)
{
    CommandRoom = commandRoom;
    ChosenFolder.clear();
    RunModalDialog(DLG_DESTINATION, nullptr, DestinationProc);
    return ChosenFolder;
}
