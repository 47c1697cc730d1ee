// The wait of a benaphore: an atomic count of the threads that hold or wait for
// a lock, in front of a kernel semaphore that carries only the wake-ups. A
// thread that finds the count above 0 waits here for the unit that the
// holder's unlock releases for it. BLocker and the looper's lock both wait
// this way. Any thread may call.
//
// A wait that fails (a time limit passed, or the semaphore was deleted) keeps
// the waiter's place in the count; the caller must not take it back. The
// holder's unlock may already have counted this waiter and released a unit for
// it. Taken back, the count would say the lock is free while that unit stays in
// the semaphore: the next thread would take the free lock without waiting, and
// the one after it would find the stray unit and hold the lock beside it. A
// place kept only makes later lockers wait for a unit that the next unlock
// releases, which is slower but never wrong.
#pragma once

#include "kernel/Semaphore.h"

// Waits for one unit, again as long as the wait is interrupted. 0 once the
// caller's turn has come; otherwise the wait's status (kTimedOut, kWouldBlock,
// kBadValue), and the caller's place in the count stays.
[[nodiscard]] status_t WaitForBenaphoreTurn(sem_handle semaphore, uint32 flags = 0, bigtime_t timeout = kInfinite);
