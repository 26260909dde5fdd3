#include "ui/uDialogs.h"
#include "startup/uReport.h"
#include "startup/uRunState.h"
#include "startup/uSettings.h"
#include "util/mUtils.h"

// The dialogs themselves are not built yet. Silent answers are final;
// anything that would need a window stops the run with exit code 1.

std::string AskPassword()
{
    if (PackageSettings.Silent)
        EndRun(ExitError);
    ReportNotBuilt("password dialog");
}

bool ShowLicence(const std::string &)
{
    if (PackageSettings.Silent)
        return true;
    ReportNotBuilt("licence dialog");
}

std::string AskDestination()
{
    if (PackageSettings.Silent)
        return AddTrailingBackslash(GetFolderPart(OwnFilePath()));
    ReportNotBuilt("destination dialog");
}

// Keeping the existing file loses nothing.
bool AskOverwrite(const std::string &)
{
    return false;
}

void RunProgressDialog()
{
    ReportNotBuilt("progress dialog");
}
