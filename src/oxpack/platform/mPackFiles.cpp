// mPackFiles: file helpers of the package builder.
#include <windows.h>

#include "mPackFiles.h"
#include "mPackText.h"
#include "format/uFileNameRule.h"

#include <algorithm>

bool ReadFileRange(const std::string &path, int64_t offset, int64_t maximum, std::string &bytes, std::string &error)
{
    bytes.clear();
    HANDLE h = CreateFileW(WideOf(path).c_str(), GENERIC_READ, FILE_SHARE_READ, nullptr, OPEN_EXISTING,
                           FILE_ATTRIBUTE_NORMAL, nullptr);
    if (h == INVALID_HANDLE_VALUE) {
        error = "Cannot open the file: " + path;
        return false;
    }
    LARGE_INTEGER size;
    LARGE_INTEGER start;
    start.QuadPart = offset;
    bool ok = GetFileSizeEx(h, &size) && SetFilePointerEx(h, start, nullptr, FILE_BEGIN);
    if (ok && size.QuadPart > offset) {
        int64_t count = std::min<int64_t>(size.QuadPart - offset, maximum);
        bytes.resize(static_cast<size_t>(count));
        size_t done = 0;
        while (ok && done < bytes.size()) {
            DWORD part = static_cast<DWORD>(std::min<size_t>(bytes.size() - done, 1u << 24));
            DWORD got = 0;
            ok = ReadFile(h, &bytes[done], part, &got, nullptr) && got > 0;
            done += got;
        }
    }
    CloseHandle(h);
    if (!ok) {
        bytes.clear();
        error = "Cannot read the file: " + path;
    }
    return ok;
}

bool WriteFileBytes(const std::string &path, const std::string &bytes)
{
    HANDLE file = CreateFileW(WideOf(path).c_str(), GENERIC_WRITE, 0, nullptr, CREATE_ALWAYS, 0, nullptr);
    if (file == INVALID_HANDLE_VALUE)
        return false;
    DWORD done = 0;
    const bool ok = WriteFile(file, bytes.data(), static_cast<DWORD>(bytes.size()), &done, nullptr) &&
                    done == bytes.size();
    return CloseHandle(file) && ok;
}

int64_t FileSizeOf(const std::string &path)
{
    WIN32_FILE_ATTRIBUTE_DATA data;
    if (!GetFileAttributesExW(WideOf(path).c_str(), GetFileExInfoStandard, &data)
        || (data.dwFileAttributes & FILE_ATTRIBUTE_DIRECTORY))
        return -1;
    return (static_cast<int64_t>(data.nFileSizeHigh) << 32) | data.nFileSizeLow;
}

bool IsFolder(const std::string &path)
{
    DWORD a = GetFileAttributesW(WideOf(path).c_str());
    return a != INVALID_FILE_ATTRIBUTES && (a & FILE_ATTRIBUTE_DIRECTORY);
}

std::string FullPathOf(const std::string &path)
{
    wchar_t buffer[MAX_PATH * 4];
    DWORD n = GetFullPathNameW(WideOf(path).c_str(), MAX_PATH * 4, buffer, nullptr);
    if (n == 0 || n >= MAX_PATH * 4)
        return path;
    return Utf8Of(std::wstring(buffer, n));
}

std::string WhyFileIsUnreadable(const std::string &path)
{
    const DWORD attributes = GetFileAttributesW(WideOf(path).c_str());
    if (attributes == INVALID_FILE_ATTRIBUTES)
        return GetLastError() == ERROR_ACCESS_DENIED ? "cannot be read (access denied)" : "is missing";
    if (attributes & FILE_ATTRIBUTE_DIRECTORY)
        return "is a folder, not a file";
    return "cannot be read";
}

bool OpenOutput(const std::string &finalPath, TOutputFile &file, std::string &error)
{
    file = TOutputFile();
    file.FinalPath = finalPath;
    std::string folder = FolderOf(finalPath);
    if (folder.empty())
        folder = ".\\";
    // The temporary file sits in the final folder so that the last step is
    // a rename on one volume; GetTempFileNameW picks a name nobody holds.
    wchar_t temp[MAX_PATH];
    if (!GetTempFileNameW(WideOf(folder).c_str(), L"oxp", 0, temp)) {
        error = "Cannot create a file in the output folder: " + folder;
        return false;
    }
    file.TempPath = Utf8Of(temp);
    HANDLE h = CreateFileW(temp, GENERIC_WRITE, 0, nullptr, CREATE_ALWAYS, FILE_ATTRIBUTE_NORMAL, nullptr);
    if (h == INVALID_HANDLE_VALUE) {
        DeleteFileW(temp);
        error = "Cannot write in the output folder: " + folder;
        return false;
    }
    file.Handle = h;
    return true;
}

bool WriteOutput(TOutputFile &file, const void *data, size_t count, std::string &error)
{
    const char *p = static_cast<const char *>(data);
    while (count > 0) {
        DWORD part = static_cast<DWORD>(std::min<size_t>(count, 1u << 24));
        DWORD done = 0;
        if (!WriteFile(static_cast<HANDLE>(file.Handle), p, part, &done, nullptr) || done != part) {
            error = "Cannot write the output file (disk full?): " + file.FinalPath;
            return false;
        }
        p += done;
        count -= done;
    }
    return true;
}

bool CloseOutput(TOutputFile &file, std::string &error)
{
    if (!file.Handle)
        return true;
    bool ok = FlushFileBuffers(static_cast<HANDLE>(file.Handle)) != 0;
    ok = CloseHandle(static_cast<HANDLE>(file.Handle)) && ok;
    file.Handle = nullptr;
    if (!ok)
        error = "Cannot finish the output file: " + file.FinalPath;
    return ok;
}

bool MovePath(const std::string &from, const std::string &to, bool replace)
{
    return MoveFileExW(WideOf(from).c_str(), WideOf(to).c_str(), replace ? MOVEFILE_REPLACE_EXISTING : 0) != 0;
}

bool PathExists(const std::string &path)
{
    return GetFileAttributesW(WideOf(path).c_str()) != INVALID_FILE_ATTRIBUTES;
}

bool DeletePath(const std::string &path)
{
    return DeleteFileW(WideOf(path).c_str()) != 0;
}

std::string AsideNameOf(const std::string &path)
{
    std::string folder = FolderOf(path);
    if (folder.empty())
        folder = ".\\";
    wchar_t name[MAX_PATH];
    if (!GetTempFileNameW(WideOf(folder).c_str(), L"oxo", 0, name))
        return std::string();
    return Utf8Of(name);
}


void DiscardOutput(TOutputFile &file)
{
    if (file.Handle)
        CloseHandle(static_cast<HANDLE>(file.Handle));
    file.Handle = nullptr;
    if (!file.TempPath.empty())
        DeletePath(file.TempPath);
    file.TempPath.clear();
}

std::string ProgramFolder()
{
    wchar_t path[MAX_PATH];
    DWORD n = GetModuleFileNameW(nullptr, path, MAX_PATH);
    std::string p = Utf8Of(std::wstring(path, n));
    return p.substr(0, p.find_last_of('\\') + 1);
}

bool MakeScratchFolder(std::string &folder, std::string &error)
{
    wchar_t temp[MAX_PATH];
    DWORD n = GetTempPathW(MAX_PATH, temp);
    if (n == 0 || n >= MAX_PATH) {
        error = "The temporary folder cannot be found.";
        return false;
    }
    const std::string base = Utf8Of(std::wstring(temp, n));
    for (unsigned attempt = 0; attempt < 1000; ++attempt) {
        folder = base + "oxpack" + std::to_string(GetCurrentProcessId()) + "_" + std::to_string(GetTickCount() + attempt) + "\\";
        if (CreateDirectoryW(WideOf(folder).c_str(), nullptr))
            return true;
        if (GetLastError() != ERROR_ALREADY_EXISTS)
            break;
    }
    error = "A scratch folder cannot be created in the temporary folder: " + base;
    return false;
}

bool RemoveEmptyFolder(const std::string &folder)
{
    return RemoveDirectoryW(WideOf(folder).c_str()) != 0;
}

bool ListFolder(const std::string &folder, const std::string &pattern, std::vector<TFolderEntry> &entries)
{
    WIN32_FIND_DATAW found;
    HANDLE h = FindFirstFileW(WideOf(folder + pattern).c_str(), &found);
    if (h == INVALID_HANDLE_VALUE)
        return false;
    do {
        const std::string name = Utf8Of(found.cFileName);
        if (name != "." && name != "..")
            entries.push_back(TFolderEntry{name, (found.dwFileAttributes & FILE_ATTRIBUTE_DIRECTORY) != 0});
    } while (FindNextFileW(h, &found));
    FindClose(h);
    return true;
}

TFileStamp FileStampOf(const std::string &path)
{
    WIN32_FILE_ATTRIBUTE_DATA data = {};
    GetFileAttributesExW(WideOf(path).c_str(), GetFileExInfoStandard, &data);
    TFileStamp stamp;
    stamp.Size = static_cast<uint64_t>(data.nFileSizeHigh) << 32 | data.nFileSizeLow;
    stamp.WriteTime = static_cast<uint64_t>(data.ftLastWriteTime.dwHighDateTime) << 32 | data.ftLastWriteTime.dwLowDateTime;
    stamp.Attributes = data.dwFileAttributes;
    return stamp;
}
