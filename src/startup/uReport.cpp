#include <windows.h>
#include <commctrl.h>
#include "startup/uReport.h"
#include "startup/uRunState.h"
#include "startup/uSettings.h"
#include "cabinet/uCabHelper.h"
#include "ui/uDialogs.h"
#include "util/mUtils.h"

namespace {

const UINT StyleFatal = MB_OK | MB_ICONHAND;                              // 0x10
const UINT StyleQuit = MB_YESNO | MB_ICONEXCLAMATION | MB_DEFBUTTON2;     // 0x134
const UINT StyleRetry = MB_ABORTRETRYIGNORE | MB_ICONHAND;                // 0x12
const UINT StyleQuestion = MB_YESNO | MB_ICONQUESTION;                    // 0x24

const int NoAnswer = 0;

void ShowWaitingPosition();

// The button pressed, or NoAnswer when the box could not be shown (some
// systems report that as -1 rather than 0).
int ShowBox(const std::string &body, UINT style)
{
    // A box of the worker's shows the bar as far as the run has got.
    if (ProgressWindow && GetWindowThreadProcessId(ProgressWindow, nullptr) != GetCurrentThreadId())
        ShowWaitingPosition();
    const int answer = MessageBoxA(ProgressWindow, body.c_str(), PackageSettings.Caption.c_str(), style);
    return answer > 0 ? answer : NoAnswer;
}

// The run is about to end: leave behind no empty destination folder that
// this run made. A folder that holds anything is kept, because
// RemoveDirectoryA refuses it; one that was there before is never removed.
void RemoveEmptyDestination()
{
    if (DestinationMadeByRun)
        RemoveDirectoryA(PackageSettings.Destination.c_str());
}

// Shows the error box (none in silent mode) and returns the answer: IDYES
// or IDNO for the quit question, IDOK for a fatal box, NoAnswer when the
// box failed; silent mode answers for the user.
int ShowError(const std::string &text, bool fatal)
{
    if (PackageSettings.Silent)
        return fatal ? IDOK : IDNO;
    if (fatal)
        return ShowBox(Message(35) + "\r" + text + "\r\r" + Message(36), StyleFatal);
    return ShowBox(text + "\r\r" + Message(37), StyleQuit);
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

int AskRetry(const std::string &text)
{
    if (PackageSettings.Silent)
        EndRun(ExitError);
    // A box that cannot be shown counts as Abort.
    switch (ShowBox(Message(34) + "\r" + text, StyleRetry)) {
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
    if (PackageSettings.Silent)
        return true;
    bool yes = ShowBox(text, StyleQuestion) == IDYES;
    if (!yes)
        RemoveEmptyDestination();
    return yes;
}

bool DecideOverwrite(const std::string &fileName)
{
    switch (OverwriteMode) {
    case 0:
        return true;
    case 2:
        return false;
    default:
        ShowWaitingPosition();
        return AskOverwrite(fileName);
    }
}

std::string PromptNextCabinet(const std::string &nextName, const std::string &diskName)
{
    // Continuation cabinets are only ever looked for beside the package:
    // a folder or drive part in the name the cabinet gives is dropped, so
    // that a crafted cabinet cannot lead the extraction anywhere else.
    const std::string cabinetName = nextName.substr(nextName.find_last_of("\\/:") + 1);
    const std::string folder = AddTrailingBackslash(GetFolderPart(OwnFilePath()));
    while (!IsFilePresent(folder + cabinetName)) {
        if (PackageSettings.Silent)
            EndRun(ExitError);
        std::string body = Message(38) + "\r" + Message(39) + diskName + "\r" + Message(40) + cabinetName;
        const int answer = ShowError(body, false);
        // Without a box nobody can insert the disk: asking again would
        // only spin.
        if (answer == NoAnswer)
            EndRun(ExitError);
        if (answer == IDYES) {
            RemoveEmptyDestination();
            EndRun(ExitDeclined);
        }
    }
    NextCabinet = folder + cabinetName;
    if (!CheckCabinet(FdiContext, NextCabinet, CabinetInfo)) {
        ReportError(PackageSettings.DamagedMessage, true);
        EndRun(ExitError);
    }
    return folder;
}

namespace {

// What ShowProgress last put on the bar and the status line. Each update
// is a message the worker must wait for, costly across threads, and every
// file is shown twice with one of the two values unchanged; an unchanged
// value is not sent again. Any other update of the dialog forgets them.
// Touched only by the thread that runs the extraction.
bool PositionShown = false;
int16_t ShownPosition = 0;
bool TextShown = false;
std::string ShownText;

// Every move of the bar repaints it, which costs the dialog's thread far
// more than the message itself (about 0.6 ms under Wine), while a screen
// shows no more than one picture per refresh. A new position that comes
// sooner than that after the last move waits, and goes out at the next
// update, write or box after the interval: the bar is never more than a
// refresh behind, and never behind at all when a box or the end shows.
const DWORD BarInterval = 16;  // milliseconds
bool PositionWaiting = false;
int16_t WaitingPosition = 0;
DWORD BarMovedAt = 0;

void AwaitResume()
{
    if (ResumeGate)
        WaitForSingleObject(ResumeGate, INFINITE);
}

void Send(int control, UINT message, WPARAM wParam, LPARAM lParam)
{
    AwaitResume();
    SendDlgItemMessageA(ProgressWindow, control, message, wParam, lParam);
}

void MoveBar(int16_t position)
{
    Send(101, PBM_SETPOS, static_cast<WPARAM>(position), 0);
    ShownPosition = position;
    PositionShown = true;
    PositionWaiting = false;
    BarMovedAt = GetTickCount();
}

bool BarIntervalOver()
{
    return GetTickCount() - BarMovedAt >= BarInterval;
}

void ShowWaitingPosition()
{
    if (PositionWaiting)
        MoveBar(WaitingPosition);
}

} // namespace

void FlushProgress()
{
    if (PositionWaiting && BarIntervalOver())
        MoveBar(WaitingPosition);
}

void SendToProgress(int control, UINT message, WPARAM wParam, LPARAM lParam)
{
    if (!ProgressWindow)
        return;
    ShowWaitingPosition();
    PositionShown = false;
    TextShown = false;
    Send(control, message, wParam, lParam);
}

void SetProgressText(int control, const std::string &text)
{
    SendToProgress(control, WM_SETTEXT, 0, reinterpret_cast<LPARAM>(text.c_str()));
}

void ShowProgressWindow(int command)
{
    if (!ProgressWindow)
        return;
    AwaitResume();
    ShowWindow(ProgressWindow, command);
}

void ShowProgress(const std::string &text, int16_t position)
{
    if (!ProgressWindow)
        return;
    PositionWaiting = !PositionShown || position != ShownPosition;
    WaitingPosition = position;
    if (PositionWaiting && (!PositionShown || BarIntervalOver()))
        MoveBar(position);
    if (!TextShown || text != ShownText) {
        Send(105, WM_SETTEXT, 0, reinterpret_cast<LPARAM>(text.c_str()));
        ShownText = text;
        TextShown = true;
    }
}

std::string FdiErrorText(const ERF &errorRecord)
{
    const uint32_t code = static_cast<uint32_t>(errorRecord.erfOper);
    if (code <= FDIERROR_USER_ABORT)
        return Message(15 + static_cast<int>(code));
    return Message(27);
}

void ReportNotBuilt(const std::string &part)
{
    ReportError("This extractor cannot show the " + part + " yet.", true);
    EndRun(ExitError);
}
