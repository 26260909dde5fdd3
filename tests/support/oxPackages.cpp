#include <windows.h>
#include <gtest/gtest.h>
#include "oxPackages.h"
#include "oxTest.h"
#include "uCabWriter.h"

std::string NewTestFolder(const std::string &name)
{
    static unsigned counter = 0;
    char temp[MAX_PATH];
    GetTempPathA(MAX_PATH, temp);
    const std::string parent = std::string(temp) + "oxtest\\";
    CreateDirectoryA(parent.c_str(), nullptr);
    // Process ids come back under Wine: count on until the name is new.
    for (;;) {
        std::string folder = parent + name + "_" + std::to_string(GetCurrentProcessId()) + "_" +
                             std::to_string(++counter) + "\\";
        if (CreateDirectoryA(folder.c_str(), nullptr))
            return folder;
        if (GetLastError() != ERROR_ALREADY_EXISTS)
            return std::string();
    }
}

namespace {

// Wide, so that names outside the code page (the unicode tests make
// them) are removed too.
void RemoveWideFolder(const std::wstring &folder)
{
    WIN32_FIND_DATAW found;
    HANDLE h = FindFirstFileW((folder + L"*").c_str(), &found);
    if (h != INVALID_HANDLE_VALUE) {
        do {
            const std::wstring name = found.cFileName;
            if (name == L"." || name == L"..")
                continue;
            const std::wstring path = folder + name;
            SetFileAttributesW(path.c_str(), FILE_ATTRIBUTE_NORMAL);
            if (found.dwFileAttributes & FILE_ATTRIBUTE_DIRECTORY)
                RemoveWideFolder(path + L"\\");
            else
                DeleteFileW(path.c_str());
        } while (FindNextFileW(h, &found));
        FindClose(h);
    }
    RemoveDirectoryW(folder.c_str());
}

} // namespace

void RemoveTestFolder(const std::string &folder)
{
    const int length = MultiByteToWideChar(CP_ACP, 0, folder.c_str(), -1, nullptr, 0);
    if (length <= 0)
        return;
    std::wstring wide(static_cast<size_t>(length), L'\0');
    MultiByteToWideChar(CP_ACP, 0, folder.c_str(), -1, &wide[0], length);
    wide.resize(static_cast<size_t>(length - 1));
    if (!wide.empty() && wide.back() != L'\\')
        wide += L'\\';
    RemoveWideFolder(wide);
}

std::string ReadWholeFile(const std::string &path)
{
    std::string bytes;
    HANDLE file = CreateFileA(path.c_str(), GENERIC_READ, FILE_SHARE_READ | FILE_SHARE_WRITE, nullptr,
                              OPEN_EXISTING, 0, nullptr);
    if (file == INVALID_HANDLE_VALUE)
        return bytes;
    char buffer[65536];
    DWORD got = 0;
    while (ReadFile(file, buffer, sizeof buffer, &got, nullptr) && got)
        bytes.append(buffer, got);
    CloseHandle(file);
    return bytes;
}

bool WriteWholeFile(const std::string &path, const std::string &bytes)
{
    HANDLE file = CreateFileA(path.c_str(), GENERIC_WRITE, 0, nullptr, CREATE_ALWAYS, 0, nullptr);
    if (file == INVALID_HANDLE_VALUE)
        return false;
    DWORD written = 0;
    bool ok = WriteFile(file, bytes.data(), static_cast<DWORD>(bytes.size()), &written, nullptr) &&
              written == bytes.size();
    CloseHandle(file);
    return ok;
}

TPackOptions TestPackOptions(const std::string &folder)
{
    TPackOptions options;
    options.ExtractorPath = BinFolder() + "oxtarn.exe";
    WriteWholeFile(folder + "readme.txt", "payload\r\n");
    options.Files.push_back({folder + "readme.txt", "readme.txt"});
    options.OutputPath = folder + "package.exe";
    options.Title = "Test";
    return options;
}

std::string BuildTestPackage(const TPackOptions &options)
{
    std::string error;
    EXPECT_TRUE(MakePackage(options, error)) << error;
    return options.OutputPath;
}

std::string WriteRawPackage(const std::string &path, const std::vector<std::string> &lines,
                            const std::string &tail)
{
    std::string bytes = ReadWholeFile(BinFolder() + "oxtarn.exe");
    bytes += "\r\n$KORVANTE$\r\n";
    for (const std::string &line : lines)
        bytes += line + "\r\n";
    bytes += tail;
    EXPECT_TRUE(WriteWholeFile(path, bytes)) << path;
    return path;
}

std::vector<std::string> RawSettingsLines(const std::string &destination)
{
    std::vector<std::string> lines = {"0", "0", "0", "Raw", "", "", std::string("\0$LUMBO$\0", 9),
                                      "", destination, "", "", "0", "FALSE", "FALSE"};
    for (int n = 1; n <= 56; ++n)
        lines.push_back("M" + std::to_string(n));
    return lines;
}

std::string CabinetOf(const std::vector<TPackFile> &files, const std::string &scratchFolder)
{
    TCabinetRequest request;
    request.Files = files;
    request.Folder = scratchFolder;
    request.FirstName = "lumbo";
    request.ContinuationStem = "raw";
    TCabinetSet set;
    std::string error;
    EXPECT_TRUE(WriteCabinetSet(request, set, error)) << error;
    return set.Paths.empty() ? std::string() : ReadWholeFile(set.Paths.front());
}

std::string WriteRawCabinetPackage(const std::string &path, std::vector<std::string> lines,
                                   const std::string &cabinet)
{
    // The block length counts its own digits: settle it by repeating.
    const size_t extractor = ReadWholeFile(BinFolder() + "oxtarn.exe").size();
    size_t offset = 0;
    for (int round = 0; round < 4; ++round) {
        lines[2] = std::to_string(offset);
        size_t size = extractor + 2 + 12;
        for (const std::string &line : lines)
            size += line.size() + 2;
        offset = size;
    }
    lines[2] = std::to_string(offset);
    return WriteRawPackage(path, lines, cabinet);
}
