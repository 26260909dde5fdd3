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
typedef const wchar_t *LPCWSTR;
typedef wchar_t *LPWSTR;
typedef uint8_t BYTE;
typedef unsigned int UINT;

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

struct WIN32_FIND_DATAW {
    DWORD dwFileAttributes;
    FILETIME ftCreationTime;
    FILETIME ftLastAccessTime;
    FILETIME ftLastWriteTime;
};

#define FALSE 0
#define CP_ACP 0u
#define CP_UTF8 65001u
#define MB_ERR_INVALID_CHARS 0x8u
#define WC_NO_BEST_FIT_CHARS 0x400u
#define INVALID_HANDLE_VALUE (reinterpret_cast<HANDLE>(-1))
#define INVALID_FILE_ATTRIBUTES (static_cast<DWORD>(-1))
#define FILE_ATTRIBUTE_DIRECTORY 0x10u

inline DWORD GetFileAttributesA(LPCSTR) { __builtin_trap(); }
inline HANDLE FindFirstFileA(LPCSTR, WIN32_FIND_DATAA *) { __builtin_trap(); }
inline BOOL FindClose(HANDLE) { __builtin_trap(); }
inline BOOL FileTimeToLocalFileTime(const FILETIME *, FILETIME *) { __builtin_trap(); }
inline BOOL FileTimeToDosDateTime(const FILETIME *, WORD *, WORD *) { __builtin_trap(); }
inline BOOL CreateDirectoryA(LPCSTR, void *) { __builtin_trap(); }
inline DWORD GetFileAttributesW(LPCWSTR) { __builtin_trap(); }
inline HANDLE FindFirstFileW(LPCWSTR, WIN32_FIND_DATAW *) { __builtin_trap(); }
inline BOOL CreateDirectoryW(LPCWSTR, void *) { __builtin_trap(); }
inline DWORD GetShortPathNameW(LPCWSTR, LPWSTR, DWORD) { __builtin_trap(); }
inline DWORD GetTempPathW(DWORD, LPWSTR) { __builtin_trap(); }
inline int MultiByteToWideChar(UINT, DWORD, LPCSTR, int, LPWSTR, int) { __builtin_trap(); }
inline int WideCharToMultiByte(UINT, DWORD, LPCWSTR, int, char *, int, LPCSTR, BOOL *) { __builtin_trap(); }
inline BOOL IsValidCodePage(UINT) { __builtin_trap(); }
inline long InterlockedExchange(volatile long *, long) { __builtin_trap(); }
inline void Sleep(DWORD) { __builtin_trap(); }
// The path routines step over double-byte characters: the system's code
// page is taken to be Shift-JIS (932) here, so that the fuzzer exercises
// the stepping; any other code page has no lead bytes.
inline BOOL IsDBCSLeadByteEx(UINT codePage, BYTE b)
{
    return (codePage == CP_ACP || codePage == 932) && ((b >= 0x81 && b <= 0x9F) || (b >= 0xE0 && b <= 0xFC));
}
