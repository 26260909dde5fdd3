#include <windows.h>
#include "oxTest.h"
#include "oxPackages.h"

std::string BinFolder()
{
    char path[MAX_PATH];
    DWORD n = GetModuleFileNameA(nullptr, path, MAX_PATH);
    std::string p(path, n);
    return p.substr(0, p.find_last_of('\\') + 1);
}

std::string ProductFolder()
{
#ifdef OX_PRODUCT_BIN
    return OX_PRODUCT_BIN;
#else
    return BinFolder();
#endif
}

std::string UseOwnTemporaryFolder()
{
    char path[MAX_PATH];
    const DWORD n = GetModuleFileNameA(nullptr, path, MAX_PATH);
    std::string name(path, n);
    name = name.substr(name.find_last_of('\\') + 1);
    name = name.substr(0, name.find_last_of('.'));
    char temp[MAX_PATH];
    const DWORD length = GetTempPathA(MAX_PATH, temp);
    if (length == 0 || length >= MAX_PATH)
        return std::string();
    const std::string folder = std::string(temp, length) + "ox_" + name + "\\";
    // Only one run of a program at a time: what is there is a run's that
    // was cut short.
    RemoveTestFolder(folder);
    if (!CreateDirectoryA(folder.c_str(), nullptr) && GetLastError() != ERROR_ALREADY_EXISTS)
        return std::string();
    if (!SetEnvironmentVariableA("TMP", folder.c_str()) || !SetEnvironmentVariableA("TEMP", folder.c_str()))
        return std::string();
    char check[MAX_PATH];
    if (GetTempPathA(MAX_PATH, check) == 0 || lstrcmpiA(folder.c_str(), check) != 0)
        return std::string();
    return folder;
}
