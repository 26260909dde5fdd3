// mPackText: the builder's text encodings. Every path, name and message
// inside oxpack is UTF-8; the system is asked with the wide calls, and the
// settings block, which the extractor reads in its ANSI code page, is the
// only place text is turned into that code page.
#pragma once
#include <cstdint>
#include <string>

std::wstring WideOf(const std::string &utf8);
std::string Utf8Of(const std::wstring &wide);
std::string Utf8Of(const wchar_t *wide);
// Inline, so that the portable cabinet writer needs nothing else of this
// module.
inline bool IsAsciiText(const std::string &text)
{
    for (char c : text)
        if (static_cast<unsigned char>(c) > 0x7F)
            return false;
    return true;
}
// Well-formed UTF-8: no stray continuation byte, no overlong form, no
// surrogate, nothing above U+10FFFF.
bool IsUtf8Text(const std::string &text);
// The text in the ANSI code page of this machine; false when a character
// has no place in it (it would turn into a question mark).
bool AnsiOfUtf8(const std::string &utf8, std::string &ansi);
// Bytes of the ANSI code page (a settings line read back) as UTF-8.
std::string Utf8OfAnsi(const std::string &ansi);
// A count with thousands separated by commas, for messages: "65,535".
std::string WithThousands(int64_t n);
