// The body's byte layout as fields and items come and go.
#include "messaging/MessageBody.h"
#include "messaging/MessageChunks.h"

#include <gtest/gtest.h>

#include <vector>

#include <cstring>
#include <string>

using namespace BPrivate;

namespace {


uint32 Word(const uint8* p)
{
	return Load32(p);
}

// A private body for one test; released at the end.
class Body {
public:
	Body() : fBody(BMessageBody::Create()) {}
	~Body() { fBody->Release(); }

	status_t Add(const char* name, type_code type, const void* data, uint32 size, bool fixed = true)
	{
		uint8* item;
		status_t status = BMessageBody::AddItem(&fBody, name, type, size, fixed, &item);
		if (status == kOk)
			std::memcpy(item, data, size);
		return status;
	}
	status_t AddLong(const char* name, int32 value) { return Add(name, kInt32Type, &value, 4); }
	status_t AddString(const char* name, const char* text)
	{
		return Add(name, kUtf8Type, text, static_cast<uint32>(std::strlen(text) + 1), false);
	}
	std::string Item(const char* name, int32 index)
	{
		int32 offset = fBody->FindField(name);
		const void* data;
		uint32 size;
		if (offset < 0 || !fBody->ItemAt(static_cast<uint32>(offset), index, &data, &size))
			return "<none>";
		return std::string(static_cast<const char*>(data), size);
	}
	int32 LongAt(const char* name, int32 index)
	{
		std::string bytes = Item(name, index);
		int32 value = -999;
		if (bytes.size() == 4)
			std::memcpy(&value, bytes.data(), 4);
		return value;
	}
	// The body must stay exactly what a reader accepts after every change, and
	// be accepted by the index pass alone, as every body written here is.
	void ExpectSound()
	{
		BodyShape shape;
		std::vector<uint8> scratch(CheckScratchSize(fBody->UsedSize()));
		ASSERT_EQ(CheckBodyByChain(fBody->Data(), fBody->UsedSize(), scratch.data(), &shape), kOk);
		EXPECT_EQ(shape.indexOffset, fBody->IndexOffset());
		EXPECT_EQ(shape.endOffset, fBody->EndOffset());
		EXPECT_EQ(shape.usedSize, fBody->UsedSize());
		EXPECT_EQ(static_cast<int32>(shape.fieldCount), fBody->FieldCount());
		BodyHints hints;
		hints.indexOffset = fBody->IndexOffset();
		hints.endOffset = fBody->EndOffset();
		BodyShape indexed;
		ASSERT_TRUE(CheckBodyByIndex(fBody->Data(), fBody->UsedSize(), hints, scratch.data(), &indexed));
		EXPECT_EQ(indexed.indexOffset, shape.indexOffset);
		EXPECT_EQ(indexed.endOffset, shape.endOffset);
		EXPECT_EQ(indexed.fieldCount, shape.fieldCount);
		EXPECT_EQ(indexed.mayHoldAtoms, shape.mayHoldAtoms);
	}
	BMessageBody* operator->() { return fBody; }
	BMessageBody* fBody;
};

TEST(MessageBodyLayout, NewBodyHoldsAnEmptyIndexAndTheEndMark)
{
	Body body;
	EXPECT_EQ(body->Capacity(), 104u);
	EXPECT_EQ(body->UsedSize(), 16u);
	EXPECT_EQ(body->IndexOffset(), 0u);
	EXPECT_EQ(body->EndOffset(), 8u);
	const uint8 expected[16] = {'n', 'I', 'X', 'D', 8, 0, 0, 0, 'n', 'E', 'D', 'D', 8, 0, 0, 0};
	EXPECT_EQ(std::memcmp(body->Data(), expected, 16), 0);
	// The header area lies right in front of the data.
	EXPECT_EQ(body->HeaderArea() + BMessageBody::kHeaderAreaSize, body->Data());
}

TEST(MessageBodyLayout, SingleItemChunkIsWrittenAtTheOldIndexPlace)
{
	Body body;
	ASSERT_EQ(body.AddLong("abc", 0x11223344), kOk);
	const uint8* chunk = body->Data();
	EXPECT_EQ(Load16(chunk), kFieldChunk);
	EXPECT_EQ(Load16(chunk + 2), kSingleItem);
	// D = 18 + 3 rounded to 24, one 4-byte item.
	EXPECT_EQ(Word(chunk + 4), 28u);
	EXPECT_EQ(Word(chunk + 8), kInt32Type);
	EXPECT_EQ(Word(chunk + 12), 4u);
	EXPECT_EQ(chunk[16], 3);
	EXPECT_EQ(std::memcmp(chunk + 17, "abc", 4), 0);
	EXPECT_EQ(Word(chunk + 24), 0x11223344u);
	EXPECT_EQ(Word(chunk + 28), 0u);  // padding to 32
	EXPECT_EQ(body->IndexOffset(), 32u);
	EXPECT_EQ(Word(body->Data() + 32 + 4), 12u);
	EXPECT_EQ(Word(body->Data() + 32 + 8), 0u);  // the one entry: the chunk at 0
	EXPECT_EQ(body->EndOffset(), 48u);
	EXPECT_EQ(body->UsedSize(), 56u);
	body.ExpectSound();
}

TEST(MessageBodyLayout, SecondFixedItemMakesAFixedArrayAndOtherSizesAreRefused)
{
	Body body;
	ASSERT_EQ(body.AddLong("n", 1), kOk);
	ASSERT_EQ(body.AddLong("n", 2), kOk);
	const uint8* chunk = body->Data();
	uint32 data = 24;  // 18 + 1 rounded up
	EXPECT_EQ(Load16(chunk + 2), kFixedArray);
	EXPECT_EQ(Word(chunk + data), 2u);
	EXPECT_EQ(Word(chunk + data + 4), 0u);
	EXPECT_EQ(Word(chunk + data + 8), 1u);
	EXPECT_EQ(Word(chunk + data + 12), 2u);
	EXPECT_EQ(Word(chunk + 4), data + 16);
	const char three[3] = {1, 2, 3};
	EXPECT_EQ(body.Add("n", kInt32Type, three, 3), kMismatchedValues);
	ASSERT_EQ(body.AddLong("n", 3), kOk);
	EXPECT_EQ(body.LongAt("n", 2), 3);
	body.ExpectSound();
}

TEST(MessageBodyLayout, OtherSizeOrUnfixedItemMakesAVariableArray)
{
	Body body;
	ASSERT_EQ(body.AddString("s", "hello"), kOk);
	ASSERT_EQ(body.AddString("s", "a longer text item"), kOk);
	ASSERT_EQ(body.AddString("s", ""), kOk);
	const uint8* chunk = body->Data();
	uint32 data = 24;
	EXPECT_EQ(Load16(chunk + 2), kVariableArray);
	EXPECT_EQ(Word(chunk + 12), 0u);
	EXPECT_EQ(Word(chunk + data), 3u);
	// Items at 0, 8 and 32 (each start rounded to 8), the table behind the last.
	uint32 table = Word(chunk + data + 4);
	EXPECT_EQ(table, 40u);
	const uint8* ends = chunk + data + 8 + table;
	EXPECT_EQ(Word(ends), 6u);
	EXPECT_EQ(Word(ends + 4), 8u + 19u);
	EXPECT_EQ(Word(ends + 8), 33u);
	EXPECT_EQ(Word(chunk + 4), data + 8 + table + 12);
	EXPECT_EQ(body.Item("s", 0), std::string("hello", 6));
	EXPECT_EQ(body.Item("s", 1), std::string("a longer text item", 19));
	EXPECT_EQ(body.Item("s", 2), std::string("", 1));
	// A fixed-size flag does not matter once the field is variable.
	int32 value = 7;
	EXPECT_EQ(body.Add("s", kUtf8Type, &value, 4, true), kOk);
	EXPECT_EQ(body.Item("s", 3).size(), 4u);
	body.ExpectSound();

	Body mixed;
	ASSERT_EQ(mixed.AddLong("m", 5), kOk);
	int64 wide = 6;
	ASSERT_EQ(mixed.Add("m", kInt32Type, &wide, 8), kOk);
	EXPECT_EQ(Load16(mixed->Data() + 2), kVariableArray);
	EXPECT_EQ(mixed.LongAt("m", 0), 5);
	EXPECT_EQ(mixed.Item("m", 1).size(), 8u);
	mixed.ExpectSound();
}

TEST(MessageBodyLayout, FieldsGrowAndMoveWithoutDisturbingTheirNeighbours)
{
	Body body;
	ASSERT_EQ(body.AddString("middle", "m0"), kOk);
	ASSERT_EQ(body.AddLong("first", 10), kOk);
	ASSERT_EQ(body.AddLong("last", 20), kOk);
	for (int32 i = 0; i < 200; i++) {
		ASSERT_EQ(body.AddLong("first", 11 + i), kOk);
		ASSERT_EQ(body.AddString("middle", std::to_string(i).c_str()), kOk);
	}
	EXPECT_GT(body->Capacity(), 104u);
	EXPECT_EQ(body->Capacity() % 8, 0u);
	EXPECT_EQ(body.LongAt("last", 0), 20);
	EXPECT_EQ(body.LongAt("first", 200), 210);
	EXPECT_EQ(body.Item("middle", 200), std::string("199", 4));
	body.ExpectSound();
}

TEST(MessageBodyLookup, IndexIsSortedByteWiseWhileChunksKeepCreationOrder)
{
	Body body;
	const char* names[] = {"zeta", "alpha", "al", "\xC3\xA9t\xC3\xA9", "Beta", "alphabet", "m"};
	for (int32 i = 0; i < 7; i++)
		ASSERT_EQ(body.AddLong(names[i], i), kOk);
	// Byte-wise: upper case before lower, a prefix first, bytes above 0x7F last.
	const char* sorted[] = {"Beta", "al", "alpha", "alphabet", "m", "zeta", "\xC3\xA9t\xC3\xA9"};
	const uint32* entries = reinterpret_cast<const uint32*>(body->Data() + body->IndexOffset() + 8);
	for (int32 i = 0; i < 7; i++)
		EXPECT_STREQ(reinterpret_cast<const char*>(body->Data() + entries[i] + 17), sorted[i]);
	for (int32 i = 0; i < 7; i++)
		EXPECT_EQ(body.LongAt(names[i], 0), i) << names[i];
	EXPECT_LT(body->FindField("alp"), 0);
	EXPECT_LT(body->FindField("zz"), 0);
	EXPECT_LT(body->FindField(""), 0);

	uint32 cookie = 0;
	BMessageField field;
	for (int32 i = 0; i < 7; i++) {
		ASSERT_EQ(body->NextField(&cookie, kAnyType, nullptr, 0, -1, &field), kOk);
		EXPECT_STREQ(field.name, names[i]);
	}
	EXPECT_EQ(body->NextField(&cookie, kAnyType, nullptr, 0, -1, &field), kBadType);
}

TEST(MessageBodyLookup, InsertionPositionAndLinearScanAgreeWithTheSearch)
{
	Body body;
	int32 position;
	EXPECT_EQ(body->FindField("x", &position), -1);
	EXPECT_EQ(position, 0);
	ASSERT_EQ(body.AddLong("b", 1), kOk);
	ASSERT_EQ(body.AddLong("d", 2), kOk);
	EXPECT_EQ(body->FindField("a", &position), -1);
	EXPECT_EQ(position, 0);
	EXPECT_EQ(body->FindField("c", &position), -1);
	EXPECT_EQ(position, 1);
	EXPECT_EQ(body->FindField("e", &position), -1);
	EXPECT_EQ(position, 2);
	EXPECT_GE(body->FindField("d"), 0);
	EXPECT_EQ(body->FindField("d", &position), body->FindField("d"));
	EXPECT_EQ(position, 1);
}

TEST(MessageBodyLookup, WalkStatusesTellTypeIndexAndNameApart)
{
	Body body;
	ASSERT_EQ(body.AddLong("a", 1), kOk);
	ASSERT_EQ(body.AddString("b", "x"), kOk);
	ASSERT_EQ(body.AddLong("c", 2), kOk);
	BMessageField field;
	uint32 cookie = 0;
	ASSERT_EQ(body->NextField(&cookie, kInt32Type, nullptr, 1, -1, &field), kOk);
	EXPECT_STREQ(field.name, "c");
	cookie = 0;
	EXPECT_EQ(body->NextField(&cookie, kRectType, nullptr, 0, -1, &field), kBadType);
	cookie = 0;
	EXPECT_EQ(body->NextField(&cookie, kInt32Type, nullptr, 2, -1, &field), kBadIndex);
	cookie = 0;
	EXPECT_EQ(body->NextField(&cookie, kInt32Type, "b", 0, -1, &field), kNameNotFound);
	cookie = 0;
	EXPECT_EQ(body->NextField(&cookie, kInt32Type, "a", 0, 1, &field), kBadIndex);
	cookie = body->UsedSize();
	EXPECT_EQ(body->NextField(&cookie, kAnyType, nullptr, 0, -1, &field), kBadValue);
	cookie = 0;
	ASSERT_EQ(body->NextField(&cookie, kAnyType, "b", 0, -1, &field), kOk);
	EXPECT_EQ(field.itemSize, 2);
}

TEST(MessageBodyNames, NamesUpTo255BytesAreAccepted)
{
	Body body;
	std::string longest(255, 'n');
	std::string tooLong(256, 'n');
	ASSERT_EQ(body.AddLong(longest.c_str(), 1), kOk);
	EXPECT_EQ(body.AddLong(tooLong.c_str(), 2), kNameTooLong);
	EXPECT_EQ(body.LongAt(longest.c_str(), 0), 1);
	EXPECT_EQ(body->FieldCount(), 1);
	body.ExpectSound();
}

TEST(MessageBodyChanges, ReplacingResizesItemsInPlace)
{
	Body body;
	ASSERT_EQ(body.AddString("v", "one"), kOk);
	ASSERT_EQ(body.AddString("v", "two"), kOk);
	ASSERT_EQ(body.AddString("v", "three"), kOk);
	ASSERT_EQ(body.AddLong("after", 99), kOk);
	uint32 offset = static_cast<uint32>(body->FindField("v"));
	uint8* item;
	ASSERT_EQ(BMessageBody::ReplaceItem(&body.fBody, offset, 1, 30, &item), kOk);
	std::memcpy(item, "a much longer second item....", 30);
	EXPECT_EQ(body.Item("v", 0), std::string("one", 4));
	EXPECT_EQ(body.Item("v", 1), std::string("a much longer second item....", 30));
	EXPECT_EQ(body.Item("v", 2), std::string("three", 6));
	EXPECT_EQ(body.LongAt("after", 0), 99);
	EXPECT_EQ(BMessageBody::ReplaceItem(&body.fBody, offset, 3, 1, &item), kBadIndex);
	body.ExpectSound();

	uint32 single = static_cast<uint32>(body->FindField("after"));
	ASSERT_EQ(BMessageBody::ReplaceItem(&body.fBody, single, 0, 12, &item), kOk);
	std::memcpy(item, "twelve bytes", 12);
	EXPECT_EQ(body.Item("after", 0), "twelve bytes");
	EXPECT_EQ(BMessageBody::ReplaceItem(&body.fBody, single, 1, 4, &item), kBadIndex);
	body.ExpectSound();
}

TEST(MessageBodyChanges, RemovingItemsAndFieldsClosesTheGaps)
{
	Body body;
	for (int32 i = 0; i < 4; i++)
		ASSERT_EQ(body.AddLong("f", i), kOk);
	ASSERT_EQ(body.AddString("v", "x"), kOk);
	ASSERT_EQ(body.AddString("v", "yy"), kOk);
	ASSERT_EQ(body.AddString("v", "zzz"), kOk);
	ASSERT_EQ(body.AddLong("keep", 5), kOk);
	EXPECT_EQ(body->RemoveItem("f", 4), kBadIndex);
	ASSERT_EQ(body->RemoveItem("f", 1), kOk);
	EXPECT_EQ(body.LongAt("f", 0), 0);
	EXPECT_EQ(body.LongAt("f", 1), 2);
	EXPECT_EQ(body.LongAt("f", 2), 3);
	EXPECT_EQ(body.Item("f", 3), "<none>");
	ASSERT_EQ(body->RemoveItem("v", 0), kOk);
	EXPECT_EQ(body.Item("v", 0), std::string("yy", 3));
	EXPECT_EQ(body.Item("v", 1), std::string("zzz", 4));
	body.ExpectSound();
	ASSERT_EQ(body->RemoveField("f"), kOk);
	EXPECT_EQ(body->RemoveField("f"), kNameNotFound);
	ASSERT_EQ(body->RemoveItem("keep", 0), kOk);
	EXPECT_EQ(body->FieldCount(), 1);
	EXPECT_EQ(body.Item("v", 1), std::string("zzz", 4));
	body.ExpectSound();
	ASSERT_EQ(body->RemoveField("v"), kOk);
	EXPECT_EQ(body->UsedSize(), 16u);
	EXPECT_EQ(body->IndexOffset(), 0u);
	EXPECT_EQ(body->EndOffset(), 8u);
}

TEST(MessageBodySharing, ASharedBodyIsCopiedBeforeAChange)
{
	Body body;
	ASSERT_EQ(body.AddLong("a", 1), kOk);
	BMessageBody* shared = body.fBody;
	shared->Acquire();
	BMessageBody* mine = shared;
	ASSERT_EQ(BMessageBody::MakePrivate(&mine), kOk);
	EXPECT_NE(mine, shared);
	EXPECT_EQ(shared->References(), 1);
	EXPECT_EQ(mine->References(), 1);
	EXPECT_EQ(mine->Capacity(), 104u);
	EXPECT_EQ(std::memcmp(mine->Data(), shared->Data(), shared->UsedSize()), 0);
	mine->Release();
}

}  // namespace
