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

bool IsDeviceFileName(const std::string &name)
{
    return IsDeviceName(NameCheckForm(WideOf(name)));
}

size_t PathLength(const std::string &path)
{
    return WideOf(path).size();
}

bool IsReadableFile(const std::string &path)
{
    return PathLength(path) < MAX_PATH && !IsDeviceFileName(NameOf(path)) && FileSizeOf(path) >= 0;
}

std::string WhyUnreadable(const std::string &path)
{
    if (PathLength(path) >= MAX_PATH)
        return "is " + std::to_string(PathLength(path)) + " characters long; the file calls used here take at most "
               + std::to_string(MAX_PATH - 1);
    if (IsDeviceFileName(NameOf(path)))
        return "is the device " + NameOf(path) + ", not a file";
    const DWORD attributes = GetFileAttributesW(WideOf(path).c_str());
    if (attributes == INVALID_FILE_ATTRIBUTES)
        return GetLastError() == ERROR_ACCESS_DENIED ? "cannot be read (access denied)" : "is missing";
    if (attributes & FILE_ATTRIBUTE_DIRECTORY)
        return "is a folder, not a file";
    return "cannot be read";
}

std::string FolderOf(const std::string &path)
{
    size_t cut = path.find_last_of("\\/:");
    return cut == std::string::npos ? std::string() : path.substr(0, cut + 1);
}

std::string NameOf(const std::string &path)
{
    size_t cut = path.find_last_of("\\/:");
    return cut == std::string::npos ? path : path.substr(cut + 1);
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

bool MovePath(const std::string &from, const std::string &to, unsigned flags)
{
    return MoveFileExW(WideOf(from).c_str(), WideOf(to).c_str(), flags) != 0;
}

bool DeletePath(const std::string &path)
{
    return DeleteFileW(WideOf(path).c_str()) != 0;
}

bool CommitOutput(TOutputFile &file, std::string &error)
{
    if (!CloseOutput(file, error))
        return false;
    if (!MovePath(file.TempPath, file.FinalPath, MOVEFILE_REPLACE_EXISTING)) {
        error = "Cannot replace the output file (in use or read-only?): " + file.FinalPath;
        return false;
    }
    file.TempPath.clear();
    return true;
}

namespace {

// A free name in path's folder for setting the old file aside.
std::string AsideName(const std::string &path)
{
    std::string folder = FolderOf(path);
    if (folder.empty())
        folder = ".\\";
    wchar_t name[MAX_PATH];
    if (!GetTempFileNameW(WideOf(folder).c_str(), L"oxo", 0, name))
        return std::string();
    return Utf8Of(name);
}

}  // namespace

bool CommitOutputs(std::vector<TOutputFile> &files, std::vector<std::string> &leftovers, std::string &error)
{
    for (TOutputFile &file : files)
        if (!CloseOutput(file, error))
            return false;
    std::vector<std::string> aside(files.size());
    size_t placed = 0;
    bool ok = true;
    for (size_t i = 0; ok && i < files.size(); ++i) {
        if (GetFileAttributesW(WideOf(files[i].FinalPath).c_str()) == INVALID_FILE_ATTRIBUTES)
            continue;
        aside[i] = AsideName(files[i].FinalPath);
        ok = !aside[i].empty()
             && MovePath(files[i].FinalPath, aside[i], MOVEFILE_REPLACE_EXISTING);
        if (!ok) {
            if (!aside[i].empty())
                DeletePath(aside[i]);
            aside[i].clear();
            error = "Cannot replace the output file (in use or read-only?): " + files[i].FinalPath;
        }
    }
    for (; ok && placed < files.size(); ++placed) {
        if (!MovePath(files[placed].TempPath, files[placed].FinalPath, 0)) {
            error = "Cannot put the output file in place: " + files[placed].FinalPath;
            ok = false;
            break;
        }
    }
    if (!ok) {
        // Undo in reverse: the new files go, the old ones come back.
        while (placed > 0) {
            --placed;
            MovePath(files[placed].FinalPath, files[placed].TempPath, MOVEFILE_REPLACE_EXISTING);
        }
        for (size_t i = 0; i < files.size(); ++i)
            if (!aside[i].empty())
                MovePath(aside[i], files[i].FinalPath, MOVEFILE_REPLACE_EXISTING);
        return false;
    }
    for (size_t i = 0; i < files.size(); ++i) {
        files[i].TempPath.clear();
        if (!aside[i].empty() && !DeletePath(aside[i]))
            leftovers.push_back(aside[i]);
    }
    return true;
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

void RemoveScratchFolder(const std::string &folder)
{
    std::vector<TFolderEntry> entries;
    ListFolder(folder, "*", entries);
    for (const TFolderEntry &entry : entries)
        if (!entry.IsFolder)
            DeletePath(folder + entry.Name);
    RemoveDirectoryW(WideOf(folder).c_str());
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
