#include <fcntl.h>
#include <windows.h>
#include <commctrl.h>
#include "cabinet/uCabHelper.h"
#include "cabinet/uCabStreams.h"
#include "format/uFileNameRule.h"
#include "services/uProgress.h"
#include "services/uLog.h"
#include "services/uReport.h"
#include "services/uRunState.h"
#include "services/uSettings.h"
#include "util/mUtils.h"

ERF FdiErf;
HFDI FdiContext = nullptr;
FDICABINETINFO CabinetInfo;
std::string NextCabinet;

namespace {

// Size of the folder buffer the library hands over with the next-cabinet
// notification (its documented contract).
const size_t NextCabinetFolderSize = 256;
// Set when the next cabinet of a set cannot be reached at all; the failed
// extraction is then reported as a missing cabinet, not as a user abort.
bool NextCabinetUnreachable = false;
// The set and index the library waits for: those of the cabinet it reads
// (the last one checked), the index one higher. Kept while the library asks
// again for the same cabinet, after it refused a file.
USHORT ExpectedSetId = 0;
USHORT ExpectedIndex = 0;
// The next cabinet a cabinet's header names, from the library's report of
// the last cabinet it opened; empty for the last cabinet of a set. The
// library asks for the next cabinet only when a file runs into it, so a
// set that breaks between two files goes on from this name.
std::string HeaderNextName;
std::string HeaderNextDisk;
// The file being written, from its creation until it is closed complete.
// A run that fails or ends while it is open removes it, so that no cut-off
// file is left looking like a finished one. A confirmed cancel ends the run
// from the dialog's thread while this one writes, so the file is handed
// over through PartialOwned: whoever takes it back from 1 to 0 closes it.
// Every path kept here has passed the length check of FdiNotify, so it is
// copied whole.
wchar_t PartialTarget[MaxPathLength + 1];
INT_PTR PartialHandle = 0;
int64_t PartialSize = 0;
volatile LONG PartialOwned = 0;
// Set when a file was closed shorter than the cabinet says it is: the
// library may close a file it could not finish and still go on.
bool FileCutOff = false;
// An existing file that the user agreed to replace is set aside under a
// name of its own until its replacement is complete, and put back when the
// run ends first, so that a failed or cancelled run never costs it. Handed
// over like the file being written, through AsideOwned.
wchar_t AsideTarget[MaxPathLength + 1];
wchar_t AsidePath[MaxPathLength + 1];
DWORD AsideAttributes = 0;
volatile LONG AsideOwned = 0;
// Names tried before the old file is given up as one that cannot be moved.
const uint32_t AsideAttempts = 100;
// Every target is named and handled in wide form, so that a name the
// cabinet gives in UTF-8 is created as it is, whatever the code page.
// The destination's wide form is taken once, in its long form where the
// run was handed its short (8.3) form.
const wchar_t *WideDestination = nullptr;
wchar_t LongDestination[1024];

const wchar_t *DestinationInWide()
{
    if (!WideDestination) {
        // Kept for the whole run. Start-up refuses a destination longer
        // than MaxPathLength, so the call never gets one it overflows on.
        WideDestination = (new TWideText(PackageSettings.Destination))->Text;
        DWORD length = GetLongPathNameW(WideDestination, LongDestination, 1024);
        if (length > 0 && length < 1024)
            WideDestination = LongDestination;
    }
    return WideDestination;
}

// Moves the existing target aside, writable, under a short name in its own
// folder: never longer than the target's name, so it fits wherever the
// target does. A name that is taken, whoever took it, is never replaced;
// the next number is tried. False when the file cannot be moved at all:
// it is then left as it was.
bool SetAside(const wchar_t *target)
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
            CopyWide(AsideTarget, target, MaxPathLength + 1);
            CopyWide(AsidePath, aside.Text, MaxPathLength + 1);
            AsideAttributes = attributes;
            InterlockedExchange(&AsideOwned, 1);
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
bool DropAside()
{
    if (InterlockedExchange(&AsideOwned, 0) == 0)
        return false;
    DeleteFileW(AsidePath);
    return true;
}

// The replacement never came: the old file returns as it was.
void PutBack()
{
    if (InterlockedExchange(&AsideOwned, 0) == 0)
        return;
    if (MoveFileExW(AsidePath, AsideTarget, MOVEFILE_REPLACE_EXISTING)) {
        SetFileAttributesW(AsideTarget, AsideAttributes);
        LogLine("old file put back: ", AsideTarget);
    } else
        LogLine("old file could not be put back, kept as: ", AsidePath, nullptr);
}

// Answers of the abort/retry/ignore loops: -1 abort (the box could not be
// shown), 1 retry, 0 ignore.
int Ask(int message, const wchar_t *subject)
{
    return AskRetry(TWideText(Message(message) + "\r", subject).Text);
}

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

// A target is created and registered for removal in one step. A run that
// ends on the dialog's thread waits for a step under way, so that a file
// created but not yet registered is never left behind, and keeps the steps
// closed: no file is created after the undo.
volatile LONG FileStepBusy = 0;

INT_PTR CreateRegistered(PFDINOTIFICATION record, const wchar_t *target)
{
    EnterSpinLock(&FileStepBusy);
    const INT_PTR handle = CreateTarget(target);
    if (handle != -1) {
        CopyWide(PartialTarget, target, MaxPathLength + 1);
        PartialHandle = handle;
        PartialSize = record->cb;
        InterlockedExchange(&PartialOwned, 1);
    }
    LeaveSpinLock(&FileStepBusy);
    return handle;
}

// Folders below the destination found to be no link in this run, each
// between two '|' (which no name holds), so that each is looked at once.
TWideText *PlainFolders = nullptr;

// True when entry ('|', a folder, '|') is among PlainFolders.
bool IsKnownPlain(const wchar_t *entry)
{
    if (!PlainFolders)
        return false;
    for (const wchar_t *at = PlainFolders->Text; *at; ++at) {
        size_t same = 0;
        while (entry[same] && at[same] == entry[same])
            ++same;
        if (!entry[same])
            return true;
    }
    return false;
}

void RememberPlain(const wchar_t *entry)
{
    const size_t known = PlainFolders ? WideLength(PlainFolders->Text) : 0;
    TWideText *grown = new TWideText(known + WideLength(entry));
    grown->Text[0] = 0;
    if (PlainFolders)
        CopyWide(grown->Text, PlainFolders->Text, known + 1);
    CopyWide(grown->Text + known, entry, WideLength(entry) + 1);
    delete PlainFolders;
    PlainFolders = grown;
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

// True when a level of target below the destination (destinationLength
// characters) is a link or other reparse point, through which the run
// would write, move or remove outside the destination. The destination
// itself is what the user chose. A level that does not exist yet is made
// by the run.
bool LeadsThroughLink(const wchar_t *target, const wchar_t *folder, size_t destinationLength)
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
        if (IsKnownPlain(level.Text))
            continue;
        level.Text[at + 1] = 0;
        const DWORD attributes = GetFileAttributesW(level.Text + 1);
        if (attributes == INVALID_FILE_ATTRIBUTES)
            return false;
        if (attributes & FILE_ATTRIBUTE_REPARSE_POINT)
            return true;
        level.Text[at + 1] = L'|';
        RememberPlain(level.Text);
    }
    return IsLinkedFile(target, folder);
}

// Why a target is never touched, as the log says it, or null. A name that
// would land outside the destination, or that the system would not take
// as a file of that name (a wildcard, a device, a level it shortens), is
// judged as decoded; a path longer than the file calls take is never cut
// to fit; a link on the way would lead outside. Each is handled as a file
// that cannot be created, before anything is created, moved or removed.
const char *Refusal(const wchar_t *target, const wchar_t *folder, size_t destinationLength, bool safe)
{
    if (!safe)
        return " (unsafe name)";
    if (WideLength(target) > MaxPathLength)
        return " (path too long)";
    if (LeadsThroughLink(target, folder, destinationLength))
        return " (a link on the way)";
    return nullptr;
}

INT_PTR CopyFile(PFDINOTIFICATION record, const wchar_t *target, size_t destinationLength, bool safe)
{
    INT_PTR r = 1;
    int a = -1;
    TWideText folderPart(WideLength(target) + 2);
    const wchar_t *folder = folderPart.Text;
    GetFolderPart(target, folderPart.Text);

    const char *refusal;
    do {
        a = -1;
        refusal = Refusal(target, folder, destinationLength, safe);
        if (refusal)
            a = Ask(MsgCannotCreateFile, target);
    } while (refusal && a == 1);
    if (refusal) {
        LogLine(a == -1 ? "file failed: " : "file skipped after Ignore: ", target, refusal);
        if (a == -1)
            return -1;
        ++FilesDone;
        ShowProgress(target, FilesDone);
        return 0;
    }

    do {
        a = -1;
        CreateFolderTree(folder);
        if (!IsFolderPresent(folder))
            a = Ask(MsgCannotCreateFolder, folder);
    } while (!IsFolderPresent(folder) && a == 1);
    if (!IsFolderPresent(folder))
        r = a == 0 ? 0 : -1;

    // Most targets are new, so the create is tried first: asking whether a
    // missing name exists costs a scan of the whole folder where names are
    // matched without regard to case (Wine), as much again as the create.
    // A create that fails has changed nothing, and the steps below then
    // run exactly as they would have.
    bool created = false;
    if (r == 1) {
        const INT_PTR handle = CreateRegistered(record, target);
        if (handle != -1) {
            r = handle;
            created = true;
        }
    }

    if (!created && r == 1 && IsFilePresent(target)) {
        if (!DecideOverwrite(target)) {
            r = 0;
        } else {
            // The old file is only ever moved aside, never deleted, until
            // its replacement is complete.
            bool moved;
            do {
                a = -1;
                moved = SetAside(target);
                if (!moved)
                    a = Ask(MsgCannotOverwrite, target);
            } while (!moved && a == 1);
            if (!moved)
                r = a == 0 ? 0 : -1;
        }
    }

    if (!created && r == 1) {
        do {
            a = -1;
            r = CreateRegistered(record, target);
            if (r == -1)
                a = Ask(MsgCannotCreateFile, target);
        } while (r == -1 && a == 1);
    }
    if (a == 0)
        r = 0;
    if (r == 0 || r == -1)
        PutBack();
    // A file kept by choice has its line from the question already; the
    // old file put back has one of its own.
    if (a == 0)
        LogFileLine("file skipped after Ignore: ", target, record->cb);
    if (r == 0)
        ++FilesDone;
    if (r == -1)
        LogFileLine("file failed: ", target, record->cb);
    if (r != -1)
        ShowProgress(target, FilesDone);
    return r;
}

INT_PTR CloseFile(PFDINOTIFICATION record, const wchar_t *target)
{
    // Gone already when the run is ending on the dialog's thread.
    if (InterlockedExchange(&PartialOwned, 0) == 0)
        return FALSE;
    // A file whose writing fell short, or that holds fewer bytes than the
    // cabinet gives, is not finished: it is removed, and the extraction
    // fails.
    LARGE_INTEGER size;
    if (StreamWriteFailed || !GetFileSizeEx(reinterpret_cast<HANDLE>(record->hf), &size) ||
        size.QuadPart != PartialSize) {
        CloseHandle(reinterpret_cast<HANDLE>(record->hf));
        DeleteFileW(target);
        PutBack();
        FileCutOff = true;
        LogFileLine("file failed (cut off, removed): ", target, PartialSize);
        return FALSE;
    }
    FILETIME utc;
    if (DosDateTimeToFileTime(record->date, record->time, &utc))
        SetFileTime(reinterpret_cast<HANDLE>(record->hf), nullptr, nullptr, &utc);
    CloseHandle(reinterpret_cast<HANDLE>(record->hf));
    const bool replaced = DropAside();
    SetFileAttributesW(target, FileAttributesFromCabinet(record->attribs));
    LogFileLine(replaced ? "existing file replaced: " : "file written: ", target, PartialSize);
    ++FilesDone;
    ShowProgress(target, FilesDone);
    return 1;
}

INT_PTR ContinueSet(PFDINOTIFICATION record)
{
    // The folder must fit the library's buffer with its NUL; a longer one
    // is never copied, and the set ends as a cabinet that cannot be found.
    if (ExeFolder.size() + 1 > NextCabinetFolderSize) {
        NextCabinetUnreachable = true;
        return -1;
    }
    // The library opens the name as the cabinet gives it, below the folder
    // handed back: a folder, drive or ".." part would lead it out of the
    // package's folder. Such a name is a cabinet that cannot be found.
    if (!IsSafeNextCabinetName(record->psz1)) {
        NextCabinetUnreachable = true;
        return -1;
    }
    // A notification with an error code is the library asking again after
    // it refused the file it was given.
    const bool rejected = record->fdie != FDIERROR_NONE;
    if (!rejected) {
        ExpectedSetId = CabinetInfo.setID;
        ExpectedIndex = static_cast<USHORT>(CabinetInfo.iCabinet + 1);
    }
    const std::string folder = LocateNextCabinet(record->psz1, record->psz2, rejected);
    if (folder.size() + 1 > NextCabinetFolderSize) {
        NextCabinetUnreachable = true;
        return -1;
    }
    CopyCString(record->psz3, folder.c_str());
    return 0;
}

bool CopyOne(HFDI context, const std::string &path)
{
    std::string name = GetNamePart(path);
    std::string folder = GetFolderPart(path);
    HeaderNextName.clear();
    HeaderNextDisk.clear();
    ClearErf(FdiErf);
    bool ok = pFDICopy(context, &name[0], &folder[0], 0, FdiNotify, nullptr, nullptr) != FALSE;
    // A refused write is the target's failure, whatever the library makes
    // of it. A file cut off at its close is one too when the library saw
    // nothing wrong; otherwise the library's reason (damaged data, say)
    // is the one that tells the user why.
    if (StreamWriteFailed || (ok && FileCutOff)) {
        ok = false;
        FdiErf.erfOper = FDIERROR_TARGET_FILE;
    }
    if (!ok)
        RemovePartialFile();
    if (!ok && NextCabinetUnreachable)
        FdiErf.erfOper = FDIERROR_CABINET_NOT_FOUND;
    return ok;
}

// After a cabinet whose last file ends at its end: finds the next cabinet
// its header names, with the same checks as when a file runs into it.
bool ContinueAfterWholeFiles()
{
    if (!IsSafeNextCabinetName(HeaderNextName)) {
        FdiErf.erfOper = FDIERROR_CABINET_NOT_FOUND;
        return false;
    }
    ExpectedSetId = CabinetInfo.setID;
    ExpectedIndex = static_cast<USHORT>(CabinetInfo.iCabinet + 1);
    LocateNextCabinet(HeaderNextName, HeaderNextDisk, false);
    return true;
}

bool CopyAndFollow(HFDI context, const std::string &path)
{
    bool ok = CopyOne(context, path);
    if (ok && NextCabinet.empty() && !HeaderNextName.empty())
        ok = ContinueAfterWholeFiles();
    return ok;
}

// The end of the run: waits for a file step under way and never lets
// another begin.
void EndFileSteps()
{
    EnterSpinLock(&FileStepBusy);
    RemovePartialFile();
}

} // namespace

void RemovePartialFile()
{
    if (InterlockedExchange(&PartialOwned, 0) != 0) {
        // The library may have closed it on its way out of a failed copy.
        DWORD flags;
        if (GetHandleInformation(reinterpret_cast<HANDLE>(PartialHandle), &flags))
            CloseHandle(reinterpret_cast<HANDLE>(PartialHandle));
        // A write still under way on the extracting thread keeps the file
        // busy for a moment.
        for (int tries = 0;
             !DeleteFileW(PartialTarget) && GetLastError() == ERROR_SHARING_VIOLATION && tries < 50; ++tries)
            Sleep(10);
    }
    PutBack();
}

std::string LocateNextCabinet(const std::string &nextName, const std::string &diskName, bool rejected)
{
    // Continuation cabinets are only ever looked for beside the package:
    // a folder or drive part in the name the cabinet gives is dropped, so
    // that a crafted cabinet cannot lead the extraction anywhere else.
    const std::string cabinetName = nextName.substr(FindLastSeparator(nextName, "\\/:") + 1);
    const std::string folder = AddTrailingBackslash(GetFolderPart(OwnFilePath()));
    const std::string path = folder + cabinetName;
    // Every round either takes the file or asks the user: the run cannot
    // go round without an answer in between.
    bool askFirst = rejected;
    for (;;) {
        const bool present = IsFilePresent(path);
        if (present && !askFirst) {
            FDICABINETINFO candidate;
            if (!CheckCabinet(FdiContext, path, candidate)) {
                ReportError(PackageSettings.DamagedMessage, true);
                EndRun(ExitError);
            }
            // A cabinet of another set, or out of order, would be refused
            // by the library, which then asks for the same file again.
            if (candidate.setID == ExpectedSetId && candidate.iCabinet == ExpectedIndex) {
                CabinetInfo = candidate;
                break;
            }
        }
        askFirst = false;
        PromptNextCabinet(cabinetName, diskName, present);
    }
    NextCabinet = path;
    return folder;
}

DWORD FileAttributesFromCabinet(USHORT attribs)
{
    const DWORD kept = attribs & (FILE_ATTRIBUTE_READONLY | FILE_ATTRIBUTE_HIDDEN | FILE_ATTRIBUTE_SYSTEM |
                                  FILE_ATTRIBUTE_ARCHIVE);
    return kept ? kept : FILE_ATTRIBUTE_NORMAL;
}

void ClearErf(ERF &record)
{
    record.erfOper = 0;
    record.erfType = 0;
    record.fError = FALSE;
}

HFDI CreateFdiContext()
{
    PrepareStreams();
    ClearErf(FdiErf);
    return pFDICreate(StreamAlloc, StreamFree, StreamOpen, StreamRead, StreamWrite, StreamClose, StreamSeek,
                      cpuUNKNOWN, &FdiErf);
}

bool CheckCabinet(HFDI context, const std::string &path, FDICABINETINFO &info)
{
    // Nothing is a cabinet before the library is bound.
    if (!context || !pFDIIsCabinet)
        return false;
    const INT_PTR handle = StreamOpen(const_cast<char *>(path.c_str()), 0, 0);
    ClearErf(FdiErf);
    const bool ok = handle != -1 && pFDIIsCabinet(context, handle, &info) != FALSE;
    if (handle != -1)
        StreamClose(handle);
    return ok;
}

bool CopyCabinets(HFDI context)
{
    AtEndOfRun(EndFileSteps);
    bool ok = CopyAndFollow(context, EmbeddedCabinetName);
    // A failed cabinet ends the run: a later one that succeeds must not
    // turn it into success.
    while (ok && !NextCabinet.empty()) {
        if (!CheckCabinet(FdiContext, NextCabinet, CabinetInfo)) {
            ReportError(PackageSettings.DamagedMessage, true);
            EndRun(ExitError);
        }
        SendToProgress(101, PBM_SETRANGE, 0, MAKELPARAM(0, CabinetInfo.cFiles));
        FilesDone = 0;
        const std::string path = NextCabinet;
        NextCabinet.clear();
        LogLine("continuation cabinet: ", path.c_str());
        ok = CopyAndFollow(context, path);
    }
    return ok;
}

std::string FdiErrorText(const ERF &errorRecord)
{
    const uint32_t code = static_cast<uint32_t>(errorRecord.erfOper);
    if (code <= FDIERROR_USER_ABORT)
        return Message(MsgFdiErrorFirst + static_cast<int>(code));
    return Message(MsgUnknownError);
}

void DestroyFdiContext(HFDI context)
{
    ClearErf(FdiErf);
    pFDIDestroy(context);
}

bool DecodeCabinetName(const char *name, USHORT attribs, wchar_t *wide)
{
    const int room = static_cast<int>(strlen(name)) + 1;
    if ((attribs & CabNameIsUtf8) && MultiByteToWideChar(CP_UTF8, MB_ERR_INVALID_CHARS, name, -1, wide, room) > 0)
        return true;
    // A flagged name that is not UTF-8 is shown as the bytes read in the
    // ANSI code page, and never created.
    if (MultiByteToWideChar(CP_ACP, 0, name, -1, wide, room) <= 0)
        wide[0] = L'\0';
    return !(attribs & CabNameIsUtf8);
}

bool DecodeCabinetName(const char *name, USHORT attribs, std::wstring &wide)
{
    TWideText decoded(strlen(name));
    const bool decodedWell = DecodeCabinetName(name, attribs, decoded.Text);
    wide = decoded.Text;
    return decodedWell;
}

FNFDINOTIFY(FdiNotify)
{
    if (fdint == fdintCABINET_INFO) {
        HeaderNextName = pfdin->psz1 ? pfdin->psz1 : "";
        HeaderNextDisk = pfdin->psz2 ? pfdin->psz2 : "";
        return 0;
    }
    if (fdint != fdintCOPY_FILE && fdint != fdintCLOSE_FILE_INFO)
        return fdint == fdintNEXT_CABINET ? ContinueSet(pfdin) : 0;
    // A name never grows when it is made wide.
    const char *name = pfdin->psz1 ? pfdin->psz1 : "";
    const wchar_t *destination = DestinationInWide();
    const size_t destinationLength = WideLength(destination);
    TWideText target(destinationLength + strlen(name));
    CopyWide(target.Text, destination, destinationLength + 1);
    const bool decoded = DecodeCabinetName(name, pfdin->attribs, target.Text + destinationLength);
    // Writers that store "/" between levels mean the folders it names,
    // which are made only for "\".
    for (wchar_t *c = target.Text + destinationLength; *c; ++c)
        if (*c == L'/')
            *c = L'\\';
    if (fdint == fdintCOPY_FILE)
        return CopyFile(pfdin, target.Text, destinationLength,
                        decoded && IsSafeCabinetName(NameCheckForm(target.Text + destinationLength)));
    return CloseFile(pfdin, target.Text);
}
