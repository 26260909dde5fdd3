// The few Windows types and calls that the fuzzed sources name, for a
// native build. The fuzzed routines are pure: none of these calls may run,
// so each one stops the target at once (a pure routine that reached the
// file system would be a finding in itself).
#pragma once
#include <cstdint>

typedef uint32_t DWORD;
typedef uint16_t WORD;
typedef int BOOL;
typedef void *HANDLE;
typedef const char *LPCSTR;

struct FILETIME {
    DWORD dwLowDateTime;
    DWORD dwHighDateTime;
};

struct WIN32_FIND_DATAA {
    DWORD dwFileAttributes;
    FILETIME ftCreationTime;
    FILETIME ftLastAccessTime;
    FILETIME ftLastWriteTime;
};

#define INVALID_HANDLE_VALUE (reinterpret_cast<HANDLE>(-1))
#define INVALID_FILE_ATTRIBUTES (static_cast<DWORD>(-1))
#define FILE_ATTRIBUTE_DIRECTORY 0x10u

inline DWORD GetFileAttributesA(LPCSTR) { __builtin_trap(); }
inline HANDLE FindFirstFileA(LPCSTR, WIN32_FIND_DATAA *) { __builtin_trap(); }
inline BOOL FindClose(HANDLE) { __builtin_trap(); }
inline BOOL FileTimeToLocalFileTime(const FILETIME *, FILETIME *) { __builtin_trap(); }
inline BOOL FileTimeToDosDateTime(const FILETIME *, WORD *, WORD *) { __builtin_trap(); }
inline BOOL CreateDirectoryA(LPCSTR, void *) { __builtin_trap(); }
