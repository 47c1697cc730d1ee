// BLocker: the count decides who waits; the semaphore only carries wake-ups.
#include "support/Locker.h"

#include "support/Benaphore.h"

#include <windows.h>

namespace {

// The kernel's thread id identifies the owner. It is read straight from the
// thread's environment block (ClientId.UniqueThread, where GetCurrentThreadId
// reads it too), which keeps the uncontended path at one atomic add each way
// and no call.
int32 CallingThread()
{
	uintptr_t id;
#if defined(__x86_64__)
	__asm__("movq %%gs:0x48, %0" : "=r"(id));
#else
	__asm__("movl %%fs:0x24, %0" : "=r"(id));
#endif
	return static_cast<int32>(id);
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
	if (fCount.fetch_add(1, std::memory_order_acquire) > 0)
		return WaitForTurn();
	fOwner.store(self, std::memory_order_relaxed);
	fNesting = 1;
	return kOk;
}

// Waits, then takes the lock. Kept out of line and ending the locking itself,
// so that nothing of the uncontended path has to survive a call: that path
// then needs no stack frame.
[[gnu::noinline]] status_t BLocker::WaitForTurn()
{
	status_t status = WaitForBenaphoreTurn(fSemaphore.Get());
	if (status != kOk)
		return status;
	fOwner.store(CallingThread(), std::memory_order_relaxed);
	fNesting = 1;
	return kOk;
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
