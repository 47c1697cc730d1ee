// BLocker beside the platform's CRITICAL_SECTION and SRWLOCK, in one run:
// uncontended lock/unlock pairs on one thread, and two threads contending for
// one lock. Prints nanoseconds per pair and BLocker's ratio to each baseline
// (below 1 means BLocker is faster).
#include "bench/BenchClock.h"
#include "support/Locker.h"

#include <windows.h>

#include <cstdio>
#include <thread>

namespace {

constexpr int kUncontendedPairs = 1000000;
constexpr int kContendedPairsPerThread = 20000;
constexpr int kRounds = 7;

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
	std::thread other([&lock] { LockPairs(lock, kContendedPairsPerThread); });
	LockPairs(lock, kContendedPairsPerThread);
	other.join();
	return (NowSeconds() - start) * 1e9 / (2.0 * kContendedPairsPerThread);
}

struct Best {
	double blocker = 1e30;
	double section = 1e30;
	double slim = 1e30;
};

void KeepBest(double& best, double value)
{
	best = value < best ? value : best;
}

// The three locks take turns in every round, so that a busy moment on the
// machine does not fall on one of them alone; the best round of each counts.
template<class Measure>
Best Measured(Measure measure)
{
	BLockerLock blocker;
	CriticalSectionLock section;
	SlimLock slim;
	Best best;
	for (int round = 0; round < kRounds; ++round) {
		KeepBest(best.blocker, measure(blocker));
		KeepBest(best.section, measure(section));
		KeepBest(best.slim, measure(slim));
	}
	return best;
}

void Report(const char* name, const Best& best)
{
	double blocker = best.blocker;
	double section = best.section;
	double slim = best.slim;
	std::printf("%-12s BLocker %8.1f ns  CRITICAL_SECTION %8.1f ns  SRWLOCK %8.1f ns  "
	            "ratio to CRITICAL_SECTION %.2f  ratio to SRWLOCK %.2f\n",
		name, blocker, section, slim, blocker / section, blocker / slim);
}

}  // namespace

int main()
{
	Report("uncontended", Measured([](auto& lock) { return Uncontended(lock); }));
	Report("contended", Measured([](auto& lock) { return Contended(lock); }));
	return 0;
}
