// mUtils: small path, file and text routines used by every subsystem.
// They keep no state, show nothing and report only through their results,
// so they may run on the main thread and the extraction thread at once.
// Only the backslash separates folders; a colon ends a drive prefix.
// Every comparison is exact and case-sensitive. Narrow paths are in the
// ANSI code page: a lead byte and its trail byte are one character, so a
// trail byte 0x5C is never a backslash. The code page is the system's
// unless given (0 is CP_ACP).
#pragma once
#include <cstdint>
#include <string>

// Where the character after the one that starts at 'at' begins.
size_t NextCharAt(const std::string &text, size_t at, unsigned codePage = 0);
// Position of the last single-byte character of path that is one of
// separators, or npos.
size_t FindLastSeparator(const std::string &path, const char *separators, unsigned codePage = 0);

// Folder form: appends one backslash unless the path already ends in one.
// An empty path stays empty.
std::string AddTrailingBackslash(const std::string &path, unsigned codePage = 0);
// Removes one final backslash, if there is one. path must not be empty.
std::string DropTrailingBackslash(const std::string &path, unsigned codePage = 0);

bool IsFolderPresent(const std::string &path);
// Last-write time as DOS date (high 16 bits) and time (low 16 bits), local
// time; -1 when there is no such file (a folder counts as no file).
int32_t GetFileDosTime(const std::string &path);
bool IsFilePresent(const std::string &path);

// Everything up to the last backslash or colon, in folder form; empty when
// there is neither.
std::string GetFolderPart(const std::string &path, unsigned codePage = 0);
std::string GetNamePart(const std::string &path, unsigned codePage = 0);
// Text after the last dot anywhere in the text (separators do not stop it).
std::string GetExtensionPart(const std::string &text);

// Creates the folder and its missing parents, outermost first. True when
// the folder exists afterwards (and for empty or two-character paths);
// false when a level cannot be made, including a path whose colon follows
// more than a drive letter ("ab:c", "C:\a:b"). Levels made before a
// failure stay.
bool CreateFolderTree(const std::string &folder);

// The wide forms: a path in the ANSI code page made wide, and a name that
// a cabinet flags as UTF-8 decoded (false when it is not valid UTF-8).
std::wstring WidePath(const std::string &ansi);
bool WideFromUtf8(const char *utf8, std::wstring &wide);
// The ANSI form of an existing path; where a character has no place in the
// ANSI code page, its short (8.3) form, which the "A" calls can name.
std::string AnsiPathOf(const std::wstring &wide);
// The temporary folder as GetTempPathW reports it, through AnsiPathOf,
// with a trailing backslash; empty when there is none.
std::string TempFolderPath();
// The file routines above, on wide paths. The narrow ones take this way.
bool IsFolderPresent(const std::wstring &path);
int32_t GetFileDosTime(const std::wstring &path);
bool IsFilePresent(const std::wstring &path);
bool CreateFolderTree(const std::wstring &folder);
// Folder part of a wide path: up to the last backslash or colon, in
// folder form; empty when there is neither.
std::wstring GetFolderPart(const std::wstring &path);

std::string UpperCaseAscii(const std::string &text);
std::string Int64ToText(int64_t value);
// The text in a fixed buffer up to its first null, or all of it when the
// buffer holds none.
std::string TextOfBuffer(const char *buffer, size_t size);
// The caller guarantees room for source and its NUL.
char *CopyCString(char *destination, const char *source);
