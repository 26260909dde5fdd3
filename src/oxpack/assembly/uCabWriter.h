// uCabWriter: writes a cabinet set (MSCF) of our own: stored or MSZIP
// folders compressed through zlib on every core, split into continuation
// cabinets at a maximum size. Portable: it reaches files only through the
// TCabFiles table it is given, so it holds no platform header.
#pragma once
#include <cstdint>
#include <string>
#include <vector>

#include "mCabFiles.h"
#include "uPackage.h"

struct TCabinetRequest {
    std::vector<TPackFile> Files;
    TCompression Compression = TCompression::MsZip;
    uint32_t MaxCabinetSize = 0;      // 0: no limit
    std::string Folder;               // where the cabinets are written, trailing separator
    std::string FirstName;            // name recorded for the first cabinet
    std::string ContinuationStem;     // continuation n is Stem + n + ".cab", n from 2
    uint16_t SetId = 0;
    uint32_t FolderBytes = CabMaxFolderBytes;    // uncompressed bytes one folder may hold
    uint32_t BreakAfterFiles = 0;     // 0: never; else a new cabinet after every so many files
    uint32_t MaxFilesPerCabinet = CabMaxFiles;  // files one cabinet may list
    uint64_t LatestFileTime = 0;      // 0: none; else later file times (FILETIME) are recorded as it
    unsigned Jobs = 0;                // threads that compress; 0: one per core
    const TCabFiles *FileCalls = nullptr;  // null: PlatformCabFiles()
    TPackProgressSink Progress = nullptr;
    void *ProgressContext = nullptr;
};

// Cabinet files written, in set order; Names are the names recorded in
// the set, Paths the files in the request's folder.
struct TCabinetSet {
    std::vector<std::string> Names;
    std::vector<std::string> Paths;
};

// The attribute bit that marks a name in the cabinet as UTF-8.
constexpr unsigned short CabNameIsUtf8 = 0x80;

// Smallest maximum cabinet size accepted: room for the headers and a
// data block's worth of bytes.
constexpr uint32_t MinCabinetSize = 16384;

std::string ContinuationName(const std::string &stem, int index);
// Jobs a request with Jobs 0 uses: the machine's cores.
unsigned DefaultCabJobs();
bool WriteCabinetSet(const TCabinetRequest &request, TCabinetSet &set, std::string &error);
// Makes a WriteCabinetSet in progress (on any thread) fail at its next
// block or file, and every later one until called with false.
void AbortCabinetSet(bool abort);
bool CabinetSetAborted();
