#include <windows.h>
#include <lzexpand.h>
#include "cabinet/mLZ_API.h"
#include "cabinet/hFDI.h"
#include "services/uSettings.h"
#include "util/mUtils.h"

HMODULE LibraryHandle = nullptr;
TFDICreate pFDICreate = nullptr;
TFDIIsCabinet pFDIIsCabinet = nullptr;
TFDICopy pFDICopy = nullptr;
TFDIDestroy pFDIDestroy = nullptr;

namespace {

const char LibraryName[] = "cabinet.dll";
const char CompressedLibraryName[] = "CABINET.DL_";

template <typename T> void Bind(T &entry, const char *name)
{
    entry = reinterpret_cast<T>(reinterpret_cast<void *>(GetProcAddress(LibraryHandle, name)));
}

// The library by its full path in the system folder; a bare name would
// also find a copy planted beside the package.
HMODULE LoadFromFolder(const std::string &folder)
{
    return LoadLibraryW(TWideText(folder + LibraryName).Text);
}

// Writes the whole copy; false when not a byte could be written.
bool WriteCompressedLibrary(const std::string &path, const std::string &bytes)
{
    HANDLE file = CreateFileW(TWideText(path).Text, GENERIC_WRITE, 0, nullptr, CREATE_ALWAYS, FILE_ATTRIBUTE_NORMAL,
                              nullptr);
    if (file == INVALID_HANDLE_VALUE)
        return false;
    DWORD written = 0;
    if (!WriteFile(file, bytes.data(), static_cast<DWORD>(bytes.size()), &written, nullptr))
        written = 0;
    CloseHandle(file);
    return written != 0;
}

// A library without all four entry points cannot be called safely.
bool BindEntryPoints()
{
    if (!LibraryHandle)
        return false;
    Bind(pFDICreate, "FDICreate");
    Bind(pFDIIsCabinet, "FDIIsCabinet");
    Bind(pFDICopy, "FDICopy");
    Bind(pFDIDestroy, "FDIDestroy");
    return pFDICreate && pFDIIsCabinet && pFDICopy && pFDIDestroy;
}

} // namespace

void RestrictLibrarySearch()
{
    // Both are looked up, not imported: Windows 2000 and the first XP have
    // neither and would refuse to start the extractor at all. Without
    // them the cabinet library is still loaded by its full system path.
    typedef BOOL(WINAPI * TSetDefaultDllDirectories)(DWORD);
    typedef BOOL(WINAPI * TSetDllDirectoryA)(LPCSTR);
    const DWORD SearchSystemFolderOnly = 0x00000800;  // LOAD_LIBRARY_SEARCH_SYSTEM32
    HMODULE kernel = GetModuleHandleA("kernel32.dll");
    TSetDefaultDllDirectories restrictSearch = reinterpret_cast<TSetDefaultDllDirectories>(
        reinterpret_cast<void *>(GetProcAddress(kernel, "SetDefaultDllDirectories")));
    if (restrictSearch && restrictSearch(SearchSystemFolderOnly))
        return;
    // Older systems: at least take the current folder out of the search.
    TSetDllDirectoryA dropCurrentFolder = reinterpret_cast<TSetDllDirectoryA>(
        reinterpret_cast<void *>(GetProcAddress(kernel, "SetDllDirectoryA")));
    if (dropCurrentFolder)
        dropCurrentFolder("");
}

bool LoadCabinetLibrary(int32_t libraryOffset, int32_t libraryLength, const std::string &folder)
{
    LibraryHandle = LoadFromFolder(folder);
    if (LibraryHandle)
        return BindEntryPoints();
    const std::string libraryPath = folder + LibraryName;
    // The system's own copy stays even when it does not load here: other
    // programs use it, and the package's copy may be older or unusable.
    if (IsFilePresent(libraryPath))
        return false;
    // Read at its offset, so that neither the extractor's size nor the
    // library's is limited by a fixed buffer.
    const std::string compressed = ReadPackageBytes(OwnFilePath(), libraryOffset, libraryLength);
    if (compressed.empty())
        return false;
    const std::string copyPath = folder + CompressedLibraryName;
    if (!WriteCompressedLibrary(copyPath, compressed))
        return false;
    ExpandCompressedFile(copyPath, libraryPath);
    DeleteFileW(TWideText(copyPath).Text);
    LibraryHandle = LoadFromFolder(folder);
    if (BindEntryPoints())
        return true;
    // A copy that cannot serve must not stay as the system's cabinet.dll,
    // where every later run and every other program would meet it.
    if (LibraryHandle)
        FreeLibrary(LibraryHandle);
    LibraryHandle = nullptr;
    DeleteFileW(TWideText(libraryPath).Text);
    return false;
}

bool ExpandCompressedFile(const std::string &source, const std::string &target)
{
    OFSTRUCT sourceInfo = {}, targetInfo = {};
    INT from = LZOpenFileW(TWideText(source).Text, &sourceInfo, OF_READ);
    INT to = LZOpenFileW(TWideText(target).Text, &targetInfo, OF_CREATE);
    LZCopy(from, to);
    if (from >= 0)
        LZClose(from);
    if (to >= 0)
        LZClose(to);
    return IsFilePresent(target);
}
