// The framework clock, its widening across the 32-bit wrap, and sleeping.
#include "kernel/MillisecondClock.h"
#include "kernel/SystemTime.h"

#include <gtest/gtest.h>

#include <windows.h>

namespace {

TEST(SystemTime, ClockCountsMillisecondsForward)
{
	bigtime_t first = SystemTimeMicros();
	Sleep(50);
	bigtime_t second = SystemTimeMicros();
	EXPECT_EQ(first % 1000, 0);
	EXPECT_EQ(second % 1000, 0);
	EXPECT_GE(second - first, 40000);
	EXPECT_LT(second - first, 5000000);
}

TEST(SystemTime, SleepMicrosTruncatesToWholeMilliseconds)
{
	// A sleep of a millisecond always ends in a later millisecond of the clock.
	// One of none only gives up the processor, which a loaded machine can make
	// last a while, but some of many end in the millisecond they began in.
	int32 endedAtOnce = 0;
	for (int i = 0; i < 200; i++) {
		bigtime_t before = SystemTimeMicros();
		EXPECT_EQ(SleepMicros(999), kOk);
		if (SystemTimeMicros() == before)
			endedAtOnce++;
	}
	EXPECT_GT(endedAtOnce, 0);

	constexpr int kRounds = 50;
	bigtime_t start = SystemTimeMicros();
	for (int i = 0; i < kRounds; i++)
		EXPECT_EQ(SleepMicros(1000), kOk);
	EXPECT_GE(SystemTimeMicros() - start, 40000);

	// A negative time must not become a 49-day sleep.
	start = SystemTimeMicros();
	EXPECT_EQ(SleepMicros(-2000), kOk);
	EXPECT_LT(SystemTimeMicros() - start, 500000);
}

TEST(SystemTime, CalendarFillsOnlyTheFieldsAsked)
{
	int32 year = 0, month = 0, day = 0, second = -1;
	SYSTEMTIME before;
	GetSystemTime(&before);
	ReadCalendarTime(&year, &month, nullptr, &day, nullptr, nullptr, &second, nullptr);
	EXPECT_GE(year, before.wYear);
	EXPECT_GE(month, 1);
	EXPECT_LE(month, 12);
	EXPECT_GE(day, 1);
	EXPECT_LE(day, 31);
	EXPECT_GE(second, 0);
	EXPECT_LE(second, 59);
}

TEST(MillisecondClock, CountsFromTheFirstReadingAcrossTheWrap)
{
	BPrivate::MillisecondClock clock;
	EXPECT_EQ(clock.Elapsed(0xFFFFFF00u), 0);
	EXPECT_EQ(clock.Elapsed(0xFFFFFFFFu), 0xFF);
	EXPECT_EQ(clock.Elapsed(0x00000010u), 0x110);
	EXPECT_EQ(clock.Elapsed(0x7FFFFFFFu), INT64_C(0x80000000) + 0xFF);
	EXPECT_EQ(clock.Elapsed(0xFFFFFF00u), INT64_C(0x100000000));
	EXPECT_EQ(clock.Elapsed(0xFFFFFF01u), INT64_C(0x100000001));
}

TEST(MillisecondClock, ALateReadingFromAnotherThreadDoesNotJumpAWrapAhead)
{
	BPrivate::MillisecondClock clock;
	EXPECT_EQ(clock.Elapsed(1000), 0);
	EXPECT_EQ(clock.Elapsed(1500), 500);
	// Read before 1500 by a thread that was slower to ask.
	EXPECT_EQ(clock.Elapsed(1400), 400);
	EXPECT_EQ(clock.Elapsed(1600), 600);
	// Read before the very first reading.
	EXPECT_EQ(clock.Elapsed(990), 0);
	EXPECT_EQ(clock.Elapsed(1601), 601);
}

}  // namespace
