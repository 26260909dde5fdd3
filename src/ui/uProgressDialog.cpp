// The progress dialog: the one window of the extraction. Its worker
// thread runs the whole extraction and ends the process; the dialog only
// pauses it and asks before cancelling.
#include <windows.h>
#include <commctrl.h>
#include "ui/uDialogs.h"
#include "ui/uResourceIds.h"
#include "ui/uProgressWindow.h"
#include "services/uReport.h"
#include "services/uRunState.h"
#include "services/uSettings.h"

namespace {

// Read and written by the main thread only.
bool Paused = false;

// The progress bar and the animation are common controls. Their classes
// are registered through a run-time lookup so that the extractor imports
// nothing from the common-controls library.
void RegisterCommonControls()
{
    typedef BOOL(WINAPI * TInitCommonControlsEx)(const INITCOMMONCONTROLSEX *);
    HMODULE library = LoadLibraryA("comctl32.dll");
    if (!library)
        return;
    TInitCommonControlsEx initialise = reinterpret_cast<TInitCommonControlsEx>(
        reinterpret_cast<void *>(GetProcAddress(library, "InitCommonControlsEx")));
    if (!initialise)
        return;
    INITCOMMONCONTROLSEX classes = {sizeof classes, ICC_PROGRESS_CLASS | ICC_ANIMATE_CLASS};
    initialise(&classes);
}

// Wine's shell library has a clip 161 too, but it shows the word
// "Searching" rather than files being copied.
bool RunsOnWine()
{
    HMODULE system = GetModuleHandleA("ntdll.dll");
    return system && GetProcAddress(system, "wine_get_version");
}

// The file-copy clip of the shell library; where the system has none, or
// only Wine's, the extractor's own copy under the same number.
void StartAnimation(HWND dialog)
{
    HMODULE shell = GetModuleHandleA("shell32.dll");
    if (reinterpret_cast<UINT_PTR>(shell) < 32)
        shell = LoadLibraryA("shell32.dll");
    // Its place is in pixels at 100 %; it moves with the display's scale
    // as the template's controls do, and the icon size (32 at 100 %) is
    // that scale.
    const int scale = GetSystemMetrics(SM_CXICON);
    HWND clip = CreateWindowExA(0, "SysAnimate32", "ANIME", WS_CHILD | WS_VISIBLE | ACS_TRANSPARENT | ACS_AUTOPLAY,
                                3 * scale / 32, 12 * scale / 32, 0, 0, dialog,
                                reinterpret_cast<HMENU>(IDC_PROGRESS_ANIME), shell, nullptr);
    if (!clip)
        return;
    if (RunsOnWine() || !SendMessageA(clip, ACM_OPENA, 0, CLIP_FILECOPY))
        SendMessageA(clip, ACM_OPENA, reinterpret_cast<WPARAM>(GetModuleHandleA(nullptr)), CLIP_FILECOPY);
}

// The worker thread and what it runs; never closed: the process ends first.
LPTHREAD_START_ROUTINE Run = nullptr;
HANDLE Worker = nullptr;
const UINT WM_START_WORKER = WM_APP + 1;
// Picks up what the worker published, about once a screen refresh.
const UINT_PTR RefreshTimer = 1;

void Initialise(HWND dialog)
{
    // Set before the worker exists: it sends every update to this window.
    ProgressWindow = dialog;
    StartAnimation(dialog);
    SetControlMessage(dialog, IDC_PROGRESS_CANCEL, MsgCancel);
    SetControlMessage(dialog, IDC_PROGRESS_PAUSE, MsgPause);
    SetIconAndCaption(dialog, ICON_PROGRAM);
    DWORD id = 0;
    // Held until the dialog is on the screen: a short run could otherwise
    // hide the dialog for its command before the dialog is first shown,
    // and the showing would undo the hiding.
    Worker = CreateThread(nullptr, 0, Run, &ShownRun(), CREATE_SUSPENDED, &id);
    // Without its worker the dialog would wait for nothing until cancelled.
    if (!Worker) {
        FailRun(ShownRun(), Message(MsgUnknownError), ExitError);
    }
    // Posted, so it arrives once the dialog's own message loop runs.
    PostMessageA(dialog, WM_START_WORKER, 0, 0);
    // Without the timer the status line and the bar would stand still
    // while the run goes on; it runs until the process ends.
    SetTimer(dialog, RefreshTimer, ProgressRefreshMs, nullptr);
}

// Pausing closes the gate the worker passes before each update of this
// dialog, so the worker stops at a known point and never while holding a
// lock the dialog needs; the window itself keeps responding.
void TogglePause(HWND dialog)
{
    if (!Paused) {
        SendDlgItemMessageA(dialog, IDC_PROGRESS_ANIME, ACM_STOP, 0, 0);
        SetControlMessage(dialog, IDC_PROGRESS_PAUSE, MsgResume);
        ResetEvent(ResumeGate);
        // What the run published before the gate closed shows now, not on
        // a later tick: a paused dialog stands still.
        ShowPublishedProgress();
    }
    else {
        SendDlgItemMessageA(dialog, IDC_PROGRESS_ANIME, ACM_PLAY, static_cast<WPARAM>(-1), -1);
        SetControlMessage(dialog, IDC_PROGRESS_PAUSE, MsgPause);
        SetEvent(ResumeGate);
    }
    Paused = !Paused;
}

INT_PTR CALLBACK ProgressProc(HWND dialog, UINT message, WPARAM wParam, LPARAM)
{
    switch (message) {
    case WM_INITDIALOG:
        Initialise(dialog);
        return TRUE;  // the focus goes to the first tab stop, Cancel
    case WM_COMMAND:
        // No id 2 in the template: Escape does nothing.
        switch (ClickedButton(wParam)) {
        case IDC_PROGRESS_CANCEL:
            ConfirmCancel();
            break;
        case IDC_PROGRESS_PAUSE:
            TogglePause(dialog);
            break;
        }
        break;
    case WM_CLOSE:
        ConfirmCancel();
        break;
    case WM_START_WORKER:
        ResumeThread(Worker);
        return TRUE;
    case WM_TIMER:
        if (wParam == RefreshTimer)
            ShowPublishedProgress();
        return TRUE;
    }
    return FALSE;
}

} // namespace

void RunProgressDialog(TRunPlan &plan, LPTHREAD_START_ROUTINE run)
{
    Run = run;
    RegisterCommonControls();
    // Open: the worker passes freely until the user pauses.
    ResumeGate = CreateEventA(nullptr, TRUE, TRUE, nullptr);
    if (!ResumeGate) {
        FailRun(plan, Message(MsgUnknownError), ExitError);
    }
    RunModalDialog(DLG_PROGRESS, nullptr, ProgressProc);
    // The dialog ends only through a cancel, which ends the process itself.
    EndRun(plan, ExitDeclined);
}
