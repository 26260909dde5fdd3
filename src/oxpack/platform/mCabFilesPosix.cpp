// mCabFilesPosix: the cabinet writer's file calls on POSIX systems, for
// native builds (today the writer's native fuzz target). Reads are
// positional (pread). Dates are the modification time in UTC as DOS date
// and time, clamped like the Windows build's; attributes as Wine shows
// them (PosixAttributesOf).
#include <fcntl.h>
#include <sys/stat.h>
#include <time.h>
#include <unistd.h>

#include "mCabFiles.h"

namespace {

// FILETIME ticks (100 ns since 1601) of 1970-01-01.
constexpr uint64_t UnixEpochTicks = 116444736000000000ull;

void *OpenSource(const std::string &path, uint64_t latest, TCabSourceInfo &info)
{
    const int fd = open(PosixPathOf(path).c_str(), O_RDONLY);
    struct stat st;
    if (fd < 0)
        return nullptr;
    if (fstat(fd, &st) != 0 || !S_ISREG(st.st_mode)) {
        close(fd);
        return nullptr;
    }
    info.Size = st.st_size;
    time_t seconds = st.st_mtime;
    if (latest != 0 && latest >= UnixEpochTicks && static_cast<uint64_t>(seconds) > (latest - UnixEpochTicks) / 10000000)
        seconds = static_cast<time_t>((latest - UnixEpochTicks) / 10000000);
    struct tm utc;
    if (gmtime_r(&seconds, &utc) && utc.tm_year >= 80 && utc.tm_year <= 207) {
        info.Date = static_cast<uint16_t>((utc.tm_year - 80) << 9 | (utc.tm_mon + 1) << 5 | utc.tm_mday);
        info.Time = static_cast<uint16_t>(utc.tm_hour << 11 | utc.tm_min << 5 | utc.tm_sec / 2);
    } else {
        info.Date = (0 << 9) | (1 << 5) | 1;  // before 1980: the earliest DOS date
        info.Time = 0;
    }
    info.Attributes = PosixAttributesOf(path, st.st_mode, false);
    return reinterpret_cast<void *>(static_cast<intptr_t>(fd) + 1);
}

int Fd(void *handle)
{
    return static_cast<int>(reinterpret_cast<intptr_t>(handle) - 1);
}

bool ReadSource(void *source, int64_t offset, char *buffer, size_t count)
{
    while (count > 0) {
        const ssize_t done = pread(Fd(source), buffer, count, offset);
        if (done <= 0)
            return false;
        buffer += done;
        offset += done;
        count -= static_cast<size_t>(done);
    }
    return true;
}

void CloseSource(void *source)
{
    close(Fd(source));
}

void *CreateOutput(const std::string &path)
{
    const int fd = open(PosixPathOf(path).c_str(), O_WRONLY | O_CREAT | O_TRUNC, 0644);
    return fd < 0 ? nullptr : reinterpret_cast<void *>(static_cast<intptr_t>(fd) + 1);
}

bool WriteOutput(void *output, const char *data, size_t count)
{
    while (count > 0) {
        const ssize_t done = write(Fd(output), data, count);
        if (done <= 0)
            return false;
        data += done;
        count -= static_cast<size_t>(done);
    }
    return true;
}

bool CloseOutput(void *output)
{
    return close(Fd(output)) == 0;
}

void RemoveFile(const std::string &path)
{
    unlink(PosixPathOf(path).c_str());
}

const TCabFiles PosixCabFiles = {OpenSource, ReadSource, CloseSource, CreateOutput, WriteOutput, CloseOutput,
                                 RemoveFile};

}  // namespace

const TCabFiles &PlatformCabFiles()
{
    return PosixCabFiles;
}
