// mUtils: path, file and number routines. The splitting routines follow
// the format core's path rules, with the system's answer to which bytes
// lead a double-byte character; the presence tests, the file time and the
// folder creation ask the file system, always through the wide calls.
#include "util/mUtils.h"
#include <cstring>
#include "format/uPathText.h"

#include <windows.h>

bool TSystemLeadBytes::operator()(unsigned char byte) const
{
    return IsDBCSLeadByteEx(CodePage ? CodePage : TextCodePage(), byte) != FALSE;
}

std::string TempFolderPath()
{
    wchar_t buffer[1024];
    DWORD length = GetTempPathW(1024, buffer);
    // A result larger than the buffer is the size it would need, not a path.
    if (length == 0 || length >= 1024)
        return std::string();
    return AddTrailingBackslash(AnsiPathOf(buffer));
}

bool IsFolderPresent(const std::string &path)
{
    return IsFolderPresent(TWideText(path).Text);
}

bool IsFolderPresent(const wchar_t *path)
{
    DWORD attributes = GetFileAttributesW(path);
    return attributes != INVALID_FILE_ATTRIBUTES && (attributes & FILE_ATTRIBUTE_DIRECTORY);
}

int32_t GetFileDosTime(const std::string &path)
{
    return GetFileDosTime(TWideText(path).Text);
}

int32_t GetFileDosTime(const wchar_t *path)
{
    WIN32_FIND_DATAW entry;
    HANDLE search = FindFirstFileW(path, &entry);
    if (search == INVALID_HANDLE_VALUE)
        return -1;
    FindClose(search);
    // A folder is never a file to the callers, who ask before writing one.
    if (entry.dwFileAttributes & FILE_ATTRIBUTE_DIRECTORY)
        return -1;
    FILETIME local;
    WORD date, time;
    if (!FileTimeToLocalFileTime(&entry.ftLastWriteTime, &local) ||
        !FileTimeToDosDateTime(&local, &date, &time))
        return -1;
    return static_cast<int32_t>((static_cast<uint32_t>(date) << 16) | time);
}

namespace {

// Not through the file's time: a file dated before 1980 has no DOS time
// and is present all the same.
bool IsFileAttributes(DWORD attributes)
{
    return attributes != INVALID_FILE_ATTRIBUTES && !(attributes & FILE_ATTRIBUTE_DIRECTORY);
}

} // namespace

bool IsFilePresent(const std::string &path)
{
    return IsFilePresent(TWideText(path).Text);
}

bool IsFilePresent(const wchar_t *path)
{
    return IsFileAttributes(GetFileAttributesW(path));
}

namespace {

// Where the folder part of path[0, length) ends: after its last backslash
// or colon; 0 when there is neither.
size_t FolderPartEnd(const wchar_t *path, size_t length)
{
    while (length > 0 && path[length - 1] != L'\\' && path[length - 1] != L':')
        --length;
    return length;
}

// The tree down to path, which holds length characters after one final
// backslash was dropped; each parent is ended in place while it is made,
// then given back its character.
bool CreateLevels(wchar_t *path, size_t length)
{
    if (length < 3 || IsFolderPresent(path))
        return true;
    const size_t end = FolderPartEnd(path, length);
    // The folder part is the path itself.
    if (end == length && path[length - 1] == L'\\')
        return true;
    // A remainder ending in a colon ("ab:", "C:\a:") is not a drive prefix
    // and cannot be created; its folder part would only add the backslash
    // that the next level drops again, so the recursion would never end.
    if (path[length - 1] == L':')
        return false;
    if (end > 0) {
        const size_t parentLength = path[end - 1] == L'\\' ? end - 1 : end;
        const wchar_t kept = path[parentLength];
        path[parentLength] = L'\0';
        const bool made = CreateLevels(path, parentLength);
        path[parentLength] = kept;
        if (!made)
            return false;
    }
    return CreateDirectoryW(path, nullptr) != 0;
}

} // namespace

void GetFolderPart(const wchar_t *path, wchar_t *folder)
{
    const size_t end = FolderPartEnd(path, WideLength(path));
    CopyWide(folder, path, end + 1);
    if (end > 0 && path[end - 1] == L':')
        CopyWide(folder + end, L"\\", 2);
}

bool CreateFolderTree(const std::string &folder)
{
    return CreateFolderTree(TWideText(folder).Text);
}

bool CreateFolderTree(const wchar_t *folder)
{
    size_t length = WideLength(folder);
    if (length == 0)
        return true;
    // Nothing below a folder that long fits the file calls: refused before
    // any level is made, so that a refused destination leaves nothing.
    if (length > MaxPathLength)
        return false;
    TWideText path(length);
    CopyWide(path.Text, folder, length + 1);
    if (path.Text[length - 1] == L'\\')
        path.Text[--length] = L'\0';
    return CreateLevels(path.Text, length);
}

std::string UpperCaseAscii(const std::string &text)
{
    std::string upper = text;
    for (char &c : upper)
        if (c >= 'a' && c <= 'z')
            c = static_cast<char>(c - 0x20);
    return upper;
}

// Divides value by ten in place and returns the remainder. Done bit by bit
// so that the extractor needs no 64-bit division routine from the runtime.
static unsigned DivideByTen(uint64_t &value)
{
    uint64_t quotient = 0;
    unsigned remainder = 0;
    for (int bit = 63; bit >= 0; --bit) {
        remainder = (remainder << 1) | (static_cast<unsigned>(value >> bit) & 1);
        quotient <<= 1;
        if (remainder >= 10) {
            remainder -= 10;
            quotient |= 1;
        }
    }
    value = quotient;
    return remainder;
}

std::string Int64ToText(int64_t value)
{
    // The magnitude is taken unsigned so that the most negative value,
    // which has no positive counterpart, converts too.
    uint64_t magnitude = value < 0 ? 0 - static_cast<uint64_t>(value) : static_cast<uint64_t>(value);
    char digits[21];
    size_t at = sizeof digits;
    do {
        digits[--at] = static_cast<char>('0' + DivideByTen(magnitude));
    } while (magnitude != 0);
    if (value < 0)
        digits[--at] = '-';
    return std::string(digits + at, sizeof digits - at);
}

std::string TextOfBuffer(const char *buffer, size_t size)
{
    const void *end = memchr(buffer, 0, size);
    return std::string(buffer, end ? static_cast<const char *>(end) - buffer : size);
}

char *CopyCString(char *destination, const char *source)
{
    char *out = destination;
    while ((*out++ = *source++) != '\0') {
    }
    return destination;
}
