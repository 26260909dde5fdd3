// mUtils: small path, file and number routines used by every subsystem.
// They keep no state, show nothing and report only through their results,
// so they may run on the main thread and the extraction thread at once.
// Only the backslash separates folders; a colon ends a drive prefix.
// Every comparison is exact and case-sensitive. Narrow texts and paths are
// in the text code page (TextCodePage): a lead byte and its trail byte are
// one character, so a trail byte 0x5C is never a backslash. The splitting
// rules are the format core's (uPathText), asked with the system's lead
// bytes; routines that take a code page use the text code page when given 0.
#pragma once
#include <cstdint>
#include <string>
#include "format/uPathText.h"
#include "util/mSpinLock.h"
#include "util/mWideText.h"

// The system's answer to which bytes lead a double-byte character in
// CodePage, the text code page for 0.
struct TSystemLeadBytes {
    unsigned CodePage;
    bool operator()(unsigned char byte) const;
};

// Where the character after the one that starts at 'at' begins.
inline size_t NextCharAt(const std::string &text, size_t at, unsigned codePage = 0)
{
    return NextCharAt(text, at, TSystemLeadBytes{codePage});
}
// Position of the last single-byte character of path that is one of
// separators, or npos.
inline size_t FindLastSeparator(const std::string &path, const char *separators, unsigned codePage = 0)
{
    return FindLastSeparator(path, separators, TSystemLeadBytes{codePage});
}

// Folder form: appends one backslash unless the path already ends in one.
// An empty path stays empty.
inline std::string AddTrailingBackslash(const std::string &path, unsigned codePage = 0)
{
    return AddTrailingBackslash(path, TSystemLeadBytes{codePage});
}
// Removes one final backslash, if there is one. path must not be empty.
inline std::string DropTrailingBackslash(const std::string &path, unsigned codePage = 0)
{
    return DropTrailingBackslash(path, TSystemLeadBytes{codePage});
}

bool IsFolderPresent(const std::string &path);
// Last-write time as DOS date (high 16 bits) and time (low 16 bits), local
// time; -1 when there is no such file (a folder counts as no file).
int32_t GetFileDosTime(const std::string &path);
bool IsFilePresent(const std::string &path);

// Everything up to the last backslash or colon, in folder form; empty when
// there is neither.
inline std::string GetFolderPart(const std::string &path, unsigned codePage = 0)
{
    return GetFolderPart(path, TSystemLeadBytes{codePage});
}
inline std::string GetNamePart(const std::string &path, unsigned codePage = 0)
{
    return GetNamePart(path, TSystemLeadBytes{codePage});
}
// GetExtensionPart, which needs no code page, is the format core's.

// Creates the folder and its missing parents, outermost first. True when
// the folder exists afterwards (and for empty or two-character paths);
// false when a level cannot be made, including a path whose colon follows
// more than a drive letter ("ab:c", "C:\a:b"), and at once when the path
// as given is longer than MaxPathLength. Levels made before a failure stay.
bool CreateFolderTree(const std::string &folder);

// The longest full path the file calls take on every Windows without the
// long-path prefix. A longer one is refused before the system sees it,
// never cut to fit.
const size_t MaxPathLength = 259;
// The temporary folder as GetTempPathW reports it, through AnsiPathOf,
// with a trailing backslash; empty when there is none.
std::string TempFolderPath();
// The file routines above, on wide paths. The narrow ones take this way.
bool IsFolderPresent(const wchar_t *path);
int32_t GetFileDosTime(const wchar_t *path);
bool IsFilePresent(const wchar_t *path);
bool CreateFolderTree(const wchar_t *folder);
inline bool IsFolderPresent(const std::wstring &path) { return IsFolderPresent(path.c_str()); }
inline int32_t GetFileDosTime(const std::wstring &path) { return GetFileDosTime(path.c_str()); }
inline bool IsFilePresent(const std::wstring &path) { return IsFilePresent(path.c_str()); }
inline bool CreateFolderTree(const std::wstring &folder) { return CreateFolderTree(folder.c_str()); }
// Folder part of a wide path: up to the last backslash or colon, in
// folder form; empty when there is neither. folder has room for the
// path's length and two more characters.
void GetFolderPart(const wchar_t *path, wchar_t *folder);

std::string UpperCaseAscii(const std::string &text);
std::string Int64ToText(int64_t value);
// The text in a fixed buffer up to its first null, or all of it when the
// buffer holds none.
std::string TextOfBuffer(const char *buffer, size_t size);
// The caller guarantees room for source and its NUL.
char *CopyCString(char *destination, const char *source);
