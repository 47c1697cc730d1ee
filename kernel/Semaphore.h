// Counting semaphores on kernel semaphores, with time limits on the framework clock.
//
// Used by the locks and the loopers. Any thread may call.
#pragma once

#include "kernel/WinOwner.h"
#include "support/SupportDefs.h"

// A kernel semaphore handle; null when creation failed.
typedef void* sem_handle;

// The largest count a semaphore holds; deleting one releases this many units.
constexpr int32 kSemaphoreMaximum = 100000000;

// AcquireSemaphore flags. Without either flag a wait has no limit.
// The timeout is a number of microseconds to wait.
constexpr uint32 kRelativeTimeout = 0x08;
// The timeout is a time on the framework clock (SystemTimeMicros) to wait until.
constexpr uint32 kAbsoluteTimeout = 0x10;
// While it waits, the thread answers the messages other threads send to its
// native windows: a thread whose windows another thread may send to must not
// block that thread, which may hold what this one waits for.
constexpr uint32 kAnswerSentMessages = 0x100;

// The name only identifies the semaphore to a reader of the code; it is not kept.
sem_handle CreateCountingSemaphore(int32 initialCount, const char* name = nullptr);

// 0, or -1 when the unit could not be released.
[[nodiscard]] status_t ReleaseSemaphoreOnce(sem_handle semaphore);

// Wakes every waiter by releasing kSemaphoreMaximum units, then closes the
// handle. 0, or -1 when closing failed.
[[nodiscard]] status_t DeleteCountingSemaphore(sem_handle semaphore);

// Takes `count` units. 0 on success; kBadValue for a count below 1 or a failed
// wait; kTimedOut when the time limit passed, or kWouldBlock when that limit
// was 0. A wait that fails gives back the units it had already taken.
// kInfinite as either kind of timeout waits without limit.
[[nodiscard]] status_t AcquireSemaphore(sem_handle semaphore, int32 count, uint32 flags = 0,
	bigtime_t timeout = kInfinite);

namespace BPrivate {

struct SemaphoreTraits {
	typedef sem_handle Handle;
	static Handle Invalid() { return nullptr; }
	static bool IsValid(Handle handle) { return handle != nullptr; }
	static void Release(Handle handle);
};

}  // namespace BPrivate

// A counting semaphore with one owner; releasing it wakes every waiter first.
typedef WinOwner<BPrivate::SemaphoreTraits> WinSemaphore;
