#include <windows.h>
#include "startup/uSettings.h"

std::string OwnFilePath()
{
    char path[MAX_PATH * 4];
    DWORD n = GetModuleFileNameA(nullptr, path, sizeof path);
    if (n == 0 || n >= sizeof path)
        return std::string();
    return std::string(path, n);
}
