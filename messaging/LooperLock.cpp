// BLooper::SafeLock: the benaphore behind a looper's lock.
#include "messaging/LooperLock.h"

#include "kernel/ThreadLoop.h"
#include "support/Benaphore.h"

#include <windows.h>

BLooper::SafeLock::SafeLock(BLooper* looper, const char* name)
	: fLooper(looper),
	  fSemaphore(CreateCountingSemaphore(0, name)),
	  fGoneEvent(CreateEventW(nullptr, TRUE, FALSE, nullptr))
{
}

BLooper::SafeLock::~SafeLock() = default;

int32 BLooper::SafeLock::CallingThreadId()
{
	return static_cast<int32>(GetCurrentThreadId());
}

bool BLooper::SafeLock::IsOwnedByCaller() const
{
	return fOwner.load(std::memory_order_relaxed) == CallingThreadId();
}

void BLooper::SafeLock::TakeUncontended()
{
	AcquireStrong();
	fLockers.fetch_add(1, std::memory_order_acq_rel);
	fOwner.store(CallingThreadId(), std::memory_order_relaxed);
	fNesting = 1;
}

status_t BLooper::SafeLock::WaitForTurn(int32 previousLockers, bigtime_t timeout)
{
	if (previousLockers > 0) {
		// A window thread answers what other threads send to its windows while
		// it waits: the holder may be one of them, sending while it holds the
		// lock (a window text read, say).
		uint32 flags = kRelativeTimeout | (ThreadServesWindows() ? kAnswerSentMessages : 0);
		status_t status = WaitForBenaphoreTurn(fSemaphore.Get(), flags, timeout);
		if (status != kOk) {
			ReleaseStrong();
			return status;
		}
	}
	if (!IsValid()) {
		WakeOneWaiter();
		ReleaseStrong();
		return kBadValue;
	}
	fOwner.store(CallingThreadId(), std::memory_order_relaxed);
	fNesting = 1;
	return kOk;
}

void BLooper::SafeLock::GiveUp()
{
	fNesting = 0;
	fOwner.store(-1, std::memory_order_relaxed);
	if (fLockers.fetch_sub(1, std::memory_order_acq_rel) > 1)
		(void)ReleaseSemaphoreOnce(fSemaphore.Get());  // full only when every waiter can go
	// The holder's reference; it may be the last one.
	ReleaseStrong();
}

void BLooper::SafeLock::Unlock()
{
	if (--fNesting > 0)
		return;
	GiveUp();
}

void BLooper::SafeLock::UnlockFully()
{
	GiveUp();
}

void BLooper::SafeLock::Invalidate()
{
	fValid.store(false, std::memory_order_release);
}

void BLooper::SafeLock::SignalGone()
{
	if (fGoneEvent)
		SetEvent(fGoneEvent.Get());
}

void BLooper::SafeLock::WakeOneWaiter()
{
	// A semaphore at its maximum already lets every waiter go.
	(void)ReleaseSemaphoreOnce(fSemaphore.Get());
}

void BLooper::SafeLock::WaitUntilGone()
{
	if (fGoneEvent)
		WaitForSingleObject(fGoneEvent.Get(), INFINITE);
}
