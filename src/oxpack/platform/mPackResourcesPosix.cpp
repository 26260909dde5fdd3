// mPackResources: POSIX. There are no resource calls here; the command
// refuses the options that need them (ResourcesAreChangeable) before any
// of these runs.
#include "mPackResources.h"

bool ResourcesAreChangeable()
{
    return false;
}

bool ReadResources(const std::string &, uint16_t, std::vector<TResourceItem> &items)
{
    items.clear();
    return false;
}

bool UpdateResources(const std::string &, const std::vector<TResourceUpdate> &, std::string &reason)
{
    reason = "this build has no resource calls";
    return false;
}

bool MakeScratchFile(std::string &)
{
    return false;
}
