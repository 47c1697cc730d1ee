// BLocker: the count decides who waits; the semaphore only carries wake-ups.
#include "support/Locker.h"

BLocker::BLocker(const char* name)
	: fSemaphore(CreateCountingSemaphore(0, name != nullptr ? name : "some BLocker"))
{
}

BLocker::~BLocker()
{
	// Deleting the semaphore releases enough units to wake every waiter.
	if (fSemaphore != nullptr)
		DeleteCountingSemaphore(fSemaphore);
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
	fOwner.store(-1, std::memory_order_relaxed);
	if (fCount.fetch_sub(1, std::memory_order_release) > 1)
		ReleaseSemaphoreOnce(fSemaphore);
}

bool BLocker::IsLocked() const
{
	thread_handle self = CurrentThreadHandle();
	return self != -1 && fOwner.load(std::memory_order_relaxed) == self;
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

status_t BLocker::Acquire()
{
	thread_handle self = CurrentThreadHandle();
	// Without an identity the thread could not tell later that it owns the lock.
	if (self == -1)
		return kError;
	if (fOwner.load(std::memory_order_relaxed) == self) {
		fNesting += 1;
		return kOk;
	}
	if (fCount.fetch_add(1, std::memory_order_acquire) > 0) {
		status_t status;
		do
			status = AcquireSemaphore(fSemaphore, 1);
		while (status == kInterrupted);
		if (status != kOk) {
			// Take back this thread's place in the count, so that the count
			// still says how many threads hold or wait.
			fCount.fetch_sub(1, std::memory_order_relaxed);
			return status;
		}
	}
	fOwner.store(self, std::memory_order_relaxed);
	fNesting = 1;
	return kOk;
}
