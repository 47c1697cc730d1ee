// BKeyedVector: values kept beside their keys, and the default for a missing key.
#include "support/KeyedVector.h"
#include "tests/support/Counted.h"

#include <gtest/gtest.h>

#include <cstdint>

using zeltest::Counted;

namespace {

typedef void* Handle;

Handle MakeHandle(uintptr_t value)
{
	return reinterpret_cast<Handle>(value);
}

TEST(KeyedVector, MissingKeysYieldTheDefaultValue)
{
	BKeyedVector<int32, BString> names(BString("unknown"));
	bool found = true;
	EXPECT_TRUE(names.ValueFor(7, &found) == "unknown");
	EXPECT_FALSE(found);
	EXPECT_EQ(names.EditValueFor(7), nullptr);
	EXPECT_EQ(names.RemoveItemFor(7), kNameNotFound);

	EXPECT_EQ(names.AddItem(7, BString("seven")), 0);
	EXPECT_TRUE(names.ValueFor(7, &found) == "seven");
	EXPECT_TRUE(found);
	EXPECT_TRUE(names.ValueFor(8) == "unknown");
	EXPECT_TRUE(names.DefaultValue() == "unknown");
}

TEST(KeyedVector, ValuesStayAtTheIndicesOfTheirKeys)
{
	BKeyedVector<int32, int32> squares(-1);
	for (int32 key : {9, 3, 7, 1, 5, 11, 0})
		squares.AddItem(key, key * key);
	EXPECT_EQ(squares.AddItem(5, 26), 3);  // overwrites, adds no key
	ASSERT_EQ(squares.CountItems(), 7);
	for (int32 i = 1; i < squares.CountItems(); i++)
		EXPECT_LT(squares.KeyAt(i - 1), squares.KeyAt(i));
	for (int32 i = 0; i < squares.CountItems(); i++) {
		int32 key = squares.KeyAt(i);
		EXPECT_EQ(squares.ValueAt(i), key == 5 ? 26 : key * key);
	}
	EXPECT_EQ(squares.RemoveItemFor(3), 2);
	EXPECT_EQ(squares.ValueFor(3), -1);
	EXPECT_EQ(squares.ValueFor(7), 49);
	EXPECT_EQ(squares.ValueFor(11), 121);
	*squares.EditValueFor(0) = 100;
	EXPECT_EQ(squares.ValueAt(0), 100);
}

TEST(KeyedVector, OwnedWindowListsPerOwner)
{
	BKeyedVector<Handle, BOrderedVector<Handle>> owned;
	EXPECT_EQ(owned.ValueFor(MakeHandle(0x100)).CountItems(), 0);

	for (uintptr_t owner = 3; owner > 0; owner--) {
		BOrderedVector<Handle> windows;
		for (uintptr_t i = 0; i < owner * 3; i++)
			windows.AddItem(MakeHandle(owner * 0x1000 + i));
		owned.AddItem(MakeHandle(owner), windows);
	}
	BOrderedVector<Handle>* second = owned.EditValueFor(MakeHandle(2));
	ASSERT_NE(second, nullptr);
	second->AddItem(MakeHandle(0x1FFF));
	EXPECT_EQ(owned.ValueFor(MakeHandle(2)).CountItems(), 7);
	EXPECT_EQ(owned.ValueFor(MakeHandle(2))[0], MakeHandle(0x1FFF));
	EXPECT_EQ(owned.ValueFor(MakeHandle(1)).CountItems(), 3);
	EXPECT_EQ(owned.ValueFor(MakeHandle(3)).CountItems(), 9);

	BKeyedVector<Handle, BOrderedVector<Handle>> copy(owned);
	owned.RemoveItemFor(MakeHandle(1));
	EXPECT_EQ(copy.ValueFor(MakeHandle(1)).CountItems(), 3);
	EXPECT_EQ(copy.ValueFor(MakeHandle(3))[8], MakeHandle(0x3008));
	EXPECT_EQ(owned.CountItems(), 2);
	EXPECT_EQ(owned.KeyAt(0), MakeHandle(2));
}

TEST(KeyedVector, ValuesAreDestroyedWithTheirKeys)
{
	Counted::Reset();
	{
		BKeyedVector<int32, Counted> counted;
		for (int32 key = 0; key < 20; key++)
			counted.AddItem(19 - key, Counted(key));
		counted.AddItem(4, Counted(-4));
		EXPECT_EQ(Counted::sLive, 21);  // the default value too
		counted.RemoveItemsAt(0, 10);
		EXPECT_EQ(Counted::sLive, 11);
		EXPECT_EQ(counted.ValueFor(4).Value(), 0);  // removed: the default
		EXPECT_EQ(counted.KeyAt(0), 10);
		EXPECT_EQ(counted.ValueAt(0).Value(), 9);
	}
	EXPECT_EQ(Counted::sLive, 0);
	EXPECT_EQ(Counted::sBroken, 0);
}

}  // namespace
