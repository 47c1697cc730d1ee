// BAtom and sptr: the counter header, the hooks, weak references that outlive
// the object, atoms inside larger objects and nested allocations.
#include "support/Atom.h"
#include "support/StrongPointer.h"

#include "tests/support/Actor.h"

#include <gtest/gtest.h>

#include <stdexcept>
#include <string>

namespace {

// What happened to a probe, kept outside it so that it can be read after death.
struct Record {
	int firstStrong = 0;
	int lastStrong = 0;
	int lastWeak = 0;
	int destroyed = 0;
};

class Probe : public BAtom {
public:
	explicit Probe(Record* record, status_t lastStrongAnswer = kOk)
		: fRecord(record), fLastStrongAnswer(lastStrongAnswer)
	{
	}
	~Probe() override { fRecord->destroyed += 1; }

protected:
	void OnFirstStrong() override { fRecord->firstStrong += 1; }
	status_t OnLastStrong(const void*) override
	{
		fRecord->lastStrong += 1;
		return fLastStrongAnswer;
	}
	status_t OnLastWeak(const void*) override
	{
		fRecord->lastWeak += 1;
		return kOk;
	}

private:
	Record* fRecord;
	status_t fLastStrongAnswer;
};

TEST(Atom, FirstStrongReferenceRunsItsHookOnce)
{
	Record record;
	Probe* probe = new Probe(&record);
	EXPECT_EQ(probe->StrongCount(), BAtom::kNeverAcquired);
	EXPECT_EQ(probe->WeakCount(), 0);
	{
		sptr<Probe> first(probe);
		EXPECT_EQ(record.firstStrong, 1);
		EXPECT_EQ(probe->StrongCount(), 1);
		EXPECT_EQ(probe->WeakCount(), 1);
		sptr<Probe> second(first);
		EXPECT_EQ(record.firstStrong, 1);
		EXPECT_EQ(probe->StrongCount(), 2);
		EXPECT_EQ(probe->WeakCount(), 2);
	}
	EXPECT_EQ(record.lastStrong, 1);
	EXPECT_EQ(record.destroyed, 1);
	EXPECT_EQ(record.lastWeak, 0);  // the object was already gone when the weak count fell
}

TEST(Atom, RefusedLastStrongReleaseKeepsObjectUntilLastWeak)
{
	Record record;
	Probe* probe = new Probe(&record, kNotAllowed);
	probe->AcquireWeak();
	probe->AcquireStrong();
	EXPECT_EQ(probe->ReleaseStrong(), 1);
	EXPECT_EQ(record.lastStrong, 1);
	EXPECT_EQ(record.destroyed, 0);
	EXPECT_EQ(probe->StrongCount(), 0);
	EXPECT_EQ(probe->WeakCount(), 1);
	EXPECT_EQ(probe->ReleaseWeak(), 1);
	EXPECT_EQ(record.lastWeak, 1);
	EXPECT_EQ(record.destroyed, 1);
}

TEST(Atom, DeletedObjectKeepsItsMemoryForWeakHolders)
{
	Record record;
	Probe* probe = new Probe(&record);
	probe->AcquireWeak();
	probe->AcquireWeak();
	delete probe;
	EXPECT_EQ(record.destroyed, 1);
	// The header is still there for the two weak holders.
	EXPECT_EQ(probe->WeakCount(), 2);
	EXPECT_EQ(probe->ReleaseWeak(), 2);
	EXPECT_EQ(probe->ReleaseWeak(), 1);
	EXPECT_EQ(record.lastWeak, 0);
	EXPECT_EQ(record.destroyed, 1);
}

TEST(Atom, TryAcquireStrongReportsWhatItGot)
{
	Record record;
	Probe* probe = new Probe(&record, kNotAllowed);
	EXPECT_EQ(probe->TryAcquireStrong(), 0);  // the first reference
	EXPECT_EQ(record.firstStrong, 1);
	EXPECT_EQ(probe->TryAcquireStrong(), 1);
	EXPECT_EQ(probe->StrongCount(), 2);
	probe->AcquireWeak();
	probe->ReleaseStrong();
	probe->ReleaseStrong();
	ASSERT_EQ(record.destroyed, 0);  // kept alive by its hook
	// Every strong reference has gone: nothing is taken and nothing changes.
	EXPECT_EQ(probe->TryAcquireStrong(), kNotAllowed);
	EXPECT_EQ(probe->StrongCount(), 0);
	EXPECT_EQ(probe->WeakCount(), 1);
	EXPECT_EQ(record.firstStrong, 1);
	probe->ReleaseWeak();
	EXPECT_EQ(record.destroyed, 1);
}

struct Padding {
	virtual ~Padding() = default;
	char bytes[48] = {};
};

// The BAtom part sits behind another base, away from the start of the block.
class Wide : public Padding, public Probe {
public:
	explicit Wide(Record* record)
		: Probe(record)
	{
	}
};

TEST(Atom, FindsItsHeaderInsideALargerObject)
{
	Record record;
	Wide* wide = new Wide(&record);
	ASSERT_NE(static_cast<void*>(static_cast<BAtom*>(wide)), static_cast<void*>(wide));
	{
		sptr<Wide> held(wide);
		sptr<BAtom> base(held);
		EXPECT_EQ(wide->StrongCount(), 2);
		EXPECT_EQ(record.firstStrong, 1);
	}
	EXPECT_EQ(record.destroyed, 1);
}

// Allocates and constructs another atom while its own block is still pending:
// the base in front of BAtom runs before the BAtom part.
struct MakesInnerAtom {
	explicit MakesInnerAtom(Record* record)
		: inner(new Wide(record))
	{
	}
	virtual ~MakesInnerAtom() = default;
	sptr<Wide> inner;
};

class Outer : public MakesInnerAtom, public Probe {
public:
	Outer(Record* innerRecord, Record* outerRecord)
		: MakesInnerAtom(innerRecord), Probe(outerRecord)
	{
	}
};

TEST(Atom, NestedAllocationsEachFindTheirOwnHeader)
{
	Record innerRecord;
	Record outerRecord;
	sptr<Outer> outer(new Outer(&innerRecord, &outerRecord));
	sptr<Wide> inner(outer->inner);
	EXPECT_EQ(outer->StrongCount(), 1);
	EXPECT_EQ(inner->StrongCount(), 2);
	EXPECT_EQ(innerRecord.firstStrong, 1);
	EXPECT_EQ(outerRecord.firstStrong, 1);

	// Nested the other way: the inner atom is made while evaluating the outer's argument.
	Record argumentRecord;
	sptr<Outer> second(new Outer(&argumentRecord, &outerRecord));
	EXPECT_EQ(second->StrongCount(), 1);
	EXPECT_EQ(second->inner->StrongCount(), 1);

	outer.Clear();
	EXPECT_EQ(outerRecord.destroyed, 1);
	EXPECT_EQ(innerRecord.destroyed, 0);
	inner.Clear();
	EXPECT_EQ(innerRecord.destroyed, 1);
	second.Clear();
	EXPECT_EQ(argumentRecord.destroyed, 1);
	EXPECT_EQ(outerRecord.destroyed, 2);
}

// Tests may throw even though the framework never does: a constructor in front
// of the BAtom part that fails leaves a block that was never constructed.
struct FailsFirst {
	FailsFirst()
	{
		// Leave a raw pending block on top of the thread's list, as an
		// allocation whose construction has not begun yet would.
		sStray = BAtom::operator new(sizeof(Probe));
		throw std::runtime_error("construction failed");
	}
	virtual ~FailsFirst() = default;
	static void* sStray;
};
void* FailsFirst::sStray = nullptr;

class NeverBuilt : public FailsFirst, public Probe {
public:
	explicit NeverBuilt(Record* record)
		: Probe(record)
	{
	}
};

TEST(Atom, UnconstructedBlocksLeaveThePendingList)
{
	Record record;
	testing::internal::CaptureStdout();
	EXPECT_THROW((void)new NeverBuilt(&record), std::runtime_error);
	ASSERT_NE(FailsFirst::sStray, nullptr);
	BAtom::operator delete(FailsFirst::sStray, sizeof(Probe));
	std::string output = testing::internal::GetCapturedStdout();
	// The failed block lay under the stray one, which then was on top alone.
	size_t first = output.find("Unlinking ");
	size_t second = output.find("Unlinking ", first + 1);
	ASSERT_NE(second, std::string::npos) << output;
	EXPECT_EQ(output.find("from top!"), output.find('\n', second) - 9) << output;
	EXPECT_EQ(output.substr(first, second - first).find("from top"), std::string::npos) << output;
	EXPECT_EQ(record.destroyed, 0);

	// Nothing stale is left for the next construction to pick up.
	Record next;
	sptr<Probe> probe(new Probe(&next));
	EXPECT_EQ(probe->StrongCount(), 1);
	EXPECT_EQ(next.firstStrong, 1);
}

TEST(Atom, CountsStayExactUnderManyThreads)
{
	Record record;
	sptr<Probe> held(new Probe(&record));
	zeltest::ThreadGroup threads;
	for (int t = 0; t < 4; ++t) {
		threads.Spawn([&held] {
			for (int i = 0; i < 20000; ++i) {
				sptr<Probe> copy(held);
				copy->AcquireWeak();
				copy->ReleaseWeak();
			}
		});
	}
	ASSERT_TRUE(threads.JoinAll());
	EXPECT_EQ(held->StrongCount(), 1);
	EXPECT_EQ(held->WeakCount(), 1);
	EXPECT_EQ(record.firstStrong, 1);
	EXPECT_EQ(record.lastStrong, 0);
	held.Clear();
	EXPECT_EQ(record.destroyed, 1);
}

TEST(StrongPointer, ReassignmentTakesTheNewObjectBeforeDroppingTheOld)
{
	Record record;
	sptr<Probe> held(new Probe(&record));
	held = held.Get();  // the sole reference, reassigned to itself
	EXPECT_EQ(record.destroyed, 0);
	EXPECT_EQ(held->StrongCount(), 1);
	sptr<Probe>& alias = held;
	held = alias;
	EXPECT_EQ(record.destroyed, 0);

	Record other;
	held = new Probe(&other);
	EXPECT_EQ(record.destroyed, 1);
	sptr<Probe> moved(std::move(held));
	EXPECT_FALSE(held);
	EXPECT_EQ(moved->StrongCount(), 1);
	held = std::move(moved);
	EXPECT_EQ(held->StrongCount(), 1);
	held = nullptr;
	EXPECT_EQ(other.destroyed, 1);
}

}  // namespace
