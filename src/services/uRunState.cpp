#include "services/uRunState.h"
#include "services/uLog.h"

void AtEndOfRun(const TRunPlan &plan, void (*undo)(void *), void *context)
{
    plan.EndUndoContext = context;
    plan.EndUndo = undo;
}

void AtFailedRun(const TRunPlan &plan, void (*cleanUp)(const TRunPlan &))
{
    plan.FailedRunCleanUp = cleanUp;
}

void EndRun(const TRunPlan &plan, int exitCode)
{
    // A run may end in the middle of a file: a confirmed cancel, a
    // continuation cabinet that is missing or damaged.
    if (void (*undo)(void *) = plan.EndUndo)
        undo(plan.EndUndoContext);
    if (void (*cleanUp)(const TRunPlan &) = plan.FailedRunCleanUp)
        if (exitCode != ExitFinished)
            cleanUp(plan);
    LogEnd(exitCode);
    ExitProcess(static_cast<UINT>(exitCode));
}
