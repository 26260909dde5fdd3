#include "oxProcess.h"
#include <gtest/gtest.h>
#include <algorithm>

namespace {

// Every child started by the current test. A child left running by a
// failed assertion would wait for a click that never comes and keep the
// test program's output open, so each test ends by ending its strays.
std::vector<HANDLE> StartedChildren;

class TStrayChildReaper : public ::testing::EmptyTestEventListener {
    void OnTestEnd(const ::testing::TestInfo &) override
    {
        for (HANDLE process : StartedChildren) {
            if (WaitForSingleObject(process, 0) == WAIT_TIMEOUT) {
                TerminateProcess(process, 0xFFFFFFFF);
                WaitForSingleObject(process, 5000);
            }
            CloseHandle(process);
        }
        StartedChildren.clear();
    }
};

const bool ReaperInstalled = [] {
    ::testing::UnitTest::GetInstance()->listeners().Append(new TStrayChildReaper);
    return true;
}();

} // namespace

TChild StartChild(const std::string &commandLine, const std::string &folder)
{
    TChild child;
    SECURITY_ATTRIBUTES inherit = {sizeof inherit, nullptr, TRUE};
    HANDLE writeEnd = nullptr;
    if (!CreatePipe(&child.OutputRead, &writeEnd, &inherit, 1 << 16))
        return child;
    SetHandleInformation(child.OutputRead, HANDLE_FLAG_INHERIT, 0);

    STARTUPINFOA startup = {};
    startup.cb = sizeof startup;
    startup.dwFlags = STARTF_USESTDHANDLES;
    startup.hStdInput = GetStdHandle(STD_INPUT_HANDLE);
    startup.hStdOutput = writeEnd;
    startup.hStdError = writeEnd;
    PROCESS_INFORMATION info = {};
    std::string line = commandLine;
    if (CreateProcessA(nullptr, &line[0], nullptr, nullptr, TRUE, 0, nullptr,
                       folder.empty() ? nullptr : folder.c_str(), &startup, &info)) {
        child.Process = info.hProcess;
        child.Id = info.dwProcessId;
        CloseHandle(info.hThread);
        HANDLE kept = nullptr;
        if (DuplicateHandle(GetCurrentProcess(), info.hProcess, GetCurrentProcess(), &kept, 0, FALSE,
                            DUPLICATE_SAME_ACCESS))
            StartedChildren.push_back(kept);
    }
    CloseHandle(writeEnd);
    return child;
}

static void DrainOutput(TChild &child)
{
    DWORD available = 0;
    while (PeekNamedPipe(child.OutputRead, nullptr, 0, nullptr, &available, nullptr) && available) {
        char buffer[4096];
        DWORD got = 0;
        if (!ReadFile(child.OutputRead, buffer, std::min<DWORD>(available, sizeof buffer), &got, nullptr) || !got)
            break;
        child.Output.append(buffer, got);
    }
}

DWORD FinishChild(TChild &child, DWORD timeoutMs)
{
    if (!child.Process)
        return 0xFFFFFFFF;
    DWORD code = 0xFFFFFFFF;
    DWORD waited = 0;
    for (;;) {
        DrainOutput(child);
        if (WaitForSingleObject(child.Process, 50) == WAIT_OBJECT_0) {
            GetExitCodeProcess(child.Process, &code);
            break;
        }
        waited += 50;
        if (waited >= timeoutMs) {
            TerminateProcess(child.Process, 0xFFFFFFFF);
            WaitForSingleObject(child.Process, 5000);
            code = 0xFFFFFFFF;
            break;
        }
    }
    DrainOutput(child);
    CloseHandle(child.Process);
    CloseHandle(child.OutputRead);
    child.Process = nullptr;
    child.OutputRead = nullptr;
    return code;
}

namespace {

struct TSearch {
    DWORD Id;
    HWND Found;
};

BOOL CALLBACK FindDialog(HWND window, LPARAM data)
{
    TSearch *search = reinterpret_cast<TSearch *>(data);
    DWORD owner = 0;
    GetWindowThreadProcessId(window, &owner);
    char cls[64] = "";
    GetClassNameA(window, cls, sizeof cls);
    if (owner == search->Id && IsWindowVisible(window) && std::string(cls) == "#32770") {
        search->Found = window;
        return FALSE;
    }
    return TRUE;
}

struct TChildren {
    std::vector<HWND> Windows;
};

BOOL CALLBACK CollectChild(HWND window, LPARAM data)
{
    reinterpret_cast<TChildren *>(data)->Windows.push_back(window);
    return TRUE;
}

std::string WindowText(HWND window)
{
    // WM_GETTEXT is marshalled across processes for the standard controls.
    char buffer[8192] = "";
    LRESULT n = SendMessageA(window, WM_GETTEXT, sizeof buffer, reinterpret_cast<LPARAM>(buffer));
    return std::string(buffer, n > 0 ? static_cast<size_t>(n) : 0);
}

} // namespace

TBox WaitForBox(const TChild &child, DWORD timeoutMs)
{
    TBox box;
    for (DWORD waited = 0; waited < timeoutMs; waited += 50) {
        TSearch search = {child.Id, nullptr};
        EnumWindows(FindDialog, reinterpret_cast<LPARAM>(&search));
        if (search.Found) {
            box.Window = search.Found;
            break;
        }
        if (WaitForSingleObject(child.Process, 50) == WAIT_OBJECT_0)
            return box;
    }
    if (!box.Window)
        return box;
    Sleep(100);  // let the box finish its own initialisation
    return ReadBox(box.Window);
}

TBox ReadBox(HWND window)
{
    TBox box;
    box.Window = window;
    box.Caption = WindowText(box.Window);
    TChildren children;
    EnumChildWindows(box.Window, CollectChild, reinterpret_cast<LPARAM>(&children));
    for (HWND control : children.Windows) {
        char cls[64] = "";
        GetClassNameA(control, cls, sizeof cls);
        std::string name(cls);
        std::transform(name.begin(), name.end(), name.begin(), ::tolower);
        const int id = GetDlgCtrlID(control);
        if (name == "button" && IsWindowVisible(control)) {
            box.Buttons.push_back(id);
            if ((GetWindowLongA(control, GWL_STYLE) & BS_TYPEMASK) == BS_DEFPUSHBUTTON)
                box.DefaultButton = id;
        }
        else if (name == "static" && (GetWindowLongA(control, GWL_STYLE) & SS_TYPEMASK) != SS_ICON) {
            std::string text = WindowText(control);
            if (text.size() > box.Text.size())
                box.Text = text;
        }
    }
    std::sort(box.Buttons.begin(), box.Buttons.end());
    return box;
}

void PressButton(const TBox &box, int id)
{
    PostMessageA(box.Window, WM_COMMAND, MAKEWPARAM(id, BN_CLICKED),
                 reinterpret_cast<LPARAM>(GetDlgItem(box.Window, id)));
}

std::vector<int> ButtonsOf(UINT style)
{
    std::vector<int> ids;
    switch (style & MB_TYPEMASK) {
    case MB_OK: ids = {IDOK}; break;
    case MB_YESNO: ids = {IDYES, IDNO}; break;
    case MB_ABORTRETRYIGNORE: ids = {IDABORT, IDRETRY, IDIGNORE}; break;
    }
    std::sort(ids.begin(), ids.end());
    return ids;
}
