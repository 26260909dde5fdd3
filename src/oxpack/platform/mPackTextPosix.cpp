// mPackText: POSIX. Text is UTF-8 throughout; another code page is
// converted through iconv, under the name glibc gives the Windows code
// page ("CP1252", ...). "Wide" text here is UTF-32, one wchar_t per
// character.
#include <iconv.h>
#include <wctype.h>

#include <cerrno>
#include <cstdio>

#include "mPackText.h"

namespace {

constexpr uint32_t Utf8CodePage = 65001;

// The iconv name of a Windows code page.
std::string IconvName(uint32_t codePage)
{
    if (codePage == 0 || codePage == Utf8CodePage)
        return "UTF-8";
    return "CP" + std::to_string(codePage);
}

// The Windows ANSI and OEM code pages, and whether glibc's table for each
// converts every character of the Basic Multilingual Plane as Windows
// does (the native test compares them all); where it does not, the native
// builder refuses the code page rather than write other bytes.
struct TNativeCodePage {
    uint32_t CodePage;
    const char *Difference;  // null: the same as Windows
};
const TNativeCodePage NativeCodePages[] = {
    {437, nullptr}, {737, nullptr}, {775, nullptr}, {850, nullptr}, {852, nullptr}, {855, nullptr},
    {857, nullptr}, {860, nullptr}, {861, nullptr}, {862, nullptr}, {863, nullptr},
    {864, "glibc writes the percent sign as another byte"}, {865, nullptr}, {866, nullptr}, {869, nullptr},
    {874, nullptr}, {932, nullptr}, {936, nullptr}, {949, nullptr},
    {950, "glibc writes four box-drawing characters as other bytes"}, {1250, nullptr}, {1251, nullptr},
    {1252, nullptr}, {1253, nullptr}, {1254, nullptr},
    {1255, "glibc composes Hebrew points and refuses or rewrites many characters"}, {1256, nullptr},
    {1257, nullptr}, {1258, "glibc composes Vietnamese tones, so ASCII letters do not stay single bytes"},
};

// Private-use characters Windows's table of a code page gives bytes and
// glibc's does not (the native test finds no other difference in the pages
// offered): the native builder refuses them, and says that oxpack.exe
// would take them.
struct TWindowsOnlyCharacters {
    uint32_t CodePage;
    wchar_t First, Last;
};
const TWindowsOnlyCharacters WindowsOnlyCharacters[] = {
    {857, 0xF8BB, 0xF8BD}, {874, 0xF8C1, 0xF8C8}, {932, 0xF8F0, 0xF8F3}, {936, 0xE000, 0xE864},
    {936, 0xF8F5, 0xF8F5}, {949, 0xE000, 0xE0BB}, {949, 0xF8F7, 0xF8F7}, {1253, 0xF8F9, 0xF8FB},
    {1257, 0xF8FC, 0xF8FD},
};

bool IsWindowsOnlyCharacter(uint32_t codePage, wchar_t c)
{
    for (const TWindowsOnlyCharacters &range : WindowsOnlyCharacters)
        if (range.CodePage == codePage && c >= range.First && c <= range.Last)
            return true;
    return false;
}

const TNativeCodePage *NativeCodePage(uint32_t codePage)
{
    for (const TNativeCodePage &page : NativeCodePages)
        if (page.CodePage == codePage)
            return &page;
    return nullptr;
}

std::string Utf8OfLatin1(unsigned char b)
{
    return b < 0x80 ? std::string(1, static_cast<char>(b))
                    : std::string{static_cast<char>(0xC0 | b >> 6), static_cast<char>(0x80 | (b & 0x3F))};
}

// One iconv pass over all of text; false on a character with no place or a
// code page iconv lacks. gapOf, when given, is the code page whose C1 gaps
// (below) are filled.
bool ConvertOnce(const std::string &from, const std::string &to, const std::string &text, std::string &out,
                 const std::string *gapOf);

// Windows gives each byte 0x80-0x9F that a code page leaves undefined the
// C1 control of the same value, both ways; glibc leaves both out.
bool IsC1Gap(const std::string &codePage, unsigned char b)
{
    std::string ignored;
    return b >= 0x80 && b <= 0x9F && !ConvertOnce(codePage, "UTF-8", std::string(1, static_cast<char>(b)), ignored, nullptr)
           && !ConvertOnce("UTF-8", codePage, Utf8OfLatin1(b), ignored, nullptr);
}

bool ConvertOnce(const std::string &from, const std::string &to, const std::string &text, std::string &out,
                 const std::string *gapOf)
{
    out.clear();
    iconv_t cd = iconv_open(to.c_str(), from.c_str());
    if (cd == reinterpret_cast<iconv_t>(-1))
        return false;
    std::string input = text;
    char *in = input.empty() ? nullptr : &input[0];
    size_t left = input.size();
    bool ok = true;
    while (ok && left > 0) {
        char buffer[4096];
        char *put = buffer;
        size_t room = sizeof buffer;
        const size_t done = iconv(cd, &in, &left, &put, &room);
        out.append(buffer, static_cast<size_t>(put - buffer));
        ok = done != static_cast<size_t>(-1) || errno == E2BIG;
        if (ok || errno != EILSEQ || !gapOf)
            continue;
        const unsigned char first = static_cast<unsigned char>(in[0]);
        const unsigned char second = left > 1 ? static_cast<unsigned char>(in[1]) : 0;
        if (from == "UTF-8" && first == 0xC2 && IsC1Gap(*gapOf, second)) {
            out += static_cast<char>(second);
            in += 2;
            left -= 2;
            ok = true;
        } else if (to == "UTF-8" && IsC1Gap(*gapOf, first)) {
            out += Utf8OfLatin1(first);
            ++in;
            --left;
            ok = true;
        }
    }
    iconv_close(cd);
    return ok;
}

// Converts all of text, or fails (a character with no place, or a code
// page iconv lacks).
bool Convert(const std::string &from, const std::string &to, const std::string &text, std::string &out)
{
    const bool toPage = from == "UTF-8" && to != "UTF-8", fromPage = to == "UTF-8" && from != "UTF-8";
    const std::string *gapOf = toPage && to.compare(0, 2, "CP") == 0     ? &to
                               : fromPage && from.compare(0, 2, "CP") == 0 ? &from
                                                                           : nullptr;
    return ConvertOnce(from, to, text, out, gapOf);
}

void PutUtf8(std::string &out, unsigned long code)
{
    if (code < 0x80) {
        out += static_cast<char>(code);
    } else if (code < 0x800) {
        out += static_cast<char>(0xC0 | code >> 6);
        out += static_cast<char>(0x80 | (code & 0x3F));
    } else if (code < 0x10000) {
        out += static_cast<char>(0xE0 | code >> 12);
        out += static_cast<char>(0x80 | (code >> 6 & 0x3F));
        out += static_cast<char>(0x80 | (code & 0x3F));
    } else {
        out += static_cast<char>(0xF0 | code >> 18);
        out += static_cast<char>(0x80 | (code >> 12 & 0x3F));
        out += static_cast<char>(0x80 | (code >> 6 & 0x3F));
        out += static_cast<char>(0x80 | (code & 0x3F));
    }
}

}  // namespace

std::wstring WideOf(const std::string &utf8)
{
    std::wstring wide;
    for (size_t i = 0; i < utf8.size();) {
        const unsigned char b = static_cast<unsigned char>(utf8[i]);
        const size_t length = b < 0x80 ? 1 : b >= 0xF0 ? 4 : b >= 0xE0 ? 3 : b >= 0xC0 ? 2 : 1;
        unsigned long code = length == 1 ? b : b & (0x7F >> length);
        for (size_t k = 1; k < length && i + k < utf8.size(); ++k)
            code = code << 6 | (static_cast<unsigned char>(utf8[i + k]) & 0x3F);
        wide += static_cast<wchar_t>(length == 1 && b >= 0x80 ? 0xFFFD : code);
        i += length;
    }
    return wide;
}

std::string Utf8Of(const wchar_t *wide)
{
    return Utf8Of(std::wstring(wide ? wide : L""));
}

std::string Utf8Of(const std::wstring &wide)
{
    std::string text;
    for (wchar_t c : wide)
        PutUtf8(text, static_cast<unsigned long>(c));
    return text;
}

bool HasCodePage(uint32_t codePage)
{
    if (codePage == 0 || codePage == Utf8CodePage)
        return true;
    const TNativeCodePage *page = NativeCodePage(codePage);
    std::string ignored;
    return page && !page->Difference && Convert("UTF-8", IconvName(codePage), "A", ignored);
}

std::string WhyCodePageIsMissing(uint32_t codePage)
{
    const std::string otherwise = "; build the package with oxpack.exe, or choose UTF-8 (65001)";
    const TNativeCodePage *page = NativeCodePage(codePage);
    if (page && page->Difference)
        return "the native oxpack refuses code page " + std::to_string(codePage)
               + ": its conversion here differs from Windows's (" + page->Difference + ")" + otherwise;
    if (page)
        return "this system's iconv has no code page " + std::to_string(codePage) + " (" + IconvName(codePage) + ")"
               + otherwise;
    std::string offered;
    for (const TNativeCodePage &each : NativeCodePages)
        if (!each.Difference)
            offered += std::to_string(each.CodePage) + ", ";
    return "the native oxpack offers code pages " + offered + "and 65001 only, not " + std::to_string(codePage)
           + otherwise;
}

bool TextInCodePage(const std::string &utf8, uint32_t codePage, std::string &bytes, std::string &lost)
{
    bytes.clear();
    lost.clear();
    if (codePage == 0 || codePage == Utf8CodePage) {
        bytes = utf8;
        return IsUtf8Text(utf8);
    }
    // Some of glibc's tables map a character to bytes that read back as
    // another (U+00A5 to a backslash in CP932); Windows refuses those, and
    // so must we: only a round trip proves the text whole.
    std::string back;
    if (Convert("UTF-8", IconvName(codePage), utf8, bytes) && Convert(IconvName(codePage), "UTF-8", bytes, back)
        && back == utf8)
        return true;
    // Name the first character that has no place, for the maker to find.
    const std::wstring wide = WideOf(utf8);
    for (wchar_t c : wide) {
        const std::string one = Utf8Of(std::wstring(1, c));
        std::string there;
        if (!Convert("UTF-8", IconvName(codePage), one, there) || !Convert(IconvName(codePage), "UTF-8", there, back)
            || back != one) {
            char text[16];
            std::snprintf(text, sizeof text, "U+%04lX", static_cast<unsigned long>(c));
            lost = std::string(text) + " \"" + one + "\"";
            if (IsWindowsOnlyCharacter(codePage, c))
                lost += " (a private-use character: Windows's table for this code page has it, the native "
                        "builder's iconv has not; oxpack.exe writes it)";
            break;
        }
    }
    return false;
}

std::string Utf8OfCodePage(const std::string &bytes, uint32_t codePage)
{
    std::string text;
    if (IsAsciiText(bytes) || codePage == 0 || codePage == Utf8CodePage
        || !Convert(IconvName(codePage), "UTF-8", bytes, text))
        return bytes;
    return text;
}

bool Utf8OfFileText(const std::string &bytes, std::string &utf8)
{
    const bool little = bytes.compare(0, 2, "\xFF\xFE") == 0, big = bytes.compare(0, 2, "\xFE\xFF") == 0;
    if (little || big) {
        Convert(little ? "UTF-16LE" : "UTF-16BE", "UTF-8", bytes.substr(2), utf8);
        return true;
    }
    utf8 = bytes.compare(0, 3, "\xEF\xBB\xBF") == 0 ? bytes.substr(3) : bytes;
    // The machine's own code page is UTF-8: nothing else to try.
    return IsUtf8Text(utf8);
}

uint32_t AnsiCodePage()
{
    return Utf8CodePage;
}

int CompareIgnoringCase(const std::string &a, const std::string &b)
{
    const std::wstring x = WideOf(UpperCaseOf(a)), y = WideOf(UpperCaseOf(b));
    return x.compare(y);
}

std::string UpperCaseOf(const std::string &utf8)
{
    std::wstring wide = WideOf(utf8);
    for (wchar_t &c : wide)
        c = static_cast<wchar_t>(towupper(static_cast<wint_t>(c)));
    return Utf8Of(wide);
}
