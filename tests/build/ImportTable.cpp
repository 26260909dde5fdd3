// The built programs must run on a bare Windows: their import tables may
// name only DLLs that ship with the system, never a compiler runtime, and
// the extractor only functions that Windows XP SP3 already has.
#include <windows.h>
#include <gtest/gtest.h>
#include <algorithm>
#include <map>
#include <set>
#include "oxPackages.h"
#include "oxTest.h"

namespace {

// What the tests read from a PE file's headers; Valid is false when the
// file is not a 32-bit PE image or its import table runs off the file.
struct TImageFacts {
    bool Valid = false;
    WORD SubsystemMajor = 0;
    WORD SubsystemMinor = 0;
    // Upper-cased DLL name to the functions taken from it; a function
    // imported by ordinal appears as "#N".
    std::map<std::string, std::set<std::string>> Imports;
};

TImageFacts ReadImageFacts(const std::string &image)
{
    TImageFacts facts;
    auto at = [&](size_t offset, size_t size) { return offset <= image.size() && size <= image.size() - offset; };
    // A NUL-ended string at a file offset; false when it has no NUL in the file.
    auto text = [&](size_t offset, std::string &out) {
        if (offset >= image.size())
            return false;
        const size_t end = image.find('\0', offset);
        if (end == std::string::npos)
            return false;
        out = image.substr(offset, end - offset);
        return true;
    };
    if (!at(0, sizeof(IMAGE_DOS_HEADER)))
        return facts;
    const auto *dos = reinterpret_cast<const IMAGE_DOS_HEADER *>(image.data());
    if (dos->e_magic != IMAGE_DOS_SIGNATURE || dos->e_lfanew < 0 || !at(dos->e_lfanew, sizeof(IMAGE_NT_HEADERS32)))
        return facts;
    const auto *nt = reinterpret_cast<const IMAGE_NT_HEADERS32 *>(image.data() + dos->e_lfanew);
    if (nt->Signature != IMAGE_NT_SIGNATURE || nt->OptionalHeader.Magic != IMAGE_NT_OPTIONAL_HDR32_MAGIC)
        return facts;
    facts.SubsystemMajor = nt->OptionalHeader.MajorSubsystemVersion;
    facts.SubsystemMinor = nt->OptionalHeader.MinorSubsystemVersion;
    const auto *sections = IMAGE_FIRST_SECTION(nt);
    const size_t sectionsAt = reinterpret_cast<const char *>(sections) - image.data();
    if (!at(sectionsAt, nt->FileHeader.NumberOfSections * sizeof(IMAGE_SECTION_HEADER)))
        return facts;
    auto fileOffset = [&](DWORD rva) -> size_t {
        for (WORD i = 0; i < nt->FileHeader.NumberOfSections; ++i) {
            const IMAGE_SECTION_HEADER &s = sections[i];
            if (rva >= s.VirtualAddress && rva < s.VirtualAddress + std::max(s.Misc.VirtualSize, s.SizeOfRawData))
                return rva - s.VirtualAddress + s.PointerToRawData;
        }
        return image.size();
    };
    const DWORD importRva = nt->OptionalHeader.DataDirectory[IMAGE_DIRECTORY_ENTRY_IMPORT].VirtualAddress;
    for (size_t d = fileOffset(importRva);; d += sizeof(IMAGE_IMPORT_DESCRIPTOR)) {
        if (!at(d, sizeof(IMAGE_IMPORT_DESCRIPTOR)))
            return facts;
        const auto *descriptor = reinterpret_cast<const IMAGE_IMPORT_DESCRIPTOR *>(image.data() + d);
        if (descriptor->Name == 0)
            break;
        std::string dll;
        if (!text(fileOffset(descriptor->Name), dll))
            return facts;
        std::transform(dll.begin(), dll.end(), dll.begin(), ::toupper);
        std::set<std::string> &functions = facts.Imports[dll];
        // The lookup table; an image without one lists the names in the
        // address table itself.
        const DWORD lookup = descriptor->OriginalFirstThunk ? descriptor->OriginalFirstThunk : descriptor->FirstThunk;
        for (size_t t = fileOffset(lookup);; t += sizeof(DWORD)) {
            if (!at(t, sizeof(DWORD)))
                return facts;
            const DWORD entry = *reinterpret_cast<const DWORD *>(image.data() + t);
            if (entry == 0)
                break;
            std::string function;
            if (entry & IMAGE_ORDINAL_FLAG32)
                function = "#" + std::to_string(entry & 0xFFFF);
            else if (!text(fileOffset(entry) + sizeof(WORD), function))
                return facts;
            functions.insert(function);
        }
    }
    facts.Valid = true;
    return facts;
}

// No COMCTL32 either: the extractor registers the progress dialog's
// controls without linking to the common controls library.
const std::set<std::string> SystemDlls = {"KERNEL32.DLL", "USER32.DLL", "GDI32.DLL", "SHELL32.DLL",
                                          "MSVCRT.DLL", "ADVAPI32.DLL", "OLE32.DLL", "COMDLG32.DLL"};

// Functions that Windows XP SP3 has, by DLL: what the extractor imports
// today and a few classic neighbours it may come to need. Nothing from a
// later Windows belongs here; whatever newer the extractor wants is looked
// up with GetProcAddress and is optional. SetDllDirectoryA (XP SP1) is left
// out on purpose: Windows 2000 and the first XP lack it.
const std::map<std::string, std::set<std::string>> XpFunctions = {
    {"KERNEL32.DLL",
     {"AttachConsole", "GetFileType", "GetStdHandle", "WriteConsoleW",
      "CreateDirectoryW", "CreateFileW", "DeleteFileW", "FindFirstFileW", "FindNextFileW", "GetFileAttributesW", "GetLongPathNameW", "GetModuleFileNameW", "GetModuleHandleW", "GetShortPathNameW", "GetTempPathW", "IsDBCSLeadByteEx", "MoveFileExW", "MoveFileW", "SetFileAttributesW",
      "CreateProcessW", "FormatMessageW", "GetCommandLineW", "GetDiskFreeSpaceW", "GetSystemDirectoryW",
      "GetWindowsDirectoryW", "IsValidCodePage", "LoadLibraryW", "LZOpenFileW", "RemoveDirectoryW",
      "CloseHandle", "CompareStringA", "CopyFileA", "CreateDirectoryA", "CreateEventA", "CreateFileA",
      "CreateMutexA", "CreateProcessA", "CreateThread", "DeleteCriticalSection", "DeleteFileA",
      "DosDateTimeToFileTime", "EnterCriticalSection", "ExitProcess", "ExitThread", "ExpandEnvironmentStringsA",
      "FileTimeToDosDateTime", "FileTimeToLocalFileTime", "FileTimeToSystemTime", "FindClose", "FindFirstFileA",
      "FindNextFileA", "FlushFileBuffers", "FormatMessageA", "FreeLibrary", "GetCommandLineA",
      "GetCurrentDirectoryA", "GetCurrentProcess", "GetCurrentProcessId", "GetCurrentThread",
      "GetCurrentThreadId", "GetDiskFreeSpaceA", "GetDiskFreeSpaceExA", "GetDriveTypeA",
      "GetEnvironmentVariableA", "GetExitCodeProcess", "GetExitCodeThread", "GetFileAttributesA",
      "GetFileInformationByHandle", "GetFileSize", "GetFileSizeEx", "GetFileTime", "GetFullPathNameA",
      "GetHandleInformation", "GetLastError", "GetLocalTime", "GetLongPathNameA", "GetModuleFileNameA",
      "GetModuleHandleA", "GetProcAddress", "GetProcessHeap", "GetShortPathNameA", "GetStartupInfoA",
      "GetSystemDirectoryA", "GetSystemTime", "GetSystemTimeAsFileTime", "GetTempFileNameA", "GetTempPathA",
      "GetTickCount", "GetVersion", "GetVersionExA", "GetVolumeInformationA", "GetWindowsDirectoryA",
      "GlobalAlloc", "GlobalFree", "GlobalLock", "GlobalUnlock", "HeapAlloc", "HeapFree", "HeapReAlloc",
      "InitializeCriticalSection", "InterlockedCompareExchange", "InterlockedDecrement", "InterlockedExchange",
      "InterlockedIncrement", "LZClose", "LZCopy", "LZOpenFileA", "LeaveCriticalSection", "LoadLibraryA",
      "LoadLibraryExA", "LocalAlloc", "LocalFree", "MoveFileA", "MoveFileExA", "MulDiv", "MultiByteToWideChar",
      "QueryPerformanceCounter", "QueryPerformanceFrequency", "ReadFile", "ReleaseMutex", "RemoveDirectoryA",
      "ResetEvent", "ResumeThread", "SetCurrentDirectoryA", "SetEndOfFile", "SetErrorMode", "SetEvent",
      "SetFileAttributesA", "SetFilePointer", "SetFileTime", "SetLastError", "SetUnhandledExceptionFilter",
      "Sleep", "SystemTimeToFileTime", "TerminateProcess", "TerminateThread", "TlsAlloc", "TlsFree",
      "TlsGetValue", "TlsSetValue", "VirtualAlloc", "VirtualFree", "VirtualProtect", "VirtualQuery",
      "WaitForMultipleObjects", "WaitForSingleObject", "WideCharToMultiByte", "WriteFile", "lstrcmpA",
      "lstrcmpiA", "lstrcmpiW", "lstrcpyA", "lstrcpynA", "lstrlenA"}},
    {"LZ32.DLL", {"LZClose", "LZCopy", "LZOpenFileA", "LZOpenFileW"}},
    {"USER32.DLL",
     {"DialogBoxParamW", "GetDlgItemTextW", "MessageBoxW", "SendDlgItemMessageW", "SetDlgItemTextW", "SetWindowTextW",
      "CharNextA", "CharUpperA", "CheckDlgButton", "ClientToScreen", "CreateDialogParamA", "CreateWindowExA",
      "DefWindowProcA", "DestroyWindow", "DialogBoxParamA", "DispatchMessageA", "EnableWindow", "EndDialog",
      "GetClientRect", "GetDesktopWindow", "GetDlgItem", "GetDlgItemTextA", "GetMessageA", "GetParent",
      "GetSystemMetrics", "GetWindowLongA", "GetWindowRect", "GetWindowTextA", "GetWindowTextLengthA",
      "GetWindowThreadProcessId", "IsDialogMessageA", "IsDlgButtonChecked", "IsWindow", "IsWindowVisible",
      "KillTimer", "LoadCursorA", "LoadIconA", "LoadImageA", "LoadStringA", "MessageBeep", "MessageBoxA",
      "MoveWindow", "MsgWaitForMultipleObjects", "PeekMessageA", "PostMessageA", "PostQuitMessage",
      "RegisterClassA", "RegisterClassExA", "ScreenToClient", "SendDlgItemMessageA", "SendMessageA",
      "SetDlgItemTextA", "SetFocus", "SetForegroundWindow", "SetTimer", "SetWindowLongA", "SetWindowPos",
      "SetWindowTextA", "ShowWindow", "SystemParametersInfoA", "TranslateMessage", "wsprintfA"}},
    {"SHELL32.DLL",
     {"SHBrowseForFolderW", "SHGetPathFromIDListW", "FindExecutableW", "ShellExecuteExW",
      "FindExecutableA", "SHBrowseForFolderA", "SHGetFolderPathA", "SHGetMalloc", "SHGetPathFromIDListA",
      "SHGetSpecialFolderPathA", "ShellExecuteA", "ShellExecuteExA"}},
    // SHA-256 through PROV_RSA_AES: XP SP3 has both.
    {"ADVAPI32.DLL", {"CryptAcquireContextW", "CryptCreateHash", "CryptDestroyHash", "CryptGetHashParam",
                      "CryptHashData", "CryptReleaseContext"}},
    {"OLE32.DLL", {"CoInitialize", "CoInitializeEx", "CoTaskMemFree", "CoUninitialize", "OleInitialize",
                   "OleUninitialize"}},
    {"MSVCRT.DLL",
     {"wcslen",
      "__getmainargs", "__initenv", "__p__acmdln", "__p__commode", "__p__fmode",
      "__set_app_type", "__setusermatherr", "_amsg_exit", "_cexit", "_errno", "_exit", "_initterm", "_iob",
      "_lock", "_onexit", "_unlock", "abort", "atexit", "calloc", "exit", "fprintf", "free", "fwrite",
      "malloc", "memchr", "memcmp", "memcpy", "memmove", "memset", "realloc", "signal", "strchr", "strcmp",
      "strcpy", "strlen", "strncmp", "strrchr", "vfprintf"}},
};

TImageFacts ExtractorFacts()
{
    return ReadImageFacts(ReadWholeFile(ProductFolder() + "oxtarn.exe"));
}

} // namespace

TEST(ImportTable, ProgramsImportOnlySystemDlls)
{
    for (const char *program : {"oxtarn.exe", "oxpack.exe"}) {
        const TImageFacts facts = ReadImageFacts(ReadWholeFile(ProductFolder() + program));
        ASSERT_TRUE(facts.Valid) << program << " has no readable import table";
        EXPECT_TRUE(facts.Imports.count("KERNEL32.DLL")) << program;
        for (const auto &dll : facts.Imports)
            EXPECT_TRUE(SystemDlls.count(dll.first)) << program << " imports " << dll.first;
    }
}

TEST(ImportTable, ExtractorImportsOnlyFunctionsWindowsXpHas)
{
    const TImageFacts facts = ExtractorFacts();
    ASSERT_TRUE(facts.Valid);
    size_t count = 0;
    for (const auto &dll : facts.Imports) {
        const auto known = XpFunctions.find(dll.first);
        for (const std::string &function : dll.second) {
            ++count;
            EXPECT_TRUE(known != XpFunctions.end() && known->second.count(function))
                << "oxtarn.exe imports " << dll.first << "!" << function
                << ", which is not on the list of functions Windows XP SP3 has";
        }
    }
    // The reader found the functions themselves, not only the DLLs.
    EXPECT_GT(count, 20u);
    EXPECT_TRUE(facts.Imports.count("KERNEL32.DLL") && facts.Imports.at("KERNEL32.DLL").count("CreateFileW"));
}

// Functions that not every supported Windows has are looked up when the
// extractor starts; a static import would keep it from starting at all.
TEST(ImportTable, OptionalFunctionsAreLookedUpNotImported)
{
    const TImageFacts facts = ExtractorFacts();
    ASSERT_TRUE(facts.Valid);
    for (const auto &dll : facts.Imports)
        for (const char *function :
             {"SetDllDirectoryA", "SetDefaultDllDirectories", "AddDllDirectory", "InitCommonControlsEx"})
            EXPECT_FALSE(dll.second.count(function)) << "oxtarn.exe imports " << dll.first << "!" << function;
}

// The loader refuses an image that asks for a newer subsystem than the
// system's own version: 5.01 is Windows XP.
TEST(ImportTable, ExtractorAsksForNoNewerSubsystemThanWindowsXp)
{
    const TImageFacts facts = ExtractorFacts();
    ASSERT_TRUE(facts.Valid);
    EXPECT_LE(facts.SubsystemMajor * 100 + facts.SubsystemMinor, 501)
        << "subsystem version " << facts.SubsystemMajor << "." << facts.SubsystemMinor;
}

TEST(ExtractorSize, FitsWithinItsLimit)
{
    EXPECT_LE(ReadWholeFile(ProductFolder() + "oxtarn.exe").size(), 52736u);
}
