#include <windows.h>
#include "services/uReport.h"
#include "services/uLog.h"
#include "services/uRunState.h"
#include "services/uUserInterface.h"
#include "services/uWorkFolder.h"
#include "util/mUtils.h"

const char *AnswerName(int answer)
{
    static const char NoBox[] = " -> no answer (the box could not be shown)";
    static const char *const Names[] = {NoBox, " -> OK", NoBox, " -> Abort", " -> Retry", " -> Ignore", " -> Yes", " -> No"};
    return Names[answer > 0 && answer <= IDNO ? answer : 0];
}

bool ReportError(const TRunPlan &plan, const std::string &text, bool fatal)
{
    // A fatal report always quits; a question that cannot be shown is No.
    const bool quit = plan.User.ShowError(text, fatal) == IDYES || fatal;
    if (quit)
        RemoveEmptyDestination(plan);
    return quit;
}

void FailRun(const TRunPlan &plan, const std::string &text, int exitCode)
{
    ReportError(plan, text, true);
    EndRun(plan, exitCode);
}

int AskRetry(const TRunPlan &plan, const wchar_t *text)
{
    // A box that cannot be shown counts as Abort.
    switch (plan.User.AskRetry(text)) {
    case IDRETRY:
        return 1;
    case IDIGNORE:
        return 0;
    default:
        EndRun(plan, ExitError);
    }
}

bool AskYesNo(const TRunPlan &plan, const std::string &text)
{
    const bool yes = plan.User.AskYesNo(text);
    if (!yes)
        RemoveEmptyDestination(plan);
    return yes;
}

bool DecideOverwrite(const TRunPlan &plan, const wchar_t *fileName, int &overwriteMode)
{
    // A file to be replaced is logged again once it really is, or when
    // its replacement fails and the old one is put back.
    static const char *const Steps[] = {"existing file to replace (replace all chosen): ",
                                        "existing file kept (keep all chosen): ", "existing file to replace: ",
                                        "existing file kept: "};
    int step = 0;
    if (overwriteMode == 2)
        step = 1;
    else if (overwriteMode != 0)
        step = plan.User.AskOverwrite(fileName, overwriteMode) ? 2 : 3;
    LogLine(Steps[step], fileName);
    return step % 2 == 0;
}

void PromptNextCabinet(const TRunPlan &plan, const std::string &cabinetName, const std::string &diskName,
                       bool wrongFile)
{
    const int answer = plan.User.AskNextCabinet(cabinetName, diskName, wrongFile);
    // Without a box nobody can put the cabinet in place: asking again
    // would only spin.
    if (answer == 0)
        EndRun(plan, ExitError);
    if (answer == IDYES) {
        RemoveEmptyDestination(plan);
        EndRun(plan, ExitDeclined);
    }
}

void ShowProgress(const TRunPlan &plan, const wchar_t *text, uint16_t position)
{
    plan.User.ShowProgress(text, position);
}

bool WriteToStartingConsole(const std::string &text)
{
    // A program started from a console's program on Windows (and from any
    // under Wine) is attached to that console already: the system's "already
    // attached" answer. Only a console its output can be opened on counts.
    if (!AttachConsole(ATTACH_PARENT_PROCESS) && GetLastError() != ERROR_ACCESS_DENIED)
        return false;
    HANDLE console = CreateFileW(L"CONOUT$", GENERIC_READ | GENERIC_WRITE, FILE_SHARE_READ | FILE_SHARE_WRITE,
                                 nullptr, OPEN_EXISTING, 0, nullptr);
    if (console == INVALID_HANDLE_VALUE)
        return false;
    HANDLE output = GetStdHandle(STD_OUTPUT_HANDLE);
    const DWORD type = GetFileType(output);
    DWORD written;
    if (type == FILE_TYPE_DISK || type == FILE_TYPE_PIPE) {
        WriteFile(output, text.data(), static_cast<DWORD>(text.size()), &written, nullptr);
    } else {
        const TWideText wide(text);
        WriteConsoleW(console, wide.Text, static_cast<DWORD>(WideLength(wide.Text)), &written, nullptr);
    }
    CloseHandle(console);
    return true;
}
