// uProgressWindow: the updates of the progress dialog, sent by the thread
// that runs the extraction, by way of the windowed user (uWindowedRun).
// The dialog sets ProgressWindow when it opens and holds ResumeGate.
// Before the dialog opens every routine here does nothing.
#pragma once
#include <cstdint>
#include <string>
#include <windows.h>

// Owner of every box; null until the progress dialog opens.
extern HWND ProgressWindow;
// Manual-reset event the progress dialog resets to pause the extraction
// and sets to resume it; null (never waited on) without a dialog.
extern HANDLE ResumeGate;

// Status line (control 105) and bar (control 101) for one file: published
// for the dialog, which shows it within one refresh of its timer; the path
// is wide, so that it shows as it is. The run
// does not wait for the dialog here, except while paused.
void PublishProgress(const wchar_t *text, uint16_t position);
// Shows what PublishProgress published last, if the dialog does not show it
// yet. The dialog calls it on its timer; either thread calls it before a
// box or a dialog of the run, so that it shows how far the run has got.
void ShowPublishedProgress();
// Timer period of the dialog: about one screen refresh.
const UINT ProgressRefreshMs = 16;
// Every other update the extraction sends to the progress dialog goes
// through these. A paused run waits here, at its next update, until
// resumed: suspending the thread anywhere else could leave it holding a
// lock (the heap's) that the dialog needs.
void SendToProgress(int control, UINT message, WPARAM wParam, LPARAM lParam);
void SetProgressText(int control, const std::string &text);
// Hidden while the command runs, and back.
void ShowProgressWindow(bool shown);
