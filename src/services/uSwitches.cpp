#include "services/uSwitches.h"

TPackageSwitches PackageSwitches;
