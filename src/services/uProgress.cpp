// uProgress: the updates of the progress dialog, sent by the thread that
// runs the extraction. See uProgress.h for how the dialog and the run meet.
#include <windows.h>
#include <commctrl.h>
#include "services/uProgress.h"
#include "services/uRunState.h"

HANDLE ResumeGate = nullptr;

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

} // namespace

void ShowWaitingPosition()
{
    if (PositionWaiting)
        MoveBar(WaitingPosition);
}

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
