#include <fcntl.h>
#include <windows.h>
#include "cabinet/uCabHelper.h"
#include "cabinet/uCabStreams.h"
#include "cabinet/uTargetFiles.h"
#include "format/uFileNameRule.h"
#include "services/uLog.h"
#include "services/uReport.h"
#include "services/uRunState.h"
#include "services/uSettings.h"
#include "services/uUserInterface.h"
#include "util/mUtils.h"

namespace {

// Size of the folder buffer the library hands over with the next-cabinet
// notification (its documented contract).
const size_t NextCabinetFolderSize = 256;
// Answers of the abort/retry/ignore loops: -1 abort (the box could not be
// shown), 1 retry, 0 ignore.
int Ask(const TExtraction &run, int message, const wchar_t *subject)
{
    return AskRetry(*run.Plan, TWideText(Message(*run.Plan, message) + "\r", subject).Text);
}

// Why a target is never touched, as the log says it, or null. A name that
// would land outside the destination, or that the system would not take
// as a file of that name (a wildcard, a device, a level it shortens), is
// judged as decoded; a path longer than the file calls take is never cut
// to fit; a link on the way would lead outside. Each is handled as a file
// that cannot be created, before anything is created, moved or removed.
const char *Refusal(TExtraction &run, const wchar_t *target, const wchar_t *folder, size_t destinationLength,
                    bool safe)
{
    if (!safe)
        return " (unsafe name)";
    if (WideLength(target) > MaxPathLength)
        return " (path too long)";
    if (LeadsThroughLink(run, target, folder, destinationLength))
        return " (a link on the way)";
    return nullptr;
}

// The library's question of a file to copy: the handle of its target, 0
// to skip it, -1 to end the extraction.
INT_PTR OpenTarget(PFDINOTIFICATION record, const wchar_t *target, size_t destinationLength, bool safe)
{
    TExtraction &run = *static_cast<TExtraction *>(record->pv);
    INT_PTR r = 1;
    int a = -1;
    TWideText folderPart(WideLength(target) + 2);
    const wchar_t *folder = folderPart.Text;
    GetFolderPart(target, folderPart.Text);

    const char *refusal;
    do {
        a = -1;
        refusal = Refusal(run, target, folder, destinationLength, safe);
        if (refusal)
            a = Ask(run, MsgCannotCreateFile, target);
    } while (refusal && a == 1);
    if (refusal) {
        LogLine(a == -1 ? "file failed: " : "file skipped after Ignore: ", target, refusal);
        if (a == -1)
            return -1;
        ++run.FilesDone;
        ShowProgress(*run.Plan, target, run.FilesDone);
        return 0;
    }

    do {
        a = -1;
        CreateFolderTree(folder);
        if (!IsFolderPresent(folder))
            a = Ask(run, MsgCannotCreateFolder, folder);
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
        const INT_PTR handle = CreateRegistered(run, record, target);
        if (handle != -1) {
            r = handle;
            created = true;
        }
    }

    if (!created && r == 1 && IsFilePresent(target)) {
        if (!DecideOverwrite(*run.Plan, target, run.OverwriteMode)) {
            r = 0;
        } else {
            // The old file is only ever moved aside, never deleted, until
            // its replacement is complete.
            bool moved;
            do {
                a = -1;
                moved = SetAside(run, target);
                if (!moved)
                    a = Ask(run, MsgCannotOverwrite, target);
            } while (!moved && a == 1);
            if (!moved)
                r = a == 0 ? 0 : -1;
        }
    }

    if (!created && r == 1) {
        do {
            a = -1;
            r = CreateRegistered(run, record, target);
            if (r == -1)
                a = Ask(run, MsgCannotCreateFile, target);
        } while (r == -1 && a == 1);
    }
    if (a == 0)
        r = 0;
    if (r == 0 || r == -1)
        PutBack(run);
    // A file kept by choice has its line from the question already; the
    // old file put back has one of its own.
    if (a == 0)
        LogFileLine("file skipped after Ignore: ", target, record->cb);
    if (r == 0)
        ++run.FilesDone;
    if (r == -1)
        LogFileLine("file failed: ", target, record->cb);
    if (r != -1)
        ShowProgress(*run.Plan, target, run.FilesDone);
    return r;
}

INT_PTR CloseFile(PFDINOTIFICATION record, const wchar_t *target)
{
    TExtraction &run = *static_cast<TExtraction *>(record->pv);
    // Gone already when the run is ending on the dialog's thread.
    if (InterlockedExchange(&run.PartialOwned, 0) == 0)
        return FALSE;
    // A file whose writing fell short, or that holds fewer bytes than the
    // cabinet gives, is not finished: it is removed, and the extraction
    // fails.
    LARGE_INTEGER size;
    if (StreamWriteFailed || !GetFileSizeEx(reinterpret_cast<HANDLE>(record->hf), &size) ||
        size.QuadPart != run.PartialSize) {
        CloseHandle(reinterpret_cast<HANDLE>(record->hf));
        DeleteFileW(target);
        PutBack(run);
        run.FileCutOff = true;
        LogFileLine("file failed (cut off, removed): ", target, run.PartialSize);
        return FALSE;
    }
    FILETIME utc;
    if (DosDateTimeToFileTime(record->date, record->time, &utc))
        SetFileTime(reinterpret_cast<HANDLE>(record->hf), nullptr, nullptr, &utc);
    CloseHandle(reinterpret_cast<HANDLE>(record->hf));
    const bool replaced = DropAside(run);
    SetFileAttributesW(target, FileAttributesFromCabinet(record->attribs));
    LogFileLine(replaced ? "existing file replaced: " : "file written: ", target, run.PartialSize);
    ++run.FilesDone;
    ShowProgress(*run.Plan, target, run.FilesDone);
    return 1;
}

INT_PTR ContinueSet(PFDINOTIFICATION record)
{
    TExtraction &run = *static_cast<TExtraction *>(record->pv);
    // The folder must fit the library's buffer with its NUL; a longer one
    // is never copied, and the set ends as a cabinet that cannot be found.
    if (run.Plan->Folders.Exe.size() + 1 > NextCabinetFolderSize) {
        run.NextCabinetUnreachable = true;
        return -1;
    }
    // The library opens the name as the cabinet gives it, below the folder
    // handed back: a folder, drive or ".." part would lead it out of the
    // package's folder. Such a name is a cabinet that cannot be found.
    if (!IsSafeNextCabinetName(record->psz1)) {
        run.NextCabinetUnreachable = true;
        return -1;
    }
    // A notification with an error code is the library asking again after
    // it refused the file it was given.
    const bool rejected = record->fdie != FDIERROR_NONE;
    if (!rejected) {
        run.ExpectedSetId = run.Cabinet.setID;
        run.ExpectedIndex = static_cast<USHORT>(run.Cabinet.iCabinet + 1);
    }
    const std::string &folder = LocateNextCabinet(run, record->psz1, record->psz2, rejected);
    CopyCString(record->psz3, folder.c_str());
    return 0;
}

bool CopyOne(TExtraction &run, const std::string &path)
{
    std::string name = GetNamePart(path);
    std::string folder = GetFolderPart(path);
    run.HeaderNextName.clear();
    run.HeaderNextDisk.clear();
    ClearErf(run.Erf);
    bool ok = pFDICopy(run.Context, &name[0], &folder[0], 0, FdiNotify, nullptr, &run) != FALSE;
    // A refused write is the target's failure, whatever the library makes
    // of it. A file cut off at its close is one too when the library saw
    // nothing wrong; otherwise the library's reason (damaged data, say)
    // is the one that tells the user why.
    if (StreamWriteFailed || (ok && run.FileCutOff)) {
        ok = false;
        run.Erf.erfOper = FDIERROR_TARGET_FILE;
    }
    if (!ok)
        RemovePartialFile(run);
    if (!ok && run.NextCabinetUnreachable)
        run.Erf.erfOper = FDIERROR_CABINET_NOT_FOUND;
    return ok;
}

// After a cabinet whose last file ends at its end: finds the next cabinet
// its header names, with the same checks as when a file runs into it.
bool ContinueAfterWholeFiles(TExtraction &run)
{
    if (!IsSafeNextCabinetName(run.HeaderNextName)) {
        run.Erf.erfOper = FDIERROR_CABINET_NOT_FOUND;
        return false;
    }
    run.ExpectedSetId = run.Cabinet.setID;
    run.ExpectedIndex = static_cast<USHORT>(run.Cabinet.iCabinet + 1);
    LocateNextCabinet(run, run.HeaderNextName, run.HeaderNextDisk, false);
    return true;
}

bool CopyAndFollow(TExtraction &run, const std::string &path)
{
    bool ok = CopyOne(run, path);
    if (ok && run.NextCabinet.empty() && !run.HeaderNextName.empty())
        ok = ContinueAfterWholeFiles(run);
    return ok;
}

// The end of the run: waits for a file step under way and never lets
// another begin.
void EndFileSteps(void *extraction)
{
    TExtraction &run = *static_cast<TExtraction *>(extraction);
    EnterSpinLock(&run.FileStepBusy);
    RemovePartialFile(run);
}

} // namespace

const std::string &LocateNextCabinet(TExtraction &run, const std::string &nextName, const std::string &diskName,
                                     bool rejected)
{
    // Continuation cabinets are only ever looked for beside the package:
    // a folder or drive part in the name the cabinet gives is dropped, so
    // that a crafted cabinet cannot lead the extraction anywhere else.
    const std::string cabinetName = nextName.substr(FindLastSeparator(nextName, "\\/:") + 1);
    const std::string &folder = run.Plan->Folders.Exe;
    const std::string path = folder + cabinetName;
    // Every round either takes the file or asks the user: the run cannot
    // go round without an answer in between.
    bool askFirst = rejected;
    for (;;) {
        const bool present = IsFilePresent(path);
        if (present && !askFirst) {
            FDICABINETINFO candidate;
            if (!CheckCabinet(run, path, candidate)) {
                FailRun(*run.Plan, run.Plan->Package->DamagedMessage, ExitError);
            }
            // A cabinet of another set, or out of order, would be refused
            // by the library, which then asks for the same file again.
            if (candidate.setID == run.ExpectedSetId && candidate.iCabinet == run.ExpectedIndex) {
                run.Cabinet = candidate;
                break;
            }
        }
        askFirst = false;
        PromptNextCabinet(*run.Plan, cabinetName, diskName, present);
    }
    run.NextCabinet = path;
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

bool CreateFdiContext(TExtraction &run)
{
    ClearErf(run.Erf);
    run.Context = pFDICreate(StreamAlloc, StreamFree, StreamOpen, StreamRead, StreamWrite, StreamClose, StreamSeek,
                             cpuUNKNOWN, &run.Erf);
    return run.Context != nullptr;
}

bool CheckCabinet(TExtraction &run, const std::string &path, FDICABINETINFO &info)
{
    // Nothing is a cabinet before the library is bound.
    if (!run.Context || !pFDIIsCabinet)
        return false;
    const INT_PTR handle = StreamOpen(const_cast<char *>(path.c_str()), 0, 0);
    ClearErf(run.Erf);
    const bool ok = handle != -1 && pFDIIsCabinet(run.Context, handle, &info) != FALSE;
    if (handle != -1)
        StreamClose(handle);
    return ok;
}

bool CopyCabinets(TExtraction &run)
{
    AtEndOfRun(*run.Plan, EndFileSteps, &run);
    bool ok = CopyAndFollow(run, EmbeddedCabinetName);
    // A failed cabinet ends the run: a later one that succeeds must not
    // turn it into success.
    while (ok && !run.NextCabinet.empty()) {
        if (!CheckCabinet(run, run.NextCabinet, run.Cabinet)) {
            FailRun(*run.Plan, run.Plan->Package->DamagedMessage, ExitError);
        }
        run.Plan->User.SetProgressBar(run.Cabinet.cFiles, true);
        run.FilesDone = 0;
        const std::string path = run.NextCabinet;
        run.NextCabinet.clear();
        LogLine("continuation cabinet: ", path.c_str());
        ok = CopyAndFollow(run, path);
    }
    return ok;
}

std::string FdiErrorText(const TRunPlan &plan, const ERF &errorRecord)
{
    const uint32_t code = static_cast<uint32_t>(errorRecord.erfOper);
    if (code <= FDIERROR_USER_ABORT)
        return Message(plan, MsgFdiErrorFirst + static_cast<int>(code));
    return Message(plan, MsgUnknownError);
}

void DestroyFdiContext(TExtraction &run)
{
    ClearErf(run.Erf);
    pFDIDestroy(run.Context);
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
    TExtraction &run = *static_cast<TExtraction *>(pfdin->pv);
    if (fdint == fdintCABINET_INFO) {
        run.HeaderNextName = pfdin->psz1 ? pfdin->psz1 : "";
        run.HeaderNextDisk = pfdin->psz2 ? pfdin->psz2 : "";
        return 0;
    }
    if (fdint != fdintCOPY_FILE && fdint != fdintCLOSE_FILE_INFO)
        return fdint == fdintNEXT_CABINET ? ContinueSet(pfdin) : 0;
    // A name never grows when it is made wide.
    const char *name = pfdin->psz1 ? pfdin->psz1 : "";
    const wchar_t *destination = DestinationInWide(run);
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
        return OpenTarget(pfdin, target.Text, destinationLength,
                        decoded && IsSafeCabinetName(NameCheckForm(target.Text + destinationLength)));
    return CloseFile(pfdin, target.Text);
}
