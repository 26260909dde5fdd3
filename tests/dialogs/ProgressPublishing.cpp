// The run and the progress dialog meet only through what the run
// publishes: the run never waits for the dialog to repaint, and the
// dialog shows the latest file when it picks the values up.
#include <windows.h>
#include <commctrl.h>
#include <gtest/gtest.h>
#include <string>
#include "ui/uProgressWindow.h"

namespace {

const int Files = 50;

DWORD WINAPI PublishFiles(LPVOID)
{
    for (int n = 1; n <= Files; ++n)
        PublishProgress((L"file" + std::to_wstring(n) + L".txt").c_str(), static_cast<uint16_t>(n));
    return 0;
}

std::string TextOf(HWND window)
{
    char text[64] = "";
    GetWindowTextA(window, text, sizeof text);
    return text;
}

} // namespace

TEST(ProgressPublishing, RunNeverWaitsForTheDialogWhichShowsTheLatestFile)
{
    typedef BOOL(WINAPI * TInit)(const INITCOMMONCONTROLSEX *);
    auto initialise = reinterpret_cast<TInit>(
        reinterpret_cast<void *>(GetProcAddress(LoadLibraryA("comctl32.dll"), "InitCommonControlsEx")));
    ASSERT_NE(initialise, nullptr);
    INITCOMMONCONTROLSEX classes = {sizeof classes, ICC_PROGRESS_CLASS};
    initialise(&classes);
    // A stand-in for the dialog with its bar (101) and status line (105),
    // owned by this thread, which serves no messages while the run goes.
    HWND dialog = CreateWindowExA(0, "STATIC", "", WS_POPUP, 0, 0, 300, 100, nullptr, nullptr,
                                  GetModuleHandleA(nullptr), nullptr);
    ASSERT_NE(dialog, nullptr);
    HWND bar = CreateWindowExA(0, PROGRESS_CLASSA, "", WS_CHILD, 0, 0, 200, 10, dialog, reinterpret_cast<HMENU>(101),
                               GetModuleHandleA(nullptr), nullptr);
    HWND status = CreateWindowExA(0, "STATIC", "", WS_CHILD, 0, 20, 200, 10, dialog, reinterpret_cast<HMENU>(105),
                                  GetModuleHandleA(nullptr), nullptr);
    ASSERT_TRUE(bar && status);
    SendMessageA(bar, PBM_SETRANGE, 0, MAKELPARAM(0, Files));
    ProgressWindow = dialog;

    // A run that waited for the dialog would hang here: nothing serves it.
    HANDLE run = CreateThread(nullptr, 0, PublishFiles, nullptr, 0, nullptr);
    ASSERT_NE(run, nullptr);
    EXPECT_EQ(static_cast<DWORD>(WAIT_OBJECT_0), WaitForSingleObject(run, 10000)) << "the run waited for the dialog";
    CloseHandle(run);
    EXPECT_EQ("", TextOf(status));

    // The dialog's timer picks up the last file, and only once.
    ShowPublishedProgress();
    EXPECT_EQ("file50.txt", TextOf(status));
    EXPECT_EQ(Files, static_cast<int>(SendMessageA(bar, PBM_GETPOS, 0, 0)));
    SetWindowTextA(status, "other");
    ShowPublishedProgress();
    EXPECT_EQ("other", TextOf(status)) << "an unchanged publication was shown again";

    // Another update of the dialog shows what was published first, so that
    // the timer cannot put an older file over it.
    PublishProgress(L"last.txt", 7);
    SetProgressText(105, "Finished");
    EXPECT_EQ(7, static_cast<int>(SendMessageA(bar, PBM_GETPOS, 0, 0)));
    ShowPublishedProgress();
    EXPECT_EQ("Finished", TextOf(status));

    // A cabinet lists up to 65,535 files: the bar follows past 32,767.
    SendMessageA(bar, PBM_SETRANGE, 0, MAKELPARAM(0, 65535));
    PublishProgress(L"many.txt", 40000);
    ShowPublishedProgress();
    EXPECT_EQ(40000, static_cast<int>(SendMessageA(bar, PBM_GETPOS, 0, 0)));

    ProgressWindow = nullptr;
    DestroyWindow(dialog);
}
