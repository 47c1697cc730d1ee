// The per-thread native message loop on which every looper waits.
//
// A looper thread does not block on a semaphore of its own: it runs the native
// message loop and is woken by a posted BWM_WAKEUP or a native thread timer,
// upon which the loop runs the looper's step. Only the owning thread runs its
// loop; WakeThreadLoop may be called from any thread.
#pragma once

#include "support/SupportDefs.h"

#include <windows.h>

struct ThreadRecord;

// Posted to a thread's wake window (or its queue) to run its step; the loop
// consumes it and never hands it to a window procedure.
constexpr UINT BWM_WAKEUP = WM_USER + 1;

// The loop's work: called with the argument given to RunThreadLoop and the time
// on the framework clock; answers when it wants to run again (kInfinite for
// only when woken). Setting *quit ends the loop.
typedef bigtime_t (*ThreadLoopStep)(void* argument, bigtime_t now, bool* quit);

// Runs the calling thread's native message loop, calling the step once at once
// and then whenever it is due or woken, until WM_QUIT. Returns 0, or -1 when
// the thread has no record.
[[nodiscard]] status_t RunThreadLoop(ThreadLoopStep step, void* argument);

// Asks the record's thread to run its step at `when` on the framework clock, or
// as soon as possible when that time has come. 0, or -1 when no wake-up could
// be posted.
[[nodiscard]] status_t WakeThreadLoop(ThreadRecord* record, bigtime_t when);

// Runs the calling thread's step at once, as a consumed BWM_WAKEUP does. For a
// wake window's procedure: inside a modal loop (a menu, a window being moved)
// the platform dispatches BWM_WAKEUP instead of the thread's own loop. Nothing
// happens on a thread that runs no loop.
void RunThreadLoopStepNow();

// Makes `window` the calling thread's wake window. Returns the thread's record,
// null when it could not be made.
ThreadRecord* SetWakeWindow(HWND window);

// Whether the calling thread has a wake window: native windows of the
// framework live on it, and other threads may send messages to them.
bool ThreadServesWindows();
