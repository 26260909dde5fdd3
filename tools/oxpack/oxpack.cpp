// oxpack: the package builder's command line; see uPackCommand.
#include <windows.h>

#include <cstdio>
#include <string>
#include <vector>

#include "uPackCommand.h"
#include "uPackage.h"

namespace {

void WriteError(const std::string &text)
{
    std::fwrite(text.data(), 1, text.size(), stderr);
    std::fflush(stderr);
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

}  // namespace

int main(int argc, char **argv)
{
    SetConsoleCtrlHandler(StopBuild, TRUE);
    std::vector<std::string> arguments(argv + 1, argv + argc);
    DWORD mode = 0;
    TProgressOutput progress;
    progress.Write = WriteError;
    progress.Console = GetConsoleMode(GetStdHandle(STD_ERROR_HANDLE), &mode) != 0;
    std::string out, err;
    int code = RunPackCommand(arguments, out, err, &progress);
    std::fwrite(out.data(), 1, out.size(), stdout);
    std::fflush(stdout);
    WriteError(err);
    return code;
}
