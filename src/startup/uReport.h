// uReport: every box, question and progress text of the extractor. Texts
// come from the package's message table, the caption is always Caption,
// the owner is ProgressWindow, and silent mode answers for the user.
#pragma once
#include <cstdint>
#include <string>
#include "cabinet/hFDI.h"
#include <windows.h>

// Fatal: OK box, returns true. Not fatal: Yes/No quit question, returns
// true for Yes. A true result removes an empty Destination folder that the
// run made (DestinationMadeByRun); the caller then ends the process.
bool ReportError(const std::string &text, bool fatal);
// File error during extraction: 1 retry, 0 ignore; abort ends the process.
int AskRetry(const std::string &text);
bool AskYesNo(const std::string &text);
bool DecideOverwrite(const std::string &fileName);
// Folder (with trailing backslash) that holds the next cabinet of a set:
// always the package's own; any folder part of cabinetName is dropped.
std::string PromptNextCabinet(const std::string &cabinetName, const std::string &diskName);
void ShowProgress(const std::string &text, int16_t position);
// Moves the bar to a position ShowProgress held back, once it is due; the
// extraction calls it while a long file is written.
void FlushProgress();
// Every update the extraction sends to the progress dialog goes through
// these two. A paused run waits here, at its next update, until resumed:
// suspending the thread anywhere else could leave it holding a lock
// (the heap's) that the dialog needs. Without a dialog they do nothing.
void SendToProgress(int control, UINT message, WPARAM wParam, LPARAM lParam);
void SetProgressText(int control, const std::string &text);
void ShowProgressWindow(int command);
std::string FdiErrorText(const ERF &errorRecord);

// Stops a run that needs a part of the extractor this build does not have
// yet: a fatal report naming the part, exit code 1. Never pretends success.
[[noreturn]] void ReportNotBuilt(const std::string &part);
