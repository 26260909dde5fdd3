// mUtils: path, file and text routines. The splitting and text routines
// touch no system call; only the presence tests, the file time and the
// folder creation ask the file system.
#include "util/mUtils.h"
#include <cstring>

#include <windows.h>

namespace {

bool EndsWith(const std::string &text, char c)
{
    return !text.empty() && text[text.size() - 1] == c;
}

} // namespace

std::string AddTrailingBackslash(const std::string &path)
{
    if (path.empty() || EndsWith(path, '\\'))
        return path;
    return path + '\\';
}

std::string DropTrailingBackslash(const std::string &path)
{
    if (EndsWith(path, '\\'))
        return path.substr(0, path.size() - 1);
    return path;
}

bool IsFolderPresent(const std::string &path)
{
    DWORD attributes = GetFileAttributesA(path.c_str());
    return attributes != INVALID_FILE_ATTRIBUTES && (attributes & FILE_ATTRIBUTE_DIRECTORY);
}

int32_t GetFileDosTime(const std::string &path)
{
    WIN32_FIND_DATAA entry;
    HANDLE search = FindFirstFileA(path.c_str(), &entry);
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

bool IsFilePresent(const std::string &path)
{
    return GetFileDosTime(path) != -1;
}

std::string GetFolderPart(const std::string &path)
{
    size_t at = path.find_last_of("\\:");
    if (at == std::string::npos)
        return std::string();
    std::string folder = path.substr(0, at + 1);
    // "C:name" is relative to drive C's current folder; "C:\" names it
    // in folder form, which is what the callers append names to.
    if (path[at] == ':')
        folder += '\\';
    return folder;
}

std::string GetNamePart(const std::string &path)
{
    std::string folder = GetFolderPart(path);
    if (folder.empty())
        return path;
    // The folder part is searched, not assumed to be the prefix: after a
    // drive colon it carries an added backslash and is not found at all.
    size_t at = path.find(folder);
    if (at == std::string::npos)
        return path;
    std::string name = path;
    name.erase(at, folder.size());
    return name;
}

std::string GetExtensionPart(const std::string &text)
{
    size_t dot = text.rfind('.');
    if (dot == std::string::npos)
        return text;
    return text.substr(dot + 1);
}

bool CreateFolderTree(const std::string &folder)
{
    if (folder.empty())
        return true;
    std::string path = DropTrailingBackslash(folder);
    // Stops the recursion at a drive prefix such as "C:".
    if (path.size() < 3)
        return true;
    if (IsFolderPresent(path))
        return true;
    std::string parent = GetFolderPart(path);
    if (parent == path)
        return true;
    // A remainder ending in a colon ("ab:", "C:\a:") is not a drive prefix
    // and cannot be created; its folder part would only add the backslash
    // that the next level drops again, so the recursion would never end.
    if (EndsWith(path, ':'))
        return false;
    if (!CreateFolderTree(parent))
        return false;
    return CreateDirectoryA(path.c_str(), nullptr) != 0;
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
