// uPathText: the path rule that needs no lead bytes.
#include "uPathText.h"

std::string GetExtensionPart(const std::string &text)
{
    const size_t dot = text.rfind('.');
    if (dot == std::string::npos)
        return text;
    return text.substr(dot + 1);
}
