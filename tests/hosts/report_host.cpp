// Test host for the reporting routines: sets up a message table "M1" to
// "M56", the caption "Kelvardo Tovrex - Host", silent mode and destination
// from its arguments, calls one routine and exits with 10 + its result
// (routines that end the process themselves exit with their own code).
// "nextcab" looks for the next cabinet of a set as the extraction does,
// prompting through PromptNextCabinet; "nextcabagain" as it does when the
// library has refused the file once.
//   report_host ROUTINE SILENT(0|1) DESTINATION [TEXT [MORE [badowner|theirs]]]
// The destination counts as a folder the run made, except with "theirs".
// "badowner" gives the boxes an owner window that does not exist, so that
// every box fails as it does where no window can be shown.
#include <windows.h>
#include <cstdint>
#include <cstdlib>
#include <string>
#include "cabinet/uCabHelper.h"
#include "services/uReport.h"
#include "services/uRunState.h"
#include "services/uSettings.h"
#include "services/uUserInterface.h"
#include "ui/uDialogs.h"
#include "ui/uProgressWindow.h"
#include "util/mUtils.h"

int main(int argc, char **argv)
{
    if (argc < 4)
        return 99;
    TPackageSettings settings;
    for (int n = 1; n <= MessageCount; ++n)
        settings.Messages[n] = "M" + std::to_string(n);
    settings.Caption = "Kelvardo Tovrex - Host";
    settings.DamagedMessage = settings.Messages[42];
    settings.Silent = std::string(argv[2]) == "1";
    TRunPlan plan;
    plan.Package = &settings;
    plan.User = settings.Silent ? SilentUserInterface : WindowedRun(plan);
    plan.Destination = argv[3];
    plan.Folders.Exe = AddTrailingBackslash(GetFolderPart(OwnFilePath()));
    const std::string routine = argv[1];
    const std::string text = argc > 4 ? argv[4] : "";
    const std::string more = argc > 5 ? argv[5] : "";
    plan.DestinationMadeByRun = !(argc > 6 && std::string(argv[6]) == "theirs");
    if (argc > 6 && std::string(argv[6]) == "badowner")
        ProgressWindow = reinterpret_cast<HWND>(static_cast<uintptr_t>(0x7FFF0000));

    if (routine == "fatal")
        return 10 + ReportError(plan, text, true);
    if (routine == "quit")
        return 10 + ReportError(plan, text, false);
    if (routine == "retry")
        return 10 + AskRetry(plan, WidePath(text));
    if (routine == "yesno")
        return 10 + AskYesNo(plan, text);
    if (routine == "nextcab" || routine == "nextcabagain") {
        TExtraction run = TExtraction();
        run.Plan = &plan;
        LocateNextCabinet(run, text, more, routine == "nextcabagain");
        return 10;
    }
    if (routine == "overwrite") {
        int overwriteMode = std::atoi(more.c_str());
        return 10 + DecideOverwrite(plan, WidePath(text).c_str(), overwriteMode);
    }
    return 98;
}
