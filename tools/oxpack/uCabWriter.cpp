// uCabWriter: drives FCI. The library is loaded from the system folder by
// full path so that a cabinet.dll planted in the current folder is never
// picked up. The callbacks catch nothing and throw nothing: FCI calls them
// from C, so every failure is reported through its err argument. FCI only
// passes file names through to the callbacks, so they are UTF-8 here too.
#include <windows.h>
#include <fcntl.h>
#include <fci.h>

#include "uCabWriter.h"

#include <algorithm>

#include "mPackFiles.h"
#include "mPackText.h"

namespace {

typedef HFCI(DIAMONDAPI *TFciCreate)(PERF, PFNFCIFILEPLACED, PFNFCIALLOC, PFNFCIFREE, PFNFCIOPEN, PFNFCIREAD,
                                     PFNFCIWRITE, PFNFCICLOSE, PFNFCISEEK, PFNFCIDELETE, PFNFCIGETTEMPFILE, PCCAB,
                                     void *);
typedef BOOL(DIAMONDAPI *TFciAddFile)(HFCI, char *, char *, BOOL, PFNFCIGETNEXTCABINET, PFNFCISTATUS,
                                      PFNFCIGETOPENINFO, TCOMP);
typedef BOOL(DIAMONDAPI *TFciFlushCabinet)(HFCI, BOOL, PFNFCIGETNEXTCABINET, PFNFCISTATUS);
typedef BOOL(DIAMONDAPI *TFciFlushFolder)(HFCI, PFNFCIGETNEXTCABINET, PFNFCISTATUS);
typedef BOOL(DIAMONDAPI *TFciDestroy)(HFCI);

struct TFci {
    HMODULE Library = nullptr;
    TFciCreate Create = nullptr;
    TFciAddFile AddFile = nullptr;
    TFciFlushCabinet FlushCabinet = nullptr;
    TFciFlushFolder FlushFolder = nullptr;
    TFciDestroy Destroy = nullptr;
};

bool LoadFci(TFci &fci, std::string &error)
{
    wchar_t folder[MAX_PATH];
    UINT n = GetSystemDirectoryW(folder, MAX_PATH);
    if (n == 0 || n >= MAX_PATH) {
        error = "The system folder cannot be found, so the cabinet library cannot be loaded.";
        return false;
    }
    const std::string path = Utf8Of(std::wstring(folder, n)) + "\\cabinet.dll";
    fci.Library = LoadLibraryW(WideOf(path).c_str());
    if (!fci.Library) {
        error = "The cabinet library cannot be loaded: " + path;
        return false;
    }
    fci.Create = reinterpret_cast<TFciCreate>(reinterpret_cast<void *>(GetProcAddress(fci.Library, "FCICreate")));
    fci.AddFile = reinterpret_cast<TFciAddFile>(reinterpret_cast<void *>(GetProcAddress(fci.Library, "FCIAddFile")));
    fci.FlushCabinet =
        reinterpret_cast<TFciFlushCabinet>(reinterpret_cast<void *>(GetProcAddress(fci.Library, "FCIFlushCabinet")));
    fci.FlushFolder =
        reinterpret_cast<TFciFlushFolder>(reinterpret_cast<void *>(GetProcAddress(fci.Library, "FCIFlushFolder")));
    fci.Destroy = reinterpret_cast<TFciDestroy>(reinterpret_cast<void *>(GetProcAddress(fci.Library, "FCIDestroy")));
    if (!fci.Create || !fci.AddFile || !fci.FlushCabinet || !fci.FlushFolder || !fci.Destroy) {
        error = "The cabinet library lacks the compression interface (FCICreate, FCIAddFile, FCIFlushCabinet, "
                "FCIFlushFolder, FCIDestroy): " + path;
        return false;
    }
    return true;
}

// Set by a console control handler's thread; read by the callbacks.
volatile LONG AbortRequested = 0;

// State shared with the callbacks through FCI's user pointer.
struct TContext {
    const TCabinetRequest *Request;
    int TempCounter = 0;
    std::string SourceError;  // file that could not be opened or read
    TPackProgress Progress;
    int64_t FileBytesSeen = 0;  // of the file being added
    int64_t FileSize = 0;
    bool NameIsUtf8 = false;  // of the file being added
};

void ReportProgress(const TContext &context)
{
    if (context.Request->Progress)
        context.Request->Progress(context.Progress, context.Request->ProgressContext);
}

FNFCIALLOC(FciAlloc) { return HeapAlloc(GetProcessHeap(), 0, cb); }
FNFCIFREE(FciFree) { HeapFree(GetProcessHeap(), 0, memory); }

FNFCIOPEN(FciOpen)
{
    (void)pmode;
    (void)pv;
    DWORD access = GENERIC_READ;
    if (oflag & _O_RDWR)
        access = GENERIC_READ | GENERIC_WRITE;
    else if (oflag & _O_WRONLY)
        access = GENERIC_WRITE;
    DWORD disposition = OPEN_EXISTING;
    if (oflag & _O_CREAT)
        disposition = (oflag & _O_EXCL) ? CREATE_NEW : (oflag & _O_TRUNC) ? CREATE_ALWAYS : OPEN_ALWAYS;
    else if (oflag & _O_TRUNC)
        disposition = TRUNCATE_EXISTING;
    HANDLE h = CreateFileW(WideOf(pszFile).c_str(), access, FILE_SHARE_READ, nullptr, disposition,
                           FILE_ATTRIBUTE_NORMAL, nullptr);
    if (h == INVALID_HANDLE_VALUE) {
        *err = static_cast<int>(GetLastError());
        return -1;
    }
    return reinterpret_cast<INT_PTR>(h);
}

FNFCIREAD(FciRead)
{
    (void)pv;
    DWORD done = 0;
    if (!ReadFile(reinterpret_cast<HANDLE>(hf), memory, cb, &done, nullptr)) {
        *err = static_cast<int>(GetLastError());
        return static_cast<UINT>(-1);
    }
    return done;
}

FNFCIWRITE(FciWrite)
{
    (void)pv;
    DWORD done = 0;
    if (!WriteFile(reinterpret_cast<HANDLE>(hf), memory, cb, &done, nullptr)) {
        *err = static_cast<int>(GetLastError());
        return static_cast<UINT>(-1);
    }
    return done;
}

FNFCICLOSE(FciClose)
{
    (void)pv;
    if (!CloseHandle(reinterpret_cast<HANDLE>(hf))) {
        *err = static_cast<int>(GetLastError());
        return -1;
    }
    return 0;
}

FNFCISEEK(FciSeek)
{
    (void)pv;
    DWORD method = seektype == SEEK_CUR ? FILE_CURRENT : seektype == SEEK_END ? FILE_END : FILE_BEGIN;
    DWORD position = SetFilePointer(reinterpret_cast<HANDLE>(hf), dist, nullptr, method);
    if (position == INVALID_SET_FILE_POINTER) {
        *err = static_cast<int>(GetLastError());
        return -1;
    }
    return static_cast<LONG>(position);
}

FNFCIDELETE(FciDelete)
{
    (void)pv;
    if (!DeletePath(pszFile)) {
        *err = static_cast<int>(GetLastError());
        return -1;
    }
    return 0;
}

// Scratch files go to the request's private folder under names of our own,
// so that nothing else can be there.
FNFCIGETTEMPFILE(FciTempFile)
{
    TContext *context = static_cast<TContext *>(pv);
    std::string name = context->Request->Folder + "fci" + std::to_string(++context->TempCounter) + ".tmp";
    if (static_cast<int>(name.size()) >= cbTempName)
        return FALSE;
    CopyMemory(pszTempName, name.c_str(), name.size() + 1);
    return TRUE;
}

FNFCIFILEPLACED(FciFilePlaced)
{
    (void)pccab;
    (void)pszFile;
    (void)cbFile;
    (void)fContinuation;
    (void)pv;
    return 0;
}

FNFCISTATUS(FciStatus)
{
    (void)cb1;
    TContext *context = static_cast<TContext *>(pv);
    // For a finished cabinet FCI asks what size to record; keep its own.
    if (typeStatus == statusCabinet)
        return static_cast<LONG>(cb2);
    if (AbortRequested)
        return -1;
    if (typeStatus == statusFile && context->FileBytesSeen < context->FileSize) {
        const int64_t step = std::min<int64_t>(cb2, context->FileSize - context->FileBytesSeen);
        context->FileBytesSeen += step;
        context->Progress.BytesDone += step;
        ReportProgress(*context);
    }
    return 0;
}

bool SetCabinetName(PCCAB ccab, const std::string &name)
{
    if (name.size() >= sizeof(ccab->szCab))
        return false;
    CopyMemory(ccab->szCab, name.c_str(), name.size() + 1);
    return true;
}

FNFCIGETNEXTCABINET(FciNextCabinet)
{
    (void)cbPrevCab;
    TContext *context = static_cast<TContext *>(pv);
    // FCI has counted iCab up to the number of the cabinet it starts now.
    return SetCabinetName(pccab, ContinuationName(context->Request->ContinuationStem, pccab->iCab)) ? TRUE : FALSE;
}

// Date and time are the last-write time in UTC: the extractor sets them
// back as UTC, so a file keeps its time through a package. A time later
// than the request's latest is recorded as that, for reproducible builds.
FNFCIGETOPENINFO(FciOpenInfo)
{
    TContext *context = static_cast<TContext *>(pv);
    HANDLE h = CreateFileW(WideOf(pszName).c_str(), GENERIC_READ, FILE_SHARE_READ, nullptr, OPEN_EXISTING,
                           FILE_ATTRIBUTE_NORMAL, nullptr);
    BY_HANDLE_FILE_INFORMATION info;
    if (h == INVALID_HANDLE_VALUE || !GetFileInformationByHandle(h, &info)) {
        *err = static_cast<int>(GetLastError());
        if (h != INVALID_HANDLE_VALUE)
            CloseHandle(h);
        context->SourceError = pszName;
        return -1;
    }
    WORD date = 0, time = 0;
    FILETIME written = info.ftLastWriteTime;
    const uint64_t latest = context->Request->LatestFileTime;
    if (latest != 0 && (static_cast<uint64_t>(written.dwHighDateTime) << 32 | written.dwLowDateTime) > latest) {
        written.dwHighDateTime = static_cast<DWORD>(latest >> 32);
        written.dwLowDateTime = static_cast<DWORD>(latest);
    }
    if (!FileTimeToDosDateTime(&written, &date, &time)) {
        date = (0 << 9) | (1 << 5) | 1;  // before 1980: the earliest DOS date
        time = 0;
    }
    *pdate = date;
    *ptime = time;
    *pattribs = static_cast<USHORT>(info.dwFileAttributes & (FILE_ATTRIBUTE_READONLY | FILE_ATTRIBUTE_HIDDEN
                                                             | FILE_ATTRIBUTE_SYSTEM | FILE_ATTRIBUTE_ARCHIVE));
    // The name in the cabinet goes with these attributes: one that is not
    // pure ASCII is UTF-8 and says so, whatever this machine's code page.
    if (context->NameIsUtf8)
        *pattribs |= CabNameIsUtf8;
    return reinterpret_cast<INT_PTR>(h);
}

TCOMP CompressionCode(TCompression compression)
{
    switch (compression) {
    case TCompression::None: return tcompTYPE_NONE;
    case TCompression::Lzx: return TCOMPfromLZXWindow(21);
    default: return tcompTYPE_MSZIP;
    }
}

std::string FciErrorText(int code)
{
    switch (code) {
    case FCIERR_OPEN_SRC: return "a source file cannot be opened";
    case FCIERR_READ_SRC: return "a source file cannot be read";
    case FCIERR_ALLOC_FAIL: return "out of memory";
    case FCIERR_TEMP_FILE: return "a scratch file cannot be written";
    case FCIERR_BAD_COMPR_TYPE: return "the compression type is not supported";
    case FCIERR_CAB_FILE: return "a cabinet file cannot be written";
    case FCIERR_USER_ABORT: return "aborted";
    case FCIERR_MCI_FAIL: return "the compressor failed";
    default: return "error " + std::to_string(code);
    }
}

}  // namespace

void AbortCabinetSet(bool abort)
{
    InterlockedExchange(&AbortRequested, abort ? 1 : 0);
}

bool CabinetSetAborted()
{
    return AbortRequested != 0;
}

std::string ContinuationName(const std::string &stem, int index)
{
    return stem + std::to_string(index) + ".cab";
}

bool WriteCabinetSet(const TCabinetRequest &request, TCabinetSet &set, std::string &error)
{
    set = TCabinetSet();
    TFci fci;
    if (!LoadFci(fci, error))
        return false;

    TContext context;
    context.Request = &request;
    CCAB ccab;
    ZeroMemory(&ccab, sizeof(ccab));
    ccab.cb = request.MaxCabinetSize ? request.MaxCabinetSize : 0x7FFFFFFF;
    ccab.cbFolderThresh = ccab.cb;
    ccab.iCab = 1;
    ccab.setID = request.SetId;
    if (request.Folder.size() >= sizeof(ccab.szCabPath) || !SetCabinetName(&ccab, request.FirstName)) {
        error = "The scratch folder's path is too long for the cabinet library: " + request.Folder;
        return false;
    }
    CopyMemory(ccab.szCabPath, request.Folder.c_str(), request.Folder.size() + 1);

    ERF erf;
    ZeroMemory(&erf, sizeof(erf));
    HFCI hfci = fci.Create(&erf, FciFilePlaced, FciAlloc, FciFree, FciOpen, FciRead, FciWrite, FciClose, FciSeek,
                           FciDelete, FciTempFile, &ccab, &context);
    if (!hfci) {
        error = "The cabinet library cannot start a cabinet: " + FciErrorText(erf.erfOper) + ".";
        return false;
    }
    const TCOMP compression = CompressionCode(request.Compression);
    std::vector<int64_t> sizes;
    for (const TPackFile &file : request.Files) {
        sizes.push_back(std::max<int64_t>(FileSizeOf(file.SourcePath), 0));
        context.Progress.BytesTotal += sizes.back();
    }
    context.Progress.FilesTotal = static_cast<int64_t>(request.Files.size());
    int64_t folderBytes = 0;
    bool ok = true;
    for (size_t i = 0; ok && i < request.Files.size(); ++i) {
        const TPackFile &file = request.Files[i];
        // A folder counts its data blocks of 32,768 bytes in 16 bits.
        if (folderBytes > 0 && folderBytes + sizes[i] > static_cast<int64_t>(request.FolderBytes)) {
            ok = fci.FlushFolder(hfci, FciNextCabinet, FciStatus) != FALSE;
            folderBytes = 0;
        }
        if (!ok) {
            error = "The cabinet cannot be finished: " + FciErrorText(erf.erfOper) + ".";
            break;
        }
        std::string source = file.SourcePath;
        std::string name = file.CabinetName;
        context.FileBytesSeen = 0;
        context.FileSize = sizes[i];
        context.NameIsUtf8 = !IsAsciiText(name);
        if (AbortRequested || !fci.AddFile(hfci, &source[0], &name[0], FALSE, FciNextCabinet, FciStatus, FciOpenInfo, compression)) {
            error = "The file cannot be added to the cabinet: " + file.SourcePath + " ("
                    + (AbortRequested ? std::string("interrupted") : FciErrorText(erf.erfOper)) + ").";
            ok = false;
            break;
        }
        folderBytes += sizes[i];
        if (request.BreakAfterFiles != 0 && (i + 1) % request.BreakAfterFiles == 0 && i + 1 < request.Files.size()) {
            if (!fci.FlushCabinet(hfci, TRUE, FciNextCabinet, FciStatus)) {
                error = "The cabinet cannot be finished: " + FciErrorText(erf.erfOper) + ".";
                ok = false;
                break;
            }
            folderBytes = 0;
        }
        context.Progress.FilesDone = static_cast<int64_t>(i + 1);
        context.Progress.BytesDone += sizes[i] - context.FileBytesSeen;
        ReportProgress(context);
    }
    if (ok && !fci.FlushCabinet(hfci, FALSE, FciNextCabinet, FciStatus)) {
        error = "The cabinet cannot be finished: " + FciErrorText(erf.erfOper) + ".";
        ok = false;
    }
    fci.Destroy(hfci);
    if (!ok)
        return false;

    // The set is every cabinet FCI wrote, in order; it names them itself.
    for (int index = 1;; ++index) {
        const std::string name = index == 1 ? request.FirstName : ContinuationName(request.ContinuationStem, index);
        const std::string path = request.Folder + name;
        if (GetFileAttributesW(WideOf(path).c_str()) == INVALID_FILE_ATTRIBUTES)
            break;
        set.Names.push_back(name);
        set.Paths.push_back(path);
    }
    if (set.Paths.empty()) {
        error = "The cabinet library wrote no cabinet.";
        return false;
    }
    return true;
}
