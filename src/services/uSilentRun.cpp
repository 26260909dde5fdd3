// uSilentRun: the user of a silent run, who is not there. Questions get the
// answer that keeps an unattended run safe, anything that needs the user
// (a password, a file error, a missing cabinet) ends the run with 1, and
// every box the user would have seen is written to the log instead.
#include "services/uUserInterface.h"
#include "services/uLog.h"
#include "services/uReport.h"
#include "services/uRunPlan.h"
#include "services/uRunState.h"

namespace {

int SilentAnswer(const std::string &text, int answer)
{
    LogLine("box (silent run): ", text.c_str(), AnswerName(answer));
    return answer;
}

int ShowError(const std::string &text, bool fatal)
{
    return SilentAnswer(text, fatal ? IDOK : IDNO);
}

int SilentRetry(const wchar_t *text)
{
    LogLine("box (silent run): file error: ", text, AnswerName(IDABORT));
    return IDABORT;
}

bool SilentYesNo(const std::string &text)
{
    return SilentAnswer(text, IDYES);
}

int AskNextCabinet(const std::string &cabinetName, const std::string &, bool wrongFile)
{
    LogLine("box (silent run): ", wrongFile ? "next cabinet of another set: " : "next cabinet missing: ",
            cabinetName.c_str(), " -> end of run");
    return 0;
}

// Keeping the existing file loses nothing.
bool AskOverwrite(const wchar_t *, int &)
{
    return false;
}

std::string AskPassword(const TRunPlan &plan)
{
    LogLine("password: needed, none given in a silent run");
    EndRun(plan, ExitError);
}

bool ShowLicence(const std::string &)
{
    return true;
}

// The package's own folder.
std::string AskDestinationFolder(TRunPlan &plan, size_t)
{
    return plan.Folders.Exe;
}

void ShowNotice(const char *logLabel, const std::string &text, bool)
{
    LogLine(logLabel, text.c_str());
}

void StartRun(TRunPlan &plan, LPTHREAD_START_ROUTINE run)
{
    run(&plan);
}

void ShowTitle(const std::string &) {}
void ShowStage(int) {}
void SetProgressBar(uint16_t, bool) {}
void SilentProgress(const wchar_t *, uint16_t) {}
void ShowProgressWindow(bool) {}
void ShowCompletion(const std::string &) {}

} // namespace

const TRunUserInterface SilentUserInterface = {
    ShowError, SilentRetry, SilentYesNo, AskNextCabinet, AskOverwrite,
    AskPassword, ShowLicence, AskDestinationFolder, ShowNotice, StartRun,
    ShowTitle, ShowStage, SetProgressBar, SilentProgress, ShowProgressWindow, ShowCompletion,
};
