// ReadWriteLock: many readers or one writer, with per-thread recursion.
//
// Made of two kernel mutexes (the state mutex guards the bookkeeping, the write
// mutex is owned by the writing thread) and two manual-reset events (no
// writers, no readers). Writers go first: a new reader waits while any writer
// waits or writes. A thread that holds the lock in either mode may lock again
// in either mode without waiting for others; a reader that asks for the write
// lock (upgrade) waits for the other readers to leave, and a writer that still
// holds read locks when it gives up the write lock keeps reading (downgrade).
//
// Every operation takes a timeout: kInfinite waits forever, any other value is
// a number of milliseconds (its low 32 bits). Each returns false when a wait
// fails or times out, and then leaves the lock as it was. Any thread may call.
#pragma once

#include "kernel/WinOwner.h"
#include "support/SupportDefs.h"

class ReadWriteLock {
public:
	ReadWriteLock();
	~ReadWriteLock();

	ReadWriteLock(const ReadWriteLock&) = delete;
	ReadWriteLock& operator=(const ReadWriteLock&) = delete;

	bool ReadLock(bigtime_t timeout = kInfinite);
	bool ReadUnlock(bigtime_t timeout = kInfinite);
	// Also fails at once when another reader is upgrading: two upgrades would
	// wait for each other forever. The caller still holds its read locks then.
	bool WriteLock(bigtime_t timeout = kInfinite);
	bool WriteUnlock(bigtime_t timeout = kInfinite);

private:
	struct Holder {
		uint32 thread;
		int32 reads;
		int32 writes;
	};

	Holder* FindHolder(uint32 thread);
	Holder* AddHolder(uint32 thread, int32 reads);
	void RemoveHolder(Holder* holder);

	bool TakeState(bigtime_t timeout);
	void ReleaseState();
	void AddReader();
	void RemoveReader();
	void AddWriter();
	void RemoveWriter();
	bool WriteLockFresh(uint32 thread, bigtime_t timeout);
	bool Upgrade(bigtime_t timeout);

	// Sorted by thread id; one entry per thread that holds the lock in any mode.
	Holder* fHolders = nullptr;
	int32 fHolderCount = 0;
	int32 fHolderCapacity = 0;
	// Threads that hold read locks without holding the write lock.
	int32 fReaders = 0;
	// Threads that wait for or hold the write lock.
	int32 fWriters = 0;
	WinHandle fStateMutex;
	WinHandle fWriteMutex;
	WinHandle fNoWritersEvent;
	WinHandle fNoReadersEvent;
};
