// FOLDER CODEPAGE...: writes FOLDER/CODEPAGE.txt, what the builder's text
// layer makes of every character of the Basic Multilingual Plane in that
// code page: the bytes it stores ("-" when it refuses the character) and
// the text they read back as. Built natively and for Windows; the native
// test compares the two.
#include <cstdio>
#include <cstdlib>
#include <string>

#include "mPackText.h"

static std::string Hex(const std::string &bytes)
{
    std::string text;
    char two[3];
    for (unsigned char b : bytes)
        text += (std::snprintf(two, sizeof two, "%02X", b), two);
    return text;
}

int main(int argc, char **argv)
{
    for (int i = 2; i < argc; ++i) {
        const uint32_t codePage = static_cast<uint32_t>(std::strtoul(argv[i], nullptr, 10));
        std::FILE *out = std::fopen((std::string(argv[1]) + "/" + argv[i] + ".txt").c_str(), "wb");
        std::string why, bytes, lost;
        if (!out)
            return 1;
        if (!IsUsableCodePage(codePage, why))
            std::fprintf(out, "refused: %s\n", why.c_str());
        else
            std::fprintf(out, "usable\n");
        for (unsigned code = 1; why.empty() && code < 0x10000; ++code) {
            const std::string text = Utf8Of(std::wstring(1, static_cast<wchar_t>(code)));
            if (code >= 0xD800 && code <= 0xDFFF)
                continue;
            if (!TextInCodePage(text, codePage, bytes, lost)) {
                std::fprintf(out, "%04X -\n", code);
                continue;
            }
            const std::string back = Utf8OfCodePage(bytes, codePage);
            std::fprintf(out, "%04X %s %s\n", code, Hex(bytes).c_str(), back == text ? "=" : Hex(back).c_str());
        }
        std::fclose(out);
    }
    return argc < 3 ? 2 : 0;
}
