#include "oxProcess.h"
#include <gtest/gtest.h>
#include <tlhelp32.h>
#include <algorithm>

namespace {

// Wine starts the display's desktop process from the first program that
// needs it, which may be a child of a test; it serves every program of the
// prefix and may outlive them all, so it is never one of a child's
// processes to wait for or to end.
DWORD DesktopProcessId()
{
    DWORD id = 0;
    GetWindowThreadProcessId(GetDesktopWindow(), &id);
    return id;
}

// The processes of a job that are still running, but the desktop's.
std::vector<DWORD> JobProcesses(HANDLE job)
{
    struct {
        JOBOBJECT_BASIC_PROCESS_ID_LIST List;
        ULONG_PTR More[255];
    } ids = {};
    ids.List.NumberOfAssignedProcesses = 256;
    std::vector<DWORD> running;
    if (!job || !QueryInformationJobObject(job, JobObjectBasicProcessIdList, &ids, sizeof ids, nullptr))
        return running;
    const DWORD desktop = DesktopProcessId();
    for (DWORD i = 0; i < ids.List.NumberOfProcessIdsInList; ++i)
        if (ids.List.ProcessIdList[i] != desktop)
            running.push_back(static_cast<DWORD>(ids.List.ProcessIdList[i]));
    return running;
}

// Every child started by the current test, each in a job of its own with
// the processes it starts. A child or a grandchild left running by a failed
// assertion would wait for a click that never comes, keep the test
// program's output open or hold files of the next test, so each test ends
// by ending its strays, grandchildren included.
struct TStarted {
    HANDLE Process;
    HANDLE Job;
};
std::vector<TStarted> StartedChildren;

class TStrayChildReaper : public ::testing::EmptyTestEventListener {
    void OnTestEnd(const ::testing::TestInfo &) override
    {
        for (const TStarted &started : StartedChildren) {
            if (WaitForSingleObject(started.Process, 0) == WAIT_TIMEOUT)
                TerminateProcess(started.Process, 0xFFFFFFFF);
            for (DWORD id : JobProcesses(started.Job))
                if (HANDLE stray = OpenProcess(PROCESS_TERMINATE | SYNCHRONIZE, FALSE, id)) {
                    TerminateProcess(stray, 0xFFFFFFFF);
                    WaitForSingleObject(stray, 5000);
                    CloseHandle(stray);
                }
            WaitForSingleObject(started.Process, 5000);
            CloseHandle(started.Process);
            CloseHandle(started.Job);
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
    // Started suspended, so that it is in its job before it can start
    // anything of its own.
    child.Job = CreateJobObjectA(nullptr, nullptr);
    if (child.Job && StartRetrying([&] {
            return CreateProcessA(nullptr, &line[0], nullptr, nullptr, TRUE, CREATE_SUSPENDED, nullptr,
                                  folder.empty() ? nullptr : folder.c_str(), &startup, &info);
        })) {
        if (!AssignProcessToJobObject(child.Job, info.hProcess))
            ADD_FAILURE() << "cannot follow the processes of " << commandLine;
        ResumeThread(info.hThread);
        child.Process = info.hProcess;
        child.Id = info.dwProcessId;
        CloseHandle(info.hThread);
        HANDLE kept = nullptr;
        if (DuplicateHandle(GetCurrentProcess(), info.hProcess, GetCurrentProcess(), &kept, 0, FALSE,
                            DUPLICATE_SAME_ACCESS))
            StartedChildren.push_back({kept, child.Job});
    } else {
        child.StartError = GetLastError();
        ADD_FAILURE() << "cannot start " << commandLine << ": error " << child.StartError;
        if (child.Job)
            CloseHandle(child.Job);
        child.Job = nullptr;
    }
    CloseHandle(writeEnd);
    return child;
}

bool WaitForDescendants(const TChild &child, DWORD timeoutMs)
{
    for (DWORD waited = 0;; waited += 20) {
        if (JobProcesses(child.Job).empty())
            return true;
        if (waited >= timeoutMs)
            return false;
        Sleep(20);
    }
}

std::string RunningDescendants(const TChild &child)
{
    const std::vector<DWORD> ids = JobProcesses(child.Job);
    std::string names;
    HANDLE snapshot = CreateToolhelp32Snapshot(TH32CS_SNAPPROCESS, 0);
    PROCESSENTRY32 entry = {};
    entry.dwSize = sizeof entry;
    for (BOOL more = Process32First(snapshot, &entry); more; more = Process32Next(snapshot, &entry))
        if (std::find(ids.begin(), ids.end(), entry.th32ProcessID) != ids.end())
            names += std::string(names.empty() ? "" : ", ") + entry.szExeFile;
    CloseHandle(snapshot);
    return names;
}

bool WaitForOwnChildren(DWORD timeoutMs)
{
    HANDLE snapshot = CreateToolhelp32Snapshot(TH32CS_SNAPPROCESS, 0);
    if (snapshot == INVALID_HANDLE_VALUE)
        return false;
    std::vector<HANDLE> children;
    PROCESSENTRY32 entry = {};
    entry.dwSize = sizeof entry;
    const DWORD desktop = DesktopProcessId();
    for (BOOL more = Process32First(snapshot, &entry); more; more = Process32Next(snapshot, &entry))
        if (entry.th32ParentProcessID == GetCurrentProcessId() && entry.th32ProcessID != desktop)
            if (HANDLE child = OpenProcess(SYNCHRONIZE, FALSE, entry.th32ProcessID))
                children.push_back(child);
    CloseHandle(snapshot);
    bool ended = true;
    const DWORD start = GetTickCount();
    for (HANDLE child : children) {
        const DWORD spent = GetTickCount() - start;
        ended = WaitForSingleObject(child, spent < timeoutMs ? timeoutMs - spent : 0) == WAIT_OBJECT_0 && ended;
        CloseHandle(child);
    }
    return ended;
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
