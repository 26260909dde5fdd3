// The check of the file names a cabinet gives. The input holds up to two
// names, split at the first NUL (a cabinet's names end at NUL, so none
// holds one). Beyond memory safety: a name that passes never climbs above
// the destination, the answer does not depend on which slash separates,
// and two names that pass still pass joined as folder and file.
#include <cstddef>
#include <cstdint>
#include <string>
#include "FuzzCheck.h"
#include "uFileNameRule.h"

namespace {

bool IsSeparator(char c)
{
    return c == '\\' || c == '/';
}

// Walks the levels as the file system would resolve them below a
// destination: false when a level climbs above it or the name is not
// relative. The system drops trailing dots and blanks from a level: one
// of dots and blanks only is taken as ".." when it holds two dots or more,
// and as the same folder otherwise.
bool StaysBelow(const std::string &name)
{
    if (name.empty() || IsSeparator(name[0]) || name.find(':') != std::string::npos)
        return false;
    long depth = 0;
    size_t start = 0;
    while (start <= name.size()) {
        size_t end = start;
        while (end < name.size() && !IsSeparator(name[end]))
            ++end;
        const std::string level = name.substr(start, end - start);
        size_t dots = 0;
        bool dotsAndBlanks = true;  // an empty level stays too
        for (char c : level) {
            dots += c == '.';
            dotsAndBlanks = dotsAndBlanks && (c == '.' || c == ' ');
        }
        if (dotsAndBlanks && dots >= 2) {
            if (--depth < 0)
                return false;
        } else if (!dotsAndBlanks) {
            ++depth;
        }
        start = end + 1;
    }
    return true;
}

std::string WithSlashes(std::string name, char from, char to)
{
    for (char &c : name)
        if (c == from)
            c = to;
    return name;
}

void CheckOne(const std::string &name)
{
    const bool safe = IsSafeCabinetName(name);
    if (safe)
        FUZZ_CHECK(StaysBelow(name));
    FUZZ_CHECK(IsSafeCabinetName(WithSlashes(name, '/', '\\')) == safe);
    FUZZ_CHECK(IsSafeCabinetName(WithSlashes(name, '\\', '/')) == safe);
}

} // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t *data, size_t size)
{
    const std::string input(reinterpret_cast<const char *>(data), size);
    const size_t nul = input.find('\0');
    const std::string first = input.substr(0, nul);
    CheckOne(first);
    if (nul == std::string::npos)
        return 0;
    const std::string second = input.substr(nul + 1, input.find('\0', nul + 1) - nul - 1);
    CheckOne(second);
    if (IsSafeCabinetName(first) && IsSafeCabinetName(second)) {
        FUZZ_CHECK(IsSafeCabinetName(first + "\\" + second));
        FUZZ_CHECK(IsSafeCabinetName(first + "/" + second));
    }
    return 0;
}
