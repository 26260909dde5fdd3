// mPackFiles: POSIX. The builder's paths use backslashes as Windows does;
// every call here turns them into slashes first (PosixPathOf).
#include <dirent.h>
#include <fcntl.h>
#include <fnmatch.h>
#include <sys/stat.h>
#include <unistd.h>

#include <algorithm>
#include <cerrno>
#include <climits>
#include <cstdlib>

#include "mCabFiles.h"
#include "mPackFiles.h"

namespace {

// FILETIME ticks (100 ns since 1601) of 1970-01-01.
constexpr uint64_t UnixEpochTicks = 116444736000000000ull;

bool StatOf(const std::string &path, struct stat &st)
{
    return stat(PosixPathOf(path).c_str(), &st) == 0;
}

bool WriteAll(int fd, const char *data, size_t count)
{
    while (count > 0) {
        const ssize_t done = write(fd, data, count);
        if (done <= 0)
            return false;
        data += done;
        count -= static_cast<size_t>(done);
    }
    return true;
}

// A free name in folder: prefix, then six characters mkstemp picks.
std::string FreeNameIn(const std::string &folder, const char *prefix)
{
    std::string name = PosixPathOf(folder.empty() ? "./" : folder) + prefix + "XXXXXX";
    const int fd = mkstemp(&name[0]);
    if (fd < 0)
        return std::string();
    // mkstemp makes the file private; an output gets the mode any new
    // file of the user gets.
    const mode_t mask = umask(0);
    umask(mask);
    fchmod(fd, 0666 & ~mask);
    close(fd);
    return name;
}

}  // namespace

bool ReadFileRange(const std::string &path, int64_t offset, int64_t maximum, std::string &bytes, std::string &error)
{
    bytes.clear();
    const int fd = open(PosixPathOf(path).c_str(), O_RDONLY);
    if (fd < 0) {
        error = "Cannot open the file: " + path;
        return false;
    }
    struct stat st;
    bool ok = fstat(fd, &st) == 0;
    if (ok && st.st_size > offset) {
        bytes.resize(static_cast<size_t>(std::min<int64_t>(st.st_size - offset, maximum)));
        size_t done = 0;
        while (ok && done < bytes.size()) {
            const ssize_t got = pread(fd, &bytes[done], bytes.size() - done, offset + static_cast<int64_t>(done));
            ok = got > 0;
            done += ok ? static_cast<size_t>(got) : 0;
        }
    }
    close(fd);
    if (!ok) {
        bytes.clear();
        error = "Cannot read the file: " + path;
    }
    return ok;
}

bool WriteFileBytes(const std::string &path, const std::string &bytes)
{
    const int fd = open(PosixPathOf(path).c_str(), O_WRONLY | O_CREAT | O_TRUNC, 0644);
    if (fd < 0)
        return false;
    const bool ok = WriteAll(fd, bytes.data(), bytes.size());
    return close(fd) == 0 && ok;
}

int64_t FileSizeOf(const std::string &path)
{
    struct stat st;
    if (!StatOf(path, st) || S_ISDIR(st.st_mode))
        return -1;
    return st.st_size;
}

bool IsFolder(const std::string &path)
{
    struct stat st;
    return StatOf(path, st) && S_ISDIR(st.st_mode);
}

std::string FullPathOf(const std::string &path)
{
    const std::string posix = PosixPathOf(path);
    if (!posix.empty() && posix[0] == '/')
        return posix;
    char here[PATH_MAX];
    if (!getcwd(here, sizeof here))
        return posix;
    return std::string(here) + "/" + (posix.compare(0, 2, "./") == 0 ? posix.substr(2) : posix);
}

std::string WhyFileIsUnreadable(const std::string &path)
{
    struct stat st;
    if (!StatOf(path, st))
        return errno == EACCES ? "cannot be read (access denied)" : "is missing";
    if (S_ISDIR(st.st_mode))
        return "is a folder, not a file";
    return "cannot be read";
}

bool OpenOutput(const std::string &finalPath, TOutputFile &file, std::string &error)
{
    file = TOutputFile();
    file.FinalPath = finalPath;
    // The temporary file sits in the final folder so that the last step is
    // a rename on one volume.
    const std::string folder = FolderOf(finalPath);
    file.TempPath = FreeNameIn(folder, "oxp");
    const int fd = file.TempPath.empty() ? -1 : open(file.TempPath.c_str(), O_WRONLY | O_TRUNC);
    if (fd < 0) {
        if (!file.TempPath.empty())
            unlink(file.TempPath.c_str());
        file.TempPath.clear();
        error = "Cannot create a file in the output folder: " + (folder.empty() ? std::string(".") : folder);
        return false;
    }
    file.Handle = reinterpret_cast<void *>(static_cast<intptr_t>(fd) + 1);
    return true;
}

bool WriteOutput(TOutputFile &file, const void *data, size_t count, std::string &error)
{
    const int fd = static_cast<int>(reinterpret_cast<intptr_t>(file.Handle) - 1);
    if (!WriteAll(fd, static_cast<const char *>(data), count)) {
        error = "Cannot write the output file (disk full?): " + file.FinalPath;
        return false;
    }
    return true;
}

bool CloseOutput(TOutputFile &file, std::string &error)
{
    if (!file.Handle)
        return true;
    const int fd = static_cast<int>(reinterpret_cast<intptr_t>(file.Handle) - 1);
    bool ok = fsync(fd) == 0;
    ok = close(fd) == 0 && ok;
    file.Handle = nullptr;
    if (!ok)
        error = "Cannot finish the output file: " + file.FinalPath;
    return ok;
}

bool MovePath(const std::string &from, const std::string &to, bool replace)
{
    if (!replace && PathExists(to))
        return false;
    return rename(PosixPathOf(from).c_str(), PosixPathOf(to).c_str()) == 0;
}

bool PathExists(const std::string &path)
{
    struct stat st;
    return StatOf(path, st);
}

bool DeletePath(const std::string &path)
{
    return unlink(PosixPathOf(path).c_str()) == 0;
}

std::string AsideNameOf(const std::string &path)
{
    return FreeNameIn(FolderOf(path), "oxo");
}

void DiscardOutput(TOutputFile &file)
{
    if (file.Handle)
        close(static_cast<int>(reinterpret_cast<intptr_t>(file.Handle) - 1));
    file.Handle = nullptr;
    if (!file.TempPath.empty())
        DeletePath(file.TempPath);
    file.TempPath.clear();
}

std::string ProgramFolder()
{
    char path[PATH_MAX];
    const ssize_t n = readlink("/proc/self/exe", path, sizeof path - 1);
    const std::string p(path, n > 0 ? static_cast<size_t>(n) : 0);
    return p.substr(0, p.find_last_of('/') + 1);
}

bool MakeScratchFolder(std::string &folder, std::string &error)
{
    const char *temp = getenv("TMPDIR");
    std::string pattern = std::string(temp && *temp ? temp : "/tmp") + "/oxpackXXXXXX";
    if (!mkdtemp(&pattern[0])) {
        error = "A scratch folder cannot be created in the temporary folder: " + pattern;
        return false;
    }
    folder = pattern + "/";
    return true;
}

bool RemoveEmptyFolder(const std::string &folder)
{
    return rmdir(PosixPathOf(folder).c_str()) == 0;
}

bool ListFolder(const std::string &folder, const std::string &pattern, std::vector<TFolderEntry> &entries)
{
    DIR *dir = opendir(PosixPathOf(folder.empty() ? "." : folder).c_str());
    if (!dir)
        return false;
    bool any = false;
    while (const dirent *entry = readdir(dir)) {
        const std::string name = entry->d_name;
        if (fnmatch(pattern.c_str(), name.c_str(), FNM_CASEFOLD) != 0)
            continue;
        any = true;
        if (name != "." && name != "..")
            entries.push_back(TFolderEntry{name, IsFolder(folder + name)});
    }
    closedir(dir);
    // Listed in the order the names sort, as the system's own list is not.
    std::sort(entries.begin(), entries.end(),
              [](const TFolderEntry &a, const TFolderEntry &b) { return a.Name < b.Name; });
    return any;
}

TFileStamp FileStampOf(const std::string &path)
{
    TFileStamp stamp;
    struct stat st;
    if (!StatOf(path, st))
        return stamp;
    stamp.Size = static_cast<uint64_t>(st.st_size);
    stamp.WriteTime = UnixEpochTicks + static_cast<uint64_t>(st.st_mtim.tv_sec) * 10000000u
                      + static_cast<uint64_t>(st.st_mtim.tv_nsec) / 100;
    stamp.Attributes = PosixAttributesOf(path, st.st_mode, true);
    return stamp;
}
