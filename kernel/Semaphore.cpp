// Counting semaphores on CreateSemaphoreW and WaitForSingleObject.
#include "kernel/Semaphore.h"

#include "kernel/SystemTime.h"

#include <windows.h>

namespace {

// WaitForSingleObject takes a 32-bit count in which INFINITE means for ever.
constexpr bigtime_t kLongestWaitMillis = INFINITE - 1;

DWORD ClampedWaitMillis(bigtime_t millis)
{
	if (millis < 0)
		return 0;
	if (millis > kLongestWaitMillis)
		return static_cast<DWORD>(kLongestWaitMillis);
	return static_cast<DWORD>(millis);
}

bigtime_t NowMillis()
{
	return SystemTimeMicros() / 1000;
}

status_t ExpiredStatus(bigtime_t timeout)
{
	return timeout == 0 ? kWouldBlock : kTimedOut;
}

enum class WaitOutcome { kTaken, kTimedOut, kFailed, kRetry };

// Sent messages are answered by a peek, which hands them to their window
// procedures and takes nothing out of the queue.
DWORD WaitAnsweringSentMessages(HANDLE semaphore, DWORD millis)
{
	DWORD result = MsgWaitForMultipleObjectsEx(1, &semaphore, millis, QS_SENDMESSAGE, 0);
	if (result == WAIT_OBJECT_0 + 1) {
		MSG message;
		PeekMessageW(&message, nullptr, 0, 0, PM_NOREMOVE | PM_QS_SENDMESSAGE);
		return WAIT_IO_COMPLETION;  // no unit taken: the caller waits again
	}
	return result;
}

WaitOutcome WaitOnce(HANDLE semaphore, DWORD millis, uint32 flags)
{
	DWORD result = (flags & kAnswerSentMessages) != 0 ? WaitAnsweringSentMessages(semaphore, millis)
													 : WaitForSingleObject(semaphore, millis);
	switch (result) {
		case WAIT_OBJECT_0:
			return WaitOutcome::kTaken;
		case WAIT_TIMEOUT:
			return WaitOutcome::kTimedOut;
		case WAIT_FAILED:
			return WaitOutcome::kFailed;
		default:
			// Not a unit taken (an abandoned or interrupted wait): wait again.
			return WaitOutcome::kRetry;
	}
}

// One unit, waiting until the framework clock reaches `deadlineMillis`. The
// platform's timer may fire a little before the clock has moved on, so an early
// timeout waits again for what is left.
status_t TakeUnitBefore(HANDLE semaphore, bigtime_t deadlineMillis, bigtime_t timeout, uint32 flags)
{
	for (;;) {
		switch (WaitOnce(semaphore, ClampedWaitMillis(deadlineMillis - NowMillis()), flags)) {
			case WaitOutcome::kTaken:
				return kOk;
			case WaitOutcome::kFailed:
				return kBadValue;
			case WaitOutcome::kTimedOut:
				if (NowMillis() >= deadlineMillis)
					return ExpiredStatus(timeout);
				break;
			case WaitOutcome::kRetry:
				break;
		}
	}
}

status_t TakeUnitWithin(HANDLE semaphore, DWORD millis, bigtime_t timeout, uint32 flags)
{
	for (;;) {
		switch (WaitOnce(semaphore, millis, flags)) {
			case WaitOutcome::kTaken:
				return kOk;
			case WaitOutcome::kFailed:
				return kBadValue;
			case WaitOutcome::kTimedOut:
				return ExpiredStatus(timeout);
			case WaitOutcome::kRetry:
				break;
		}
	}
}

status_t TakeUnit(HANDLE semaphore, uint32 flags, bigtime_t timeout)
{
	if (timeout == kInfinite || (flags & (kRelativeTimeout | kAbsoluteTimeout)) == 0)
		return TakeUnitWithin(semaphore, INFINITE, timeout, flags);
	if ((flags & kAbsoluteTimeout) != 0) {
		// Rounded up, so that the wait never ends before the deadline; the
		// division first keeps timeouts near the top of the range from overflowing.
		bigtime_t deadlineMillis = timeout / 1000 + (timeout % 1000 > 0 ? 1 : 0);
		return TakeUnitBefore(semaphore, deadlineMillis, timeout, flags);
	}
	// A wait that answers messages in between keeps to the time it was given
	// in all, not to that time after each message.
	if ((flags & kAnswerSentMessages) != 0 && timeout > 0)
		return TakeUnitBefore(semaphore, NowMillis() + ClampedWaitMillis(timeout / 1000), timeout, flags);
	return TakeUnitWithin(semaphore, ClampedWaitMillis(timeout / 1000), timeout, flags);
}

}  // namespace

sem_handle CreateCountingSemaphore(int32 initialCount, const char* /*name*/)
{
	return CreateSemaphoreW(nullptr, initialCount, kSemaphoreMaximum, nullptr);
}

status_t ReleaseSemaphoreOnce(sem_handle semaphore)
{
	return ReleaseSemaphore(semaphore, 1, nullptr) ? kOk : kError;
}

status_t DeleteCountingSemaphore(sem_handle semaphore)
{
	// Fails harmlessly when units are left: then nobody is waiting.
	ReleaseSemaphore(semaphore, kSemaphoreMaximum, nullptr);
	return CloseHandle(semaphore) ? kOk : kError;
}

void BPrivate::SemaphoreTraits::Release(Handle handle)
{
	// Closing fails only for a handle that is not open, which an owner never holds.
	(void)DeleteCountingSemaphore(handle);
}

status_t AcquireSemaphore(sem_handle semaphore, int32 count, uint32 flags, bigtime_t timeout)
{
	if (count < 1)
		return kBadValue;
	for (int32 taken = 0; taken < count; taken++) {
		status_t status = TakeUnit(semaphore, flags, timeout);
		if (status != kOk) {
			if (taken > 0)
				ReleaseSemaphore(semaphore, taken, nullptr);
			return status;
		}
	}
	return kOk;
}
