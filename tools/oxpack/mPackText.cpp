// mPackText: conversions between UTF-8, UTF-16 and the ANSI code page.
#include <windows.h>

#include "mPackText.h"

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

bool IsUtf8Text(const std::string &text)
{
    const size_t n = text.size();
    for (size_t i = 0; i < n;) {
        const unsigned char b = static_cast<unsigned char>(text[i]);
        if (b < 0x80) {
            ++i;
            continue;
        }
        size_t length;
        unsigned long code;
        if (b >= 0xC2 && b <= 0xDF) {
            length = 2;
            code = b & 0x1F;
        } else if (b >= 0xE0 && b <= 0xEF) {
            length = 3;
            code = b & 0x0F;
        } else if (b >= 0xF0 && b <= 0xF4) {
            length = 4;
            code = b & 0x07;
        } else {
            return false;
        }
        if (n - i < length)
            return false;
        for (size_t k = 1; k < length; ++k) {
            const unsigned char t = static_cast<unsigned char>(text[i + k]);
            if ((t & 0xC0) != 0x80)
                return false;
            code = (code << 6) | (t & 0x3F);
        }
        if ((length == 3 && (code < 0x800 || (code >= 0xD800 && code <= 0xDFFF)))
            || (length == 4 && (code < 0x10000 || code > 0x10FFFF)))
            return false;
        i += length;
    }
    return true;
}

bool AnsiOfUtf8(const std::string &utf8, std::string &ansi)
{
    ansi.clear();
    if (IsAsciiText(utf8)) {
        ansi = utf8;
        return true;
    }
    const std::wstring wide = WideOf(utf8);
    // A UTF-8 ANSI code page takes neither the flag nor the loss report,
    // and loses nothing.
    const bool utf8CodePage = GetACP() == CP_UTF8;
    const DWORD flags = utf8CodePage ? 0 : WC_NO_BEST_FIT_CHARS;
    BOOL lost = FALSE;
    const int n = WideCharToMultiByte(CP_ACP, flags, wide.data(), static_cast<int>(wide.size()), nullptr, 0, nullptr,
                                      utf8CodePage ? nullptr : &lost);
    if (n <= 0 || lost)
        return false;
    ansi.assign(static_cast<size_t>(n), '\0');
    WideCharToMultiByte(CP_ACP, flags, wide.data(), static_cast<int>(wide.size()), &ansi[0], n, nullptr,
                        utf8CodePage ? nullptr : &lost);
    // A code page without a best-fit table may still map a character to
    // one that reads differently; only a round trip proves it.
    return !lost && WideIn(CP_ACP, ansi) == wide;
}

std::string Utf8OfAnsi(const std::string &ansi)
{
    return IsAsciiText(ansi) ? ansi : Utf8Of(WideIn(CP_ACP, ansi));
}

std::string WithThousands(int64_t n)
{
    std::string digits = std::to_string(n), out;
    for (size_t i = 0; i < digits.size(); ++i) {
        if (i > 0 && (digits.size() - i) % 3 == 0)
            out += ',';
        out += digits[i];
    }
    return out;
}
