// mPackText: the builder's text encodings. Every path, name and message
// inside oxpack is UTF-8; the system is asked with the wide calls, and the
// settings block, whose texts are in the code page the package records,
// is the only place text is turned into another code page.
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
// Whether the system has codePage and it writes printable ASCII as ASCII,
// as the format's fixed lines and placeholders need; why not otherwise.
bool IsUsableCodePage(uint32_t codePage, std::string &why);
// The text in codePage (CP_ACP: this machine's ANSI code page); false when
// a character has no place in it (it would turn into a question mark),
// with that character as "U+00E9 \"é\"" in lost.
bool TextInCodePage(const std::string &utf8, uint32_t codePage, std::string &bytes, std::string &lost);
// Bytes of codePage (a settings line read back) as UTF-8.
std::string Utf8OfCodePage(const std::string &bytes, uint32_t codePage);
// The text of a file as UTF-8: UTF-8 with or without a byte-order mark,
// or UTF-16 LE or BE with one; false when it is neither, and then it was
// read in this machine's ANSI code page.
bool Utf8OfFileText(const std::string &bytes, std::string &utf8);
// Whether this system converts text in codePage at all, and the message
// when it does not.
bool HasCodePage(uint32_t codePage);
std::string WhyCodePageIsMissing(uint32_t codePage);
// This machine's ANSI code page (the code page CodePageOfMachine stands for).
uint32_t AnsiCodePage();
// The code page value that means "this machine's ANSI code page".
constexpr uint32_t CodePageOfMachine = 0;
// UTF-8 texts compared character by character, ignoring case as the file
// system does: negative, 0 or positive.
int CompareIgnoringCase(const std::string &a, const std::string &b);
// The text with every letter in upper case, as the file system compares.
std::string UpperCaseOf(const std::string &utf8);
// A count with thousands separated by commas, for messages: "65,535".
std::string WithThousands(int64_t n);
