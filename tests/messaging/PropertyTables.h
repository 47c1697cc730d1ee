// Property tables for the tests of BPropertyInfo, and their 'SCTD' form built
// byte by byte in either byte order, independently of the writer.
#pragma once

#include "messaging/MessageCodes.h"
#include "messaging/PropertyInfo.h"
#include "tests/messaging/FlattenedBytes.h"

#include <gtest/gtest.h>

#include <cstring>
#include <string>

namespace zeltest {

// The handler's own table: "Suites", "Messenger" and "InternalName", got directly.
inline const property_info* HandlerProperties()
{
	static const property_info kTable[] = {
		{"Suites", {kGetProperty}, {kDirectSpecifier}, nullptr, 0, {},
			{{{{"suites", kUtf8Type}, {"messages", kPropertyInfoType}}}}, {}},
		{"Messenger", {kGetProperty}, {kDirectSpecifier}, nullptr, 0, {kMessengerType}, {}, {}},
		{"InternalName", {kGetProperty}, {kDirectSpecifier}, nullptr, 0, {kUtf8Type}, {}, {}},
		{},
	};
	return kTable;
}

inline void PutText(ByteWriter* out, const char* text)
{
	out->Raw(text, std::strlen(text) + 1);
}

inline void PutHandlerProperty(ByteWriter* out, const char* name)
{
	PutText(out, name);
	PutText(out, "");
	out->U32(0);
	out->U32(kGetProperty);
	out->U32(0);
	out->U32(kDirectSpecifier);
	out->U32(0);
}

// The form of HandlerProperties(); the first byte says whether it is swapped.
inline Bytes HandlerForm(bool swapped)
{
	ByteWriter out(swapped);
	out.U8(swapped ? 1 : 0);
	out.U32(3);
	out.U32(1);
	PutHandlerProperty(&out, "Suites");
	PutHandlerProperty(&out, "Messenger");
	PutHandlerProperty(&out, "InternalName");
	out.U32(0);
	PutText(&out, "suites");
	out.U32(kUtf8Type);
	PutText(&out, "messages");
	out.U32(kPropertyInfoType);
	out.U32(0);
	out.U32(0);
	out.U32(kMessengerType);
	out.U32(0);
	out.U32(0);
	out.U32(kUtf8Type);
	out.U32(0);
	out.U32(0);
	return out.Data();
}

// Every list full or partly filled, usages, extra data and a value table.
inline const property_info* RichProperties()
{
	static const property_info kTable[] = {
		{"Frame", {kGetProperty, kSetProperty}, {kDirectSpecifier, kIndexSpecifier}, "the frame", 0x01020304,
			{kRectType}, {}, {}},
		{"Full", {1, 2, 3, 4, 5, 6, 7, 8, 9, 10}, {11, 12, 13, 14, 15, 16, 17, 18, 19, 20}, "", 0xFFFFFFFF,
			{21, 22, 23, 24, 25, 26, 27, 28, 29, 30},
			{{{{"a", 1}, {"b", 2}, {"c", 3}, {"d", 4}, {"e", 5}}}, {{{"f", 6}}},
				{{{"g", 7}, {"h", 8}}}},
			{}},
		{"", {}, {}, "no name, no commands", 0, {}, {}, {}},
		{},
	};
	return kTable;
}

inline const value_info* RichValues()
{
	static const value_info kTable[] = {
		{"first", 7, 1, "the first value", 0x0A0B0C0D, {}},
		{"second", 0xFFFFFFFF, -1, nullptr, 0, {}},
		{},
	};
	return kTable;
}

// The form of any tables in the other byte order, written apart from the
// writer under test (for tables without empty pair names).
inline Bytes SwappedForm(const BPropertyInfo& info)
{
	ByteWriter out(true);
	out.U8(1);
	out.U32(static_cast<uint32>(info.CountProperties()));
	out.U32(info.CountValues() > 0 ? 3 : 1);
	auto text = [&out](const char* value) { PutText(&out, value == nullptr ? "" : value); };
	auto list = [&out](const uint32* values, int32 limit) {
		for (int32 i = 0; i < limit && values[i] != 0; i++)
			out.U32(values[i]);
		out.U32(0);
	};
	for (int32 i = 0; i < info.CountProperties(); i++) {
		const property_info& property = info.Properties()[i];
		text(property.name);
		text(property.usage);
		out.U32(property.extraData);
		list(property.commands, kMaxPropertyCommands);
		list(property.specifiers, kMaxPropertySpecifiers);
	}
	for (int32 i = 0; i < info.CountProperties(); i++) {
		const property_info& property = info.Properties()[i];
		list(property.types, kMaxPropertyTypes);
		for (const compound_type& compound : property.compoundTypes) {
			if (compound.pairs[0].name == nullptr)
				continue;
			for (int32 p = 0; p < kMaxCompoundPairs && compound.pairs[p].name != nullptr; p++) {
				text(compound.pairs[p].name);
				out.U32(compound.pairs[p].type);
			}
			out.U32(0);
		}
		out.U32(0);
	}
	if (info.CountValues() == 0)
		return out.Data();
	out.U16(static_cast<uint16>(info.CountValues()));
	for (int32 i = 0; i < info.CountValues(); i++) {
		const value_info& value = info.Values()[i];
		out.U32(static_cast<uint32>(value.kind));
		out.U32(value.value);
		text(value.name);
		text(value.usage);
		out.U32(value.extraData);
	}
	return out.Data();
}

inline Bytes Flattened(const BPropertyInfo& info)
{
	int32 size = info.FlattenedSize();
	Bytes bytes(size > 0 ? static_cast<size_t>(size) : 0);
	EXPECT_EQ(info.Flatten(bytes.data(), size), kOk);
	return bytes;
}

inline std::string TextOf(const char* text)
{
	return text == nullptr ? std::string() : std::string(text);
}

// Field by field; a missing usage and an empty one read the same.
inline void ExpectSameTables(const BPropertyInfo& expected, const BPropertyInfo& actual)
{
	ASSERT_EQ(actual.CountProperties(), expected.CountProperties());
	for (int32 i = 0; i < expected.CountProperties(); i++) {
		const property_info& want = expected.Properties()[i];
		const property_info& got = actual.Properties()[i];
		SCOPED_TRACE("property " + std::to_string(i));
		EXPECT_EQ(TextOf(got.name), TextOf(want.name));
		EXPECT_EQ(TextOf(got.usage), TextOf(want.usage));
		EXPECT_EQ(got.extraData, want.extraData);
		for (int32 n = 0; n < kMaxPropertyCommands; n++)
			EXPECT_EQ(got.commands[n], want.commands[n]);
		for (int32 n = 0; n < kMaxPropertySpecifiers; n++)
			EXPECT_EQ(got.specifiers[n], want.specifiers[n]);
		for (int32 n = 0; n < kMaxPropertyTypes; n++)
			EXPECT_EQ(got.types[n], want.types[n]);
		for (int32 c = 0; c < kMaxCompoundTypes; c++) {
			for (int32 p = 0; p < kMaxCompoundPairs; p++) {
				EXPECT_EQ(TextOf(got.compoundTypes[c].pairs[p].name), TextOf(want.compoundTypes[c].pairs[p].name));
				EXPECT_EQ(got.compoundTypes[c].pairs[p].type, want.compoundTypes[c].pairs[p].type);
			}
		}
	}
	// Read tables end with an entry whose name is null, like the ones written by hand.
	EXPECT_TRUE(actual.Properties() == nullptr || actual.Properties()[actual.CountProperties()].name == nullptr);
	ASSERT_EQ(actual.CountValues(), expected.CountValues());
	for (int32 i = 0; i < expected.CountValues(); i++) {
		const value_info& want = expected.Values()[i];
		const value_info& got = actual.Values()[i];
		SCOPED_TRACE("value " + std::to_string(i));
		EXPECT_EQ(TextOf(got.name), TextOf(want.name));
		EXPECT_EQ(got.value, want.value);
		EXPECT_EQ(got.kind, want.kind);
		EXPECT_EQ(TextOf(got.usage), TextOf(want.usage));
		EXPECT_EQ(got.extraData, want.extraData);
	}
}

}  // namespace zeltest
