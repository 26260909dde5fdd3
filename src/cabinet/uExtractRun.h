// uExtractRun: the extraction part of a run, from creating the FDI context
// to the bar showing full: checks the embedded cabinet, then extracts it
// and every continuation cabinet into Destination. It runs on the progress
// dialog's worker thread, or on the main thread in a silent run.
#pragma once

#include "services/uRunPlan.h"

// Returns when every file is written; any failure ends the process.
void ExtractPackage(const TRunPlan &plan);
