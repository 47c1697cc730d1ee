// ReadWriteLock on real threads: readers together, writers first, recursion,
// upgrade and downgrade, and failed waits that leave the lock as it was.
#include "support/ReadWriteLock.h"

#include "tests/support/Actor.h"

#include <gtest/gtest.h>

namespace {

using zeltest::Actor;
using zeltest::Finishes;
using zeltest::StaysBlocked;

constexpr bigtime_t kShortMillis = 60;

TEST(ReadWriteLock, ReadersShareAndAWriterWaitsForAllOfThem)
{
	ReadWriteLock lock;
	Actor first, second, writer;
	ASSERT_TRUE(first.Call([&] { return lock.ReadLock(); }));
	ASSERT_TRUE(second.Call([&] { return lock.ReadLock(); }));

	auto written = writer.Run([&] { return lock.WriteLock(); });
	EXPECT_TRUE(StaysBlocked(written));
	ASSERT_TRUE(first.Call([&] { return lock.ReadUnlock(); }));
	EXPECT_TRUE(StaysBlocked(written));
	ASSERT_TRUE(second.Call([&] { return lock.ReadUnlock(); }));
	ASSERT_TRUE(Finishes(written));
	EXPECT_TRUE(written.get());
	EXPECT_TRUE(writer.Call([&] { return lock.WriteUnlock(); }));
}

TEST(ReadWriteLock, ReaderArrivingWhileAWriterWaitsGoesAfterIt)
{
	ReadWriteLock lock;
	Actor reader, writer, late;
	ASSERT_TRUE(reader.Call([&] { return lock.ReadLock(); }));
	auto written = writer.Run([&] { return lock.WriteLock(); });
	ASSERT_TRUE(StaysBlocked(written));

	auto lateRead = late.Run([&] { return lock.ReadLock(); });
	EXPECT_TRUE(StaysBlocked(lateRead));
	// The reader already inside may still lock again.
	EXPECT_TRUE(reader.Call([&] { return lock.ReadLock() && lock.ReadUnlock(); }));
	ASSERT_TRUE(reader.Call([&] { return lock.ReadUnlock(); }));
	ASSERT_TRUE(Finishes(written));
	EXPECT_TRUE(StaysBlocked(lateRead));
	ASSERT_TRUE(writer.Call([&] { return lock.WriteUnlock(); }));
	ASSERT_TRUE(Finishes(lateRead));
	EXPECT_TRUE(lateRead.get());
	EXPECT_TRUE(late.Call([&] { return lock.ReadUnlock(); }));
}

TEST(ReadWriteLock, WriterTakesReadsAndReleasesThemInAnyOrder)
{
	ReadWriteLock lock;
	Actor owner, other;
	// Reads inside a recursive write, released before the writes.
	ASSERT_TRUE(owner.Call([&] { return lock.WriteLock() && lock.WriteLock() && lock.ReadLock(); }));
	EXPECT_FALSE(other.Call([&] { return lock.ReadLock(kShortMillis); }));
	ASSERT_TRUE(owner.Call([&] { return lock.ReadUnlock() && lock.WriteUnlock(); }));
	EXPECT_FALSE(other.Call([&] { return lock.ReadLock(kShortMillis); }));
	ASSERT_TRUE(owner.Call([&] { return lock.WriteUnlock(); }));
	ASSERT_TRUE(other.Call([&] { return lock.WriteLock(kShortMillis) && lock.WriteUnlock(); }));

	// Writes released first: the owner keeps reading (downgrade), so readers
	// come in and writers stay out until the last read goes.
	ASSERT_TRUE(owner.Call([&] { return lock.WriteLock() && lock.ReadLock() && lock.ReadLock(); }));
	ASSERT_TRUE(owner.Call([&] { return lock.WriteUnlock(); }));
	EXPECT_TRUE(other.Call([&] { return lock.ReadLock(kShortMillis) && lock.ReadUnlock(); }));
	EXPECT_FALSE(other.Call([&] { return lock.WriteLock(kShortMillis); }));
	ASSERT_TRUE(owner.Call([&] { return lock.ReadUnlock() && lock.ReadUnlock(); }));
	EXPECT_TRUE(other.Call([&] { return lock.WriteLock(kShortMillis) && lock.WriteUnlock(); }));
}

TEST(ReadWriteLock, UpgradeWaitsForTheOtherReaders)
{
	ReadWriteLock lock;
	Actor upgrader, reader, late;
	ASSERT_TRUE(upgrader.Call([&] { return lock.ReadLock(); }));
	ASSERT_TRUE(reader.Call([&] { return lock.ReadLock(); }));
	auto upgraded = upgrader.Run([&] { return lock.WriteLock(); });
	EXPECT_TRUE(StaysBlocked(upgraded));
	auto lateRead = late.Run([&] { return lock.ReadLock(); });
	EXPECT_TRUE(StaysBlocked(lateRead));

	ASSERT_TRUE(reader.Call([&] { return lock.ReadUnlock(); }));
	ASSERT_TRUE(Finishes(upgraded));
	EXPECT_TRUE(upgraded.get());
	EXPECT_TRUE(StaysBlocked(lateRead));
	// Back to reading only: the late reader joins.
	ASSERT_TRUE(upgrader.Call([&] { return lock.WriteUnlock(); }));
	ASSERT_TRUE(Finishes(lateRead));
	EXPECT_TRUE(lateRead.get());
	EXPECT_TRUE(upgrader.Call([&] { return lock.ReadUnlock(); }));
	EXPECT_TRUE(late.Call([&] { return lock.ReadUnlock(); }));
	EXPECT_TRUE(reader.Call([&] { return lock.WriteLock(kShortMillis) && lock.WriteUnlock(); }));
}

TEST(ReadWriteLock, SecondUpgradeFailsInsteadOfDeadlocking)
{
	ReadWriteLock lock;
	Actor first, second;
	ASSERT_TRUE(first.Call([&] { return lock.ReadLock(); }));
	ASSERT_TRUE(second.Call([&] { return lock.ReadLock(); }));
	auto upgraded = first.Run([&] { return lock.WriteLock(); });
	ASSERT_TRUE(StaysBlocked(upgraded));
	EXPECT_FALSE(second.Call([&] { return lock.WriteLock(); }));
	EXPECT_TRUE(StaysBlocked(upgraded));  // the failed upgrader still reads
	ASSERT_TRUE(second.Call([&] { return lock.ReadUnlock(); }));
	ASSERT_TRUE(Finishes(upgraded));
	EXPECT_TRUE(upgraded.get());
	EXPECT_TRUE(first.Call([&] { return lock.WriteUnlock() && lock.ReadUnlock(); }));
}

TEST(ReadWriteLock, TimedOutWaitsLeaveTheCountsAlone)
{
	ReadWriteLock lock;
	Actor writer, reader, other;
	ASSERT_TRUE(writer.Call([&] { return lock.WriteLock(); }));
	EXPECT_FALSE(reader.Call([&] { return lock.ReadLock(kShortMillis); }));
	EXPECT_FALSE(other.Call([&] { return lock.WriteLock(kShortMillis); }));
	ASSERT_TRUE(writer.Call([&] { return lock.WriteUnlock(); }));
	// A writer count left behind by the failed wait would keep readers out for good.
	EXPECT_TRUE(reader.Call([&] { return lock.ReadLock(kShortMillis); }));
	// A reader count left behind by a failed upgrade would keep writers out.
	ASSERT_TRUE(other.Call([&] { return lock.ReadLock(); }));
	EXPECT_FALSE(other.Call([&] { return lock.WriteLock(kShortMillis); }));
	EXPECT_TRUE(reader.Call([&] { return lock.ReadUnlock(); }));
	EXPECT_TRUE(other.Call([&] { return lock.ReadUnlock(); }));
	EXPECT_TRUE(writer.Call([&] { return lock.WriteLock(kShortMillis) && lock.WriteUnlock(); }));
}

TEST(ReadWriteLock, UnlockingWhatIsNotHeldFails)
{
	ReadWriteLock lock;
	EXPECT_FALSE(lock.ReadUnlock());
	EXPECT_FALSE(lock.WriteUnlock());
	ASSERT_TRUE(lock.ReadLock());
	EXPECT_FALSE(lock.WriteUnlock());
	EXPECT_TRUE(lock.ReadUnlock());
	EXPECT_FALSE(lock.ReadUnlock());
	EXPECT_TRUE(lock.WriteLock(kShortMillis) && lock.WriteUnlock());
}

}  // namespace
