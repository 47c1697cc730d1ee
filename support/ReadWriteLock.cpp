// ReadWriteLock: bookkeeping under the state mutex, blocking only in the
// kernel's combined waits, so that a thread never sleeps holding the state.
#include "support/ReadWriteLock.h"

#include <windows.h>

#include <cstdlib>

namespace {

DWORD WaitMillis(bigtime_t timeout)
{
	return timeout == kInfinite ? INFINITE : static_cast<DWORD>(timeout);
}

// An abandoned mutex is owned by the waiter all the same, so it counts as taken.
bool WaitSucceeded(DWORD result, DWORD count)
{
	return result < WAIT_OBJECT_0 + count || (result >= WAIT_ABANDONED_0 && result < WAIT_ABANDONED_0 + count);
}

bool WaitForAll(HANDLE* handles, DWORD count, bigtime_t timeout)
{
	return WaitSucceeded(WaitForMultipleObjects(count, handles, TRUE, WaitMillis(timeout)), count);
}

}  // namespace

ReadWriteLock::ReadWriteLock()
	: fStateMutex(CreateMutexW(nullptr, FALSE, nullptr)),
	  fWriteMutex(CreateMutexW(nullptr, FALSE, nullptr)),
	  fNoWritersEvent(CreateEventW(nullptr, TRUE, TRUE, nullptr)),
	  fNoReadersEvent(CreateEventW(nullptr, TRUE, TRUE, nullptr))
{
}

ReadWriteLock::~ReadWriteLock()
{
	std::free(fHolders);
}

bool ReadWriteLock::ReadLock(bigtime_t timeout)
{
	if (!TakeState(timeout))
		return false;
	uint32 thread = GetCurrentThreadId();
	if (Holder* holder = FindHolder(thread)) {
		holder->reads += 1;
		ReleaseState();
		return true;
	}
	ReleaseState();
	HANDLE handles[] = {fStateMutex.Get(), fNoWritersEvent.Get()};
	if (!WaitForAll(handles, 2, timeout))
		return false;
	if (AddHolder(thread, 1) == nullptr) {
		ReleaseState();
		return false;
	}
	AddReader();
	ReleaseState();
	return true;
}

bool ReadWriteLock::ReadUnlock(bigtime_t timeout)
{
	if (!TakeState(timeout))
		return false;
	Holder* holder = FindHolder(GetCurrentThreadId());
	if (holder == nullptr || holder->reads <= 0) {
		ReleaseState();
		return false;
	}
	holder->reads -= 1;
	if (holder->writes <= 0 && holder->reads <= 0) {
		RemoveReader();
		RemoveHolder(holder);
	}
	ReleaseState();
	return true;
}

bool ReadWriteLock::WriteLock(bigtime_t timeout)
{
	if (!TakeState(timeout))
		return false;
	uint32 thread = GetCurrentThreadId();
	Holder* holder = FindHolder(thread);
	if (holder == nullptr) {
		if (!WriteLockFresh(thread, timeout))
			return false;
	} else if (holder->writes <= 0) {
		if (!Upgrade(timeout))
			return false;
	}
	// Other threads may have moved the table while the state was released.
	FindHolder(thread)->writes += 1;
	ReleaseState();
	return true;
}

bool ReadWriteLock::WriteUnlock(bigtime_t timeout)
{
	if (!TakeState(timeout))
		return false;
	Holder* holder = FindHolder(GetCurrentThreadId());
	if (holder == nullptr || holder->writes <= 0) {
		ReleaseState();
		return false;
	}
	holder->writes -= 1;
	if (holder->writes <= 0) {
		ReleaseMutex(fWriteMutex.Get());
		RemoveWriter();
		if (holder->reads > 0)
			AddReader();
		else
			RemoveHolder(holder);
	}
	ReleaseState();
	return true;
}

// Entered and left holding the state mutex on success; on failure the state
// mutex is released and every count is as it was.
bool ReadWriteLock::WriteLockFresh(uint32 thread, bigtime_t timeout)
{
	AddWriter();
	ReleaseState();
	HANDLE handles[] = {fStateMutex.Get(), fNoReadersEvent.Get(), fWriteMutex.Get()};
	if (!WaitForAll(handles, 3, timeout)) {
		WaitForSingleObject(fStateMutex.Get(), INFINITE);
		RemoveWriter();
		ReleaseState();
		return false;
	}
	if (AddHolder(thread, 0) == nullptr) {
		ReleaseMutex(fWriteMutex.Get());
		RemoveWriter();
		ReleaseState();
		return false;
	}
	return true;
}

// Same contract as WriteLockFresh, for a thread that holds only read locks.
bool ReadWriteLock::Upgrade(bigtime_t timeout)
{
	// Only another upgrading reader can hold the write mutex here (a fresh
	// writer needs every reader gone, and this thread reads). Waiting for it
	// would deadlock, since it waits for this thread to stop reading.
	if (!WaitSucceeded(WaitForSingleObject(fWriteMutex.Get(), 0), 1)) {
		ReleaseState();
		return false;
	}
	RemoveReader();
	AddWriter();
	if (fReaders > 0) {
		ReleaseState();
		HANDLE handles[] = {fStateMutex.Get(), fNoReadersEvent.Get()};
		if (!WaitForAll(handles, 2, timeout)) {
			WaitForSingleObject(fStateMutex.Get(), INFINITE);
			AddReader();
			RemoveWriter();
			ReleaseMutex(fWriteMutex.Get());
			ReleaseState();
			return false;
		}
	}
	return true;
}

bool ReadWriteLock::TakeState(bigtime_t timeout)
{
	return WaitSucceeded(WaitForSingleObject(fStateMutex.Get(), WaitMillis(timeout)), 1);
}

void ReadWriteLock::ReleaseState()
{
	ReleaseMutex(fStateMutex.Get());
}

void ReadWriteLock::AddReader()
{
	fReaders += 1;
	ResetEvent(fNoReadersEvent.Get());
}

void ReadWriteLock::RemoveReader()
{
	fReaders -= 1;
	if (fReaders == 0)
		SetEvent(fNoReadersEvent.Get());
}

void ReadWriteLock::AddWriter()
{
	fWriters += 1;
	ResetEvent(fNoWritersEvent.Get());
}

void ReadWriteLock::RemoveWriter()
{
	fWriters -= 1;
	if (fWriters == 0)
		SetEvent(fNoWritersEvent.Get());
}

ReadWriteLock::Holder* ReadWriteLock::FindHolder(uint32 thread)
{
	int32 low = 0;
	int32 high = fHolderCount;
	while (low < high) {
		int32 middle = (low + high) / 2;
		if (fHolders[middle].thread < thread)
			low = middle + 1;
		else
			high = middle;
	}
	return low < fHolderCount && fHolders[low].thread == thread ? &fHolders[low] : nullptr;
}

// Keeps the table sorted by thread id; null when memory runs out.
ReadWriteLock::Holder* ReadWriteLock::AddHolder(uint32 thread, int32 reads)
{
	if (fHolderCount == fHolderCapacity) {
		int32 capacity = fHolderCapacity == 0 ? 4 : fHolderCapacity * 2;
		void* grown = std::realloc(fHolders, sizeof(Holder) * static_cast<size_t>(capacity));
		if (grown == nullptr)
			return nullptr;
		fHolders = static_cast<Holder*>(grown);
		fHolderCapacity = capacity;
	}
	int32 at = fHolderCount;
	while (at > 0 && fHolders[at - 1].thread > thread) {
		fHolders[at] = fHolders[at - 1];
		at -= 1;
	}
	fHolders[at] = Holder{thread, reads, 0};
	fHolderCount += 1;
	return &fHolders[at];
}

void ReadWriteLock::RemoveHolder(Holder* holder)
{
	for (Holder* next = holder + 1; next < fHolders + fHolderCount; ++next)
		next[-1] = *next;
	fHolderCount -= 1;
}
