// uCabNames: the check of the names a cabinet gives its files; a hostile
// cabinet chooses these names, so anything doubtful is refused.
#include "cabinet/uCabNames.h"

namespace {

bool IsSeparator(char c)
{
    return c == '\\' || c == '/';
}

} // namespace

bool IsSafeCabinetName(const std::string &name)
{
    if (name.empty() || IsSeparator(name[0]) || name.find(':') != std::string::npos)
        return false;
    size_t start = 0;
    while (start <= name.size()) {
        size_t end = start;
        while (end < name.size() && !IsSeparator(name[end]))
            ++end;
        // The system drops trailing dots and blanks from a path level, so
        // any level made only of them and holding two dots may become "..".
        int dots = 0;
        bool onlyDotsAndBlanks = end > start;
        for (size_t i = start; i < end; ++i) {
            if (name[i] == '.')
                ++dots;
            else if (name[i] != ' ')
                onlyDotsAndBlanks = false;
        }
        if (onlyDotsAndBlanks && dots >= 2)
            return false;
        start = end + 1;
    }
    return true;
}

std::string NameCheckForm(const std::wstring &name)
{
    std::string form(name.size(), 'x');
    for (size_t i = 0; i < name.size(); ++i)
        if (name[i] < 0x80)
            form[i] = static_cast<char>(name[i]);
    return form;
}
