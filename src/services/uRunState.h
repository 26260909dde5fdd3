// uRunState: how a run ends, from whichever thread, with what the layers
// registered in the plan undone first.
#pragma once
#include <cstdint>
#include <string>
#include <windows.h>
#include "services/uRunPlan.h"

enum : int { ExitFinished = 0, ExitError = 1, ExitDeclined = 2 };

// Ends the whole process at once, from whichever thread, after the undo
// registered with AtEndOfRun.
[[noreturn]] void EndRun(const TRunPlan &plan, int exitCode);
// What a run that ends early must undo first (a file cut off half-way, an
// existing file set aside), registered by the layer that owns it, since
// EndRun calls nothing above the run state. One at a time: a later
// registration replaces an earlier one. The undo may run on either thread.
void AtEndOfRun(const TRunPlan &plan, void (*undo)(void *context), void *context);
// What a run that fails or is cancelled must not leave behind (its work
// folder), registered by the main program, which knows the clean-up;
// EndRun calls it after the undo for every exit code but 0. The completion
// disarms it (null) once the files are all there: from then on it cleans
// up itself.
void AtFailedRun(const TRunPlan &plan, void (*cleanUp)(const TRunPlan &plan));
