// uCabNames: the set-aside names of uCabNames.h.
#include "cabinet/uCabNames.h"

std::string SetAsideName(uint32_t number, size_t maximumLength)
{
    const size_t length = maximumLength < 8 ? maximumLength : 8;
    if (length == 0)
        return std::string();
    // Lower-case digits only: never a device name, never a trailing dot.
    std::string name(length, '0');
    const size_t first = length == 1 ? 0 : 1;
    if (first == 1)
        name[0] = '~';
    for (size_t at = length; at > first; --at) {
        const char digit = static_cast<char>(number % 36);
        name[at - 1] = static_cast<char>(digit < 10 ? '0' + digit : 'a' + digit - 10);
        number /= 36;
    }
    return name;
}

