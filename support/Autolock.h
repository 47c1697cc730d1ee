// BAutolock: holds a lock for one scope.
//
// It locks on construction and, when that succeeded, unlocks when the scope
// ends, so that no early return can leave the lock held. It serves anything
// with bool Lock() and void Unlock(): a BLocker, a looper or a window. A null
// pointer, or a lock that cannot be taken, gives an autolock that holds
// nothing; the caller asks IsLocked() before touching what the lock guards.
//
// An autolock belongs to the thread that made it and never copies.
#pragma once

template <typename Lockable>
class BAutolock {
public:
	explicit BAutolock(Lockable* lockable) : fLockable(lockable), fLocked(lockable != nullptr && lockable->Lock()) {}
	explicit BAutolock(Lockable& lockable) : BAutolock(&lockable) {}
	~BAutolock()
	{
		if (fLocked)
			fLockable->Unlock();
	}

	BAutolock(const BAutolock&) = delete;
	BAutolock& operator=(const BAutolock&) = delete;

	bool IsLocked() const { return fLocked; }
	// Gives the lock back before the scope ends, for work that must run
	// unlocked after it.
	void Unlock()
	{
		if (fLocked)
			fLockable->Unlock();
		fLocked = false;
	}

private:
	Lockable* fLockable;
	bool fLocked;
};
