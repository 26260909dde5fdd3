// uTargetFiles: the files the extraction writes. An existing file the
// user agreed to replace is set aside and put back if its replacement
// never comes; a target is created and registered as the file in hand in
// one step; no level below the destination may be a link. Every target is
// named and handled in wide form, so that a name the cabinet gives in
// UTF-8 is created as it is, whatever the code page.
#include <windows.h>
#include "cabinet/uTargetFiles.h"
#include "cabinet/uCabNames.h"
#include "services/uLog.h"
#include "util/mUtils.h"

namespace {

// Names tried before the old file is given up as one that cannot be moved.
const uint32_t AsideAttempts = 100;

// Created as the extraction's stream callback creates: a new file, read
// and write, not shared.
INT_PTR CreateTarget(const wchar_t *target)
{
    // Filled field by field: an initialiser list would be stored as
    // initialised data, a file section of its own for twelve bytes.
    SECURITY_ATTRIBUTES security;
    security.nLength = sizeof security;
    security.lpSecurityDescriptor = nullptr;
    security.bInheritHandle = TRUE;
    return reinterpret_cast<INT_PTR>(CreateFileW(target, GENERIC_READ | GENERIC_WRITE, 0, &security,
                                                 CREATE_NEW, FILE_ATTRIBUTE_NORMAL, nullptr));
}

// True when entry ('|', a folder, '|') is among the run's PlainFolders.
bool IsKnownPlain(const TExtraction &run, const wchar_t *entry)
{
    if (!run.PlainFolders)
        return false;
    for (const wchar_t *at = run.PlainFolders->Text; *at; ++at) {
        size_t same = 0;
        while (entry[same] && at[same] == entry[same])
            ++same;
        if (!entry[same])
            return true;
    }
    return false;
}

void RememberPlain(TExtraction &run, const wchar_t *entry)
{
    const size_t known = run.PlainFolders ? WideLength(run.PlainFolders->Text) : 0;
    TWideText *grown = new TWideText(known + WideLength(entry));
    grown->Text[0] = 0;
    if (run.PlainFolders)
        CopyWide(grown->Text, run.PlainFolders->Text, known + 1);
    CopyWide(grown->Text + known, entry, WideLength(entry) + 1);
    delete run.PlainFolders;
    run.PlainFolders = grown;
}

typedef DWORD(WINAPI *TFinalPathQuery)(HANDLE, LPWSTR, DWORD, DWORD);

// Where the system takes an open of path to, in resolved (room characters
// with the NUL); false when it cannot tell (systems before Vista, which
// know no links to files, or a path too deep for the room).
bool ResolvedPath(const wchar_t *path, wchar_t *resolved, DWORD room)
{
    const TFinalPathQuery query = reinterpret_cast<TFinalPathQuery>(
        GetProcAddress(GetModuleHandleA("kernel32.dll"), "GetFinalPathNameByHandleW"));
    if (!query)
        return false;
    HANDLE handle = CreateFileW(path, 0, FILE_SHARE_READ | FILE_SHARE_WRITE | FILE_SHARE_DELETE, nullptr,
                                OPEN_EXISTING, FILE_FLAG_BACKUP_SEMANTICS, nullptr);
    if (handle == INVALID_HANDLE_VALUE)
        return false;
    const DWORD length = query(handle, resolved, room, 0);
    CloseHandle(handle);
    return length > 0 && length < room;
}

// True when the existing file at target is a link or other reparse point.
// Wine follows a host's link to a file without showing it as one; the file
// it opens then lies elsewhere than target's folder and name say.
bool IsLinkedFile(const wchar_t *target, const wchar_t *folder)
{
    const DWORD attributes = GetFileAttributesW(target);
    if (attributes == INVALID_FILE_ATTRIBUTES)
        return false;
    if (attributes & FILE_ATTRIBUTE_REPARSE_POINT)
        return true;
    const DWORD room = 32768;
    TWideText file(room), place(room + WideLength(target));
    if (!ResolvedPath(target, file.Text, room) || !ResolvedPath(folder, place.Text, room))
        return false;
    const size_t placeLength = WideLength(place.Text);
    if (placeLength > 0 && place.Text[placeLength - 1] != L'\\')
        place.Text[placeLength] = L'\\', place.Text[placeLength + 1] = 0;
    CopyWide(place.Text + WideLength(place.Text), target + WideLength(folder), room);
    return lstrcmpiW(file.Text, place.Text) != 0;
}

} // namespace

// The destination's wide form is taken once, in its long form where the
// run was handed its short (8.3) form.
const wchar_t *DestinationInWide(TExtraction &run)
{
    if (!run.WideDestination) {
        // Kept for the whole run. Start-up refuses a destination longer
        // than MaxPathLength, so the call never gets one it overflows on.
        run.WideDestination = (new TWideText(run.Plan->Destination))->Text;
        DWORD length = GetLongPathNameW(run.WideDestination, run.LongDestination, 1024);
        if (length > 0 && length < 1024)
            run.WideDestination = run.LongDestination;
    }
    return run.WideDestination;
}

// Moves the existing target aside, writable, under a short name in its own
// folder: never longer than the target's name, so it fits wherever the
// target does. A name that is taken, whoever took it, is never replaced;
// the next number is tried. False when the file cannot be moved at all:
// it is then left as it was.
bool SetAside(TExtraction &run, const wchar_t *target)
{
    // A cabinet name may separate its levels with a slash as well.
    const size_t length = WideLength(target);
    size_t folderLength = length;
    while (folderLength > 0 && target[folderLength - 1] != L'\\' && target[folderLength - 1] != L'/')
        --folderLength;
    TWideText aside(length);
    CopyWide(aside.Text, target, folderLength + 1);
    const DWORD attributes = GetFileAttributesW(target);
    SetFileAttributesW(target, FILE_ATTRIBUTE_NORMAL);
    // Two runs in one folder start from different numbers.
    const uint32_t first = GetTickCount() ^ (GetCurrentProcessId() << 12);
    for (uint32_t attempt = 0; attempt < AsideAttempts; ++attempt) {
        // The name is ASCII, so each of its bytes is one wide character.
        const std::string name = SetAsideName(first + attempt, length - folderLength);
        for (size_t i = 0; i <= name.size(); ++i)
            aside.Text[folderLength + i] = static_cast<unsigned char>(name.c_str()[i]);
        if (MoveFileW(target, aside.Text)) {
            CopyWide(run.AsideTarget, target, MaxPathLength + 1);
            CopyWide(run.AsidePath, aside.Text, MaxPathLength + 1);
            run.AsideAttributes = attributes;
            InterlockedExchange(&run.AsideOwned, 1);
            return true;
        }
        const DWORD error = GetLastError();
        if (error != ERROR_ALREADY_EXISTS && error != ERROR_FILE_EXISTS)
            break;
    }
    if (attributes != INVALID_FILE_ATTRIBUTES)
        SetFileAttributesW(target, attributes);
    return false;
}

// The replacement is complete: the old file goes. True when there was
// one, so that the log says the file was replaced.
bool DropAside(TExtraction &run)
{
    if (InterlockedExchange(&run.AsideOwned, 0) == 0)
        return false;
    DeleteFileW(run.AsidePath);
    return true;
}

// The replacement never came: the old file returns as it was.
void PutBack(TExtraction &run)
{
    if (InterlockedExchange(&run.AsideOwned, 0) == 0)
        return;
    if (MoveFileExW(run.AsidePath, run.AsideTarget, MOVEFILE_REPLACE_EXISTING)) {
        SetFileAttributesW(run.AsideTarget, run.AsideAttributes);
        LogLine("old file put back: ", run.AsideTarget);
    } else
        LogLine("old file could not be put back, kept as: ", run.AsidePath, nullptr);
}

// A target is created and registered for removal in one step. A run that
// ends on the dialog's thread waits for a step under way (run.FileStepBusy), so
// that a file created but not yet registered is never left behind, and
// keeps the steps closed: no file is created after the undo.
INT_PTR CreateRegistered(TExtraction &run, PFDINOTIFICATION record, const wchar_t *target)
{
    EnterSpinLock(&run.FileStepBusy);
    const INT_PTR handle = CreateTarget(target);
    if (handle != -1) {
        CopyWide(run.PartialTarget, target, MaxPathLength + 1);
        run.PartialHandle = handle;
        run.PartialSize = record->cb;
        InterlockedExchange(&run.PartialOwned, 1);
    }
    LeaveSpinLock(&run.FileStepBusy);
    return handle;
}

// True when a level of target below the destination (destinationLength
// characters) is a link or other reparse point, through which the run
// would write, move or remove outside the destination. The destination
// itself is what the user chose. A level that does not exist yet is made
// by the run.
bool LeadsThroughLink(TExtraction &run, const wchar_t *target, const wchar_t *folder, size_t destinationLength)
{
    const size_t folderLength = WideLength(folder);
    TWideText level(folderLength + 2);
    level.Text[0] = L'|';
    for (size_t at = destinationLength; at < folderLength; ++at) {
        if (folder[at] != L'\\')
            continue;
        CopyWide(level.Text + 1, folder, at + 1);
        level.Text[at + 1] = L'|';
        level.Text[at + 2] = 0;
        if (IsKnownPlain(run, level.Text))
            continue;
        level.Text[at + 1] = 0;
        const DWORD attributes = GetFileAttributesW(level.Text + 1);
        if (attributes == INVALID_FILE_ATTRIBUTES)
            return false;
        if (attributes & FILE_ATTRIBUTE_REPARSE_POINT)
            return true;
        level.Text[at + 1] = L'|';
        RememberPlain(run, level.Text);
    }
    return IsLinkedFile(target, folder);
}

void RemovePartialFile(TExtraction &run)
{
    if (InterlockedExchange(&run.PartialOwned, 0) != 0) {
        // The library may have closed it on its way out of a failed copy.
        DWORD flags;
        if (GetHandleInformation(reinterpret_cast<HANDLE>(run.PartialHandle), &flags))
            CloseHandle(reinterpret_cast<HANDLE>(run.PartialHandle));
        // A write still under way on the extracting thread keeps the file
        // busy for a moment.
        for (int tries = 0;
             !DeleteFileW(run.PartialTarget) && GetLastError() == ERROR_SHARING_VIOLATION && tries < 50; ++tries)
            Sleep(10);
    }
    PutBack(run);
}

