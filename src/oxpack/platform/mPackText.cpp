// mPackText: conversions between UTF-8, UTF-16 and the ANSI code page.
#include <windows.h>

#include "mPackText.h"

#include <cstdio>

namespace {

std::wstring WideIn(UINT codePage, const std::string &text)
{
    if (text.empty())
        return std::wstring();
    const int n = MultiByteToWideChar(codePage, 0, text.data(), static_cast<int>(text.size()), nullptr, 0);
    std::wstring wide(static_cast<size_t>(n > 0 ? n : 0), L'\0');
    if (n > 0)
        MultiByteToWideChar(codePage, 0, text.data(), static_cast<int>(text.size()), &wide[0], n);
    return wide;
}

// Code pages whose conversion takes neither the best-fit flag nor the
// loss report.
bool TakesNoFlags(UINT codePage)
{
    return codePage == CP_UTF8 || codePage == CP_UTF7 || codePage == 42 || (codePage >= 50220 && codePage <= 50229)
           || (codePage >= 57002 && codePage <= 57011);
}

// False when a character is lost. A code page without a best-fit table
// may still map a character to one that reads differently, and UTF-8
// reports nothing: only a round trip proves the text whole.
bool NarrowIn(UINT codePage, const std::wstring &wide, std::string &bytes)
{
    bytes.clear();
    if (wide.empty())
        return true;
    const UINT page = codePage == CP_ACP ? GetACP() : codePage;
    const bool plain = TakesNoFlags(page);
    const DWORD flags = plain ? 0 : WC_NO_BEST_FIT_CHARS;
    BOOL lost = FALSE;
    const int length = static_cast<int>(wide.size());
    const int n = WideCharToMultiByte(page, flags, wide.data(), length, nullptr, 0, nullptr, plain ? nullptr : &lost);
    if (n <= 0 || lost)
        return false;
    bytes.assign(static_cast<size_t>(n), '\0');
    WideCharToMultiByte(page, flags, wide.data(), length, &bytes[0], n, nullptr, plain ? nullptr : &lost);
    return !lost && WideIn(page, bytes) == wide;
}

}  // namespace

std::wstring WideOf(const std::string &utf8)
{
    return WideIn(CP_UTF8, utf8);
}

std::string Utf8Of(const wchar_t *wide)
{
    return Utf8Of(std::wstring(wide ? wide : L""));
}

std::string Utf8Of(const std::wstring &wide)
{
    if (wide.empty())
        return std::string();
    const int n = WideCharToMultiByte(CP_UTF8, 0, wide.data(), static_cast<int>(wide.size()), nullptr, 0, nullptr, nullptr);
    std::string text(static_cast<size_t>(n > 0 ? n : 0), '\0');
    if (n > 0)
        WideCharToMultiByte(CP_UTF8, 0, wide.data(), static_cast<int>(wide.size()), &text[0], n, nullptr, nullptr);
    return text;
}

bool TextInCodePage(const std::string &utf8, uint32_t codePage, std::string &bytes, std::string &lost)
{
    bytes.clear();
    lost.clear();
    if (IsAsciiText(utf8) && (codePage == CP_ACP || codePage == CP_UTF8)) {
        bytes = utf8;
        return true;
    }
    const std::wstring wide = WideOf(utf8);
    if (NarrowIn(codePage, wide, bytes))
        return true;
    // Name the first character that has no place, for the maker to find.
    for (size_t i = 0; i < wide.size(); ++i) {
        const bool pair = i + 1 < wide.size() && IS_HIGH_SURROGATE(wide[i]) && IS_LOW_SURROGATE(wide[i + 1]);
        const std::wstring one = wide.substr(i, pair ? 2 : 1);
        std::string ignored;
        if (!NarrowIn(codePage, one, ignored)) {
            const unsigned long code = pair ? 0x10000 + ((wide[i] - 0xD800UL) << 10) + (wide[i + 1] - 0xDC00UL) : wide[i];
            char text[16];
            std::snprintf(text, sizeof text, "U+%04lX", code);
            lost = std::string(text) + " \"" + Utf8Of(one) + "\"";
            break;
        }
        i += pair ? 1 : 0;
    }
    return false;
}

std::string Utf8OfCodePage(const std::string &bytes, uint32_t codePage)
{
    return IsAsciiText(bytes) ? bytes : Utf8Of(WideIn(codePage, bytes));
}

bool Utf8OfFileText(const std::string &bytes, std::string &utf8)
{
    const bool little = bytes.compare(0, 2, "\xFF\xFE") == 0, big = bytes.compare(0, 2, "\xFE\xFF") == 0;
    if (little || big) {
        std::wstring wide;
        for (size_t i = 2; i + 1 < bytes.size(); i += 2) {
            const unsigned char a = static_cast<unsigned char>(bytes[i]), b = static_cast<unsigned char>(bytes[i + 1]);
            wide += static_cast<wchar_t>(little ? a | (b << 8) : (a << 8) | b);
        }
        utf8 = Utf8Of(wide);
        return true;
    }
    utf8 = bytes.compare(0, 3, "\xEF\xBB\xBF") == 0 ? bytes.substr(3) : bytes;
    if (IsUtf8Text(utf8))
        return true;
    // Neither: the text as older build scripts wrote it.
    utf8 = Utf8Of(WideIn(CP_ACP, bytes));
    return false;
}

uint32_t AnsiCodePage()
{
    return GetACP();
}

int CompareIgnoringCase(const std::string &a, const std::string &b)
{
    const std::wstring x = WideOf(a), y = WideOf(b);
    return CompareStringOrdinal(x.data(), static_cast<int>(x.size()), y.data(), static_cast<int>(y.size()), TRUE)
           - CSTR_EQUAL;
}

std::string UpperCaseOf(const std::string &utf8)
{
    std::wstring wide = WideOf(utf8);
    if (!wide.empty())
        CharUpperBuffW(&wide[0], static_cast<DWORD>(wide.size()));
    return Utf8Of(wide);
}

bool HasCodePage(uint32_t codePage)
{
    return IsValidCodePage(codePage) != FALSE;
}

std::string WhyCodePageIsMissing(uint32_t codePage)
{
    return "this system has no code page " + std::to_string(codePage);
}
