// mLZ_API: makes the cabinet library available and binds its FDI entry
// points (hFDI.h): the system's own copy, or else the compressed copy the
// package carries, expanded into the system folder with the system's LZ
// routines. Runs once on the main thread before any other thread.
#pragma once
#include <cstdint>
#include <string>
#include <windows.h>

extern HMODULE LibraryHandle;

// Limits every later library load without a full path to the system
// folder. Called first thing in the process: a download folder is also the
// folder the package starts in, and libraries planted there (cabinet.dll,
// or those that common controls and shell helpers load) must never run.
void RestrictLibrarySearch();

// True when the library is loaded and all four entry points are bound.
// folder is the system folder (folder form).
bool LoadCabinetLibrary(int32_t libraryOffset, int32_t libraryLength, const std::string &folder);
// Expands an SZDD file (other data is copied unchanged); true when the
// target exists afterwards.
bool ExpandCompressedFile(const std::string &source, const std::string &target);
