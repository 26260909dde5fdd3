// fdi_floor: the least a Windows program must do to extract a cabinet
// through the system's cabinet library; the benchmark's floor.
//   fdi_floor CABINET DESTINATION
// Loads cabinet.dll, copies every file of CABINET into DESTINATION
// (folders made as needed, date, time and attributes set), with plain
// CreateFile/ReadFile/WriteFile callbacks and no progress. Exit code 0
// when every file was written, 1 otherwise.
#include <windows.h>
#include <fcntl.h>
#include <fdi.h>

#include <cstdio>
#include <cstdlib>
#include <string>

namespace {

std::string Destination;

using CreateFn = HFDI(DIAMONDAPI *)(PFNALLOC, PFNFREE, PFNOPEN, PFNREAD, PFNWRITE, PFNCLOSE,
                                    PFNSEEK, int, PERF);
using CopyFn = BOOL(DIAMONDAPI *)(HFDI, char *, char *, int, PFNFDINOTIFY, PFNFDIDECRYPT, void *);
using DestroyFn = BOOL(DIAMONDAPI *)(HFDI);

FNALLOC(Alloc) { return std::malloc(cb); }
FNFREE(Free) { std::free(pv); }

FNOPEN(Open)
{
    (void)pmode;
    DWORD access = GENERIC_READ, disposition = OPEN_EXISTING;
    if (oflag & (_O_WRONLY | _O_RDWR)) {
        access = GENERIC_READ | GENERIC_WRITE;
        disposition = (oflag & _O_CREAT) ? CREATE_ALWAYS : OPEN_EXISTING;
    }
    HANDLE file = CreateFileA(pszFile, access, FILE_SHARE_READ, nullptr, disposition,
                              FILE_ATTRIBUTE_NORMAL, nullptr);
    return file == INVALID_HANDLE_VALUE ? -1 : reinterpret_cast<INT_PTR>(file);
}

FNREAD(Read)
{
    DWORD done = 0;
    return ReadFile(reinterpret_cast<HANDLE>(hf), pv, cb, &done, nullptr) ? done : static_cast<UINT>(-1);
}

FNWRITE(Write)
{
    DWORD done = 0;
    return WriteFile(reinterpret_cast<HANDLE>(hf), pv, cb, &done, nullptr) ? done : static_cast<UINT>(-1);
}

FNCLOSE(Close) { return CloseHandle(reinterpret_cast<HANDLE>(hf)) ? 0 : -1; }

FNSEEK(Seek) { return SetFilePointer(reinterpret_cast<HANDLE>(hf), dist, nullptr, seektype); }

void MakeFolders(const std::string &path)
{
    for (size_t at = path.find('\\', Destination.size()); at != std::string::npos;
         at = path.find('\\', at + 1))
        CreateDirectoryA(path.substr(0, at).c_str(), nullptr);
}

FNFDINOTIFY(Notify)
{
    switch (fdint) {
    case fdintCOPY_FILE: {
        const std::string path = Destination + pfdin->psz1;
        MakeFolders(path);
        HANDLE file = CreateFileA(path.c_str(), GENERIC_WRITE, 0, nullptr, CREATE_ALWAYS,
                                  FILE_ATTRIBUTE_NORMAL, nullptr);
        return file == INVALID_HANDLE_VALUE ? -1 : reinterpret_cast<INT_PTR>(file);
    }
    case fdintCLOSE_FILE_INFO: {
        HANDLE file = reinterpret_cast<HANDLE>(pfdin->hf);
        FILETIME local, utc;
        if (DosDateTimeToFileTime(pfdin->date, pfdin->time, &local) &&
            LocalFileTimeToFileTime(&local, &utc))
            SetFileTime(file, nullptr, nullptr, &utc);
        CloseHandle(file);
        // The extractor gives each file its attributes; so does the floor.
        const DWORD kept = pfdin->attribs & (FILE_ATTRIBUTE_READONLY | FILE_ATTRIBUTE_HIDDEN |
                                             FILE_ATTRIBUTE_SYSTEM | FILE_ATTRIBUTE_ARCHIVE);
        SetFileAttributesA((Destination + pfdin->psz1).c_str(), kept ? kept : FILE_ATTRIBUTE_NORMAL);
        return TRUE;
    }
    default:
        return 0;
    }
}

} // namespace

int main(int argc, char **argv)
{
    if (argc != 3) {
        std::fprintf(stderr, "usage: fdi_floor CABINET DESTINATION\n");
        return 2;
    }
    Destination = argv[2];
    if (Destination.empty() || Destination.back() != '\\')
        Destination += '\\';
    CreateDirectoryA(Destination.c_str(), nullptr);
    HMODULE library = LoadLibraryA("cabinet.dll");
    auto create = reinterpret_cast<CreateFn>(reinterpret_cast<void *>(GetProcAddress(library, "FDICreate")));
    auto copy = reinterpret_cast<CopyFn>(reinterpret_cast<void *>(GetProcAddress(library, "FDICopy")));
    auto destroy = reinterpret_cast<DestroyFn>(reinterpret_cast<void *>(GetProcAddress(library, "FDIDestroy")));
    if (!create || !copy || !destroy) {
        std::fprintf(stderr, "fdi_floor: cabinet.dll not usable\n");
        return 1;
    }
    ERF error = {};
    HFDI context = create(Alloc, Free, Open, Read, Write, Close, Seek, cpuUNKNOWN, &error);
    if (!context)
        return 1;
    const std::string cabinet = argv[1];
    const size_t split = cabinet.find_last_of("\\:") + 1;
    std::string name = cabinet.substr(split), folder = cabinet.substr(0, split);
    const BOOL ok = copy(context, &name[0], &folder[0], 0, Notify, nullptr, nullptr);
    destroy(context);
    if (!ok)
        std::fprintf(stderr, "fdi_floor: FDICopy failed, error %d\n", error.erfOper);
    return ok ? 0 : 1;
}
