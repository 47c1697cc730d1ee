// BLocker on real threads: nesting, exclusion under contention, the internal
// lock form, and waiters woken when the lock is destroyed.
#include "support/Locker.h"

#include "tests/support/Actor.h"

#include <gtest/gtest.h>

#include <atomic>
#include <new>
#include <thread>

namespace {

using zeltest::Actor;
using zeltest::Finishes;
using zeltest::StaysBlocked;

TEST(Locker, NestedLocksNeedAsManyUnlocksBeforeAnotherThreadGetsIn)
{
	BLocker locker("LockerTest::locker");
	Actor owner, other;
	ASSERT_TRUE(owner.Call([&] { return locker.Lock() && locker.Lock() && locker.Lock(); }));
	EXPECT_TRUE(owner.Call([&] { return locker.IsLocked(); }));
	EXPECT_FALSE(other.Call([&] { return locker.IsLocked(); }));
	EXPECT_FALSE(locker.IsLocked());

	auto entered = other.Run([&] { return locker.Lock(); });
	EXPECT_TRUE(StaysBlocked(entered));
	ASSERT_TRUE(owner.Call([&] { locker.Unlock(); locker.Unlock(); return locker.IsLocked(); }));
	EXPECT_TRUE(StaysBlocked(entered));
	ASSERT_TRUE(owner.Call([&] { locker.Unlock(); return !locker.IsLocked(); }));
	ASSERT_TRUE(Finishes(entered));
	EXPECT_TRUE(entered.get());
	EXPECT_TRUE(other.Call([&] { return locker.IsLocked(); }));
	EXPECT_FALSE(owner.Call([&] { return locker.IsLocked(); }));
	EXPECT_TRUE(other.Call([&] { locker.Unlock(); return !locker.IsLocked(); }));
}

TEST(Locker, ManyThreadsNeverOverlapAndLoseNoUpdate)
{
	BLocker locker;
	constexpr int kThreads = 4;
	constexpr int kRounds = 5000;
	int64 total = 0;  // deliberately not atomic: only the lock protects it
	std::atomic<int> inside{0};
	std::atomic<int> overlaps{0};
	zeltest::ThreadGroup threads;
	for (int t = 0; t < kThreads; ++t) {
		threads.Spawn([&, t] {
			for (int i = 0; i < kRounds; ++i) {
				if (!locker.Lock())
					return;
				if (inside.fetch_add(1) != 0)
					overlaps += 1;
				int64 seen = total;
				if ((i + t) % 64 == 0) {
					// Nest now and then, and give others a chance to collide.
					locker.Lock();
					std::this_thread::yield();
					locker.Unlock();
				}
				total = seen + 1;
				inside.fetch_sub(1);
				locker.Unlock();
			}
		});
	}
	ASSERT_TRUE(threads.JoinAll(std::chrono::milliseconds(60000)));
	EXPECT_EQ(overlaps, 0);
	EXPECT_EQ(total, int64(kThreads) * kRounds);
	// Free again: this thread gets in at once.
	Actor late;
	EXPECT_TRUE(late.Call([&] { bool locked = locker.Lock(); locker.Unlock(); return locked; }));
}

TEST(Locker, InternalLockHandsBackItsUnlockFunction)
{
	BLocker locker;
	BLocker::LockResult result = locker.LockInternal();
	ASSERT_NE(result.unlock, nullptr);
	EXPECT_EQ(result.locker, &locker);
	EXPECT_TRUE(locker.IsLocked());
	result.unlock(result.locker);
	EXPECT_FALSE(locker.IsLocked());
	Actor other;
	EXPECT_TRUE(other.Call([&] { bool locked = locker.Lock(); locker.Unlock(); return locked; }));
}

TEST(Locker, DestructionWakesEveryWaiter)
{
	// The storage outlives the lock, so that woken waiters return into memory
	// that is still there.
	alignas(BLocker) unsigned char storage[sizeof(BLocker)];
	BLocker* locker = new (storage) BLocker("LockerTest::doomed");
	ASSERT_TRUE(locker->Lock());
	Actor first, second, third;
	auto a = first.Run([&] { return locker->Lock(); });
	auto b = second.Run([&] { return locker->Lock(); });
	auto c = third.Run([&] { return locker->Lock(); });
	ASSERT_TRUE(StaysBlocked(a));
	ASSERT_TRUE(StaysBlocked(b));
	ASSERT_TRUE(StaysBlocked(c));
	locker->~BLocker();
	EXPECT_TRUE(Finishes(a));
	EXPECT_TRUE(Finishes(b));
	EXPECT_TRUE(Finishes(c));
}

}  // namespace
