// The looper lock and the looper list, with real threads: a new looper is held
// by its creator, the lock nests, waits time out, pointers to destroyed loopers
// are refused and a thread that waits while the looper goes away fails cleanly.
#include "tests/harness/DebuggerSeam.h"
#include "tests/messaging/LooperTestSupport.h"

#include "messaging/LooperList.h"
#include "messaging/Messenger.h"
#include "support/List.h"

#include <gtest/gtest.h>

#include <vector>

using zeltest::Event;
using zeltest::RunOnOtherThread;
using zeltest::TakeDebuggerReports;

namespace {

bool LockedElsewhere(BLooper* looper)
{
	bool locked = true;
	EXPECT_TRUE(RunOnOtherThread([&] { locked = looper->IsLocked(); }));
	return locked;
}

status_t LockTimedElsewhere(BLooper* looper, bigtime_t timeout)
{
	status_t status = kOk;
	EXPECT_TRUE(RunOnOtherThread([&] {
		status = looper->LockTimed(timeout);
		if (status == kOk)
			looper->Unlock();
	}));
	return status;
}

}  // namespace

TEST(LooperLock, NewLooperIsHeldByItsCreatorAndListed)
{
	int32 listed = BPrivate::CountListedLoopers();
	int32 changes = BPrivate::LooperListChanges();
	BLooper* looper = new BLooper("created");
	EXPECT_TRUE(looper->IsLocked());
	EXPECT_FALSE(LockedElsewhere(looper));
	EXPECT_EQ(LockTimedElsewhere(looper, 0), kWouldBlock);
	EXPECT_EQ(BPrivate::CountListedLoopers(), listed + 1);
	EXPECT_EQ(BPrivate::LooperListChanges(), changes + 1);
	EXPECT_EQ(looper->Thread(), -1);

	token_t token = kNoToken;
	EXPECT_EQ(BPrivate::ListedLooperToken(looper, &token), kOk);
	EXPECT_EQ(token, looper->LooperToken());
	EXPECT_EQ(BPrivate::ListedLooperWithToken(token), looper);

	looper->Quit();
	EXPECT_EQ(BPrivate::CountListedLoopers(), listed);
	EXPECT_EQ(BPrivate::LooperListChanges(), changes + 2);
	EXPECT_EQ(BPrivate::ListedLooperToken(looper, &token), kNotALooper);
	EXPECT_EQ(BPrivate::ListedLooperWithToken(token), nullptr);
	EXPECT_TRUE(TakeDebuggerReports().empty());
}

TEST(LooperLock, NestsForItsOwnerAndFreesAtTheLastUnlock)
{
	BLooper* looper = new BLooper("nesting");
	EXPECT_TRUE(looper->Lock());
	EXPECT_EQ(looper->LockTimed(0), kOk);
	looper->Unlock();
	looper->Unlock();
	EXPECT_TRUE(looper->IsLocked());
	EXPECT_EQ(LockTimedElsewhere(looper, 0), kWouldBlock);
	looper->Unlock();
	EXPECT_FALSE(looper->IsLocked());
	EXPECT_EQ(LockTimedElsewhere(looper, 0), kOk);
	EXPECT_TRUE(looper->Lock());
	looper->Quit();
	EXPECT_TRUE(TakeDebuggerReports().empty());
}

TEST(LooperLock, WaitsTimeOutWhileHeldAndSucceedOnceFreed)
{
	BLooper* looper = new BLooper("timed");
	EXPECT_EQ(LockTimedElsewhere(looper, 0), kWouldBlock);
	EXPECT_EQ(LockTimedElsewhere(looper, 1000), kTimedOut);

	// A waiter without limit gets the lock as soon as the creator lets go.
	Event waiting;
	Event locked;
	std::thread waiter([&] {
		waiting.Set();
		if (looper->Lock()) {
			locked.Set();
			looper->Unlock();
		}
	});
	ASSERT_TRUE(waiting.Wait());
	looper->Unlock();
	EXPECT_TRUE(locked.Wait());
	waiter.join();

	// The attempts that timed out left the lock usable for everybody.
	EXPECT_EQ(LockTimedElsewhere(looper, 0), kOk);
	EXPECT_TRUE(looper->Lock());
	EXPECT_EQ(LockTimedElsewhere(looper, 0), kWouldBlock);
	looper->Quit();
}

TEST(LooperLock, ContendedLockKeepsThreadsApart)
{
	BLooper* looper = new BLooper("contended");
	looper->Unlock();
	int counter = 0;
	bool overlapped = false;
	int inside = 0;
	std::vector<std::thread> threads;
	for (int t = 0; t < 4; t++) {
		threads.emplace_back([&] {
			for (int i = 0; i < 2000; i++) {
				if (!looper->Lock())
					return;
				if (++inside != 1)
					overlapped = true;
				++counter;
				--inside;
				looper->Unlock();
			}
		});
	}
	for (std::thread& thread : threads)
		thread.join();
	EXPECT_FALSE(overlapped);
	EXPECT_EQ(counter, 8000);
	EXPECT_TRUE(looper->Lock());
	looper->Quit();
}

TEST(LooperLock, UnlockByAThreadThatDoesNotHoldItIsReportedAndChangesNothing)
{
	BLooper* looper = new BLooper("foreign unlock");
	EXPECT_TRUE(RunOnOtherThread([&] { looper->Unlock(); }));
	EXPECT_EQ(TakeDebuggerReports(), std::vector<std::string>{"looper must be locked before proceeding\n"});
	EXPECT_TRUE(looper->IsLocked());
	EXPECT_EQ(LockTimedElsewhere(looper, 0), kWouldBlock);
	looper->Quit();
}

TEST(LooperLock, PointerToADeletedLooperIsRefused)
{
	BLooper* looper = new BLooper("deleted");
	looper->Quit();
	// The list vouches for a looper before anything of it is read, so the
	// stale pointer is only compared, never followed.
	EXPECT_FALSE(looper->Lock());
	EXPECT_EQ(looper->LockTimed(0), kBadValue);
	EXPECT_FALSE(looper->IsLocked());
}

TEST(LooperLock, ThreadWaitingDuringDestructionFailsCleanly)
{
	BLooper* looper = new BLooper("doomed");
	Event started;
	bool result = true;
	std::thread waiter([&] {
		started.Set();
		result = looper->Lock();
	});
	ASSERT_TRUE(started.Wait());
	// Give the waiter time to block on the lock; should it come later, it
	// finds the looper unlisted and fails all the same.
	Sleep(50);
	looper->Quit();
	Event joined;
	std::thread joiner([&] {
		waiter.join();
		joined.Set();
	});
	EXPECT_TRUE(joined.Wait());
	joiner.join();
	EXPECT_FALSE(result);
}

TEST(LooperLock, SeveralWaitersAllFailWhenTheLooperGoes)
{
	BLooper* looper = new BLooper("doomed by many");
	constexpr int kWaiters = 3;
	Event started[kWaiters];
	std::atomic<int> failures{0};
	std::vector<std::thread> waiters;
	for (int i = 0; i < kWaiters; i++) {
		waiters.emplace_back([&, i] {
			started[i].Set();
			if (!looper->Lock())
				++failures;
		});
	}
	for (Event& event : started)
		ASSERT_TRUE(event.Wait());
	Sleep(50);
	looper->Quit();
	for (std::thread& thread : waiters)
		thread.join();
	EXPECT_EQ(failures.load(), kWaiters);
}

TEST(LooperList, GrowsBeyondItsFirstBlockAndFindsEveryLooper)
{
	int32 before = BPrivate::CountListedLoopers();
	std::vector<BLooper*> loopers;
	for (int i = 0; i < 45; i++)
		loopers.push_back(new BLooper("many"));
	EXPECT_EQ(BPrivate::CountListedLoopers(), before + 45);

	BList snapshot;
	ASSERT_TRUE(BPrivate::SnapshotListedLoopers(&snapshot));
	for (BLooper* looper : loopers) {
		EXPECT_TRUE(snapshot.HasItem(looper));
		EXPECT_EQ(BPrivate::ListedLooperWithToken(looper->LooperToken()), looper);
		EXPECT_TRUE(looper->IsLocked());
	}
	EXPECT_EQ(BPrivate::ListedLooperAt(before + 44), loopers.back());
	EXPECT_EQ(BPrivate::ListedLooperAt(before + 45), nullptr);
	EXPECT_EQ(BPrivate::ListedLooperAt(-1), nullptr);

	// Freed entries are reused by later loopers.
	loopers[3]->Quit();
	loopers[3] = new BLooper("reuse");
	EXPECT_EQ(BPrivate::CountListedLoopers(), before + 45);
	EXPECT_TRUE(loopers[3]->IsLocked());
	for (BLooper* looper : loopers)
		looper->Quit();
	EXPECT_EQ(BPrivate::CountListedLoopers(), before);
}

TEST(LooperList, MessengersOfAGoneLooperStopWorking)
{
	BLooper* looper = new BLooper("addressed");
	status_t status = kError;
	BMessenger messenger(nullptr, looper, &status);
	EXPECT_EQ(status, kOk);
	EXPECT_TRUE(messenger.IsValid());
	looper->Quit();
	EXPECT_FALSE(messenger.IsValid());
	BMessage message(FourCC("gone"));
	EXPECT_EQ(messenger.Send(&message), kBadTarget);
}
