// BLocker beside the platform's CRITICAL_SECTION and SRWLOCK, in one run:
// uncontended lock/unlock pairs on one thread, and two threads contending for
// one lock. Prints nanoseconds per pair and BLocker's ratio to each baseline
// (below 1 means BLocker is faster), the median of rounds taken in turns.
#include "bench/BenchClock.h"
#include "bench/BenchPinning.h"
#include "bench/BenchResult.h"
#include "support/Locker.h"

#include <windows.h>

#include <cstdio>
#include <thread>

namespace {

constexpr int kUncontendedPairs = 1000000;
constexpr int kContendedPairsPerThread = 20000;

volatile int64 gShared = 0;

struct BLockerLock {
	BLocker locker{"LockerBench::locker"};
	void Lock() { locker.Lock(); }
	void Unlock() { locker.Unlock(); }
};

struct CriticalSectionLock {
	CRITICAL_SECTION section;
	CriticalSectionLock() { InitializeCriticalSection(&section); }
	~CriticalSectionLock() { DeleteCriticalSection(&section); }
	void Lock() { EnterCriticalSection(&section); }
	void Unlock() { LeaveCriticalSection(&section); }
};

struct SlimLock {
	SRWLOCK lock = SRWLOCK_INIT;
	void Lock() { AcquireSRWLockExclusive(&lock); }
	void Unlock() { ReleaseSRWLockExclusive(&lock); }
};

template<class Lock>
void LockPairs(Lock& lock, int pairs)
{
	for (int i = 0; i < pairs; ++i) {
		lock.Lock();
		gShared = gShared + 1;
		lock.Unlock();
	}
}

// Nanoseconds per lock/unlock pair for one run.
template<class Lock>
double Uncontended(Lock& lock)
{
	double start = NowSeconds();
	LockPairs(lock, kUncontendedPairs);
	return (NowSeconds() - start) * 1e9 / kUncontendedPairs;
}

template<class Lock>
double Contended(Lock& lock)
{
	double start = NowSeconds();
	std::thread other([&lock] {
		PinThisThread(1);
		LockPairs(lock, kContendedPairsPerThread);
	});
	LockPairs(lock, kContendedPairsPerThread);
	other.join();
	return (NowSeconds() - start) * 1e9 / (2.0 * kContendedPairsPerThread);
}

}  // namespace

int main()
{
	// The contended rows need two threads that truly run at once.
	PinThisThread(0);
	BLockerLock blocker;
	CriticalSectionLock section;
	SlimLock slim;
	CompareRounds("BLocker uncontended / CRITICAL_SECTION", "ns/pair", kStableRounds,
		[&] { return Uncontended(blocker); }, [&] { return Uncontended(section); }, "<= 1.0");
	CompareRounds("BLocker uncontended / SRWLOCK", "ns/pair", kStableRounds, [&] { return Uncontended(blocker); },
		[&] { return Uncontended(slim); }, "-");
	CompareRounds("BLocker contended / CRITICAL_SECTION", "ns/pair", kStableRounds, [&] { return Contended(blocker); },
		[&] { return Contended(section); }, "-");
	return 0;
}
