// Test payload: a program a package can launch, which records how it was
// started so that a test can read it afterwards.
//
// It appends to the file named by the environment variable OX_RECORD (an
// absolute path; nothing is written when it is unset) two lines, each
// ended by CR LF:
//   1. its whole command line, as GetCommandLineA gives it;
//   2. its current folder, as GetCurrentDirectoryA gives it.
// Arguments it acts on (all others are only recorded):
//   hold=PATH   creates PATH and keeps it open, unshared, until it ends;
//   sleep=MS    waits MS milliseconds after recording, then appends the
//               line "end" (so a test can tell whether it has ended);
//   until=NAME  the same, but waits until the test sets the named event
//               NAME (at most a minute): a test that looks at the run
//               while the program is still running decides when it ends;
//   exit=N      ends with exit code N.
// Exit code 0 (or N), or 3 when the record cannot be written.
#include <windows.h>
#include <cstdlib>
#include <string>

namespace {

bool AppendRecord(const std::string &text)
{
    char path[MAX_PATH];
    DWORD length = GetEnvironmentVariableA("OX_RECORD", path, sizeof path);
    if (length == 0 || length >= sizeof path)
        return true;
    HANDLE file = CreateFileA(path, FILE_APPEND_DATA, FILE_SHARE_READ | FILE_SHARE_WRITE, nullptr,
                              OPEN_ALWAYS, FILE_ATTRIBUTE_NORMAL, nullptr);
    if (file == INVALID_HANDLE_VALUE)
        return false;
    DWORD written = 0;
    bool ok = WriteFile(file, text.data(), static_cast<DWORD>(text.size()), &written, nullptr) &&
              written == text.size();
    CloseHandle(file);
    return ok;
}

} // namespace

int main(int argc, char **argv)
{
    HANDLE held = INVALID_HANDLE_VALUE;
    DWORD sleepMs = 0;
    bool sleeps = false;
    HANDLE until = nullptr;
    int exitCode = 0;
    for (int n = 1; n < argc; ++n) {
        const std::string argument = argv[n];
        if (argument.compare(0, 5, "hold=") == 0)
            held = CreateFileA(argument.c_str() + 5, GENERIC_WRITE, 0, nullptr, CREATE_ALWAYS,
                               FILE_ATTRIBUTE_NORMAL, nullptr);
        else if (argument.compare(0, 6, "sleep=") == 0) {
            sleepMs = static_cast<DWORD>(std::strtoul(argument.c_str() + 6, nullptr, 10));
            sleeps = true;
        } else if (argument.compare(0, 6, "until=") == 0) {
            until = OpenEventA(SYNCHRONIZE, FALSE, argument.c_str() + 6);
            sleeps = true;
        } else if (argument.compare(0, 5, "exit=") == 0) {
            exitCode = std::atoi(argument.c_str() + 5);
        }
    }
    char folder[MAX_PATH] = {};
    GetCurrentDirectoryA(sizeof folder, folder);
    if (!AppendRecord(std::string(GetCommandLineA()) + "\r\n" + folder + "\r\n"))
        return 3;
    if (sleeps) {
        if (until)
            WaitForSingleObject(until, 60000);
        Sleep(sleepMs);
        AppendRecord("end\r\n");
    }
    if (held != INVALID_HANDLE_VALUE)
        CloseHandle(held);
    return exitCode;
}
