// uDestinationRule: the full-path rule of uDestinationRule.h.
#include "uDestinationRule.h"

bool IsFullPath(const std::string &path)
{
    if (path.size() >= 3 && path[1] == ':' && path[2] == '\\') {
        const char drive = path[0] | 0x20;
        return drive >= 'a' && drive <= 'z';
    }
    // \\server\share: both names present. No server name starts with "?"
    // or "."; "\\?\" and "\\.\" reach past the file system's checks, to
    // devices and raw disks.
    if (path.size() < 5 || path[0] != '\\' || path[1] != '\\' || path[2] == '\\' || path[2] == '?' ||
        path[2] == '.')
        return false;
    const size_t share = path.find('\\', 2);
    return share != std::string::npos && share + 1 < path.size() && path[share + 1] != '\\';
}
