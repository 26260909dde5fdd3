// uCleanUp: the folder walk and the removal callback of a temporary-install
// run. The walk keeps its state on the stack and in a path buffer of its
// own, the removal in the folder it keeps pending; both are reentrant.
// Everything runs on wide paths, so that no name the installer made is out
// of reach of the calls.
#include "actions/uCleanUp.h"

#include <windows.h>

#include "services/uLog.h"
#include "util/mUtils.h"

namespace {

// Room for a path of the walk: the most a wide path can be.
const size_t PathRoom = PendingFolderRoom;

bool IsLink(DWORD attributes)
{
    return (attributes & FILE_ATTRIBUTE_REPARSE_POINT) != 0;
}

// Exact and case-sensitive, as every comparison of names.
bool SameText(const wchar_t *a, const wchar_t *b)
{
    while (*a && *a == *b)
        ++a, ++b;
    return *a == *b;
}

void LogKept(const wchar_t *path)
{
    LogLine("clean-up: kept: ", path);
}

// Removes a link (junction or symbolic link) itself, never what it points
// to. It is removed only when a handle opened on the link without
// following it still reports a link: a system that follows it anyway (Wine
// does) would otherwise delete the target, so there the link stays.
bool RemoveLink(const wchar_t *path, DWORD attributes)
{
    HANDLE link = CreateFileW(path, FILE_READ_ATTRIBUTES, FILE_SHARE_READ | FILE_SHARE_WRITE | FILE_SHARE_DELETE,
                              nullptr, OPEN_EXISTING, FILE_FLAG_OPEN_REPARSE_POINT | FILE_FLAG_BACKUP_SEMANTICS,
                              nullptr);
    if (link == INVALID_HANDLE_VALUE)
        return false;
    BY_HANDLE_FILE_INFORMATION opened;
    const bool isLink = GetFileInformationByHandle(link, &opened) && IsLink(opened.dwFileAttributes);
    CloseHandle(link);
    if (!isLink)
        return false;
    if (attributes & FILE_ATTRIBUTE_DIRECTORY)
        return RemoveDirectoryW(path) != FALSE;
    return DeleteFileW(path) != FALSE;
}

// Deletes a file that is no link. A read-only one (extracted files carry
// the cabinet's attributes) is made writable first, and gets its attribute
// back when it stays all the same (held open by a process still running).
bool RemoveFile(const wchar_t *path, DWORD attributes)
{
    if (DeleteFileW(path) || GetLastError() == ERROR_FILE_NOT_FOUND)
        return true;
    if (attributes == INVALID_FILE_ATTRIBUTES || !(attributes & FILE_ATTRIBUTE_READONLY) ||
        !SetFileAttributesW(path, (attributes & ~FILE_ATTRIBUTE_READONLY) | FILE_ATTRIBUTE_NORMAL))
        return false;
    if (DeleteFileW(path))
        return true;
    SetFileAttributesW(path, attributes);
    return false;
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

// path (room for PathRoom characters) holds the folder, length characters
// and a NUL; every level appends its entries' names behind it and cuts
// them off again, so the whole walk shares one buffer.
TWalkEnd Walk(wchar_t *path, size_t length, const wchar_t *mask, bool recurse, EntryCallback callback,
              void *context)
{
    // The folder's own name: empty in folder form.
    size_t nameAt = length;
    while (nameAt > 0 && path[nameAt - 1] != L'\\' && path[nameAt - 1] != L':')
        --nameAt;
    const bool handOverFolder = SameText(mask, L"*.*") || SameText(mask, path + nameAt);
    if (length > 0 && path[length - 1] != L'\\')
        path[length++] = L'\\';
    const size_t maskLength = WideLength(mask);
    // A found name is at most MAX_PATH characters: it and a nested mask
    // must fit behind the folder.
    if (length + MAX_PATH + maskLength + 2 >= PathRoom)
        return WalkUnsearchable;
    CopyWide(path + length, mask, maskLength + 1);
    WIN32_FIND_DATAW entry;
    HANDLE search = FindFirstFileW(path, &entry);
    path[length] = L'\0';
    if (search == INVALID_HANDLE_VALUE)
        return WalkUnsearchable;
    do {
        if (SameText(entry.cFileName, L".") || SameText(entry.cFileName, L".."))
            continue;
        const size_t nameLength = WideLength(entry.cFileName);
        CopyWide(path + length, entry.cFileName, nameLength + 1);
        TWalkEnd end = WalkDone;
        if (recurse && IsEnteredFolder(entry.dwFileAttributes)) {
            path[length + nameLength] = L'\\';
            path[length + nameLength + 1] = L'\0';
            end = Walk(path, length + nameLength + 1, mask, true, callback, context);
            path[length + nameLength] = L'\0';
            // A folder that cannot be searched (too deep for the calls, no
            // right to list it) keeps what it holds; the rest goes on.
            if (end == WalkUnsearchable)
                LogLine("clean-up: folder not searched, kept: ", path);
        } else if (!callback(path, context)) {
            end = WalkStopped;
        }
        path[length] = L'\0';
        if (end == WalkStopped) {
            FindClose(search);
            return WalkStopped;
        }
    } while (FindNextFileW(search, &entry));

    TWalkEnd end = WalkDone;
    if (handOverFolder && !callback(path, context))
        end = WalkStopped;
    FindClose(search);
    return end;
}

} // namespace

bool WalkFolder(const wchar_t *folder, const wchar_t *mask, bool recurse, EntryCallback callback, void *context)
{
    const size_t length = WideLength(folder);
    if (length >= PathRoom)
        return false;
    TWideText path(PathRoom);
    CopyWide(path.Text, folder, length + 1);
    return Walk(path.Text, length, mask, recurse, callback, context) == WalkDone;
}

bool RemoveFoundEntry(const wchar_t *path, void *pendingFolder)
{
    // The walk hands a folder over while its own search on that folder is
    // still open: it goes at the next call.
    wchar_t *const PendingFolder = static_cast<wchar_t *>(pendingFolder);
    if (PendingFolder[0] && !RemoveDirectoryW(PendingFolder))
        LogKept(PendingFolder);
    PendingFolder[0] = L'\0';
    const DWORD attributes = GetFileAttributesW(path);
    if (attributes != INVALID_FILE_ATTRIBUTES && IsEnteredFolder(attributes)) {
        CopyWide(PendingFolder, path, PathRoom);
        return true;
    }
    const bool removed = attributes != INVALID_FILE_ATTRIBUTES && IsLink(attributes) ? RemoveLink(path, attributes)
                                                                                       : RemoveFile(path, attributes);
    if (!removed)
        LogKept(path);
    return true;
}

void RemoveWorkFolder(const std::string &folder)
{
    const TWideText wide(folder);
    // The walk leaves the work folder pending; it goes here.
    TWideText pending(PathRoom);
    WalkFolder(wide.Text, L"*.*", true, RemoveFoundEntry, pending.Text);
    if (!RemoveDirectoryW(wide.Text))
        LogKept(wide.Text);
}
