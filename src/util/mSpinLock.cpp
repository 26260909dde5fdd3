#include "util/mSpinLock.h"
#include <windows.h>

void EnterSpinLock(volatile long *flag)
{
    while (InterlockedExchange(flag, 1))
        Sleep(1);
}

void LeaveSpinLock(volatile long *flag)
{
    InterlockedExchange(flag, 0);
}
