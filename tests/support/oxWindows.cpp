#include "oxWindows.h"
#include <algorithm>
#include <cstdio>

namespace {

struct TSearch {
    DWORD ProcessId;
    int ControlId;                     // 0: any dialog not in Known
    const std::vector<HWND> *Known;
    HWND Found;
};

BOOL CALLBACK FindDialog(HWND window, LPARAM data)
{
    TSearch *search = reinterpret_cast<TSearch *>(data);
    DWORD owner = 0;
    GetWindowThreadProcessId(window, &owner);
    char cls[64] = "";
    GetClassNameA(window, cls, sizeof cls);
    if (owner != search->ProcessId || !IsWindowVisible(window) || std::string(cls) != "#32770")
        return TRUE;
    if (search->ControlId && !GetDlgItem(window, search->ControlId))
        return TRUE;
    if (search->Known && std::find(search->Known->begin(), search->Known->end(), window) != search->Known->end())
        return TRUE;
    search->Found = window;
    return FALSE;
}

HWND WaitForSearch(const TChild &child, TSearch search, DWORD timeoutMs)
{
    for (DWORD waited = 0; waited <= timeoutMs; waited += 50) {
        search.Found = nullptr;
        EnumWindows(FindDialog, reinterpret_cast<LPARAM>(&search));
        if (search.Found) {
            Sleep(100);  // let the dialog finish its own initialisation
            return search.Found;
        }
        if (WaitForSingleObject(child.Process, 50) == WAIT_OBJECT_0)
            return nullptr;
    }
    return nullptr;
}

} // namespace

namespace {

struct TCollect {
    DWORD ProcessId;
    std::vector<HWND> Found;
};

BOOL CALLBACK CollectDialog(HWND window, LPARAM data)
{
    TCollect *collect = reinterpret_cast<TCollect *>(data);
    DWORD owner = 0;
    GetWindowThreadProcessId(window, &owner);
    char cls[64] = "";
    GetClassNameA(window, cls, sizeof cls);
    if (owner == collect->ProcessId && IsWindowVisible(window) && std::string(cls) == "#32770")
        collect->Found.push_back(window);
    return TRUE;
}

} // namespace

std::vector<HWND> VisibleDialogs(const TChild &child)
{
    TCollect collect = {child.Id, {}};
    EnumWindows(CollectDialog, reinterpret_cast<LPARAM>(&collect));
    return collect.Found;
}

namespace {

struct THiddenSearch {
    DWORD ProcessId;
    int ControlId;
    HWND Found;
};

BOOL CALLBACK FindAnyDialog(HWND window, LPARAM data)
{
    THiddenSearch *search = reinterpret_cast<THiddenSearch *>(data);
    DWORD owner = 0;
    GetWindowThreadProcessId(window, &owner);
    char cls[64] = "";
    GetClassNameA(window, cls, sizeof cls);
    if (owner == search->ProcessId && std::string(cls) == "#32770" && GetDlgItem(window, search->ControlId)) {
        search->Found = window;
        return FALSE;
    }
    return TRUE;
}

} // namespace

HWND FindDialog(const TChild &child, int controlId)
{
    THiddenSearch search = {child.Id, controlId, nullptr};
    EnumWindows(FindAnyDialog, reinterpret_cast<LPARAM>(&search));
    return search.Found;
}

HWND WaitForDialog(const TChild &child, int controlId, DWORD timeoutMs)
{
    return WaitForSearch(child, {child.Id, controlId, nullptr, nullptr}, timeoutMs);
}

HWND WaitForNewDialog(const TChild &child, const std::vector<HWND> &known, DWORD timeoutMs)
{
    return WaitForSearch(child, {child.Id, 0, &known, nullptr}, timeoutMs);
}

TBox WaitForNewBox(const TChild &child, const std::vector<HWND> &known, DWORD timeoutMs)
{
    HWND window = WaitForNewDialog(child, known, timeoutMs);
    return window ? ReadBox(window) : TBox();
}

bool WaitUntilClosed(HWND window, DWORD timeoutMs)
{
    return WaitFor([&] { return !IsWindow(window) || !IsWindowVisible(window); }, timeoutMs);
}

std::string WindowCaption(HWND window)
{
    // WM_GETTEXT is marshalled across processes for the standard controls.
    char buffer[8192] = "";
    LRESULT n = SendMessageA(window, WM_GETTEXT, sizeof buffer, reinterpret_cast<LPARAM>(buffer));
    return std::string(buffer, n > 0 ? static_cast<size_t>(n) : 0);
}

std::string ControlText(HWND dialog, int id)
{
    HWND control = GetDlgItem(dialog, id);
    return control ? WindowCaption(control) : "<no control " + std::to_string(id) + ">";
}

LONG ControlStyle(HWND dialog, int id)
{
    return GetWindowLongA(GetDlgItem(dialog, id), GWL_STYLE);
}

HWND FocusedWindow(HWND window)
{
    GUITHREADINFO info = {};
    info.cbSize = sizeof info;
    if (!GetGUIThreadInfo(GetWindowThreadProcessId(window, nullptr), &info))
        return nullptr;
    return info.hwndFocus;
}

bool WaitUntilActive(HWND window, DWORD timeoutMs)
{
    const DWORD thread = GetWindowThreadProcessId(window, nullptr);
    const bool active = WaitFor(
        [&] {
            GUITHREADINFO info = {};
            info.cbSize = sizeof info;
            return GetForegroundWindow() == window && GetGUIThreadInfo(thread, &info) &&
                   info.hwndActive == window;
        },
        timeoutMs);
    // A message sent to the window is handled only once its thread is back
    // in its message loop, past the activation it was handling.
    DWORD_PTR ignored = 0;
    return active && SendMessageTimeoutA(window, WM_NULL, 0, 0, SMTO_NORMAL, timeoutMs, &ignored);
}

namespace {

std::string Describe(HWND window)
{
    if (!window)
        return "none";
    char cls[64] = "";
    GetClassNameA(window, cls, sizeof cls);
    DWORD process = 0;
    GetWindowThreadProcessId(window, &process);
    char text[128] = "";
    GetWindowTextA(window, text, sizeof text);
    char handle[32];
    snprintf(handle, sizeof handle, "%p", static_cast<void *>(window));
    return std::string(handle) + " (class " + cls + ", \"" + text + "\", process " + std::to_string(process) + ")";
}

} // namespace

std::string DescribeActivation(HWND window)
{
    GUITHREADINFO info = {};
    info.cbSize = sizeof info;
    GetGUIThreadInfo(GetWindowThreadProcessId(window, nullptr), &info);
    return "window " + Describe(window) + "; foreground " + Describe(GetForegroundWindow()) + "; its thread's active " +
           Describe(info.hwndActive) + ", focus " + Describe(info.hwndFocus);
}

bool IsCentred(HWND window)
{
    RECT bounds;
    GetWindowRect(window, &bounds);
    const int x = (GetSystemMetrics(SM_CXSCREEN) - (bounds.right - bounds.left)) / 2;
    const int y = (GetSystemMetrics(SM_CYSCREEN) - (bounds.bottom - bounds.top)) / 2;
    return bounds.left == x && bounds.top == y;
}

bool Click(HWND dialog, int id)
{
    HWND button = GetDlgItem(dialog, id);
    if (!button || !IsWindowEnabled(dialog) || !IsWindowVisible(dialog) || !IsWindowEnabled(button) ||
        !IsWindowVisible(button))
        return false;
    // What the button itself sends its parent when clicked.
    PostMessageA(dialog, WM_COMMAND, MAKEWPARAM(id, BN_CLICKED), reinterpret_cast<LPARAM>(button));
    return true;
}

bool Answer(HWND box, int id)
{
    return Click(box, id) && WaitUntilClosed(box);
}

void TypeInto(HWND dialog, int id, const std::string &text)
{
    HWND edit = GetDlgItem(dialog, id);
    SendMessageA(edit, EM_SETSEL, 0, -1);
    PostMessageA(edit, WM_CHAR, VK_BACK, 0);
    for (unsigned char c : text)
        PostMessageA(edit, WM_CHAR, c, 1);
    const LRESULT limit = SendMessageA(edit, EM_GETLIMITTEXT, 0, 0);
    const LRESULT expected = std::min<LRESULT>(static_cast<LRESULT>(text.size()), limit);
    WaitFor([&] { return SendMessageA(edit, WM_GETTEXTLENGTH, 0, 0) == expected; }, 5000);
    Sleep(100);  // characters past the limit are still on their way
}

void PressKey(HWND dialog, UINT key)
{
    HWND target = FocusedWindow(dialog);
    if (!target)
        target = dialog;
    const UINT scan = MapVirtualKeyA(key, 0);
    PostMessageA(target, WM_KEYDOWN, key, 1 | (scan << 16));
    PostMessageA(target, WM_KEYUP, key, 1 | (scan << 16) | 0xC0000000u);
}

void CloseByAltF4(HWND window)
{
    PostMessageA(window, WM_SYSCOMMAND, SC_CLOSE, 0);
}
