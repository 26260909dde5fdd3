// A library planted by the loader tests under the name of one the
// extractor loads (cabinet.dll, comctl32.dll). Whoever loads it leaves a
// trace: on attach it creates "<its own path>.ran" beside itself. It
// exports nothing, so a program that took it for the real one would also
// fail to bind anything.
#include <windows.h>

extern "C" BOOL WINAPI DllMain(HINSTANCE instance, DWORD reason, LPVOID)
{
    if (reason != DLL_PROCESS_ATTACH)
        return TRUE;
    char path[MAX_PATH + 8];
    DWORD length = GetModuleFileNameA(instance, path, MAX_PATH);
    if (length == 0 || length >= MAX_PATH)
        return TRUE;
    lstrcpyA(path + length, ".ran");
    HANDLE trace = CreateFileA(path, GENERIC_WRITE, 0, nullptr, CREATE_ALWAYS, FILE_ATTRIBUTE_NORMAL, nullptr);
    if (trace != INVALID_HANDLE_VALUE)
        CloseHandle(trace);
    return TRUE;
}
