// mPackFiles: whole-file and ranged reads, and the temporary-then-rename
// output files of the package builder.
#pragma once
#include <cstdint>
#include <string>

// Reads up to maximum bytes from offset; false with a message naming the
// file when it cannot be opened or read.
bool ReadFileRange(const std::string &path, int64_t offset, int64_t maximum, std::string &bytes, std::string &error);
// Size of a file, or -1 when it cannot be opened.
int64_t FileSizeOf(const std::string &path);
bool IsFolder(const std::string &path);
std::string FullPathOf(const std::string &path);
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
