// uLaunch: the one routine that starts the payload, and the pure command
// line it is built on. Nothing here reports to the user: a payload that
// cannot be started gives false and the run goes on.
#include "actions/uLaunch.h"

#include <shellapi.h>
#include <cstring>

#include "services/uLog.h"
#include "services/uRunState.h"
#include "util/mUtils.h"

namespace {

std::string Quoted(const std::string &text)
{
    return '"' + text + '"';
}

// Waits (when asked) for a started process, takes its exit code, and lets
// go of its handles, which serve nothing else.
void FinishStart(HANDLE process, HANDLE thread, bool wait, DWORD *exitCode)
{
    if (exitCode)
        *exitCode = 0;
    if (wait && process) {
        WaitForSingleObject(process, INFINITE);
        DWORD code = 0;
        if (exitCode && GetExitCodeProcess(process, &code))
            *exitCode = code;
    }
    if (thread)
        CloseHandle(thread);
    if (process)
        CloseHandle(process);
}

} // namespace

bool IsStartedDirectly(const std::string &filePath)
{
    return UpperCaseAscii(GetExtensionPart(filePath)) == "EXE";
}

std::string BuildLaunchCommandLine(const std::string &filePath, const std::string &arguments,
                                   const std::string &associatedProgram,
                                   const std::string &windowsFolder)
{
    std::string program;
    std::string document;
    // The shell names a script (.bat, .cmd) as its own program: it runs
    // through the command interpreter with exactly its parameters, never
    // its own path again as the first of them.
    if (IsStartedDirectly(filePath) || UpperCaseAscii(associatedProgram) == UpperCaseAscii(filePath)) {
        program = filePath;
    } else {
        program = associatedProgram.empty() ? windowsFolder + "notepad.exe" : associatedProgram;
        document = Quoted(filePath);
    }
    std::string commandLine = Quoted(program);
    if (!document.empty())
        commandLine += ' ' + document;
    if (!arguments.empty())
        commandLine += ' ' + arguments;
    return commandLine;
}

bool StartAfterCreateProcessFailure(DWORD createProcessError, const std::string &filePath,
                                    const std::string &arguments, bool wait, DWORD *exitCode)
{
    // CreateProcessW cannot raise its own rights; the shell can, by asking
    // for consent, when the payload's manifest demands administrator rights.
    if (createProcessError != ERROR_ELEVATION_REQUIRED)
        return false;
    SHELLEXECUTEINFOW shell = {};
    shell.cbSize = sizeof shell;
    // The consent prompt still shows; the shell's own error boxes do not,
    // since a failed start is never shown and would stall a silent run.
    shell.fMask = SEE_MASK_NOCLOSEPROCESS | SEE_MASK_FLAG_NO_UI;
    TWideText file(filePath), parameters(arguments);
    shell.lpFile = file.Text;
    shell.lpParameters = arguments.empty() ? nullptr : parameters.Text;
    shell.nShow = SW_SHOWNORMAL;
    LogLine("command started through the shell: ", filePath.c_str(), " ", arguments.c_str());
    if (!ShellExecuteExW(&shell))
        return false;
    FinishStart(shell.hProcess, nullptr, wait, exitCode);
    return true;
}

bool LaunchFile(const std::string &filePath, const std::string &arguments, const std::string &windowsFolder,
                bool wait, DWORD *exitCode)
{
    // Longer than the file calls take: never handed to them (the shell's
    // look-up overflows on a long one), and no file of that name exists.
    const bool fits = filePath.size() <= MaxPathLength;
    std::string associatedProgram;
    if (fits && !IsStartedDirectly(filePath)) {
        wchar_t found[4097] = {};
        HINSTANCE result = FindExecutableW(TWideText(filePath).Text, TWideText(GetFolderPart(filePath)).Text, found);
        if (reinterpret_cast<INT_PTR>(result) > 32)
            associatedProgram = AnsiPathOf(found);
    }
    std::string commandLine = BuildLaunchCommandLine(filePath, arguments, associatedProgram, windowsFolder);
    // Nor is a command line beyond the most a process is given (32,767
    // characters with the NUL): Wine would cut it short.
    if (!fits || commandLine.size() >= 32767) {
        SetLastError(ERROR_FILENAME_EXCED_RANGE);
        return false;
    }

    STARTUPINFOW startup = {};
    startup.cb = sizeof startup;
    PROCESS_INFORMATION process = {};
    LogLine("command line: ", commandLine.c_str());
    // CreateProcessW may write into the command line: the wide copy is ours.
    if (!CreateProcessW(nullptr, TWideText(commandLine).Text, nullptr, nullptr, FALSE, CREATE_NEW_CONSOLE,
                        nullptr, nullptr, &startup, &process))
        return StartAfterCreateProcessFailure(GetLastError(), filePath, arguments, wait, exitCode);
    FinishStart(process.hProcess, process.hThread, wait, exitCode);
    return true;
}
