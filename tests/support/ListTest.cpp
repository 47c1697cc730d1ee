// BList, _PointerList_ and BObjectList: the inline slot, growth and shrink
// steps, bounds, vetoed removal, binary search and owned items.
#include "support/List.h"
#include "support/ObjectList.h"
#include "support/PointerList.h"
#include "tests/support/Counted.h"

#include <gtest/gtest.h>

#include <cstdint>
#include <vector>

using zeltest::Counted;

namespace {

void* Item(uintptr_t value)
{
	return reinterpret_cast<void*>(value);
}

std::vector<uintptr_t> Contents(const BList& list)
{
	std::vector<uintptr_t> items;
	for (int32 i = 0; i < list.CountItems(); i++)
		items.push_back(reinterpret_cast<uintptr_t>(list.ItemAt(i)));
	return items;
}

void Fill(BList& list, uintptr_t count)
{
	for (uintptr_t i = 1; i <= count; i++)
		ASSERT_TRUE(list.AddItem(Item(i)));
}

TEST(List, GrowsFromTheInlineSlotByHalvesAndAtLeastTwo)
{
	BList list;
	EXPECT_EQ(list.Capacity(), 1);
	EXPECT_EQ(list.BlockSize(), 1);
	std::vector<int32> capacities;
	for (uintptr_t i = 1; i <= 10; i++) {
		ASSERT_TRUE(list.AddItem(Item(i)));
		capacities.push_back(list.Capacity());
	}
	EXPECT_EQ(capacities, (std::vector<int32>{1, 2, 4, 4, 6, 6, 9, 9, 9, 13}));
	EXPECT_EQ(Contents(list), (std::vector<uintptr_t>{1, 2, 3, 4, 5, 6, 7, 8, 9, 10}));
}

TEST(List, ShrinksBelowFourNinthsAndBackToTheInlineSlot)
{
	BList list;
	Fill(list, 10);
	ASSERT_EQ(list.Capacity(), 13);
	ASSERT_TRUE(list.RemoveItems(0, 4));  // 6 * 9 / 4 == 13: kept
	EXPECT_EQ(list.Capacity(), 13);
	ASSERT_TRUE(list.RemoveItems(0, 1));  // 5 left: 7 slots
	EXPECT_EQ(list.Capacity(), 7);
	ASSERT_TRUE(list.RemoveItems(1, 2));  // 3 left: 4 slots
	EXPECT_EQ(list.Capacity(), 4);
	EXPECT_EQ(Contents(list), (std::vector<uintptr_t>{6, 9, 10}));
	ASSERT_TRUE(list.RemoveItems(0, 2));
	EXPECT_EQ(list.Capacity(), 1);
	EXPECT_EQ(Contents(list), (std::vector<uintptr_t>{10}));
	ASSERT_TRUE(list.AddItem(Item(11), 0));
	EXPECT_EQ(Contents(list), (std::vector<uintptr_t>{11, 10}));
}

TEST(List, BlockSizeIsTheFloorOfShrinkingUntilOneItemRemains)
{
	BList list(10);
	EXPECT_EQ(list.Capacity(), 10);
	Fill(list, 11);
	EXPECT_EQ(list.Capacity(), 15);
	list.RemoveItems(4, 100);
	EXPECT_EQ(list.Capacity(), 10);
	list.RemoveItems(0, 2);
	EXPECT_EQ(list.Capacity(), 10);
	list.RemoveItems(0, 1);
	EXPECT_EQ(list.Capacity(), 1);
	EXPECT_EQ(Contents(list), (std::vector<uintptr_t>{4}));
	list.MakeEmpty();
	EXPECT_EQ(list.CountItems(), 0);
	EXPECT_EQ(list.Capacity(), 10);
	EXPECT_EQ(BList(0).BlockSize(), 1);
}

TEST(List, InsertionAndLookupBounds)
{
	BList list;
	EXPECT_FALSE(list.AddItem(Item(1), 1));
	EXPECT_FALSE(list.AddItem(Item(1), -1));
	EXPECT_TRUE(list.AddItem(Item(3), 0));
	EXPECT_TRUE(list.AddItem(Item(1), 0));
	EXPECT_TRUE(list.AddItem(Item(4), list.CountItems()));
	EXPECT_FALSE(list.AddItem(Item(5), list.CountItems() + 1));
	EXPECT_TRUE(list.AddItem(Item(2), 1));
	EXPECT_TRUE(list.AddItem(Item(2)));
	EXPECT_EQ(Contents(list), (std::vector<uintptr_t>{1, 2, 3, 4, 2}));

	EXPECT_EQ(list.ItemAt(-1), nullptr);
	EXPECT_EQ(list.ItemAt(5), nullptr);
	EXPECT_EQ(list.IndexOf(Item(2)), 1);
	EXPECT_EQ(list.IndexOf(Item(9)), -1);
	EXPECT_FALSE(list.HasItem(Item(9)));
	EXPECT_TRUE(list.RemoveItem(Item(2)));  // the first one
	EXPECT_FALSE(list.RemoveItem(Item(9)));
	EXPECT_EQ(list.RemoveItem(int32(3)), Item(2));
	EXPECT_EQ(list.RemoveItem(int32(3)), nullptr);
	EXPECT_EQ(Contents(list), (std::vector<uintptr_t>{1, 3, 4}));
}

struct CheckLog {
	std::vector<uintptr_t> seen;
	uintptr_t reject;
};

int32 RejectOne(void* item, void* data)
{
	CheckLog* log = static_cast<CheckLog*>(data);
	log->seen.push_back(reinterpret_cast<uintptr_t>(item));
	return reinterpret_cast<uintptr_t>(item) == log->reject ? 1 : 0;
}

TEST(List, RemoveItemsAsksTheCheckAboutTheWholeRangeFirst)
{
	BList list;
	Fill(list, 8);
	CheckLog log{{}, 5};
	EXPECT_FALSE(list.RemoveItems(2, 4, RejectOne, &log));
	EXPECT_EQ(log.seen, (std::vector<uintptr_t>{3, 4, 5}));
	EXPECT_EQ(list.CountItems(), 8);
	EXPECT_EQ(list.Capacity(), 9);

	log = CheckLog{{}, 0};
	EXPECT_TRUE(list.RemoveItems(5, 10, RejectOne, &log));  // cut to the last three
	EXPECT_EQ(log.seen, (std::vector<uintptr_t>{6, 7, 8}));
	EXPECT_EQ(Contents(list), (std::vector<uintptr_t>{1, 2, 3, 4, 5}));

	EXPECT_FALSE(list.RemoveItems(5, 1));
	EXPECT_FALSE(list.RemoveItems(-1, 1));
	EXPECT_FALSE(list.RemoveItems(0, -1));
	EXPECT_TRUE(list.RemoveItems(0, 0));
	EXPECT_EQ(list.CountItems(), 5);
}

int32 CompareNumbers(const void* item, const void* key)
{
	int32 a = *static_cast<const int32*>(item);
	int32 b = *static_cast<const int32*>(key);
	return a < b ? -1 : (a > b ? 1 : 0);
}

TEST(PointerList, BinarySearchFindsItemsOrTheComplementOfTheirPlace)
{
	_PointerList_ list;
	int32 key = 5;
	EXPECT_EQ(list.BinarySearch(&key, CompareNumbers), -1);
	int32 numbers[] = {10, 20, 30, 40, 50};
	for (int32& number : numbers)
		list.AddItem(&number);
	for (int32 i = 0; i < 5; i++)
		EXPECT_EQ(list.BinarySearch(&numbers[i], CompareNumbers), i);
	key = 5;
	EXPECT_EQ(list.BinarySearch(&key, CompareNumbers), -1);
	key = 35;
	EXPECT_EQ(list.BinarySearch(&key, CompareNumbers), ~3);
	key = 99;
	EXPECT_EQ(list.BinarySearch(&key, CompareNumbers), -6);
	EXPECT_FALSE(list.Owning());
}

TEST(ObjectList, AnOwningListDeletesWhatItStillHolds)
{
	Counted::Reset();
	Counted* kept;
	Counted* first;
	{
		BObjectList<Counted> owning(1, true);
		for (int32 i = 0; i < 6; i++)
			owning.AddItem(new Counted(i));
		kept = owning.RemoveItem(int32(2));
		first = owning.ItemAt(0);
		EXPECT_TRUE(owning.RemoveItem(first));
		EXPECT_EQ(Counted::sLive, 6);  // both handed back, not deleted
		EXPECT_EQ(owning.ItemAt(0)->Value(), 1);
		EXPECT_EQ(owning.IndexOf(kept), -1);
		owning.MakeEmpty();
		EXPECT_EQ(Counted::sLive, 2);
		owning.AddItem(new Counted(9), 0);
	}
	EXPECT_EQ(Counted::sLive, 2);
	{
		BObjectList<Counted> borrowing(4);
		borrowing.AddItem(kept);
		borrowing.AddItem(first);
		EXPECT_TRUE(borrowing.HasItem(kept));
	}
	EXPECT_EQ(Counted::sLive, 2);
	EXPECT_EQ(kept->Value(), 2);
	EXPECT_EQ(first->Value(), 0);
	delete kept;
	delete first;
	EXPECT_EQ(Counted::sLive, 0);
	EXPECT_EQ(Counted::sBroken, 0);
}

}  // namespace
