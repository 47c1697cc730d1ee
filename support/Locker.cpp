// BLocker: the count decides who waits; the semaphore only carries wake-ups.
#include "support/Locker.h"

#include "support/Benaphore.h"

#include <windows.h>

namespace {

// The kernel's thread id identifies the owner: reading it costs no more than a
// load from the thread's own block and cannot fail, which keeps the
// uncontended path at one atomic add each way.
int32 CallingThread()
{
	return static_cast<int32>(GetCurrentThreadId());
}

}  // namespace

BLocker::BLocker(const char* name)
	: fSemaphore(CreateCountingSemaphore(0, name != nullptr ? name : "some BLocker"))
{
}

// Deleting the semaphore releases enough units to wake every waiter.
BLocker::~BLocker() = default;

// Defined ahead of its callers so that the uncontended path is inlined into them.
inline status_t BLocker::Acquire()
{
	int32 self = CallingThread();
	if (fOwner.load(std::memory_order_relaxed) == self) {
		fNesting += 1;
		return kOk;
	}
	if (fCount.fetch_add(1, std::memory_order_acquire) > 0) {
		status_t status = WaitForTurn();
		if (status != kOk)
			return status;
	}
	fOwner.store(self, std::memory_order_relaxed);
	fNesting = 1;
	return kOk;
}

status_t BLocker::WaitForTurn()
{
	return WaitForBenaphoreTurn(fSemaphore.Get());
}

bool BLocker::Lock()
{
	return Acquire() == kOk;
}

void BLocker::Unlock()
{
	fNesting -= 1;
	if (fNesting > 0)
		return;
	fOwner.store(kNoOwner, std::memory_order_relaxed);
	if (fCount.fetch_sub(1, std::memory_order_release) > 1)
		(void)ReleaseSemaphoreOnce(fSemaphore.Get());  // full only when every waiter can go
}

bool BLocker::IsLocked() const
{
	return fOwner.load(std::memory_order_relaxed) == CallingThread();
}

BLocker::LockResult BLocker::LockInternal()
{
	LockResult result;
	status_t status = Acquire();
	if (status == kOk) {
		result.unlock = UnlockLocker;
		result.locker = this;
	} else {
		result.unlock = nullptr;
		result.status = status;
	}
	return result;
}

void BLocker::UnlockLocker(BLocker* locker)
{
	locker->Unlock();
}
