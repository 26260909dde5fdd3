// uSwitches: the switches the extractor was started with, recognised by
// the format core's rule.
#pragma once
#include "format/uPackageSwitches.h"

// Filled once at start-up on the main thread, read-only afterwards.
extern TPackageSwitches PackageSwitches;
