// mPackText: the routines of the text interface that need no system call,
// shared by the Windows and the POSIX build.
#include "mPackText.h"

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

bool IsUsableCodePage(uint32_t codePage, std::string &why)
{
    if (!HasCodePage(codePage)) {
        why = WhyCodePageIsMissing(codePage);
        return false;
    }
    std::string ascii, bytes, lost;
    for (char c = ' '; c < 0x7F; ++c)
        ascii += c;
    if (!TextInCodePage(ascii, codePage, bytes, lost) || bytes != ascii) {
        why = "code page " + std::to_string(codePage) + " does not write ASCII as ASCII, which the package's fixed "
              "lines and placeholders need";
        return false;
    }
    return true;
}
