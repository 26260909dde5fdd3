// uReport: every box and question of the extractor. Texts come from the
// package's message table, the caption is always Caption, the owner is
// ProgressWindow, and silent mode answers for the user. Nothing here knows
// the dialogs or the cabinet library: their layers call down to these.
#pragma once
#include <string>

// Fatal: OK box, returns true. Not fatal: Yes/No quit question, returns
// true for Yes. A true result removes an empty Destination folder; the
// caller then ends the process.
bool ReportError(const std::string &text, bool fatal);
// File error during extraction: 1 retry, 0 ignore; abort ends the process.
int AskRetry(const std::string &text);
bool AskYesNo(const std::string &text);
// Whether to replace fileName: OverwriteMode answers, or, while it asks,
// OverwriteQuestion does.
bool DecideOverwrite(const std::string &fileName);
// The overwrite dialog, which the driver lends before the run: the dialogs
// lie above reporting. Null keeps every existing file.
extern bool (*OverwriteQuestion)(const std::string &fileName);
// Asks for disk diskName, naming cabinetName, until folder + cabinetName
// is present. Yes quits with exit code 2; silent mode, or a box that cannot
// be shown, ends the process with 1.
void PromptNextCabinet(const std::string &folder, const std::string &cabinetName, const std::string &diskName);

// Stops a run that needs a part of the extractor this build does not have
// yet: a fatal report naming the part, exit code 1. Never pretends success.
[[noreturn]] void ReportNotBuilt(const std::string &part);
