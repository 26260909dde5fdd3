// mUtils: path, file and text routines. The splitting and text routines
// ask the system only which bytes lead a double-byte character; the
// presence tests, the file time and the folder creation ask the file
// system, always through the wide calls.
#include "util/mUtils.h"
#include <cstring>

#include <windows.h>

size_t NextCharAt(const std::string &text, size_t at, unsigned codePage)
{
    if (at + 1 < text.size() && IsDBCSLeadByteEx(codePage, static_cast<BYTE>(text[at])))
        return at + 2;
    return at + 1;
}

namespace {

// Whether the last character is the single byte c.
bool EndsWith(const std::string &text, char c, unsigned codePage)
{
    char separators[2] = {c, '\0'};
    size_t at = FindLastSeparator(text, separators, codePage);
    return at != std::string::npos && at + 1 == text.size();
}

} // namespace

size_t FindLastSeparator(const std::string &path, const char *separators, unsigned codePage)
{
    size_t found = std::string::npos;
    // A byte below 0x80 that starts a character is that character.
    for (size_t at = 0; at < path.size(); at = NextCharAt(path, at, codePage))
        for (const char *s = separators; *s; ++s)
            if (path[at] == *s)
                found = at;
    return found;
}

std::string AddTrailingBackslash(const std::string &path, unsigned codePage)
{
    if (path.empty() || EndsWith(path, '\\', codePage))
        return path;
    return path + '\\';
}

std::string DropTrailingBackslash(const std::string &path, unsigned codePage)
{
    if (EndsWith(path, '\\', codePage))
        return path.substr(0, path.size() - 1);
    return path;
}

std::wstring WidePath(const std::string &ansi)
{
    int n = ansi.empty() ? 0 : MultiByteToWideChar(CP_ACP, 0, ansi.data(), static_cast<int>(ansi.size()), nullptr, 0);
    std::wstring wide(static_cast<size_t>(n), L'\0');
    if (n > 0)
        MultiByteToWideChar(CP_ACP, 0, ansi.data(), static_cast<int>(ansi.size()), &wide[0], n);
    return wide;
}

bool WideFromUtf8(const char *utf8, std::wstring &wide)
{
    wide.clear();
    int n = MultiByteToWideChar(CP_UTF8, MB_ERR_INVALID_CHARS, utf8, -1, nullptr, 0);
    if (n <= 0)
        return false;
    wide.resize(static_cast<size_t>(n));
    MultiByteToWideChar(CP_UTF8, MB_ERR_INVALID_CHARS, utf8, -1, &wide[0], n);
    wide.resize(static_cast<size_t>(n - 1));
    return true;
}

std::string AnsiPathOf(const std::wstring &wide)
{
    std::wstring path = wide;
    for (int pass = 0; pass < 2; ++pass) {
        BOOL lost = FALSE;
        int n = WideCharToMultiByte(CP_ACP, WC_NO_BEST_FIT_CHARS, path.c_str(), -1, nullptr, 0, nullptr, &lost);
        if (!lost || pass == 1) {
            std::string ansi(static_cast<size_t>(n > 0 ? n : 1), '\0');
            if (n > 0)
                WideCharToMultiByte(CP_ACP, WC_NO_BEST_FIT_CHARS, path.c_str(), -1, &ansi[0], n, nullptr, nullptr);
            ansi.resize(ansi.size() - 1);
            return ansi;
        }
        wchar_t shortPath[1024];
        DWORD length = GetShortPathNameW(wide.c_str(), shortPath, 1024);
        if (length > 0 && length < 1024)
            path.assign(shortPath, length);
    }
    return std::string();
}

std::string TempFolderPath()
{
    wchar_t buffer[1024];
    DWORD length = GetTempPathW(1024, buffer);
    // A result larger than the buffer is the size it would need, not a path.
    if (length == 0 || length >= 1024)
        return std::string();
    return AddTrailingBackslash(AnsiPathOf(std::wstring(buffer, length)));
}

bool IsFolderPresent(const std::string &path)
{
    return IsFolderPresent(WidePath(path));
}

bool IsFolderPresent(const std::wstring &path)
{
    DWORD attributes = GetFileAttributesW(path.c_str());
    return attributes != INVALID_FILE_ATTRIBUTES && (attributes & FILE_ATTRIBUTE_DIRECTORY);
}

int32_t GetFileDosTime(const std::string &path)
{
    return GetFileDosTime(WidePath(path));
}

int32_t GetFileDosTime(const std::wstring &path)
{
    WIN32_FIND_DATAW entry;
    HANDLE search = FindFirstFileW(path.c_str(), &entry);
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

bool IsFilePresent(const std::wstring &path)
{
    return GetFileDosTime(path) != -1;
}

std::string GetFolderPart(const std::string &path, unsigned codePage)
{
    size_t at = FindLastSeparator(path, "\\:", codePage);
    if (at == std::string::npos)
        return std::string();
    std::string folder = path.substr(0, at + 1);
    // "C:name" is relative to drive C's current folder; "C:\" names it
    // in folder form, which is what the callers append names to.
    if (path[at] == ':')
        folder += '\\';
    return folder;
}

std::wstring GetFolderPart(const std::wstring &path)
{
    size_t at = path.find_last_of(L"\\:");
    if (at == std::wstring::npos)
        return std::wstring();
    return path.substr(0, at + 1) + (path[at] == L':' ? L"\\" : L"");
}

std::string GetNamePart(const std::string &path, unsigned codePage)
{
    std::string folder = GetFolderPart(path, codePage);
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
    return CreateFolderTree(WidePath(folder));
}

bool CreateFolderTree(const std::wstring &folder)
{
    if (folder.empty())
        return true;
    std::wstring path = folder;
    if (path.back() == L'\\')
        path.pop_back();
    // Stops the recursion at a drive prefix such as "C:".
    if (path.size() < 3)
        return true;
    if (IsFolderPresent(path))
        return true;
    std::wstring parent = GetFolderPart(path);
    if (parent == path)
        return true;
    // A remainder ending in a colon ("ab:", "C:\a:") is not a drive prefix
    // and cannot be created; its folder part would only add the backslash
    // that the next level drops again, so the recursion would never end.
    if (path.back() == L':')
        return false;
    if (!CreateFolderTree(parent))
        return false;
    return CreateDirectoryW(path.c_str(), nullptr) != 0;
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
