// mLZ_API: makes the cabinet library available and binds its FDI entry
// points (hFDI.h). Runs once on the main thread before any other thread.
#pragma once
#include <cstdint>
#include <string>
#include <windows.h>

extern HMODULE LibraryHandle;

// True when the library is loaded and all four entry points are bound.
bool LoadCabinetLibrary(int32_t libraryOffset, int32_t libraryLength, const std::string &folder);
