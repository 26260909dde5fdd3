// guarded_run: runs one program for tools/mutate_settings.py as its
// debugger, so that a crash is seen as the exception it is (no crash
// dialog waits for anyone), under a time limit, and in a job that ends
// whatever the program left running. Writes one line to RESULT:
//   "exit CODE", "crash CODE at ADDRESS", "hang" or "unstarted ERROR",
//   then " strays N".
//   guarded_run RESULT LIMIT_MS TEMP PROGRAM [ARGUMENTS...]
// TEMP becomes the program's temporary folder. Without arguments it ends
// at once with 0: a package's command that does nothing.
#include <windows.h>
#include <cstdio>
#include <cstdlib>
#include <string>

int main(int argc, char **argv)
{
    if (argc < 5)
        return 0;
    const DWORD limit = strtoul(argv[2], nullptr, 10);
    SetEnvironmentVariableA("TEMP", argv[3]);
    SetEnvironmentVariableA("TMP", argv[3]);
    std::string commandLine;
    for (int i = 4; i < argc; ++i)
        commandLine += std::string(i > 4 ? " \"" : "\"") + argv[i] + "\"";

    HANDLE job = CreateJobObjectA(nullptr, nullptr);
    JOBOBJECT_EXTENDED_LIMIT_INFORMATION limits = {};
    limits.BasicLimitInformation.LimitFlags = JOB_OBJECT_LIMIT_KILL_ON_JOB_CLOSE;
    SetInformationJobObject(job, JobObjectExtendedLimitInformation, &limits, sizeof limits);
    STARTUPINFOA startup = {};
    startup.cb = sizeof startup;
    PROCESS_INFORMATION process = {};
    char outcome[96] = "hang";
    if (!CreateProcessA(nullptr, &commandLine[0], nullptr, nullptr, FALSE,
                        DEBUG_ONLY_THIS_PROCESS | CREATE_SUSPENDED, nullptr, nullptr, &startup, &process)) {
        snprintf(outcome, sizeof outcome, "unstarted %lu", GetLastError());
        process.hProcess = nullptr;
    } else {
        AssignProcessToJobObject(job, process.hProcess);
        ResumeThread(process.hThread);
    }

    const DWORD started = GetTickCount();
    bool loaderBreak = true;
    for (bool ended = !process.hProcess; !ended;) {
        const DWORD elapsed = GetTickCount() - started;
        if (elapsed >= limit) {
            TerminateProcess(process.hProcess, WAIT_TIMEOUT);
            break;
        }
        DEBUG_EVENT event;
        if (!WaitForDebugEvent(&event, limit - elapsed))
            continue;
        DWORD answer = DBG_CONTINUE;
        switch (event.dwDebugEventCode) {
        case CREATE_PROCESS_DEBUG_EVENT:
            CloseHandle(event.u.CreateProcessInfo.hFile);
            break;
        case LOAD_DLL_DEBUG_EVENT:
            CloseHandle(event.u.LoadDll.hFile);
            break;
        case EXCEPTION_DEBUG_EVENT: {
            const EXCEPTION_RECORD &record = event.u.Exception.ExceptionRecord;
            if (loaderBreak && record.ExceptionCode == EXCEPTION_BREAKPOINT) {
                loaderBreak = false;
            } else if (event.u.Exception.dwFirstChance) {
                answer = DBG_EXCEPTION_NOT_HANDLED;
            } else {
                snprintf(outcome, sizeof outcome, "crash %08lX at %p", record.ExceptionCode,
                         record.ExceptionAddress);
                TerminateProcess(process.hProcess, record.ExceptionCode);
                ended = true;
            }
            break;
        }
        case EXIT_PROCESS_DEBUG_EVENT:
            snprintf(outcome, sizeof outcome, "exit %lu", event.u.ExitProcess.dwExitCode);
            ended = true;
            break;
        }
        ContinueDebugEvent(event.dwProcessId, event.dwThreadId, answer);
    }

    // What the program started and did not wait for gets a few seconds to
    // end by itself (the package's own command ends at once); whatever
    // still runs then was left behind.
    JOBOBJECT_BASIC_ACCOUNTING_INFORMATION accounting = {};
    for (DWORD waited = 0; waited < 5000; waited += 50) {
        QueryInformationJobObject(job, JobObjectBasicAccountingInformation, &accounting, sizeof accounting, nullptr);
        if (accounting.ActiveProcesses == 0)
            break;
        Sleep(50);
    }
    const DWORD strays = accounting.ActiveProcesses;
    TerminateJobObject(job, 1);
    FILE *result = fopen(argv[1], "w");
    if (!result)
        return 4;
    fprintf(result, "%s strays %lu\n", outcome, strays);
    fclose(result);
    return 0;
}
