// uDialogs: the modal dialogs of the start-up sequence and the extraction,
// and the windowed user of a run, which shows them. A silent run never
// reaches them. A confirmed cancel in any of them ends the process with
// exit code 2.
#pragma once
#include <string>
#include <windows.h>
#include "services/uRunPlan.h"
#include "services/uUserInterface.h"

// The windowed run: dialogs, boxes and the progress dialog, showing plan's
// run, which they keep until the process ends.
const TRunUserInterface &WindowedRun(TRunPlan &plan);

// Password typed by the user.
std::string AskPassword(const TRunPlan &plan);
// True when the licence is accepted.
bool ShowLicence(const std::string &licenceText);
// Folder chosen, in folder form, with room for commandRoom characters
// below it.
std::string AskDestinationFolder(TRunPlan &plan, size_t commandRoom);
// True to overwrite fileName; may set overwriteMode to replace all (0) or
// keep all (2). Runs on the extraction thread, owned by the progress dialog.
bool AskOverwrite(const wchar_t *fileName, int &overwriteMode);
// Runs the progress dialog modally; its worker thread runs run, which
// performs the extraction and ends the process. The dialog knows the run
// only as this procedure, which gets plan as its parameter; the run updates
// the dialog through uProgressWindow.
// Never returns: a dialog that cannot be shown or started is a fatal
// error, a confirmed cancel ends with 2.
[[noreturn]] void RunProgressDialog(TRunPlan &plan, LPTHREAD_START_ROUTINE run);

// --- Shared by the dialog procedures. ---

// The run the dialogs show, set by WindowedRun.
void SetShownRun(TRunPlan &plan);
TRunPlan &ShownRun();
// Message n of the shown run's package.
const std::string &Message(int number);

// Runs template modally with owner; a dialog that cannot be created is a
// fatal error (exit code 1), never an unanswered question.
void RunModalDialog(int templateId, HWND owner, DLGPROC procedure);
// The id of a clicked button; 0 for any other command.
int ClickedButton(WPARAM wParam);
void SetControlMessage(HWND dialog, int control, int message);
// Large icon from the program's icons, and Caption as window text.
void SetIconAndCaption(HWND dialog, int iconId);
// Asks message 7; on Yes the process ends with exit code 2.
void ConfirmCancel();
// Asks text as a quit question; on Yes the process ends with exit code 2.
void QuitOnYes(const std::string &text);
