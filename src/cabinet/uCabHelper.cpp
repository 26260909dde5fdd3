#include <windows.h>
#include "cabinet/uCabHelper.h"
#include "startup/uReport.h"
#include "startup/uRunState.h"
#include "startup/uSettings.h"

std::string NextCabinet;

// No cabinet is recognised until the extraction engine exists, so a set
// never continues into a file that was not checked.
bool CheckCabinet(const std::string &)
{
    return false;
}

