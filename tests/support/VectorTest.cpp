// BVector and BAbstractVector: inline and heap storage at the exact growth and
// shrink thresholds, element lifetimes, shared strings and misuse reports.
#include "support/Atom.h"
#include "support/RefBuffer.h"
#include "support/StrongPointer.h"
#include "support/String.h"
#include "support/Vector.h"
#include "tests/harness/DebuggerSeam.h"
#include "tests/support/Counted.h"

#include <gtest/gtest.h>

#include <cstring>
#include <vector>

using zeltest::Counted;

namespace {

struct Record44 {
	int32 words[11];
};
static_assert(sizeof(Record44) == 44, "a 44-byte element");

std::vector<int32> Contents(const BVector<int32>& vector)
{
	return std::vector<int32>(vector.begin(), vector.end());
}

void AppendRange(BVector<int32>& vector, int32 first, int32 count)
{
	for (int32 i = 0; i < count; i++) {
		int32 index = vector.AddItem(first + i);
		ASSERT_EQ(index, vector.CountItems() - 1);
	}
}

uint32 References(const BString& string)
{
	return RefBuffer::FromData(string.Chars())->References();
}

TEST(Vector, FourByteElementsGrowFromTwoInlineToSixOnTheHeap)
{
	BVector<int32> vector;
	EXPECT_EQ(vector.LocalSpace(), 2u);
	EXPECT_EQ(vector.Capacity(), 2u);
	EXPECT_EQ(vector.ElementAt(0), nullptr);
	AppendRange(vector, 10, 2);
	EXPECT_FALSE(vector.UsesHeap());
	EXPECT_EQ(vector.Capacity(), 2u);
	EXPECT_EQ(vector.AddItem(12), 2);
	EXPECT_TRUE(vector.UsesHeap());
	EXPECT_EQ(vector.Capacity(), 6u);
	EXPECT_EQ(Contents(vector), (std::vector<int32>{10, 11, 12}));
	AppendRange(vector, 13, 3);
	EXPECT_EQ(vector.Capacity(), 6u);
	vector.AddItem(16);
	EXPECT_EQ(vector.Capacity(), 12u);  // (7 + 1) * 3 / 2
	EXPECT_EQ(vector.ElementAt(7), nullptr);
}

TEST(Vector, LargeElementsHaveNoInlineRoomAndStartWithThree)
{
	BVector<Record44> vector;
	EXPECT_EQ(vector.LocalSpace(), 0u);
	EXPECT_EQ(vector.Capacity(), 0u);
	Record44 record = {};
	record.words[10] = 42;
	EXPECT_EQ(vector.AddItem(record), 0);
	EXPECT_TRUE(vector.UsesHeap());
	EXPECT_EQ(vector.Capacity(), 3u);
	EXPECT_EQ(vector[0].words[10], 42);
	vector.RemoveItemsAt(0);
	EXPECT_FALSE(vector.UsesHeap());
	EXPECT_EQ(vector.Capacity(), 0u);
}

TEST(Vector, RemovingToTheInlineRoomReturnsTheRestInline)
{
	BVector<int32> vector;
	AppendRange(vector, 0, 5);
	vector.RemoveItemsAt(1, 2);
	EXPECT_TRUE(vector.UsesHeap());  // three still need the heap
	EXPECT_EQ(Contents(vector), (std::vector<int32>{0, 3, 4}));
	vector.RemoveItemsAt(1);
	EXPECT_FALSE(vector.UsesHeap());
	EXPECT_EQ(vector.Capacity(), 2u);
	EXPECT_EQ(Contents(vector), (std::vector<int32>{0, 4}));
	// Storage left inline keeps working for growth and removal.
	vector.AddItemAt(2, 1);
	EXPECT_EQ(Contents(vector), (std::vector<int32>{0, 2, 4}));
	vector.RemoveItemsAt(0, 100);
	EXPECT_EQ(vector.CountItems(), 0);
	EXPECT_FALSE(vector.UsesHeap());
}

TEST(Vector, ShrinksToTwiceTheRemainderOnlyBelowAQuarter)
{
	BVector<int32> vector;
	AppendRange(vector, 0, 197);
	ASSERT_EQ(vector.Capacity(), 297u);
	vector.RemoveItemsAt(50, 147);  // 50 * 4 < 297
	ASSERT_EQ(vector.Capacity(), 100u);
	AppendRange(vector, 50, 50);
	ASSERT_EQ(vector.CountItems(), 100);
	ASSERT_EQ(vector.Capacity(), 100u);

	BVector<int32> exactQuarter(vector);
	exactQuarter = vector;  // assignment keeps storage large enough already
	EXPECT_EQ(exactQuarter.Capacity(), 151u);
	vector.RemoveItemsAt(10, 75);  // 25 * 4 == 100: not below, nothing given back
	EXPECT_EQ(vector.Capacity(), 100u);
	vector.AddItemAt(-1, 0);
	vector.AddItemAt(-2, 0);
	ASSERT_EQ(vector.CountItems(), 27);
	vector.RemoveItemsAt(0, 3);  // 24 * 4 < 100
	EXPECT_EQ(vector.Capacity(), 48u);

	std::vector<int32> expected;
	for (int32 i = 1; i < 10; i++)
		expected.push_back(i);
	for (int32 i = 85; i < 100; i++)
		expected.push_back(i);
	EXPECT_EQ(Contents(vector), expected);
}

TEST(Vector, RemovingSeventySixOfAHundredLeavesCapacityFortyEight)
{
	BVector<int32> vector;
	AppendRange(vector, 0, 197);
	vector.RemoveItemsAt(0, 147);
	AppendRange(vector, 197, 50);
	ASSERT_EQ(vector.Capacity(), 100u);
	vector.RemoveItemsAt(24, 100);  // cut to the 76 that exist
	EXPECT_EQ(vector.CountItems(), 24);
	EXPECT_EQ(vector.Capacity(), 48u);
	EXPECT_EQ(vector[0], 147);
	EXPECT_EQ(vector[23], 170);
}

TEST(Vector, InsertAtPastTheEndAppendsAndMiddleInsertsShift)
{
	BVector<int32> vector;
	EXPECT_EQ(vector.AddItemAt(5, 7), 0);
	EXPECT_EQ(vector.AddItemAt(1, 0), 0);    // inline, shifting in place
	EXPECT_EQ(vector.AddItemAt(3, 1), 1);    // the move to the heap leaves the gap
	EXPECT_EQ(vector.AddItemAt(6, 100), 3);
	EXPECT_EQ(vector.AddItemAt(2, 1), 1);    // shifting inside the heap array
	EXPECT_EQ(Contents(vector), (std::vector<int32>{1, 2, 3, 5, 6}));
	EXPECT_EQ(vector.AddItemAt(9, -1), kBadIndex);
	EXPECT_EQ(vector.CountItems(), 5);
	EXPECT_EQ(vector.InsertAt(nullptr, 1), 1);  // a default element is zero
	EXPECT_EQ(Contents(vector), (std::vector<int32>{1, 0, 2, 3, 5, 6}));
	vector.RemoveItemsAt(9);
	vector.RemoveItemsAt(0, 0);
	vector.RemoveItemsAt(-1);
	EXPECT_EQ(vector.CountItems(), 6);
}

TEST(Vector, AnElementOfTheVectorItselfCanBeAddedWhileItMoves)
{
	BVector<int32> vector;
	AppendRange(vector, 1, 2);
	// The array moves to the heap while the source still lies in the inline buffer.
	EXPECT_EQ(vector.Append(vector.ElementAt(0)), 2);
	// In place: the source is shifted up before it is read.
	EXPECT_EQ(vector.InsertAt(vector.ElementAt(1), 0), 0);
	EXPECT_EQ(Contents(vector), (std::vector<int32>{2, 1, 2, 1}));

	BVector<BString> strings;
	strings.AddItem(BString("first"));
	for (int32 i = 0; i < 20; i++)
		strings.AddItemAt(strings[i], 0);
	for (const BString& string : strings)
		EXPECT_TRUE(string == "first");
	EXPECT_EQ(References(strings[0]), 21u);
}

TEST(Vector, StringElementsShareOneBufferThroughEveryMove)
{
	BString text("Documents\\Quorvane\\Brisca");
	const wchar_t* chars = text.Chars();
	{
		BVector<BString> strings;
		for (int32 i = 0; i < 40; i++)
			strings.AddItemAt(text, i % 3 == 0 ? 0 : i / 2);
		strings.InsertAt(nullptr, 5);
		EXPECT_EQ(References(text), 41u);
		for (int32 i = 0; i < strings.CountItems(); i++) {
			if (i == 5)
				EXPECT_TRUE(strings[i].IsEmpty());
			else
				EXPECT_EQ(strings[i].Chars(), chars) << i;
		}
		BVector<BString> copy(strings);
		EXPECT_EQ(References(text), 81u);
		strings.RemoveItemsAt(0, 38);  // the empty string goes too, three copies stay
		EXPECT_EQ(References(text), 44u);
		EXPECT_EQ(copy[40].Chars(), chars);
		copy = strings;
		EXPECT_EQ(References(text), 7u);
	}
	EXPECT_EQ(References(text), 1u);
	EXPECT_EQ(text.Chars(), chars);
}

TEST(Vector, EveryElementIsConstructedAndDestroyedExactlyOnce)
{
	Counted::Reset();
	{
		BVector<Counted> vector;
		for (int32 i = 0; i < 60; i++)
			vector.AddItemAt(Counted(i), i % 2 == 0 ? 0 : vector.CountItems());
		EXPECT_EQ(Counted::sLive, 60);
		vector.RemoveItemsAt(5, 50);
		vector.InsertAt(nullptr, 2);
		EXPECT_EQ(Counted::sLive, 11);

		BVector<Counted> copy(vector);
		BVector<Counted> assigned;
		assigned.AddItem(Counted(-1));
		assigned = copy;
		EXPECT_EQ(Counted::sLive, 33);
		for (int32 i = 0; i < vector.CountItems(); i++) {
			EXPECT_EQ(copy[i].Value(), vector[i].Value());
			EXPECT_EQ(assigned[i].Value(), vector[i].Value());
		}
		copy = BVector<Counted>();
		EXPECT_EQ(copy.CountItems(), 0);
		EXPECT_FALSE(copy.UsesHeap());
		vector.RemoveItemsAt(0, 11);
		EXPECT_EQ(Counted::sLive, 11);
	}
	EXPECT_EQ(Counted::sLive, 0);
	EXPECT_EQ(Counted::sBroken, 0);
}

// Records its own destruction, so that the test sees when the last reference went.
class Tracked : public BAtom {
public:
	explicit Tracked(bool* destroyed) : fDestroyed(destroyed) {}
	~Tracked() override { *fDestroyed = true; }

private:
	bool* fDestroyed;
};

TEST(Vector, StrongPointersAcquireOnCopyAndReleaseOnDestroy)
{
	bool destroyed = false;
	Tracked* object = new Tracked(&destroyed);
	ASSERT_NE(object, nullptr);
	{
		BVector<sptr<Tracked>> holders;
		sptr<Tracked> first(object);
		for (int32 i = 0; i < 30; i++)
			holders.AddItemAt(first, i % 2 == 0 ? 0 : i / 2);
		holders.InsertAt(nullptr, 3);
		EXPECT_EQ(object->StrongCount(), 31);  // moves neither acquire nor release
		EXPECT_FALSE(holders[3]);
		BVector<sptr<Tracked>> copy(holders);
		EXPECT_EQ(object->StrongCount(), 61);
		holders.RemoveItemsAt(0, 29);
		EXPECT_EQ(object->StrongCount(), 33);
		first.Clear();
		copy.MakeEmpty();
		EXPECT_EQ(object->StrongCount(), 2);
		EXPECT_FALSE(destroyed);
	}
	EXPECT_TRUE(destroyed);
}

// A subclass that forgets to empty itself, and elements of a different size.
class ForgetfulVector : public BAbstractVector {
public:
	ForgetfulVector() : BAbstractVector(sizeof(int32)) {}

protected:
	void ConstructItems(void* base, size_t n) const override { std::memset(base, 0, n * 4); }
	void CopyItems(void* to, const void* from, size_t n) const override { std::memcpy(to, from, n * 4); }
	void DestroyItems(void*, size_t) const override {}
	void MoveItemsDown(void* to, void* from, size_t n) const override { std::memmove(to, from, n * 4); }
	void MoveItemsUp(void* to, void* from, size_t n) const override { std::memmove(to, from, n * 4); }
	void AssignItems(void* to, const void* from, size_t n) const override { std::memmove(to, from, n * 4); }
};

TEST(Vector, MisuseIsReportedThroughTheDebuggerHook)
{
	zeltest::TakeDebuggerReports();
	BVector<int32> narrow;
	AppendRange(narrow, 1, 3);
	BVector<int64> wide;
	wide.AddItem(7);
	BAbstractVector& base = narrow;
	EXPECT_EQ(base.Assign(wide), kMismatchedValues);
	base = wide;
	EXPECT_EQ(Contents(narrow), (std::vector<int32>{1, 2, 3}));
	std::vector<std::string> reports = zeltest::TakeDebuggerReports();
	ASSERT_EQ(reports.size(), 2u);
	EXPECT_EQ(reports[0], "BAbstractVector element sizes do not match");
	EXPECT_EQ(reports[1], "BAbstractVector element sizes do not match");

	{
		ForgetfulVector emptied;
		emptied.Append(nullptr);
		emptied.MakeEmpty();
	}
	EXPECT_TRUE(zeltest::TakeDebuggerReports().empty());
	{
		ForgetfulVector forgetful;
		for (int32 i = 0; i < 5; i++)
			forgetful.Append(&i);
	}
	reports = zeltest::TakeDebuggerReports();
	ASSERT_EQ(reports.size(), 1u);
	EXPECT_EQ(reports[0], "BAbstractVector: subclass must call MakeEmpty() in destructor");
}

}  // namespace
