#include "startup/uRunState.h"

std::string ExeFolder;
std::string TempFolder;
std::string SystemFolder;
std::string WindowsFolder;
bool InstallMode = false;
int OverwriteMode = 1;
int16_t FilesDone = 0;
HWND ProgressWindow = nullptr;
HANDLE ResumeGate = nullptr;

void EndRun(int exitCode)
{
    ExitProcess(static_cast<UINT>(exitCode));
}
