// oxpack: the package builder's command line; see uPackCommand.
#include <windows.h>
#include <shellapi.h>

#include <cstdio>
#include <string>
#include <vector>

#include "mPackText.h"
#include "uPackCommand.h"
#include "uPackage.h"

namespace {

// Everything oxpack prints is UTF-8 inside. A console is given the
// characters themselves, whatever its code page; a file or a pipe gets
// the UTF-8 bytes.
void WriteText(DWORD which, FILE *stream, const std::string &text)
{
    HANDLE handle = GetStdHandle(which);
    DWORD mode = 0, done = 0;
    if (GetConsoleMode(handle, &mode)) {
        const std::wstring wide = WideOf(text);
        WriteConsoleW(handle, wide.data(), static_cast<DWORD>(wide.size()), &done, nullptr);
        return;
    }
    std::fwrite(text.data(), 1, text.size(), stream);
    std::fflush(stream);
}

void WriteError(const std::string &text)
{
    WriteText(STD_ERROR_HANDLE, stderr, text);
}

// Ctrl+C or Ctrl+Break: the build stops at its next block or file and
// removes its scratch folder and unfinished outputs itself; the handler
// runs on a thread of its own and only asks.
BOOL WINAPI StopBuild(DWORD event)
{
    InterruptPackage();
    if (event == CTRL_C_EVENT || event == CTRL_BREAK_EVENT)
        return TRUE;
    // The console is closing: the process ends when this returns, so give
    // the build a moment to clean up.
    Sleep(3000);
    return FALSE;
}

// The arguments as typed, in UTF-8: the C runtime's argv would hold them
// in the ANSI code page, with question marks for the rest.
std::vector<std::string> Arguments()
{
    std::vector<std::string> arguments;
    int count = 0;
    LPWSTR *argv = CommandLineToArgvW(GetCommandLineW(), &count);
    for (int i = 1; argv && i < count; ++i)
        arguments.push_back(Utf8Of(argv[i]));
    LocalFree(argv);
    return arguments;
}

}  // namespace

int main()
{
    SetConsoleCtrlHandler(StopBuild, TRUE);
    const std::vector<std::string> arguments = Arguments();
    DWORD mode = 0;
    TProgressOutput progress;
    progress.Write = WriteError;
    progress.Console = GetConsoleMode(GetStdHandle(STD_ERROR_HANDLE), &mode) != 0;
    std::string out, err;
    int code = RunPackCommand(arguments, out, err, &progress);
    WriteText(STD_OUTPUT_HANDLE, stdout, out);
    WriteError(err);
    return code;
}
