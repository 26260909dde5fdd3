// uFileNameRule: the name rule of uFileNameRule.h. Byte comparisons only:
// the device names are plain ASCII, and the system's own upper-casing of
// other bytes cannot turn them into one.
#include "uFileNameRule.h"

namespace {

bool IsSeparator(char c)
{
    return c == '\\' || c == '/';
}

bool IsForbiddenByte(unsigned char c)
{
    switch (c) {
    case '*': case '?': case '<': case '>': case '|': case '"': case ':':
        return true;
    default:
        return c < 32;
    }
}

char Upper(char c)
{
    return c >= 'a' && c <= 'z' ? static_cast<char>(c - 0x20) : c;
}

bool IsSafeLevel(const std::string &level)
{
    for (char c : level)
        if (IsForbiddenByte(static_cast<unsigned char>(c)))
            return false;
    if (!level.empty() && (level.back() == '.' || level.back() == ' '))
        return false;
    return !IsDeviceName(level);
}

} // namespace

// The system takes a level as a device when the part before its first dot,
// without trailing blanks, is a device name: "con", "Con.txt", "NUL .x".
// The superscript digits are those of the Windows Latin code page, which
// the system counts as port numbers too.
bool IsDeviceName(const std::string &level)
{
    size_t end = level.find('.');
    if (end == std::string::npos)
        end = level.size();
    while (end > 0 && level[end - 1] == ' ')
        --end;
    std::string base;
    for (size_t i = 0; i < end; ++i)
        base += Upper(level[i]);
    if (base == "CON" || base == "PRN" || base == "AUX" || base == "NUL" || base == "CONIN$" ||
        base == "CONOUT$")
        return true;
    if (base.size() != 4 || (base.compare(0, 3, "COM") != 0 && base.compare(0, 3, "LPT") != 0))
        return false;
    const char digit = base[3];
    return (digit >= '0' && digit <= '9') || digit == '\xB9' || digit == '\xB2' || digit == '\xB3';
}

bool IsSafeCabinetName(const std::string &name)
{
    if (name.empty() || IsSeparator(name[0]))
        return false;
    size_t start = 0;
    while (start <= name.size()) {
        size_t end = start;
        while (end < name.size() && !IsSeparator(name[end]))
            ++end;
        if (!IsSafeLevel(name.substr(start, end - start)))
            return false;
        start = end + 1;
    }
    return true;
}

bool IsSafeNextCabinetName(const std::string &name)
{
    for (char c : name)
        if (IsSeparator(c))
            return false;
    return IsSafeCabinetName(name);
}

std::string NameCheckForm(const wchar_t *name)
{
    std::string form;
    // The superscript digits keep their code page 1252 bytes: the system
    // takes COM with a superscript digit for a device too.
    for (; *name; ++name)
        form += *name < 0x80 || *name == 0xB9 || *name == 0xB2 || *name == 0xB3 ? static_cast<char>(*name) : 'x';
    return form;
}
