// bench_launch: runs one program for the benchmark and reports its time
// and peak working set.
//   bench_launch [--password TEXT] COMMAND LINE...
// Starts the command line, answers a package's password dialog (the
// dialog holding the edit control 2101) with TEXT when given, waits for
// the program to end and prints one line:
//   exit=N seconds=S peak_working_set=BYTES answered=A
// where A is the time (from the start) at which the password was given,
// 0 when none was.
// The peak is read while the program runs (the system forgets it once the
// process is gone), every 10 ms; it is the process's own high-water mark,
// so only growth in the last few milliseconds could be missed.
#include <windows.h>
#include <psapi.h>

#include <cstdio>
#include <string>

namespace {

const int PasswordBox = 2101;

struct TSearch {
    DWORD ProcessId;
    HWND Dialog;
};

BOOL CALLBACK FindPasswordDialog(HWND window, LPARAM data)
{
    auto *search = reinterpret_cast<TSearch *>(data);
    DWORD owner = 0;
    GetWindowThreadProcessId(window, &owner);
    if (owner == search->ProcessId && IsWindowVisible(window) && GetDlgItem(window, PasswordBox)) {
        search->Dialog = window;
        return FALSE;
    }
    return TRUE;
}

// Everything after the options, as the system gave it: the child's
// command line stays byte for byte what the caller wrote.
const char *RestOfCommandLine(int skipped)
{
    const char *at = GetCommandLineA();
    for (int n = 0; n < skipped; ++n) {
        while (*at == ' ' || *at == '\t')
            ++at;
        bool quoted = false;
        while (*at && (quoted || (*at != ' ' && *at != '\t'))) {
            if (*at == '"')
                quoted = !quoted;
            ++at;
        }
    }
    while (*at == ' ' || *at == '\t')
        ++at;
    return at;
}

} // namespace

int main(int argc, char **argv)
{
    std::string password;
    bool answer = false;
    int skipped = 1;
    if (argc > 2 && std::string(argv[1]) == "--password") {
        password = argv[2];
        answer = true;
        skipped = 3;
    }
    std::string commandLine = RestOfCommandLine(skipped);
    if (commandLine.empty()) {
        std::fprintf(stderr, "usage: bench_launch [--password TEXT] COMMAND LINE...\n");
        return 2;
    }
    LARGE_INTEGER frequency, start, end;
    QueryPerformanceFrequency(&frequency);
    QueryPerformanceCounter(&start);
    STARTUPINFOA startup = {};
    startup.cb = sizeof startup;
    PROCESS_INFORMATION process = {};
    if (!CreateProcessA(nullptr, &commandLine[0], nullptr, nullptr, FALSE, 0, nullptr, nullptr,
                        &startup, &process)) {
        std::fprintf(stderr, "bench_launch: cannot start %s (error %lu)\n", commandLine.c_str(),
                     GetLastError());
        return 1;
    }
    SIZE_T peak = 0;
    double answeredAt = 0;
    while (WaitForSingleObject(process.hProcess, 10) == WAIT_TIMEOUT) {
        PROCESS_MEMORY_COUNTERS counters = {};
        counters.cb = sizeof counters;
        if (GetProcessMemoryInfo(process.hProcess, &counters, sizeof counters) &&
            counters.PeakWorkingSetSize > peak)
            peak = counters.PeakWorkingSetSize;
        if (answer) {
            TSearch search = {process.dwProcessId, nullptr};
            EnumWindows(FindPasswordDialog, reinterpret_cast<LPARAM>(&search));
            if (search.Dialog) {
                SetDlgItemTextA(search.Dialog, PasswordBox, password.c_str());
                PostMessageA(search.Dialog, WM_COMMAND, MAKEWPARAM(IDOK, BN_CLICKED),
                             reinterpret_cast<LPARAM>(GetDlgItem(search.Dialog, IDOK)));
                answer = false;
                LARGE_INTEGER now;
                QueryPerformanceCounter(&now);
                answeredAt = double(now.QuadPart - start.QuadPart) / double(frequency.QuadPart);
            }
        }
    }
    QueryPerformanceCounter(&end);
    DWORD code = 0;
    GetExitCodeProcess(process.hProcess, &code);
    CloseHandle(process.hThread);
    CloseHandle(process.hProcess);
    std::printf("exit=%lu seconds=%.3f peak_working_set=%lu answered=%.3f\n", code,
                double(end.QuadPart - start.QuadPart) / double(frequency.QuadPart),
                static_cast<unsigned long>(peak), answeredAt);
    return 0;
}
