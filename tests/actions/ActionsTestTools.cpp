#include "ActionsTestTools.h"

#include <windows.h>

#include "oxPackages.h"

std::vector<std::string> ReadRecord(const std::string &path)
{
    std::vector<std::string> lines;
    const std::string text = ReadWholeFile(path);
    size_t start = 0;
    while (start < text.size()) {
        size_t end = text.find("\r\n", start);
        if (end == std::string::npos)
            end = text.size();
        lines.push_back(text.substr(start, end - start));
        start = end + 2;
    }
    return lines;
}

bool WaitForRecordEnd(const std::string &path, unsigned timeoutMs)
{
    for (unsigned waited = 0;; waited += 50) {
        for (const std::string &line : ReadRecord(path))
            if (line == "end")
                return true;
        if (waited >= timeoutMs)
            return false;
        Sleep(50);
    }
}

std::string UnixPathOf(const std::string &windowsPath)
{
    using UnixName = char *(__cdecl *)(const WCHAR *);
    auto toUnix = reinterpret_cast<UnixName>(
        reinterpret_cast<void *>(GetProcAddress(GetModuleHandleA("kernel32.dll"), "wine_get_unix_file_name")));
    if (!toUnix)
        return std::string();
    WCHAR wide[MAX_PATH * 2];
    if (!MultiByteToWideChar(CP_ACP, 0, windowsPath.c_str(), -1, wide, MAX_PATH * 2))
        return std::string();
    char *unixPath = toUnix(wide);
    if (!unixPath)
        return std::string();
    std::string result = unixPath;
    HeapFree(GetProcessHeap(), 0, unixPath);
    return result;
}

namespace {

// Wine starts a Unix program given by its Unix path like a Windows one,
// but its handle tells neither the end nor the exit code: the caller
// watches for the program's effect instead, until it shows or time is up.
bool RunUnixCommand(std::string commandLine, const std::string &watched, bool present)
{
    STARTUPINFOA startup = {};
    startup.cb = sizeof startup;
    PROCESS_INFORMATION process = {};
    if (!CreateProcessA(nullptr, &commandLine[0], nullptr, nullptr, FALSE, 0, nullptr, nullptr,
                        &startup, &process))
        return false;
    CloseHandle(process.hThread);
    CloseHandle(process.hProcess);
    for (int tries = 0; tries < 100; ++tries) {
        if ((GetFileAttributesA(watched.c_str()) != INVALID_FILE_ATTRIBUTES) == present)
            return true;
        Sleep(50);
    }
    return false;
}

} // namespace

bool MakeSymbolicLink(const std::string &targetPath, const std::string &linkPath)
{
    // The link's folder must exist for its Unix name to be known.
    const std::string target = UnixPathOf(targetPath);
    const std::string link = UnixPathOf(linkPath);
    if (target.empty() || link.empty())
        return false;
    return RunUnixCommand("/bin/ln -s " + target + " " + link, linkPath, true);
}

bool RemoveSymbolicLink(const std::string &linkPath)
{
    const std::string link = UnixPathOf(linkPath);
    return !link.empty() && RunUnixCommand("/bin/rm -f " + link, linkPath, false);
}
