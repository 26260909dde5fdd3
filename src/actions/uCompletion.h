// uCompletion: what follows the extraction: the package's command (or the
// file manager, for "$EXPLORE$"), the removal of a work folder once its
// command has ended, the completion message, and the end of the process.
#pragma once
#include "services/uRunPlan.h"

// Never returns: ends the process with 0, or with 1 when the command could
// not be started.
[[noreturn]] void CompleteRun(TRunPlan &plan);
