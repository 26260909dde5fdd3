// mUtils: small path, file and text routines used by every subsystem.
// They keep no state, show nothing and report only through their results,
// so they may run on the main thread and the extraction thread at once.
// Only the backslash separates folders; a colon ends a drive prefix.
// Every comparison is exact and case-sensitive.
#pragma once
#include <cstdint>
#include <string>

// Folder form: appends one backslash unless the path already ends in one.
// An empty path stays empty.
std::string AddTrailingBackslash(const std::string &path);
// Removes one final backslash, if there is one. path must not be empty.
std::string DropTrailingBackslash(const std::string &path);

bool IsFolderPresent(const std::string &path);
// Last-write time as DOS date (high 16 bits) and time (low 16 bits), local
// time; -1 when there is no such file (a folder counts as no file).
int32_t GetFileDosTime(const std::string &path);
bool IsFilePresent(const std::string &path);

// Everything up to the last backslash or colon, in folder form; empty when
// there is neither.
std::string GetFolderPart(const std::string &path);
std::string GetNamePart(const std::string &path);
// Text after the last dot anywhere in the text (separators do not stop it).
std::string GetExtensionPart(const std::string &text);

// Creates the folder and its missing parents, outermost first. True when
// the folder exists afterwards (and for empty or two-character paths);
// false when a level cannot be made, including a path whose colon follows
// more than a drive letter ("ab:c", "C:\a:b"). Levels made before a
// failure stay.
bool CreateFolderTree(const std::string &folder);

std::string UpperCaseAscii(const std::string &text);
std::string Int64ToText(int64_t value);
// The text in a fixed buffer up to its first null, or all of it when the
// buffer holds none.
std::string TextOfBuffer(const char *buffer, size_t size);
// The caller guarantees room for source and its NUL.
char *CopyCString(char *destination, const char *source);
