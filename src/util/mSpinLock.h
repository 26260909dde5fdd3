// mSpinLock: a lock for a few instructions between two threads, taken by
// setting the flag from 0 to 1, waiting with Sleep(1) (Sleep(0) yields only
// to threads of the same priority, and a holder of lower priority would
// never get to let go on one processor); given back by LeaveSpinLock.
#pragma once

void EnterSpinLock(volatile long *flag);
void LeaveSpinLock(volatile long *flag);
