// uReport: every box and question of the extractor. Texts come from the
// package's message table; the user of the run (uUserInterface, windowed or
// silent) shows them or answers for himself, and these routines act on the
// answer the same way for both. Nothing here knows the dialogs or the
// cabinet library: their layers call down to these.
#pragma once
#include <cstdint>
#include <string>
#include "services/uRunPlan.h"

// Every routine reaches the user of the plan's run (windowed or silent).
// A quit removes the plan's destination when the run made it
// (DestinationMadeByRun) and it is empty (RemoveEmptyDestination).
// Fatal: OK box, returns true. Not fatal: Yes/No quit question, returns
// true for Yes. A true result removes an empty destination folder that the
// run made; the caller then ends the process.
bool ReportError(const TRunPlan &plan, const std::string &text, bool fatal);
// A fatal error: the OK box, then the end of the run with exitCode.
[[noreturn]] void FailRun(const TRunPlan &plan, const std::string &text, int exitCode);
// File error during extraction: 1 retry, 0 ignore; abort ends the process.
// The text is wide: it names the file as it is.
int AskRetry(const TRunPlan &plan, const wchar_t *text);
inline int AskRetry(const TRunPlan &plan, const std::wstring &text) { return AskRetry(plan, text.c_str()); }
bool AskYesNo(const TRunPlan &plan, const std::string &text);
// Whether to replace fileName: overwriteMode (1 ask, 0 replace all, 2 keep
// all) answers, or, while it asks, the user, who may change it.
bool DecideOverwrite(const TRunPlan &plan, const wchar_t *fileName, int &overwriteMode);
// Asks once for the next cabinet of a set, naming cabinetName: for disk
// diskName while the file is missing, or, when wrongFile, with the
// damaged-package message for a file of that name that is not the cabinet
// the set goes on with. Returns when the user answers No, to look again;
// Yes quits with exit code 2; silent mode, or a box that cannot be shown,
// ends the process with 1.
void PromptNextCabinet(const TRunPlan &plan, const std::string &cabinetName, const std::string &diskName,
                       bool wrongFile);
// One file done: its path and the files done so far, for the user to see.
void ShowProgress(const TRunPlan &plan, const wchar_t *text, uint16_t position);
inline void ShowProgress(const TRunPlan &plan, const std::wstring &text, uint16_t position)
{
    ShowProgress(plan, text.c_str(), position);
}

// The button's name for the log (" -> Yes"), by its id; 0 or an unknown id
// is a box that could not be shown.
const char *AnswerName(int answer);

// Writes text for the one who started the run from a console: to the
// output it redirected (a file or pipe) or else to its console. False when
// the starting process has no console; nothing is written then.
bool WriteToStartingConsole(const std::string &text);
