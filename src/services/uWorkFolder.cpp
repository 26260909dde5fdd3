// uWorkFolder: where a "$INSTALL$" package unpacks, and how much room a
// destination's drive has. All sizes are compared as signed 64-bit numbers.
#include "services/uWorkFolder.h"

#include <windows.h>

#include "format/uDestinationRule.h"
#include "util/mUtils.h"

namespace {

// Creation failures in a row (not counting numbers that already exist)
// after which the base is taken as unusable. Without the limit a base that
// cannot be written would be tried two billion times.
const int MaxFailuresInARow = 1000;

} // namespace

std::string ChooseWorkFolder(const std::string &name, int64_t required)
{
    // The command of a work folder may read its command line in the
    // system's ANSI code page: the folder is made where that page can
    // name it (in the short form of a temporary folder it cannot).
    const std::string base = PathForAnsiPrograms(TempFolderPath());

    std::string chosen;
    // A temporary folder the calls cannot take comes as none: passed over
    // like one without room, since a work folder relative to wherever the
    // run stands would put the command at the mercy of the search order.
    // So is one whose numbered folder (up to ten digits) would be longer
    // than the file calls take.
    bool found = IsFullPath(base) && base.size() + name.size() + 11 <= MaxPathLength &&
                 FreeBytesOnDrive(base) >= required;
    if (found) {
        chosen = base;
    } else {
        // Only the temporary folder is taken on trust; a fallback must be a
        // local fixed disk, not a share or a medium that may go away.
        for (char letter = 'C'; letter <= 'Z' && !found; ++letter) {
            std::string root = std::string(1, letter) + ":\\";
            if (GetDriveTypeA(root.c_str()) == DRIVE_FIXED && FreeBytesOnDrive(root) >= required) {
                chosen = root;
                found = true;
            }
        }
    }
    if (!found)
        return std::string();
    return CreateNumberedFolder(chosen, name);
}

std::string CreateNumberedFolder(const std::string &base, const std::string &name)
{
    // The base may be missing, or made a moment ago by another run: either
    // way it must be a folder before the numbered level is made in it.
    if (!CreateFolderTree(base) && !IsFolderPresent(base))
        return std::string();
    std::string prefix = AddTrailingBackslash(base) + name;
    int failures = 0;
    for (int64_t n = 1; n <= INT32_MAX; ++n) {
        std::string candidate = prefix + Int64ToText(n) + '\\';
        // One creation decides: a folder that exists already, made a moment
        // ago by another run or planted by another user, is taken, never
        // shared. Asking first and creating afterwards would let two runs
        // (or a run and an intruder) both believe the folder their own.
        std::string entry = DropTrailingBackslash(candidate);
        TWideText wide(entry);
        if (CreateDirectoryW(wide.Text, nullptr))
            return candidate;
        if (GetLastError() == ERROR_ALREADY_EXISTS)
            continue;
        // A file of the candidate's name only costs its number; a base where
        // nothing can be created would fail every number alike.
        if (GetFileAttributesW(wide.Text) == INVALID_FILE_ATTRIBUTES &&
            ++failures >= MaxFailuresInARow)
            break;
    }
    return std::string();
}

int64_t FreeBytesOnDrive(const std::string &path)
{
    if (path.empty())
        return 0;
    // A relative path has no drive to measure.
    std::string drive = ExtractDrive(path);
    if (drive.empty())
        return 0;
    std::string root = drive + '\\';
    DWORD sectorsPerCluster, bytesPerSector, freeClusters, totalClusters;
    if (!GetDiskFreeSpaceW(TWideText(root).Text, &sectorsPerCluster, &bytesPerSector, &freeClusters,
                           &totalClusters))
        return 0;
    // The cluster size is formed in 32 bits, as the platform reports it.
    uint32_t clusterBytes = sectorsPerCluster * bytesPerSector;
    int64_t freeBytes = static_cast<int64_t>(static_cast<uint64_t>(clusterBytes) * freeClusters);
    if (freeBytes < 0)
        return 2147483647;
    return freeBytes;
}

std::string ExtractDrive(const std::string &path)
{
    if (path.size() >= 2 && path[1] == ':')
        return path.substr(0, 2);
    if (path.size() >= 2 && path[0] == '\\' && path[1] == '\\') {
        // Up to, not including, the backslash after the share name.
        int backslashes = 0;
        size_t at = 2;
        // By characters: the trail byte of a double-byte one may be 0x5C.
        for (; at < path.size(); at = NextCharAt(path, at)) {
            if (path[at] == '\\' && ++backslashes == 2)
                break;
        }
        return path.substr(0, at);
    }
    return std::string();
}

void RemoveEmptyDestination(const TRunPlan &plan)
{
    if (plan.DestinationMadeByRun)
        RemoveDirectoryW(TWideText(plan.Destination).Text);
}
