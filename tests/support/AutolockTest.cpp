// BAutolock: a scope holds the lock it took and gives back only that.
#include "support/Autolock.h"

#include "support/Locker.h"
#include "tests/support/Actor.h"

#include <gtest/gtest.h>

#include <future>

namespace {

using zeltest::Actor;
using zeltest::Finishes;
using zeltest::StaysBlocked;

// A lock whose Lock can be told to fail, counting what it is asked.
struct CountingLock {
	bool Lock()
	{
		locks++;
		return grants;
	}
	void Unlock() { unlocks++; }

	bool grants = true;
	int locks = 0;
	int unlocks = 0;
};

TEST(Autolock, HoldsTheLockForItsScopeAndAnotherThreadGetsItAfterwards)
{
	BLocker locker("AutolockTest::locker");
	Actor other;
	std::future<bool> entered;
	{
		BAutolock lock(locker);
		ASSERT_TRUE(lock.IsLocked());
		for (int i = 0; i < 3; i++) {
			BAutolock nested(&locker);
			EXPECT_TRUE(nested.IsLocked());
		}
		// The nested scopes gave back their own levels only.
		entered = other.Run([&] { return locker.Lock(); });
		EXPECT_TRUE(StaysBlocked(entered));
	}
	ASSERT_TRUE(Finishes(entered));
	EXPECT_TRUE(entered.get());
	EXPECT_TRUE(other.Call([&] {
		locker.Unlock();
		return !locker.IsLocked();
	}));
}

TEST(Autolock, GivesBackOnlyWhatItTookAndOnlyOnce)
{
	struct Case {
		const char* name;
		bool grants;
		bool unlockEarly;
		int unlocks;
	};
	const Case cases[] = {
		{"granted", true, false, 1},
		{"granted, unlocked early", true, true, 1},
		{"refused", false, false, 0},
		{"refused, unlocked early", false, true, 0},
	};
	for (const Case& c : cases) {
		SCOPED_TRACE(c.name);
		CountingLock counting;
		counting.grants = c.grants;
		{
			BAutolock lock(counting);
			EXPECT_EQ(lock.IsLocked(), c.grants);
			if (c.unlockEarly) {
				lock.Unlock();
				EXPECT_FALSE(lock.IsLocked());
			}
		}
		EXPECT_EQ(counting.locks, 1);
		EXPECT_EQ(counting.unlocks, c.unlocks);
	}
	// Nothing to lock: holds nothing, gives back nothing.
	BAutolock<CountingLock> none(static_cast<CountingLock*>(nullptr));
	EXPECT_FALSE(none.IsLocked());
}

}  // namespace
