#include "cabinet/mLZ_API.h"
#include "cabinet/hFDI.h"

HMODULE LibraryHandle = nullptr;
TFDICreate pFDICreate = nullptr;
TFDIIsCabinet pFDIIsCabinet = nullptr;
TFDICopy pFDICopy = nullptr;
TFDIDestroy pFDIDestroy = nullptr;

template <typename T> void Bind(T &entry, const char *name)
{
    entry = reinterpret_cast<T>(reinterpret_cast<void *>(GetProcAddress(LibraryHandle, name)));
}

// Uses the system's cabinet library, loaded by its full path in the system
// folder: a bare name would also find a "cabinet.dll" planted beside the
// package (a download folder), and run it. Expanding the package's
// compressed copy for systems without one is not built yet, so such a
// system gets false (and the caller's fatal report).
bool LoadCabinetLibrary(int32_t, int32_t, const std::string &folder)
{
    LibraryHandle = LoadLibraryA((folder + "cabinet.dll").c_str());
    if (!LibraryHandle)
        return false;
    Bind(pFDICreate, "FDICreate");
    Bind(pFDIIsCabinet, "FDIIsCabinet");
    Bind(pFDICopy, "FDICopy");
    Bind(pFDIDestroy, "FDIDestroy");
    // A library without all four entry points cannot be called safely.
    return pFDICreate && pFDIIsCabinet && pFDICopy && pFDIDestroy;
}
