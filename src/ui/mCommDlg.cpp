#include "ui/mCommDlg.h"
#include <shlobj.h>
#include "util/mUtils.h"

void CentreWindow(HWND window)
{
    RECT bounds;
    if (!GetWindowRect(window, &bounds))
        return;
    const int x = (GetSystemMetrics(SM_CXSCREEN) - (bounds.right - bounds.left)) / 2;
    const int y = (GetSystemMetrics(SM_CYSCREEN) - (bounds.bottom - bounds.top)) / 2;
    SetWindowPos(window, nullptr, x, y, 0, 0, SWP_NOSIZE | SWP_NOZORDER);
}

namespace {

// The new-style browser hosts OLE controls: it needs an OLE apartment on
// the calling thread, which is the main thread and stays one until the
// process ends.
void EnterOleApartment()
{
    static bool entered = false;
    if (!entered)
        entered = SUCCEEDED(OleInitialize(nullptr));
}

} // namespace

bool BrowseForFolder(const std::string &title, HWND owner, std::wstring &path)
{
    EnterOleApartment();
    IMalloc *allocator = nullptr;
    if (FAILED(SHGetMalloc(&allocator)) || !allocator)
        return false;
    bool chosen = false;
    wchar_t *buffer = static_cast<wchar_t *>(allocator->Alloc(MAX_PATH * sizeof(wchar_t)));
    const std::wstring wideTitle = WidePath(title);
    if (buffer) {
        buffer[0] = L'\0';
        BROWSEINFOW info = {};
        info.hwndOwner = owner;
        info.pszDisplayName = buffer;
        info.lpszTitle = wideTitle.c_str();
        info.ulFlags = BIF_RETURNONLYFSDIRS | BIF_NEWDIALOGSTYLE;
        LPITEMIDLIST items = SHBrowseForFolderW(&info);
        if (items) {
            // A choice without a file-system path (the browser allows
            // none, but a shell extension might) reads as an empty path.
            if (!SHGetPathFromIDListW(items, buffer))
                buffer[0] = L'\0';
            allocator->Free(items);
            path = buffer;
            chosen = true;
        }
        allocator->Free(buffer);
    }
    allocator->Release();
    return chosen;
}
