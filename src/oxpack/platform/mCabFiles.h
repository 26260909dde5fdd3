// mCabFiles: the file calls the cabinet writer makes, one table per
// platform (mCabFiles.cpp on Windows, mCabFilesPosix.cpp elsewhere).
#pragma once
#include <cstddef>
#include <cstdint>
#include <string>

// A source file as the cabinet records it.
struct TCabSourceInfo {
    int64_t Size = 0;
    uint16_t Date = 0, Time = 0;  // DOS date and time
    uint16_t Attributes = 0;      // read-only, hidden, system, archive
};

// The file calls the writer makes, passed in (as a table of plain
// procedures) so that each platform supplies its own. Paths are UTF-8.
// Read is positional, so that a file can be read again from any offset.
struct TCabFiles {
    // latestFileTime: 0, or a FILETIME; later times are recorded as it.
    void *(*OpenSource)(const std::string &path, uint64_t latestFileTime, TCabSourceInfo &info);
    bool (*ReadSource)(void *source, int64_t offset, char *buffer, size_t count);  // exactly count bytes
    void (*CloseSource)(void *source);
    void *(*CreateOutput)(const std::string &path);  // replaces any file of that name
    bool (*WriteOutput)(void *output, const char *data, size_t count);
    bool (*CloseOutput)(void *output);  // false: not everything reached the file
    void (*RemoveFile)(const std::string &path);
};

// The table of this build's platform (mCabFiles).
const TCabFiles &PlatformCabFiles();
