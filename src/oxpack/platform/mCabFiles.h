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

// A builder path as the POSIX calls take it: the builder joins paths with
// backslashes, as Windows does, so a native build turns them into slashes
// (and so cannot read a name that holds a backslash).
inline std::string PosixPathOf(std::string path)
{
    for (char &c : path)
        if (c == '\\')
            c = '/';
    return path;
}

// The attributes a POSIX file shows under Wine, which the native build
// copies: archive always; read-only when no write permission bit is set;
// hidden when the name starts with a dot, but only where Wine looks at the
// name (a query by name, a folder listing), not through an open file.
inline uint16_t PosixAttributesOf(const std::string &path, unsigned mode, bool byName)
{
    const size_t cut = path.find_last_of("/\\");
    const bool dotted = path.size() > (cut == std::string::npos ? 0 : cut + 1)
                        && path[cut == std::string::npos ? 0 : cut + 1] == '.';
    return static_cast<uint16_t>(0x20 | ((mode & 0222) ? 0 : 0x01) | (dotted && byName ? 0x02 : 0));
}
