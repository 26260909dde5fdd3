// mWideText: the text code page, and narrow and wide text. A UTF-8 code
// page takes no conversion flags; every other one is asked to say which
// characters it lacks, so that a path can fall back to its short form.
#include <windows.h>
#include "util/mWideText.h"

namespace {

// Set once on the main thread before any other thread exists, then only
// read: the conversions below run on both threads.
unsigned NarrowCodePage = CP_ACP;

} // namespace

unsigned TextCodePage()
{
    return NarrowCodePage;
}

bool UseTextCodePage(unsigned codePage)
{
    if (!IsValidCodePage(codePage))
        return false;
    NarrowCodePage = codePage;
    return true;
}

std::wstring WidePath(const std::string &ansi)
{
    int n = ansi.empty() ? 0 : MultiByteToWideChar(NarrowCodePage, 0, ansi.data(), static_cast<int>(ansi.size()), nullptr, 0);
    std::wstring wide(static_cast<size_t>(n), L'\0');
    if (n > 0)
        MultiByteToWideChar(NarrowCodePage, 0, ansi.data(), static_cast<int>(ansi.size()), &wide[0], n);
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

TWideText::TWideText(size_t capacity) : Text(new wchar_t[capacity + 1])
{
    Text[0] = L'\0';
}

TWideText::TWideText(const std::string &ansi, const wchar_t *tail)
{
    const int size = static_cast<int>(ansi.size());
    const int n = size == 0 ? 0 : MultiByteToWideChar(NarrowCodePage, 0, ansi.data(), size, nullptr, 0);
    Text = new wchar_t[static_cast<size_t>(n) + WideLength(tail) + 1];
    if (n > 0)
        MultiByteToWideChar(NarrowCodePage, 0, ansi.data(), size, Text, n);
    CopyWide(Text + n, tail, static_cast<size_t>(-1));
}

size_t WideLength(const wchar_t *text)
{
    size_t length = 0;
    while (text[length])
        ++length;
    return length;
}

void CopyWide(wchar_t *to, const wchar_t *from, size_t room)
{
    while (--room && *from)
        *to++ = *from++;
    *to = L'\0';
}

namespace {

// A UTF-8 code page takes no flags: the conversion is then made without.
std::string Narrow(const wchar_t *wide, DWORD flags)
{
    int n = WideCharToMultiByte(NarrowCodePage, flags, wide, -1, nullptr, 0, nullptr, nullptr);
    if (n == 0) {
        flags = 0;
        n = WideCharToMultiByte(NarrowCodePage, 0, wide, -1, nullptr, 0, nullptr, nullptr);
    }
    std::string narrow(static_cast<size_t>(n > 0 ? n : 1), '\0');
    if (n > 0)
        WideCharToMultiByte(NarrowCodePage, flags, wide, -1, &narrow[0], n, nullptr, nullptr);
    narrow.resize(narrow.size() - 1);
    return narrow;
}

// The path, or its short (8.3) form where the code page lacks one of its
// characters (and the file system has such a form).
const wchar_t *ShortWhereLost(const wchar_t *wide, UINT codePage, wchar_t *shortPath)
{
    // Without best-fit characters, a character the code page lacks never
    // becomes a look-alike that names another file. A UTF-8 code page
    // refuses the loss report and loses nothing.
    BOOL lost = FALSE;
    WideCharToMultiByte(codePage, WC_NO_BEST_FIT_CHARS, wide, -1, nullptr, 0, nullptr, &lost);
    const DWORD length = lost ? GetShortPathNameW(wide, shortPath, 1024) : 0;
    return length > 0 && length < 1024 ? shortPath : wide;
}

} // namespace

std::string NarrowText(const wchar_t *wide)
{
    return Narrow(wide, 0);
}

std::string AnsiPathOf(const wchar_t *wide)
{
    wchar_t shortPath[1024];
    return Narrow(ShortWhereLost(wide, NarrowCodePage, shortPath), WC_NO_BEST_FIT_CHARS);
}

std::string PathForAnsiPrograms(const std::string &path)
{
    wchar_t shortPath[1024];
    return Narrow(ShortWhereLost(TWideText(path).Text, CP_ACP, shortPath), WC_NO_BEST_FIT_CHARS);
}

