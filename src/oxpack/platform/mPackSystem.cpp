// mPackSystem: Windows.
#include <windows.h>
#include <shellapi.h>

#include <cstdio>

#include "mPackSystem.h"
#include "mPackText.h"

namespace {

void (*StopRun)() = nullptr;  // set once, before the handler is installed

// The build stops at its next block or file and removes its scratch
// folder and unfinished outputs itself; the handler only asks.
BOOL WINAPI StopBuild(DWORD event)
{
    if (StopRun)
        StopRun();
    if (event == CTRL_C_EVENT || event == CTRL_BREAK_EVENT)
        return TRUE;
    // The console is closing: the process ends when this returns, so give
    // the build a moment to clean up.
    Sleep(3000);
    return FALSE;
}

}  // namespace

// The C runtime's argv would hold the arguments in the ANSI code page,
// with question marks for the rest.
std::vector<std::string> CommandArguments(int, char **)
{
    std::vector<std::string> arguments;
    int count = 0;
    LPWSTR *argv = CommandLineToArgvW(GetCommandLineW(), &count);
    for (int i = 1; argv && i < count; ++i)
        arguments.push_back(Utf8Of(argv[i]));
    LocalFree(argv);
    return arguments;
}

void WriteStandard(bool toError, const std::string &text)
{
    HANDLE handle = GetStdHandle(toError ? STD_ERROR_HANDLE : STD_OUTPUT_HANDLE);
    DWORD mode = 0, done = 0;
    if (GetConsoleMode(handle, &mode)) {
        const std::wstring wide = WideOf(text);
        WriteConsoleW(handle, wide.data(), static_cast<DWORD>(wide.size()), &done, nullptr);
        return;
    }
    FILE *stream = toError ? stderr : stdout;
    std::fwrite(text.data(), 1, text.size(), stream);
    std::fflush(stream);
}

bool ErrorIsConsole()
{
    DWORD mode = 0;
    return GetConsoleMode(GetStdHandle(STD_ERROR_HANDLE), &mode) != 0;
}

void OnInterrupt(void (*stop)())
{
    StopRun = stop;
    SetConsoleCtrlHandler(StopBuild, TRUE);
}

uint32_t TickCount()
{
    return GetTickCount();
}

bool EnvironmentValue(const char *name, std::string &value)
{
    wchar_t buffer[1024];
    const DWORD n = GetEnvironmentVariableW(WideOf(name).c_str(), buffer, 1024);
    if (n == 0 || n >= 1024)
        return false;
    value = Utf8Of(std::wstring(buffer, n));
    return true;
}
