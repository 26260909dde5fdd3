// The least a windowed program can do: show one empty dialog, let it paint
// once, and close it. The bench times it beside the extractor's dialog run,
// so that the dialog's own fixed cost is measured against what any dialog
// costs under the same Wine and display.
#include <windows.h>

namespace {

INT_PTR CALLBACK EmptyProc(HWND dialog, UINT message, WPARAM, LPARAM)
{
    if (message == WM_INITDIALOG) {
        // Closed once the first paint has gone through.
        PostMessageW(dialog, WM_APP, 0, 0);
        return TRUE;
    }
    if (message == WM_APP) {
        UpdateWindow(dialog);
        EndDialog(dialog, 0);
        return TRUE;
    }
    return FALSE;
}

} // namespace

int WINAPI WinMain(HINSTANCE instance, HINSTANCE, LPSTR, int)
{
    // A template in memory: one visible, captioned, centred dialog, no controls.
    struct {
        DLGTEMPLATE Header;
        WORD Menu, Class, Title[2];
    } blank = {};
    blank.Header.style = WS_POPUP | WS_CAPTION | WS_VISIBLE | DS_CENTER | DS_MODALFRAME;
    blank.Header.cx = 250;
    blank.Header.cy = 80;
    blank.Title[0] = L'x';
    return static_cast<int>(DialogBoxIndirectParamW(instance, &blank.Header, nullptr, EmptyProc, 0));
}
