// uUserInterface: the user as the run reaches him. One record of callbacks,
// filled once by the windowed run (the dialogs, ui) or by the silent run
// (uSilentRun, here), chosen once by the main program when it knows
// whether the run is silent and kept in the run's plan. The start-up
// questions, the extraction and the completion reach the user only through
// it, mostly by way of the reporting routines (uReport), so nothing below
// the dialogs asks whether the run is silent or names a control of a dialog.
#pragma once
#include <cstdint>
#include <string>
#include <windows.h>

struct TRunPlan;

struct TRunUserInterface {
    // Boxes answer with the button pressed (IDOK, IDYES, IDNO, IDRETRY,
    // IDIGNORE, IDABORT), 0 when the box could not be shown. The silent run
    // answers as the user of an unattended run would: a question that
    // continues the run Yes, a quit question No, a file error Abort.
    // An error: fatal (OK box) or a quit question (Yes quits).
    int (*ShowError)(const std::string &text, bool fatal);
    // A file error during extraction: Retry, Ignore, or anything else to
    // abort.
    int (*AskRetry)(const wchar_t *text);
    bool (*AskYesNo)(const std::string &text);
    // The next cabinet of a set is missing (or, wrongFile, not the one the
    // set goes on with): Yes quits, No looks again, 0 ends the run.
    int (*AskNextCabinet)(const std::string &cabinetName, const std::string &diskName, bool wrongFile);
    // Whether to replace an existing file; may switch overwriteMode to
    // replace all (0) or keep all (2).
    bool (*AskOverwrite)(const wchar_t *fileName, int &overwriteMode);
    // The start-up questions: the password (a silent run ends with 1), the
    // licence (true when accepted), the destination folder (empty: none),
    // with room for commandRoom characters below it; a folder the dialog
    // creates is marked in the plan as made by the run.
    std::string (*AskPassword)(const TRunPlan &plan);
    bool (*ShowLicence)(const std::string &licenceText);
    std::string (*AskDestinationFolder)(TRunPlan &plan, size_t commandRoom);
    // A notice that needs no answer (help, a warning); a silent run writes
    // it to the log after logLabel.
    void (*ShowNotice)(const char *logLabel, const std::string &text, bool warning);
    // Starts run, which performs the extraction and ends the process: on
    // the progress dialog's worker thread, or on this thread. run gets the
    // plan as its parameter.
    void (*StartRun)(TRunPlan &plan, LPTHREAD_START_ROUTINE run);
    // How far the run has got: the package's title, a stage (a message
    // number), the bar's range (the files of a cabinet) or its position,
    // one file with the position after it.
    void (*ShowTitle)(const std::string &title);
    void (*ShowStage)(int message);
    void (*SetProgressBar)(uint16_t files, bool range);
    void (*ShowProgress)(const wchar_t *text, uint16_t position);
    // The progress window out of the way while the command runs, and back.
    void (*ShowProgressWindow)(bool shown);
    // The package's message once the run has finished.
    void (*ShowCompletion)(const std::string &text);
};

// The silent run: no window at all.
extern const TRunUserInterface SilentUserInterface;
