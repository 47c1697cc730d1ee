// BLocker beside the platform's CRITICAL_SECTION and SRWLOCK, in one run:
// uncontended lock/unlock pairs on one thread, and two threads contending for
// one lock. Prints nanoseconds per pair and BLocker's ratio to each baseline
// (below 1 means BLocker is faster).
#include "support/Locker.h"

#include <windows.h>

#include <cstdio>
#include <thread>

namespace {

constexpr int kUncontendedPairs = 2000000;
constexpr int kContendedPairsPerThread = 100000;
constexpr int kRepeats = 3;

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

double NowSeconds()
{
	static LARGE_INTEGER frequency = [] {
		LARGE_INTEGER value;
		QueryPerformanceFrequency(&value);
		return value;
	}();
	LARGE_INTEGER now;
	QueryPerformanceCounter(&now);
	return static_cast<double>(now.QuadPart) / static_cast<double>(frequency.QuadPart);
}

template<class Lock>
void LockPairs(Lock& lock, int pairs)
{
	for (int i = 0; i < pairs; ++i) {
		lock.Lock();
		gShared = gShared + 1;
		lock.Unlock();
	}
}

// Best of a few runs, in nanoseconds per lock/unlock pair.
template<class Lock>
double Uncontended()
{
	Lock lock;
	double best = 1e30;
	for (int repeat = 0; repeat < kRepeats; ++repeat) {
		double start = NowSeconds();
		LockPairs(lock, kUncontendedPairs);
		double elapsed = NowSeconds() - start;
		best = elapsed < best ? elapsed : best;
	}
	return best * 1e9 / kUncontendedPairs;
}

template<class Lock>
double Contended()
{
	Lock lock;
	double best = 1e30;
	for (int repeat = 0; repeat < kRepeats; ++repeat) {
		double start = NowSeconds();
		std::thread other([&lock] { LockPairs(lock, kContendedPairsPerThread); });
		LockPairs(lock, kContendedPairsPerThread);
		other.join();
		double elapsed = NowSeconds() - start;
		best = elapsed < best ? elapsed : best;
	}
	return best * 1e9 / (2.0 * kContendedPairsPerThread);
}

void Report(const char* name, double blocker, double section, double slim)
{
	std::printf("%-12s BLocker %8.1f ns  CRITICAL_SECTION %8.1f ns  SRWLOCK %8.1f ns  "
	            "ratio to CRITICAL_SECTION %.2f  ratio to SRWLOCK %.2f\n",
		name, blocker, section, slim, blocker / section, blocker / slim);
}

}  // namespace

int main()
{
	double blocker = Uncontended<BLockerLock>();
	double section = Uncontended<CriticalSectionLock>();
	double slim = Uncontended<SlimLock>();
	Report("uncontended", blocker, section, slim);

	blocker = Contended<BLockerLock>();
	section = Contended<CriticalSectionLock>();
	slim = Contended<SlimLock>();
	Report("contended", blocker, section, slim);
	return 0;
}
