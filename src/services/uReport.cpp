#include <windows.h>
#include "services/uReport.h"
#include "services/uLog.h"
#include "services/uProgress.h"
#include "services/uRunState.h"
#include "services/uSettings.h"
#include "util/mUtils.h"

bool (*OverwriteQuestion)(const wchar_t *fileName) = nullptr;

namespace {

const UINT StyleFatal = MB_OK | MB_ICONHAND;                              // 0x10
const UINT StyleQuit = MB_YESNO | MB_ICONEXCLAMATION | MB_DEFBUTTON2;     // 0x134
const UINT StyleRetry = MB_ABORTRETRYIGNORE | MB_ICONHAND;                // 0x12
const UINT StyleQuestion = MB_YESNO | MB_ICONQUESTION;                    // 0x24

const int NoAnswer = 0;

// The button's name for the log, by its id (IDOK 1 to IDNO 7).
const char *AnswerName(int answer)
{
    static const char NoBox[] = " -> no answer (the box could not be shown)";
    static const char *const Names[] = {NoBox, " -> OK", NoBox, " -> Abort", " -> Retry", " -> Ignore", " -> Yes", " -> No"};
    return Names[answer > 0 && answer <= IDNO ? answer : 0];
}

// Silent mode answered for the user.
void LogSilentAnswer(const std::string &text, int answer)
{
    LogLine("box (silent run): ", text.c_str(), AnswerName(answer));
}

// The button pressed, or NoAnswer when the box could not be shown (some
// systems report that as -1 rather than 0). The box is a wide one, so that
// a name outside the ANSI code page shows as it is.
int ShowBox(const wchar_t *body, UINT style)
{
    // A box shows the dialog as far as the run has got.
    ShowPublishedProgress();
    const int answer = MessageBoxW(ProgressWindow, body, TWideText(PackageSettings.Caption).Text, style);
    LogLine("box: ", body, AnswerName(answer > 0 ? answer : NoAnswer));
    return answer > 0 ? answer : NoAnswer;
}

// The run is about to end: leave behind no empty destination folder that
// this run made. A folder that holds anything is kept, because
// RemoveDirectoryW refuses it; one that was there before is never removed.
void RemoveEmptyDestination()
{
    if (DestinationMadeByRun)
        RemoveDirectoryW(TWideText(PackageSettings.Destination).Text);
}

// Shows the error box (none in silent mode) and returns the answer: IDYES
// or IDNO for the quit question, IDOK for a fatal box, NoAnswer when the
// box failed; silent mode answers for the user.
int ShowError(const std::string &text, bool fatal)
{
    if (PackageSettings.Silent) {
        LogSilentAnswer(text, fatal ? IDOK : IDNO);
        return fatal ? IDOK : IDNO;
    }
    if (fatal)
        return ShowBox(TWideText(Message(MsgFatalHeading) + "\r" + text + "\r\r" + Message(MsgClickOk)).Text, StyleFatal);
    return ShowBox(TWideText(text + "\r\r" + Message(MsgYesToExit)).Text, StyleQuit);
}

} // namespace

bool ReportError(const std::string &text, bool fatal)
{
    const int answer = ShowError(text, fatal);
    // A fatal report always quits; a question that cannot be shown is No.
    const bool quit = fatal || answer == IDYES;
    if (quit)
        RemoveEmptyDestination();
    return quit;
}

int AskRetry(const wchar_t *text)
{
    if (PackageSettings.Silent) {
        LogLine("box (silent run): file error: ", text, AnswerName(IDABORT));
        EndRun(ExitError);
    }
    // A box that cannot be shown counts as Abort.
    switch (ShowBox(TWideText(Message(MsgErrorHeading) + "\r", text).Text, StyleRetry)) {
    case IDRETRY:
        return 1;
    case IDIGNORE:
        return 0;
    default:
        EndRun(ExitError);
    }
}

bool AskYesNo(const std::string &text)
{
    if (PackageSettings.Silent) {
        LogSilentAnswer(text, IDYES);
        return true;
    }
    bool yes = ShowBox(TWideText(text).Text, StyleQuestion) == IDYES;
    if (!yes)
        RemoveEmptyDestination();
    return yes;
}

bool DecideOverwrite(const wchar_t *fileName)
{
    // A file to be replaced is logged again once it really is, or when
    // its replacement fails and the old one is put back.
    static const char *const Steps[] = {"existing file to replace (replace all chosen): ",
                                        "existing file kept (keep all chosen): ", "existing file to replace: ",
                                        "existing file kept: "};
    int step = 0;
    if (OverwriteMode == 2) {
        step = 1;
    } else if (OverwriteMode != 0) {
        ShowPublishedProgress();
        step = OverwriteQuestion && OverwriteQuestion(fileName) ? 2 : 3;
    }
    LogLine(Steps[step], fileName);
    return step % 2 == 0;
}

void PromptNextCabinet(const std::string &cabinetName, const std::string &diskName, bool wrongFile)
{
    if (PackageSettings.Silent) {
        LogLine("box (silent run): ", wrongFile ? "next cabinet of another set: " : "next cabinet missing: ",
                cabinetName.c_str(), " -> end of run");
        EndRun(ExitError);
    }
    const std::string body = wrongFile ? PackageSettings.DamagedMessage + "\r" + Message(MsgCabinet) + cabinetName
                                       : Message(MsgInsertDisk) + "\r" + Message(MsgDisk) + diskName + "\r" + Message(MsgCabinet) + cabinetName;
    const int answer = ShowError(body, false);
    // Without a box nobody can put the cabinet in place: asking again
    // would only spin.
    if (answer == NoAnswer)
        EndRun(ExitError);
    if (answer == IDYES) {
        RemoveEmptyDestination();
        EndRun(ExitDeclined);
    }
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
