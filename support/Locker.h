// BLocker: the framework's recursive lock, built as a benaphore.
//
// An atomic count sits in front of a kernel semaphore: a thread that finds the
// lock free takes it with one atomic add and gives it back with another, and
// only a thread that finds it taken waits on the semaphore. The owning thread
// may lock again; it must unlock as many times as it locked. Any thread may
// call; Unlock does not check that its caller is the owner, so that a lock
// taken on one thread may be handed on and released on another.
//
// Destroying a locker wakes every thread that waits for it; those threads must
// not touch the lock again.
#pragma once

#include "kernel/Semaphore.h"
#include "support/SupportDefs.h"

#include <atomic>

class BLocker {
public:
	typedef void (*UnlockFunction)(BLocker* locker);

	// What the internal form of Lock answers: on success the function that
	// unlocks and the locker, on failure a null function and the status.
	struct LockResult {
		UnlockFunction unlock;
		union {
			BLocker* locker;
			status_t status;
		};
	};

	// The name only identifies the lock to a reader of the code; it is not kept.
	explicit BLocker(const char* name = nullptr);
	virtual ~BLocker();

	BLocker(const BLocker&) = delete;
	BLocker& operator=(const BLocker&) = delete;

	// Waits without limit; true once the calling thread owns the lock. False
	// when the wait failed (support/Benaphore.h), after which the lock must
	// not be used again.
	bool Lock();
	void Unlock();
	// True when the calling thread owns the lock.
	bool IsLocked() const;

	LockResult LockInternal();

private:
	static void UnlockLocker(BLocker* locker);

	[[nodiscard]] status_t Acquire();
	[[nodiscard]] status_t WaitForTurn();

	static constexpr int32 kNoOwner = -1;

	// 0 when free; every thread that holds or waits for the lock adds 1.
	std::atomic<int32> fCount{0};
	WinSemaphore fSemaphore;
	// The owner's kernel thread id (never -1), or kNoOwner. Only the owner
	// stores its own id, so a relaxed read tells any thread whether it owns the lock.
	std::atomic<int32> fOwner{kNoOwner};
	// How many times the owner has locked; touched by the owner only.
	int32 fNesting = 0;
};
