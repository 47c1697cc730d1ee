// BLooper::SafeLock: a looper's recursive lock, which outlives the looper.
//
// A benaphore (an atomic count in front of a kernel semaphore) with an owner
// and a nesting depth, kept in a reference-counted object of its own: every
// thread that holds the lock or waits for it holds a strong reference, so a
// thread blocked in BLooper::Lock while the looper is destroyed wakes up on
// memory that still exists, finds the valid flag cleared and fails cleanly.
// The gone event tells a thread that asked another looper to quit when that
// looper is being destroyed.
//
// Private to the looper unit. Any thread may lock and wait; only the owner
// changes the nesting and unlocks.
#pragma once

#include "kernel/Semaphore.h"
#include "messaging/Looper.h"
#include "support/Atom.h"

#include <atomic>

class BLooper::SafeLock : public BAtom {
public:
	// Starts free and valid. The name only documents the semaphore.
	SafeLock(BLooper* looper, const char* name);
	~SafeLock() override;

	bool IsValid() const { return fValid.load(std::memory_order_acquire); }
	bool IsOwnedByCaller() const;
	int32 Owner() const { return fOwner.load(std::memory_order_relaxed); }

	// The creator's hold of a new looper: the lock cannot be contended yet.
	// Takes the holder's strong reference.
	void TakeUncontended();
	// Steps 5 and 6 of a lock attempt by a thread that does not own it. The
	// caller has taken a strong reference for the holder; it stays held on
	// success and is dropped on failure. `previousLockers` is the value before
	// the caller counted itself in.
	[[nodiscard]] status_t WaitForTurn(int32 previousLockers, bigtime_t timeout);
	// Counts the calling thread in as a locker; answers the previous count.
	int32 CountInLocker() { return fLockers.fetch_add(1, std::memory_order_acq_rel); }
	// A further level for the owner.
	void Nest() { ++fNesting; }
	// Leaves one level; the last one gives the lock up. The owner only.
	void Unlock();
	// Leaves every level at once. The owner only.
	void UnlockFully();

	// The looper is being destroyed: later and waiting lockers fail.
	void Invalidate();
	// The looper has been destroyed: sets the gone event.
	void SignalGone();
	// One more unit for the next waiter, which then finds the lock invalid and
	// passes the wake-up on in turn.
	void WakeOneWaiter();
	// Blocks until SignalGone; the caller holds a strong reference.
	void WaitUntilGone();

private:
	static int32 CallingThreadId();
	void GiveUp();

	BLooper* fLooper;
	WinSemaphore fSemaphore;
	std::atomic<int32> fLockers{0};
	std::atomic<int32> fOwner{-1};
	int32 fNesting = 0;
	int32 fReserved = -1;
	std::atomic<bool> fValid{true};
	WinHandle fGoneEvent;
};
