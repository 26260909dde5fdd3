// uProgressWindow: the updates of the progress dialog, sent by the thread
// that runs the extraction. See uProgressWindow.h.
#include <windows.h>
#include <commctrl.h>
#include "ui/uProgressWindow.h"
#include "ui/uResourceIds.h"
#include "util/mUtils.h"

HWND ProgressWindow = nullptr;
HANDLE ResumeGate = nullptr;

namespace {

// What the run last published for the dialog: the status line and the bar
// of PublishProgress. Publishing costs the run a copy; the dialog picks the
// values up at its own pace (ShowPublishedProgress, on its timer), so the
// run never waits for a repaint. Guarded by PublishedBusy, a spin lock
// held only while the values are copied, never while a message is sent.
volatile LONG PublishedBusy = 0;
wchar_t PublishedText[MAX_PATH];  // wide: a name shows as it is
uint16_t PublishedPosition = 0;
LONG PublishedSerial = 0;  // counts publications
LONG ShownSerial = 0;      // the publication the dialog shows

void Lock()
{
    EnterSpinLock(&PublishedBusy);
}

void Unlock()
{
    LeaveSpinLock(&PublishedBusy);
}

void AwaitResume()
{
    if (ResumeGate)
        WaitForSingleObject(ResumeGate, INFINITE);
}

} // namespace

void ShowPublishedProgress()
{
    if (!ProgressWindow)
        return;
    wchar_t text[MAX_PATH];
    Lock();
    const bool fresh = ShownSerial != PublishedSerial;
    ShownSerial = PublishedSerial;
    const uint16_t position = PublishedPosition;
    CopyWide(text, PublishedText, MAX_PATH);
    Unlock();
    if (!fresh)
        return;
    SendDlgItemMessageA(ProgressWindow, IDC_PROGRESS_BAR, PBM_SETPOS, static_cast<WPARAM>(position), 0);
    SetDlgItemTextW(ProgressWindow, IDC_PROGRESS_STATUS, text);
}

void SendToProgress(int control, UINT message, WPARAM wParam, LPARAM lParam)
{
    if (!ProgressWindow)
        return;
    AwaitResume();
    // What was published goes out first, so that the dialog's timer never
    // shows it over this update.
    ShowPublishedProgress();
    SendDlgItemMessageW(ProgressWindow, control, message, wParam, lParam);
}

void SetProgressText(int control, const std::string &text)
{
    SendToProgress(control, WM_SETTEXT, 0, reinterpret_cast<LPARAM>(TWideText(text).Text));
}

void ShowProgressWindow(bool shown)
{
    if (!ProgressWindow)
        return;
    AwaitResume();
    ShowWindow(ProgressWindow, shown ? SW_RESTORE : SW_HIDE);
}

void PublishProgress(const wchar_t *text, uint16_t position)
{
    if (!ProgressWindow)
        return;
    AwaitResume();
    Lock();
    // A file name never reaches MAX_PATH; a longer text is cut, not
    // overrun.
    CopyWide(PublishedText, text, MAX_PATH);
    PublishedPosition = position;
    ++PublishedSerial;
    Unlock();
}
