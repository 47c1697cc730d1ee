// Counting semaphores: statuses, time limits on the framework clock, wake-ups.
#include "kernel/Semaphore.h"
#include "kernel/SystemTime.h"

#include <gtest/gtest.h>

#include <windows.h>

#include <atomic>
#include <thread>
#include <vector>

namespace {

// Generous upper bounds: the machine is shared and may be loaded.
constexpr bigtime_t kPrompt = 500000;

class SemaphoreTest : public testing::Test {
protected:
	void SetUp() override { fSemaphore = CreateCountingSemaphore(0, "test"); }
	void TearDown() override
	{
		if (fSemaphore != nullptr) {
			EXPECT_EQ(DeleteCountingSemaphore(fSemaphore), kOk);
		}
	}

	sem_handle fSemaphore = nullptr;
};

TEST_F(SemaphoreTest, CountBelowOneIsRefusedWithoutWaiting)
{
	ASSERT_NE(fSemaphore, nullptr);
	bigtime_t start = SystemTimeMicros();
	EXPECT_EQ(AcquireSemaphore(fSemaphore, 0), kBadValue);
	EXPECT_EQ(AcquireSemaphore(fSemaphore, -3, kRelativeTimeout, 1000000), kBadValue);
	EXPECT_LT(SystemTimeMicros() - start, kPrompt);
}

TEST_F(SemaphoreTest, RelativeTimeoutsOnAnUnavailableSemaphore)
{
	bigtime_t start = SystemTimeMicros();
	EXPECT_EQ(AcquireSemaphore(fSemaphore, 1, kRelativeTimeout, 0), kWouldBlock);
	EXPECT_LT(SystemTimeMicros() - start, kPrompt);

	start = SystemTimeMicros();
	EXPECT_EQ(AcquireSemaphore(fSemaphore, 1, kRelativeTimeout, 1000), kTimedOut);
	EXPECT_LT(SystemTimeMicros() - start, kPrompt);

	start = SystemTimeMicros();
	EXPECT_EQ(AcquireSemaphore(fSemaphore, 1, kRelativeTimeout, 40000), kTimedOut);
	// The platform's wait and the clock both tick in milliseconds.
	EXPECT_GE(SystemTimeMicros() - start, 30000);

	// A time already gone does not turn into an endless 32-bit wait.
	start = SystemTimeMicros();
	EXPECT_EQ(AcquireSemaphore(fSemaphore, 1, kRelativeTimeout, -5000), kTimedOut);
	EXPECT_LT(SystemTimeMicros() - start, kPrompt);
}

TEST_F(SemaphoreTest, AbsoluteDeadlineIsNeverCutShort)
{
	bigtime_t deadline = SystemTimeMicros() + 30000;
	EXPECT_EQ(AcquireSemaphore(fSemaphore, 1, kAbsoluteTimeout, deadline), kTimedOut);
	EXPECT_GE(SystemTimeMicros(), deadline);

	bigtime_t start = SystemTimeMicros();
	EXPECT_EQ(AcquireSemaphore(fSemaphore, 1, kAbsoluteTimeout, start - 1000), kTimedOut);
	EXPECT_EQ(AcquireSemaphore(fSemaphore, 1, kAbsoluteTimeout, 0), kWouldBlock);
	EXPECT_LT(SystemTimeMicros() - start, kPrompt);
}

TEST_F(SemaphoreTest, WaitsWithoutLimitUntilReleased)
{
	for (uint32 flags : {0u, kRelativeTimeout, kAbsoluteTimeout}) {
		std::thread releaser([this] {
			Sleep(60);
			(void)ReleaseSemaphoreOnce(fSemaphore);  // a lost unit shows as the wait below failing
		});
		bigtime_t start = SystemTimeMicros();
		EXPECT_EQ(AcquireSemaphore(fSemaphore, 1, flags, kInfinite), kOk) << "flags " << flags;
		EXPECT_GE(SystemTimeMicros() - start, 40000) << "flags " << flags;
		releaser.join();
	}
}

TEST_F(SemaphoreTest, UnitsAreTakenAndAFailedWaitGivesThemBack)
{
	ASSERT_EQ(ReleaseSemaphoreOnce(fSemaphore), kOk);
	ASSERT_EQ(ReleaseSemaphoreOnce(fSemaphore), kOk);
	EXPECT_EQ(AcquireSemaphore(fSemaphore, 3, kRelativeTimeout, 10000), kTimedOut);
	EXPECT_EQ(AcquireSemaphore(fSemaphore, 2, kRelativeTimeout, 0), kOk);
	EXPECT_EQ(AcquireSemaphore(fSemaphore, 1, kRelativeTimeout, 0), kWouldBlock);
}

TEST(Semaphore, CreationAndReleaseReportTheirLimits)
{
	EXPECT_EQ(CreateCountingSemaphore(-1), nullptr);
	sem_handle full = CreateCountingSemaphore(kSemaphoreMaximum);
	ASSERT_NE(full, nullptr);
	EXPECT_EQ(ReleaseSemaphoreOnce(full), kError);
	EXPECT_EQ(AcquireSemaphore(full, 1, kRelativeTimeout, 0), kOk);
	EXPECT_EQ(ReleaseSemaphoreOnce(full), kOk);
	EXPECT_EQ(DeleteCountingSemaphore(full), kOk);
}

TEST(Semaphore, DeletingWakesEveryWaiter)
{
	sem_handle semaphore = CreateCountingSemaphore(0);
	ASSERT_NE(semaphore, nullptr);
	constexpr int kWaiters = 3;
	std::atomic<int> woken{0};
	std::vector<std::thread> waiters;
	for (int i = 0; i < kWaiters; i++) {
		waiters.emplace_back([&] {
			// The deadline only keeps a broken delete from hanging the test.
			if (AcquireSemaphore(semaphore, 1, kRelativeTimeout, 10000000) == kOk)
				woken++;
		});
	}
	// Time for every waiter to reach its wait.
	Sleep(200);
	EXPECT_EQ(woken.load(), 0);
	EXPECT_EQ(DeleteCountingSemaphore(semaphore), kOk);
	for (std::thread& waiter : waiters)
		waiter.join();
	EXPECT_EQ(woken.load(), kWaiters);
}

}  // namespace
