// mCabFiles: the cabinet writer's file calls on Windows. Wide calls, so
// that any name the file system holds can be packed; reads are positional
// (an OVERLAPPED offset on a synchronous handle), so that the writer may
// cut a folder's blocks again from any point of a file.
#include <windows.h>

#include "mCabFiles.h"

#include "mPackFiles.h"
#include "mPackText.h"

namespace {

// Date and time are the last-write time in UTC: the extractor sets them
// back as UTC, so a file keeps its time through a package. A time later
// than latest is recorded as that, for reproducible builds.
void *OpenSource(const std::string &path, uint64_t latest, TCabSourceInfo &info)
{
    HANDLE h = CreateFileW(WideOf(path).c_str(), GENERIC_READ, FILE_SHARE_READ, nullptr, OPEN_EXISTING,
                           FILE_ATTRIBUTE_NORMAL, nullptr);
    BY_HANDLE_FILE_INFORMATION found;
    if (h == INVALID_HANDLE_VALUE)
        return nullptr;
    if (!GetFileInformationByHandle(h, &found)) {
        CloseHandle(h);
        return nullptr;
    }
    info.Size = static_cast<int64_t>(static_cast<uint64_t>(found.nFileSizeHigh) << 32 | found.nFileSizeLow);
    FILETIME written = found.ftLastWriteTime;
    if (latest != 0 && (static_cast<uint64_t>(written.dwHighDateTime) << 32 | written.dwLowDateTime) > latest) {
        written.dwHighDateTime = static_cast<DWORD>(latest >> 32);
        written.dwLowDateTime = static_cast<DWORD>(latest);
    }
    WORD date = 0, time = 0;
    if (!FileTimeToDosDateTime(&written, &date, &time)) {
        date = (0 << 9) | (1 << 5) | 1;  // before 1980: the earliest DOS date
        time = 0;
    }
    info.Date = date;
    info.Time = time;
    info.Attributes = static_cast<uint16_t>(found.dwFileAttributes & (FILE_ATTRIBUTE_READONLY | FILE_ATTRIBUTE_HIDDEN
                                                                      | FILE_ATTRIBUTE_SYSTEM | FILE_ATTRIBUTE_ARCHIVE));
    return h;
}

bool ReadSource(void *source, int64_t offset, char *buffer, size_t count)
{
    while (count > 0) {
        OVERLAPPED at = {};
        at.Offset = static_cast<DWORD>(offset);
        at.OffsetHigh = static_cast<DWORD>(static_cast<uint64_t>(offset) >> 32);
        DWORD done = 0;
        const DWORD step = count > 0x100000 ? 0x100000 : static_cast<DWORD>(count);
        if (!ReadFile(static_cast<HANDLE>(source), buffer, step, &done, &at) || done == 0)
            return false;
        buffer += done;
        offset += done;
        count -= done;
    }
    return true;
}

void CloseSource(void *source)
{
    CloseHandle(static_cast<HANDLE>(source));
}

void *CreateOutput(const std::string &path)
{
    HANDLE h = CreateFileW(WideOf(path).c_str(), GENERIC_WRITE, 0, nullptr, CREATE_ALWAYS, FILE_ATTRIBUTE_NORMAL,
                           nullptr);
    return h == INVALID_HANDLE_VALUE ? nullptr : h;
}

bool WriteOutput(void *output, const char *data, size_t count)
{
    while (count > 0) {
        DWORD done = 0;
        const DWORD step = count > 0x100000 ? 0x100000 : static_cast<DWORD>(count);
        if (!WriteFile(static_cast<HANDLE>(output), data, step, &done, nullptr) || done == 0)
            return false;
        data += done;
        count -= done;
    }
    return true;
}

bool CloseOutput(void *output)
{
    return CloseHandle(static_cast<HANDLE>(output)) != FALSE;
}

void RemoveFile(const std::string &path)
{
    DeletePath(path);
}

const TCabFiles WindowsCabFiles = {OpenSource, ReadSource, CloseSource, CreateOutput, WriteOutput, CloseOutput,
                                   RemoveFile};

}  // namespace

const TCabFiles &PlatformCabFiles()
{
    return WindowsCabFiles;
}
