// mPackFiles: whole-file and ranged reads, and the temporary-then-rename
// output files of the package builder. Paths are UTF-8, passed to the
// wide calls, so that any name the file system holds can be read.
#pragma once
#include <cstdint>
#include <string>
#include <vector>

// The longest path the builder's file calls take, its terminator counted.
constexpr size_t PackMaxPath = 260;

// Reads up to maximum bytes from offset; false with a message naming the
// file when it cannot be opened or read.
bool ReadFileRange(const std::string &path, int64_t offset, int64_t maximum, std::string &bytes, std::string &error);
// Writes bytes as the whole of a file, replacing any file of that name.
bool WriteFileBytes(const std::string &path, const std::string &bytes);
// Size of a file, or -1 when it cannot be opened.
int64_t FileSizeOf(const std::string &path);
bool IsFolder(const std::string &path);
std::string FullPathOf(const std::string &path);
// A UTF-8 name the system takes for a device in every folder (CON, NUL,
// COM0, CONIN$.txt, ...), by the extractor's own rule.
bool IsDeviceFileName(const std::string &name);
// Length of a path in the UTF-16 characters the system counts.
size_t PathLength(const std::string &path);
bool MovePath(const std::string &from, const std::string &to, bool replace);
bool PathExists(const std::string &path);
// A free name in path's folder for setting an old file aside.
std::string AsideNameOf(const std::string &path);
bool DeletePath(const std::string &path);
// A file (no folder, no device) that opens, with a path the file calls take.
bool IsReadableFile(const std::string &path);
// Why a file named for reading cannot serve: "is a folder", "is the
// device CON, not a file", "is longer than ...", "is missing", "is
// unreadable".
std::string WhyUnreadable(const std::string &path);
// The same, once the path's length and name are known to be usable.
std::string WhyFileIsUnreadable(const std::string &path);
// Folder part with a trailing backslash ("" for a bare name), and name part.
std::string FolderOf(const std::string &path);
std::string NameOf(const std::string &path);

// An output file that is written under a temporary name in its final
// folder and only renamed to its final name when complete.
struct TOutputFile {
    std::string FinalPath;
    std::string TempPath;
    void *Handle = nullptr;  // HANDLE of the temporary file while open
};
bool OpenOutput(const std::string &finalPath, TOutputFile &file, std::string &error);
bool WriteOutput(TOutputFile &file, const void *data, size_t count, std::string &error);
bool CloseOutput(TOutputFile &file, std::string &error);
// Replaces the final file (if any) by the temporary one.
bool CommitOutput(TOutputFile &file, std::string &error);
// Closes and deletes the temporary file; the final file is untouched.
void DiscardOutput(TOutputFile &file);
// Puts every output in place, or none: the files they replace are first
// set aside under temporary names, and put back when any step fails.
// Set-aside files that cannot be deleted afterwards (a running program)
// are named in leftovers.
bool CommitOutputs(std::vector<TOutputFile> &files, std::vector<std::string> &leftovers, std::string &error);

// The folder of this program, with a trailing separator.
std::string ProgramFolder();
// A new private folder in the temporary folder, with a trailing separator.
bool MakeScratchFolder(std::string &folder, std::string &error);
// Removes a scratch folder and the files in it.
void RemoveScratchFolder(const std::string &folder);
bool RemoveEmptyFolder(const std::string &folder);

struct TFolderEntry {
    std::string Name;
    bool IsFolder = false;
};
// The entries of folder (with a trailing separator) whose names match
// pattern ('*' and '?', letter case ignored), without "." and ".."; false
// when nothing matches or the folder cannot be listed.
bool ListFolder(const std::string &folder, const std::string &pattern, std::vector<TFolderEntry> &entries);

// What the set ID is made of for a source file; zeros when it cannot be read.
struct TFileStamp {
    uint64_t Size = 0;
    uint64_t WriteTime = 0;   // FILETIME ticks
    uint32_t Attributes = 0;  // FILE_ATTRIBUTE_* bits
};
TFileStamp FileStampOf(const std::string &path);
