// uCleanUp: the folder walk and the removal callback of a temporary-install
// run. The walk keeps its state on the stack and is reentrant; the removal
// is not, because of PendingFolder.
#include "actions/uCleanUp.h"

#include <windows.h>
#include <cstring>

#include "services/uLog.h"
#include "util/mUtils.h"

namespace {

// The folder RemoveFoundEntry removes at its next call: the walk hands a
// folder over while its own search on that folder is still open.
std::string PendingFolder;

bool IsLink(DWORD attributes)
{
    return (attributes & FILE_ATTRIBUTE_REPARSE_POINT) != 0;
}

// Removes a link (junction or symbolic link) itself, never what it points
// to. It is removed only when a handle opened on the link without
// following it still reports a link: a system that follows it anyway (Wine
// does) would otherwise delete the target, so there the link stays.
void RemoveLink(const std::string &path, DWORD attributes)
{
    HANDLE link = CreateFileA(path.c_str(), FILE_READ_ATTRIBUTES,
                              FILE_SHARE_READ | FILE_SHARE_WRITE | FILE_SHARE_DELETE, nullptr,
                              OPEN_EXISTING, FILE_FLAG_OPEN_REPARSE_POINT | FILE_FLAG_BACKUP_SEMANTICS,
                              nullptr);
    if (link == INVALID_HANDLE_VALUE)
        return;
    BY_HANDLE_FILE_INFORMATION opened;
    const bool isLink = GetFileInformationByHandle(link, &opened) && IsLink(opened.dwFileAttributes);
    CloseHandle(link);
    if (!isLink)
        return;
    if (attributes & FILE_ATTRIBUTE_DIRECTORY)
        RemoveDirectoryA(path.c_str());
    else
        DeleteFileA(path.c_str());
}

} // namespace

bool IsEnteredFolder(unsigned long attributes)
{
    // A junction or symbolic link to a folder would lead the walk, and the
    // removal behind it, out of the tree it was given.
    return (attributes & FILE_ATTRIBUTE_DIRECTORY) && !IsLink(attributes);
}

namespace {

enum TWalkEnd { WalkStopped, WalkDone, WalkUnsearchable };

TWalkEnd Walk(const std::string &folder, const std::string &mask, bool recurse, EntryCallback callback)
{
    const std::string base = AddTrailingBackslash(folder);
    WIN32_FIND_DATAA entry;
    HANDLE search = FindFirstFileA((base + mask).c_str(), &entry);
    if (search == INVALID_HANDLE_VALUE)
        return WalkUnsearchable;
    do {
        std::string name = TextOfBuffer(entry.cFileName, sizeof entry.cFileName);
        // A name the ANSI code page cannot hold comes with question marks,
        // which no file name has; its short (8.3) form names the entry.
        if (name.find('?') != std::string::npos && entry.cAlternateFileName[0])
            name = TextOfBuffer(entry.cAlternateFileName, sizeof entry.cAlternateFileName);
        if (name == "." || name == "..")
            continue;
        TWalkEnd end = WalkDone;
        if (recurse && IsEnteredFolder(entry.dwFileAttributes)) {
            end = Walk(base + name + '\\', mask, true, callback);
            // A folder that cannot be searched (too deep for the calls, no
            // right to list it) keeps what it holds; the rest goes on.
            if (end == WalkUnsearchable)
                LogLine("clean-up: folder not searched, kept: ", (base + name).c_str());
        } else if (!callback(base + name)) {
            end = WalkStopped;
        }
        if (end == WalkStopped) {
            FindClose(search);
            return WalkStopped;
        }
    } while (FindNextFileA(search, &entry));

    TWalkEnd end = WalkDone;
    if ((mask == "*.*" || mask == GetNamePart(folder)) && !callback(base))
        end = WalkStopped;
    FindClose(search);
    return end;
}

} // namespace

bool WalkFolder(const std::string &folder, const std::string &mask, bool recurse,
                EntryCallback callback)
{
    return Walk(folder, mask, recurse, callback) == WalkDone;
}

bool RemoveFoundEntry(const std::string &path)
{
    if (!PendingFolder.empty() && !RemoveDirectoryA(PendingFolder.c_str()))
        LogLine("clean-up: kept: ", PendingFolder.c_str());
    const DWORD attributes = GetFileAttributesA(path.c_str());
    if (attributes != INVALID_FILE_ATTRIBUTES && IsEnteredFolder(attributes)) {
        PendingFolder = path;
        return true;
    }
    if (attributes != INVALID_FILE_ATTRIBUTES && IsLink(attributes))
        RemoveLink(path, attributes);
    else if (!DeleteFileA(path.c_str()))
        LogLine("clean-up: kept: ", path.c_str());
    PendingFolder.clear();
    return true;
}

void RemoveWorkFolder(const std::string &folder)
{
    WalkFolder(folder, "*.*", true, RemoveFoundEntry);
    RemoveDirectoryA(folder.c_str());
}
