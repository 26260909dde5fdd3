#include <fcntl.h>
#include <windows.h>
#include "cabinet/uCabStreams.h"
#include "format/uObfuscate.h"
#include "services/uReport.h"
#include "services/uRunState.h"
#include "services/uSettings.h"
#include "util/mUtils.h"

const char EmbeddedCabinetName[] = "lumbo";
std::string PackageFilePath;
bool StreamWriteFailed = false;

namespace {

// The run whose package the pseudo name opens: the library's file calls
// carry no value of the caller's.
const TRunPlan *StreamPlan = nullptr;
// Low 32 bits of CabinetOffset: the distance every package-file position
// is shifted by.
DWORD CabinetBase = 0;
// InvertText of the password, laid out for whole-word XOR; of length 0
// for an unprotected package.
TKeyStream StreamKey;

// Handles of the package file opened under the pseudo name. The library
// keeps at most a few files open at once; a handle that does not fit is
// refused at open rather than misread later.
const int PackageHandleSlots = 16;
HANDLE PackageHandles[PackageHandleSlots];

bool RememberPackageHandle(HANDLE handle)
{
    for (HANDLE &slot : PackageHandles)
        if (!slot) {
            slot = handle;
            return true;
        }
    return false;
}

void ForgetPackageHandle(HANDLE handle)
{
    for (HANDLE &slot : PackageHandles)
        if (slot == handle)
            slot = nullptr;
}

} // namespace

void PrepareStreams(const TRunPlan &plan)
{
    StreamPlan = &plan;
    PackageFilePath = OwnFilePath();
    StreamWriteFailed = false;
    CabinetBase = static_cast<DWORD>(static_cast<uint64_t>(plan.Package->CabinetOffset));
    StreamKey = MakeKeyStream(plan.Package->PasswordProtected ? InvertText(plan.Password) : std::string());
}

bool IsPackageFile(INT_PTR handle)
{
    if (!handle)
        return false;
    for (HANDLE slot : PackageHandles)
        if (slot == reinterpret_cast<HANDLE>(handle))
            return true;
    return false;
}

FNALLOC(StreamAlloc)
{
    // Never null: running out of memory ends the process, as the library's
    // callers expect of the program's heap.
    void *block = HeapAlloc(GetProcessHeap(), 0, cb ? cb : 1);
    if (!block)
        EndRun(*StreamPlan, ExitError);
    return block;
}

FNFREE(StreamFree)
{
    if (pv)
        HeapFree(GetProcessHeap(), 0, pv);
}

FNOPEN(StreamOpen)
{
    (void)pmode;
    const bool embedded = std::string(pszFile) == EmbeddedCabinetName;
    const std::string path = embedded ? PackageFilePath : std::string(pszFile);
    const bool create = (oflag & _O_CREAT) != 0;
    // Filled field by field: an initialiser list would be stored as
    // initialised data, a file section of its own for twelve bytes.
    SECURITY_ATTRIBUTES security;
    security.nLength = sizeof security;
    security.lpSecurityDescriptor = nullptr;
    security.bInheritHandle = TRUE;
    HANDLE handle = CreateFileW(TWideText(path).Text, create ? GENERIC_READ | GENERIC_WRITE : GENERIC_READ,
                                create ? 0 : FILE_SHARE_READ, &security,
                                create ? CREATE_NEW : OPEN_EXISTING, FILE_ATTRIBUTE_NORMAL, nullptr);
    if (!embedded)
        return reinterpret_cast<INT_PTR>(handle);

    // The cabinet must be reachable at its offset; a package file that
    // could not be opened fails here too.
    const DWORD reached = SetFilePointer(handle, static_cast<LONG>(CabinetBase), nullptr, FILE_BEGIN);
    if (handle == INVALID_HANDLE_VALUE || reached == INVALID_SET_FILE_POINTER ||
        static_cast<int64_t>(reached) != StreamPlan->Package->CabinetOffset || !RememberPackageHandle(handle)) {
        FailRun(*StreamPlan, Message(*StreamPlan, MsgCannotSeek), ExitError);
    }
    return reinterpret_cast<INT_PTR>(handle);
}

FNSEEK(StreamSeek)
{
    const bool own = IsPackageFile(hf);
    LONG distance = dist;
    if (own && seektype == SEEK_SET)
        distance = static_cast<LONG>(static_cast<DWORD>(dist) + CabinetBase);
    DWORD position = SetFilePointer(reinterpret_cast<HANDLE>(hf), distance, nullptr, static_cast<DWORD>(seektype));
    if (position == INVALID_SET_FILE_POINTER)
        return -1;
    if (own)
        position -= CabinetBase;
    return static_cast<long>(position);
}

FNREAD(StreamRead)
{
    // The key position follows the stream position, wherever the library
    // has sought to; within the read it runs on from there.
    const uint32_t position = StreamKey.Length ? static_cast<uint32_t>(StreamSeek(hf, 0, SEEK_CUR)) : 0;
    DWORD done = 0;
    if (!ReadFile(reinterpret_cast<HANDLE>(hf), pv, cb, &done, nullptr))
        return 0;
    XorWithKeyStream(static_cast<unsigned char *>(pv), done, position, StreamKey);
    return done;
}

FNWRITE(StreamWrite)
{
    DWORD done = 0;
    if (!WriteFile(reinterpret_cast<HANDLE>(hf), pv, cb, &done, nullptr) || done != cb)
        StreamWriteFailed = true;
    return done;
}

FNCLOSE(StreamClose)
{
    ForgetPackageHandle(reinterpret_cast<HANDLE>(hf));
    return CloseHandle(reinterpret_cast<HANDLE>(hf)) ? 0 : -1;
}
