// uCabStreams: the seven callbacks through which the cabinet library does
// all its file and memory access. The embedded cabinet has no file of its
// own: the pseudo name EmbeddedCabinetName opens the package file, and
// every position on such a handle counts from the cabinet's first byte.
// A protected package's cabinets are unscrambled as they are read.
// Used only by the thread that runs the extraction.
#pragma once
#include "services/uRunPlan.h"
#include <cstdint>
#include <string>
#include "cabinet/hFDI.h"

extern const char EmbeddedCabinetName[];  // "lumbo"

// The file the pseudo name opens: the package itself (OwnFilePath).
extern std::string PackageFilePath;

// Set when a write fell short (a full disk, say). The cabinet library
// does not always stop on a short write, so the extraction checks this.
extern bool StreamWriteFailed;

// Must run before the first callback of a run: takes the package's path
// and the plan's cabinet offset, and derives the unscrambling key from its
// password once.
void PrepareStreams(const TRunPlan &plan);

FNALLOC(StreamAlloc);
FNFREE(StreamFree);
FNOPEN(StreamOpen);
FNREAD(StreamRead);
FNWRITE(StreamWrite);
FNCLOSE(StreamClose);
FNSEEK(StreamSeek);

// True for a handle StreamOpen returned for the pseudo name and that is
// still open. Recognising the package by its size instead would make a
// continuation cabinet of exactly that size read from the wrong offset.
bool IsPackageFile(INT_PTR handle);
