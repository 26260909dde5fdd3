#include "startup/uRunState.h"
#include "startup/uSettings.h"

int main()
{
    std::string self = OwnFilePath();
    return self.empty() ? ExitError : ExitFinished;
}
