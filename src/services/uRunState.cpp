#include "services/uRunState.h"
#include "services/uLog.h"

std::string ExeFolder;
std::string TempFolder;
std::string SystemFolder;
std::string WindowsFolder;
bool DestinationMadeByRun = false;

namespace {

// Set by the extraction thread, read by whichever thread ends the run.
void (*volatile EndOfRunUndo)(void *) = nullptr;
void *EndOfRunContext = nullptr;
void (*volatile FailedRunCleanUp)() = nullptr;

} // namespace

void AtEndOfRun(void (*undo)(void *), void *context)
{
    EndOfRunContext = context;
    EndOfRunUndo = undo;
}

void AtFailedRun(void (*cleanUp)())
{
    FailedRunCleanUp = cleanUp;
}

void EndRun(int exitCode)
{
    // A run may end in the middle of a file: a confirmed cancel, a
    // continuation cabinet that is missing or damaged.
    if (void (*undo)(void *) = EndOfRunUndo)
        undo(EndOfRunContext);
    if (void (*cleanUp)() = FailedRunCleanUp)
        if (exitCode != ExitFinished)
            cleanUp();
    LogEnd(exitCode);
    ExitProcess(static_cast<UINT>(exitCode));
}
