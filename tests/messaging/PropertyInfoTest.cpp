#include "messaging/Message.h"
#include "messaging/PropertyInfo.h"
#include "tests/messaging/PropertyTables.h"

#include <gtest/gtest.h>

#include <cstdlib>
#include <cstring>

using zeltest::Bytes;
using zeltest::ByteWriter;

namespace {

constexpr uint32 kDelete = FourCC("DELE");

// Entries that compete: the same name with and without commands, with and
// without forms, in an order that shows which pass picks which.
const property_info kMatchTable[] = {
	{"Value", {kGetProperty, kSetProperty}, {kDirectSpecifier}, nullptr, 10, {}, {}, {}},
	{"Value", {kCountProperties}, {}, nullptr, 11, {}, {}, {}},
	{"Item", {}, {kIndexSpecifier, kReverseIndexSpecifier}, nullptr, 12, {}, {}, {}},
	{"Item", {kGetProperty}, {kDirectSpecifier}, nullptr, 13, {}, {}, {}},
	{"Name", {}, {}, nullptr, 14, {}, {}, {}},
	{"Name", {kGetProperty}, {kDirectSpecifier}, nullptr, 15, {}, {}, {}},
	{},
};

int32 Match(uint32 command, int32 index, uint32 form, const char* property, uint32* extra = nullptr)
{
	BPropertyInfo info(kMatchTable);
	BMessage message(command);
	return info.MatchRequest(&message, index, nullptr, form, property, extra);
}

TEST(PropertyInfoMatch, AnEntryListingTheCommandAndFormMatchesWithItsExtraData)
{
	uint32 extra = 0;
	EXPECT_EQ(Match(kGetProperty, 0, kDirectSpecifier, "Value", &extra), 0);
	EXPECT_EQ(extra, 10u);
	EXPECT_EQ(Match(kSetProperty, 0, kDirectSpecifier, "Value", &extra), 0);
	EXPECT_EQ(Match(kGetProperty, 0, kDirectSpecifier, "Item", &extra), 3);
	EXPECT_EQ(extra, 13u);
}

TEST(PropertyInfoMatch, AnEmptyFormListTakesEveryForm)
{
	EXPECT_EQ(Match(kCountProperties, 0, kIndexSpecifier, "Value"), 1);
	EXPECT_EQ(Match(kCountProperties, 0, 77, "Value"), 1);
	// A listed form is required where forms are listed.
	EXPECT_EQ(Match(kGetProperty, 0, kReverseIndexSpecifier, "Value"), -1);
	// 0 ends the form lists: it never counts as listed.
	EXPECT_EQ(Match(kGetProperty, 0, 0, "Item"), -1);
}

TEST(PropertyInfoMatch, NamesCompareByteForByte)
{
	EXPECT_EQ(Match(kGetProperty, 0, kDirectSpecifier, "value"), -1);
	EXPECT_EQ(Match(kGetProperty, 0, kDirectSpecifier, "Valu"), -1);
	EXPECT_EQ(Match(kGetProperty, 0, kDirectSpecifier, "Values"), -1);
	EXPECT_EQ(Match(kGetProperty, 0, kDirectSpecifier, nullptr), -1);
}

TEST(PropertyInfoMatch, AtIndexZeroAnEntryWithoutCommandsAnswersOnlyWhenNoneListsTheCommand)
{
	// Entry 4 comes first but has no commands; entry 5 lists the command.
	EXPECT_EQ(Match(kGetProperty, 0, kDirectSpecifier, "Name"), 5);
	// Nobody lists DELE: the second pass takes the first entry without commands.
	uint32 extra = 0;
	EXPECT_EQ(Match(kDelete, 0, kDirectSpecifier, "Name", &extra), 4);
	EXPECT_EQ(extra, 14u);
	EXPECT_EQ(Match(kGetProperty, 0, kIndexSpecifier, "Item"), 2);
	// No entry of that name and form is without commands.
	EXPECT_EQ(Match(kDelete, 0, kDirectSpecifier, "Value"), -1);
}

TEST(PropertyInfoMatch, BelowIndexZeroOnlyListedCommandsMatch)
{
	EXPECT_EQ(Match(kGetProperty, -1, kDirectSpecifier, "Name"), 5);
	EXPECT_EQ(Match(kDelete, -1, kDirectSpecifier, "Name"), -1);
	EXPECT_EQ(Match(kGetProperty, -1, kIndexSpecifier, "Item"), -1);
}

TEST(PropertyInfoMatch, AboveIndexZeroOnlyEntriesWithoutCommandsMatch)
{
	// Entry 5 lists PGET, but an outer specifier is answered by entry 4.
	EXPECT_EQ(Match(kGetProperty, 1, kDirectSpecifier, "Name"), 4);
	EXPECT_EQ(Match(kGetProperty, 2, kIndexSpecifier, "Item"), 2);
	EXPECT_EQ(Match(kGetProperty, 1, kDirectSpecifier, "Value"), -1);
}

TEST(PropertyInfoMatch, NoMatchLeavesTheExtraDataAlone)
{
	uint32 extra = 99;
	EXPECT_EQ(Match(kDelete, 1, kDirectSpecifier, "Value", &extra), -1);
	EXPECT_EQ(extra, 99u);
	BPropertyInfo empty;
	BMessage message(kGetProperty);
	EXPECT_EQ(empty.MatchRequest(&message, 0, nullptr, kDirectSpecifier, "Value", &extra), -1);
	// Without a message no command is listed, but the second pass still answers.
	BPropertyInfo info(kMatchTable);
	EXPECT_EQ(info.MatchRequest(nullptr, 0, nullptr, kDirectSpecifier, "Name", nullptr), 4);
}

TEST(PropertyInfoTables, TheConstructorCountsUpToTheNullName)
{
	BPropertyInfo info(zeltest::RichProperties(), zeltest::RichValues());
	EXPECT_EQ(info.CountProperties(), 3);
	EXPECT_EQ(info.CountValues(), 2);
	BPropertyInfo none(nullptr, nullptr);
	EXPECT_EQ(none.CountProperties(), 0);
	EXPECT_EQ(none.CountValues(), 0);
	EXPECT_FALSE(info.HasFixedSize());
	EXPECT_EQ(info.TypeCode(), kPropertyInfoType);
	EXPECT_TRUE(info.AcceptsTypeCode(kPropertyInfoType));
	EXPECT_FALSE(info.AcceptsTypeCode(kUtf8Type));
}

TEST(PropertyInfoFlatten, TheHandlerTableHasTheExactForm)
{
	BPropertyInfo info(zeltest::HandlerProperties());
	Bytes flat = zeltest::Flattened(info);
	ASSERT_EQ(flat, zeltest::HandlerForm(false));
	EXPECT_EQ(flat[0], 0);
	uint32 count;
	std::memcpy(&count, &flat[1], 4);
	EXPECT_EQ(count, 3u);
	EXPECT_EQ(info.FlattenedSize(), static_cast<int32>(flat.size()));
}

TEST(PropertyInfoFlatten, TheHandlerTableReadsBackEqualInBothByteOrders)
{
	BPropertyInfo original(zeltest::HandlerProperties());
	for (bool swapped : {false, true}) {
		SCOPED_TRACE(swapped ? "swapped" : "native");
		Bytes form = zeltest::HandlerForm(swapped);
		BPropertyInfo read;
		ASSERT_EQ(read.Unflatten(kPropertyInfoType, form.data(), static_cast<int32>(form.size())), kOk);
		zeltest::ExpectSameTables(original, read);
		// Written back in this process's order, whatever order it came in.
		EXPECT_EQ(zeltest::Flattened(read), zeltest::HandlerForm(false));
	}
}

TEST(PropertyInfoFlatten, FullListsCompoundTypesAndValuesRoundTripInBothByteOrders)
{
	BPropertyInfo original(zeltest::RichProperties(), zeltest::RichValues());
	Bytes native = zeltest::Flattened(original);
	EXPECT_EQ(original.FlattenedSize(), static_cast<int32>(native.size()));
	uint32 flags;
	std::memcpy(&flags, &native[5], 4);
	EXPECT_EQ(flags, 3u);

	BPropertyInfo fromNative;
	ASSERT_EQ(fromNative.Unflatten(kPropertyInfoType, native.data(), static_cast<int32>(native.size())), kOk);
	zeltest::ExpectSameTables(original, fromNative);
	EXPECT_EQ(zeltest::Flattened(fromNative), native);

	Bytes swapped = zeltest::SwappedForm(original);
	ASSERT_EQ(swapped.size(), native.size());
	BPropertyInfo fromSwapped;
	ASSERT_EQ(fromSwapped.Unflatten(kPropertyInfoType, swapped.data(), static_cast<int32>(swapped.size())), kOk);
	zeltest::ExpectSameTables(original, fromSwapped);
	EXPECT_EQ(zeltest::Flattened(fromSwapped), native);
}

TEST(PropertyInfoFlatten, EmptyTablesWriteOnlyTheHeader)
{
	BPropertyInfo empty;
	Bytes flat = zeltest::Flattened(empty);
	ASSERT_EQ(flat, (Bytes{0, 0, 0, 0, 0, 1, 0, 0, 0}));
	BPropertyInfo read(zeltest::HandlerProperties());
	ASSERT_EQ(read.Unflatten(kPropertyInfoType, flat.data(), static_cast<int32>(flat.size())), kOk);
	EXPECT_EQ(read.CountProperties(), 0);
	EXPECT_EQ(read.CountValues(), 0);
}

TEST(PropertyInfoFlatten, EmptyPairNamesEndTheirCompoundType)
{
	// An empty pair name would read as the end mark, so the pairs end there.
	const property_info table[] = {
		{"P", {kGetProperty}, {}, nullptr, 0, {}, {{{{"x", 1}, {"", 2}, {"y", 3}}}, {{{"", 4}}}}, {}},
		{},
	};
	BPropertyInfo info(table);
	Bytes flat = zeltest::Flattened(info);
	BPropertyInfo read;
	ASSERT_EQ(read.Unflatten(kPropertyInfoType, flat.data(), static_cast<int32>(flat.size())), kOk);
	const compound_type* compounds = read.Properties()[0].compoundTypes;
	EXPECT_STREQ(compounds[0].pairs[0].name, "x");
	EXPECT_EQ(compounds[0].pairs[1].name, nullptr);
	EXPECT_EQ(compounds[1].pairs[0].name, nullptr);
}

TEST(PropertyInfoFlatten, AShortBufferOrAnotherTypeIsRefused)
{
	BPropertyInfo info(zeltest::HandlerProperties());
	Bytes flat(static_cast<size_t>(info.FlattenedSize()));
	EXPECT_EQ(info.Flatten(flat.data(), static_cast<int32>(flat.size()) - 1), kBadValue);
	EXPECT_EQ(info.Flatten(nullptr, 1000), kBadValue);
	ASSERT_EQ(info.Flatten(flat.data(), static_cast<int32>(flat.size())), kOk);
	BPropertyInfo read(zeltest::RichProperties());
	EXPECT_EQ(read.Unflatten(kUtf8Type, flat.data(), static_cast<int32>(flat.size())), kBadType);
	EXPECT_EQ(read.Unflatten(kPropertyInfoType, nullptr, 10), kBadValue);
	EXPECT_EQ(read.Unflatten(kPropertyInfoType, flat.data(), -1), kBadValue);
	EXPECT_EQ(read.CountProperties(), 3);
	EXPECT_STREQ(read.Properties()[0].name, "Frame");
}

// Header and one property "p" without usage, commands or forms.
ByteWriter FormWithFlags(uint32 flags, bool swapped = false)
{
	ByteWriter out(swapped);
	out.U8(swapped ? 1 : 0);
	out.U32(1);
	out.U32(flags);
	zeltest::PutText(&out, "p");
	zeltest::PutText(&out, "");
	out.U32(5);
	out.U32(0);
	out.U32(0);
	return out;
}

TEST(PropertyInfoFlatten, TheFlagsSayWhichSectionsFollow)
{
	for (uint32 flags : {0xFFFFFFFFu, 0xFFFFFFFEu, 0u}) {
		SCOPED_TRACE(flags);
		// Nothing follows the properties, so nothing may be expected.
		Bytes form = FormWithFlags(flags).Data();
		BPropertyInfo read;
		ASSERT_EQ(read.Unflatten(kPropertyInfoType, form.data(), static_cast<int32>(form.size())), kOk);
		ASSERT_EQ(read.CountProperties(), 1);
		EXPECT_STREQ(read.Properties()[0].name, "p");
		EXPECT_EQ(read.Properties()[0].usage, nullptr);
		EXPECT_EQ(read.Properties()[0].extraData, 5u);
		EXPECT_EQ(read.CountValues(), 0);
	}
	// A value section without a type section follows the properties directly.
	ByteWriter values = FormWithFlags(2, true);
	values.U16(1);
	values.U32(static_cast<uint32>(-3));
	values.U32(42);
	zeltest::PutText(&values, "v");
	zeltest::PutText(&values, "use");
	values.U32(9);
	BPropertyInfo read;
	ASSERT_EQ(read.Unflatten(kPropertyInfoType, values.Data().data(), static_cast<int32>(values.Size())), kOk);
	ASSERT_EQ(read.CountValues(), 1);
	EXPECT_STREQ(read.Values()[0].name, "v");
	EXPECT_STREQ(read.Values()[0].usage, "use");
	EXPECT_EQ(read.Values()[0].kind, -3);
	EXPECT_EQ(read.Values()[0].value, 42u);
	EXPECT_EQ(read.Values()[0].extraData, 9u);
	EXPECT_EQ(read.Values()[1].name, nullptr);
}

class PropertyInfoDamage : public ::testing::Test {
protected:
	// The status, and that a refused form left the earlier tables in place.
	status_t Read(const Bytes& form)
	{
		status_t status = fInfo.Unflatten(kPropertyInfoType, form.data(), static_cast<int32>(form.size()));
		if (status != kOk) {
			EXPECT_EQ(fInfo.CountProperties(), 3);
			EXPECT_STREQ(fInfo.Properties()[2].name, "InternalName");
		}
		return status;
	}

	BPropertyInfo fInfo{zeltest::HandlerProperties()};
};

TEST_F(PropertyInfoDamage, EveryTruncationIsRefused)
{
	BPropertyInfo rich(zeltest::RichProperties(), zeltest::RichValues());
	for (const Bytes& whole : {zeltest::HandlerForm(false), zeltest::HandlerForm(true), zeltest::Flattened(rich)}) {
		// Length 0 is left to the guarded test: an empty vector has no data pointer.
		for (size_t length = 1; length < whole.size(); length++)
			ASSERT_EQ(Read(Bytes(whole.begin(), whole.begin() + length)), kBadData) << "length " << length;
	}
}

TEST_F(PropertyInfoDamage, CountsBeyondTheDataAreRefusedBeforeAnyAllocation)
{
	for (uint32 count : {2u, 0x7FFFFFFFu, 0x80000000u, 0xFFFFFFFFu}) {
		ByteWriter out = FormWithFlags(0xFFFFFFFF);
		out.PutU32At(1, count);
		EXPECT_EQ(Read(out.Data()), kBadData) << count;
	}
	ByteWriter values = FormWithFlags(2);
	values.U16(0xFFFF);
	EXPECT_EQ(Read(values.Data()), kBadData);
}

TEST_F(PropertyInfoDamage, ListsLongerThanAnEntryHoldsAreRefused)
{
	ByteWriter commands(false);
	commands.U8(0);
	commands.U32(1);
	commands.U32(0xFFFFFFFF);
	zeltest::PutText(&commands, "p");
	zeltest::PutText(&commands, "");
	commands.U32(0);
	for (uint32 i = 1; i <= 11; i++)
		commands.U32(i);
	commands.U32(0);
	commands.U32(0);
	EXPECT_EQ(Read(commands.Data()), kBadData);

	auto compounds = [](int32 compoundCount, int32 pairCount) {
		ByteWriter out = FormWithFlags(1);
		out.U32(0);
		for (int32 c = 0; c < compoundCount; c++) {
			for (int32 p = 0; p < pairCount; p++) {
				zeltest::PutText(&out, "n");
				out.U32(7);
			}
			out.U32(0);
		}
		out.U32(0);
		return out.Data();
	};
	Bytes full = compounds(3, 5);
	BPropertyInfo fullest;
	ASSERT_EQ(fullest.Unflatten(kPropertyInfoType, full.data(), static_cast<int32>(full.size())), kOk);
	EXPECT_EQ(fullest.Properties()[0].compoundTypes[2].pairs[4].type, 7u);
	EXPECT_EQ(Read(compounds(4, 1)), kBadData);
	EXPECT_EQ(Read(compounds(1, 6)), kBadData);
}

TEST_F(PropertyInfoDamage, TextsMustEndInsideTheData)
{
	ByteWriter out(false);
	out.U8(0);
	out.U32(1);
	out.U32(0xFFFFFFFF);
	out.Raw("unterminated name, then 14 more bytes", 37);
	EXPECT_EQ(Read(out.Data()), kBadData);
	// An empty pair name stands where only the end mark may.
	ByteWriter pair = FormWithFlags(1);
	pair.U32(0);
	zeltest::PutText(&pair, "");
	pair.U32(kUtf8Type);
	pair.U32(0);
	pair.U32(0);
	EXPECT_EQ(Read(pair.Data()), kBadData);
}

}  // namespace
