// The extractor's ASCII upper-casing for the settings reader, in a native
// build, where the rest of the extractor's text utilities (Windows calls
// throughout) cannot come along.
#include "util/mUtils.h"

std::string UpperCaseAscii(const std::string &text)
{
    std::string upper = text;
    for (char &c : upper)
        if (c >= 'a' && c <= 'z')
            c = static_cast<char>(c - 0x20);
    return upper;
}
