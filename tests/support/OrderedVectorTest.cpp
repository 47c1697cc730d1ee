// BOrderedVector: sorted insertion, binary search at the edges, overwriting
// an equal element, and handles compared as unsigned numbers.
#include "support/OrderedVector.h"
#include "support/String.h"

#include <gtest/gtest.h>

#include <cstdint>
#include <vector>

namespace {

// Ordered by key alone, so that an equal key can carry a different payload.
struct Entry {
	int32 key;
	int32 payload;
	bool operator<(const Entry& other) const { return key < other.key; }
};

std::vector<int32> Keys(const BOrderedVector<Entry>& vector)
{
	std::vector<int32> keys;
	for (const Entry& entry : vector)
		keys.push_back(entry.key);
	return keys;
}

TEST(OrderedVector, AddsInOrderAndFindsInsertionPoints)
{
	BOrderedVector<Entry> vector;
	int32 index;
	EXPECT_FALSE(vector.FindIndex(Entry{5, 0}, &index));
	EXPECT_EQ(index, 0);
	bool added = false;
	for (int32 key : {50, 10, 40, 20, 30, 60, 0}) {
		vector.AddItem(Entry{key, key}, &added);
		EXPECT_TRUE(added);
	}
	EXPECT_EQ(Keys(vector), (std::vector<int32>{0, 10, 20, 30, 40, 50, 60}));

	EXPECT_FALSE(vector.FindIndex(Entry{-5, 0}, &index));
	EXPECT_EQ(index, 0);
	EXPECT_FALSE(vector.FindIndex(Entry{35, 0}, &index));
	EXPECT_EQ(index, 4);
	EXPECT_FALSE(vector.FindIndex(Entry{99, 0}, &index));
	EXPECT_EQ(index, 7);
	for (int32 i = 0; i < 7; i++) {
		EXPECT_TRUE(vector.FindIndex(Entry{i * 10, 0}, &index));
		EXPECT_EQ(index, i);
	}
}

TEST(OrderedVector, PresentKeyIsOverwrittenAndAbsentKeyIsNotFound)
{
	BOrderedVector<Entry> vector;
	for (int32 key : {3, 1, 2})
		vector.AddItem(Entry{key, 0});
	bool added = true;
	EXPECT_EQ(vector.AddItem(Entry{2, 77}, &added), 1);
	EXPECT_FALSE(added);
	EXPECT_EQ(vector.CountItems(), 3);
	EXPECT_EQ(vector[1].payload, 77);

	EXPECT_EQ(vector.IndexOf(Entry{4, 0}), kNameNotFound);
	EXPECT_EQ(vector.IndexOf(Entry{3, 0}), 2);
	EXPECT_EQ(vector.RemoveItem(Entry{4, 0}), kNameNotFound);
	EXPECT_EQ(vector.RemoveItem(Entry{1, 0}), 0);
	EXPECT_EQ(Keys(vector), (std::vector<int32>{2, 3}));
	EXPECT_EQ(vector.BAbstractOrderedVector::IndexOf(nullptr), kBadValue);
	EXPECT_EQ(vector.AddOrdered(nullptr, &added), kBadValue);
	EXPECT_FALSE(added);
}

TEST(OrderedVector, HandlesSortAsUnsignedNumbers)
{
	typedef void* Handle;
	Handle high = reinterpret_cast<Handle>(uintptr_t(0x80000010u));
	Handle low = reinterpret_cast<Handle>(uintptr_t(0x10u));
	Handle middle = reinterpret_cast<Handle>(uintptr_t(0x7FFFFFF0u));
	BOrderedVector<Handle> handles;
	handles.AddItem(high);
	handles.AddItem(low);
	handles.AddItem(middle);
	ASSERT_EQ(handles.CountItems(), 3);
	EXPECT_EQ(handles[0], low);
	EXPECT_EQ(handles[1], middle);
	EXPECT_EQ(handles[2], high);
	EXPECT_TRUE(handles.HasItem(high));
	EXPECT_FALSE(handles.HasItem(nullptr));
}

TEST(OrderedVector, StringsSortByTheirUnits)
{
	BOrderedVector<BString> names;
	for (const char* name : {"Quorvane", "Brisca", "brisca", "", "Brisc"})
		names.AddItem(BString(name));
	bool added = true;
	names.AddItem(BString("Brisca"), &added);
	EXPECT_FALSE(added);
	ASSERT_EQ(names.CountItems(), 5);
	EXPECT_TRUE(names[0].IsEmpty());
	EXPECT_TRUE(names[1] == "Brisc");
	EXPECT_TRUE(names[2] == "Brisca");
	EXPECT_TRUE(names[3] == "Quorvane");
	EXPECT_TRUE(names[4] == "brisca");
	BOrderedVector<BString> copy(names);
	EXPECT_EQ(copy.IndexOf(BString("Quorvane")), 3);
}

}  // namespace
