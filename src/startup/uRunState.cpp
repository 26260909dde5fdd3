#include "startup/uRunState.h"
#include "cabinet/uCabHelper.h"

std::string ExeFolder;
std::string TempFolder;
std::string SystemFolder;
std::string WindowsFolder;
bool InstallMode = false;
int OverwriteMode = 0;  // main starts every run at 1
int16_t FilesDone = 0;
HWND ProgressWindow = nullptr;
HANDLE ResumeGate = nullptr;

void EndRun(int exitCode)
{
    // A run may end in the middle of a file: a confirmed cancel, a
    // continuation cabinet that is missing or damaged.
    RemovePartialFile();
    ExitProcess(static_cast<UINT>(exitCode));
}
