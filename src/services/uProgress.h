// uProgress: where the progress dialog and the extraction run meet; they
// never include each other. The dialog (ui) sets ProgressWindow when it
// opens and holds ResumeGate; the run (cabinet, actions) sends every update
// of the dialog through the routines below, and the driver hands the run
// to the dialog as the thread procedure of its worker. Without a dialog
// (a silent run) every routine here does nothing.
#pragma once
#include <cstdint>
#include <string>
#include <windows.h>

// Manual-reset event the progress dialog resets to pause the extraction
// and sets to resume it; null (never waited on) without a dialog.
extern HANDLE ResumeGate;

// Status line (control 105) and bar (control 101) for one file.
void ShowProgress(const std::string &text, int16_t position);
// Moves the bar to a position ShowProgress held back, once it is due; the
// extraction calls it while a long file is written.
void FlushProgress();
// Moves the bar to a position ShowProgress held back, at once: before a
// box or a dialog of the run, so that it shows how far the run has got.
void ShowWaitingPosition();
// Every other update the extraction sends to the progress dialog goes
// through these. A paused run waits here, at its next update, until
// resumed: suspending the thread anywhere else could leave it holding a
// lock (the heap's) that the dialog needs.
void SendToProgress(int control, UINT message, WPARAM wParam, LPARAM lParam);
void SetProgressText(int control, const std::string &text);
void ShowProgressWindow(int command);
