// The printable form of messages.
#include "messaging/Handler.h"
#include "messaging/Message.h"
#include "support/DataIO.h"
#include "tests/harness/StringOutput.h"

#include <gtest/gtest.h>

#include <cstdint>
#include <cstdio>
#include <string>
#include <vector>

using namespace BPrivate;

namespace {

std::string DumpOf(const BMessage& message)
{
	zeltest::StringOutput out;
	message.Dump(&out);
	return out.fText;
}

TEST(MessageDump, TwoItemsGetALineEach)
{
	BMessage message(FourCC("abcd"));
	EXPECT_EQ(message.AddInt32("a", 1), kOk);
	EXPECT_EQ(message.AddInt32("a", 2), kOk);
	EXPECT_EQ(DumpOf(message),
		"BMessage('abcd') {\r\n"
		"\ta[0] = int32(1 or 00000001)\r\n"
		"\ta[1] = int32(2 or 00000002)\r\n"
		"}");
}

TEST(MessageDump, ValueFormsFollowTypeAndSize)
{
	BMessage message(1);
	EXPECT_EQ(message.AddBool("b", true), kOk);
	float point[2] = {1.0f, 2.5f};
	EXPECT_EQ(message.AddData("p", kPointType, point, 8), kOk);
	EXPECT_EQ(message.AddInt8("i8", 65), kOk);
	EXPECT_EQ(message.AddData("s", kUtf8Type, "hi", 3, false), kOk);
	EXPECT_EQ(message.AddData("bad", kUtf8Type, "a\0b", 3, false), kOk);
	EXPECT_EQ(message.AddFloat("f", 0.25f), kOk);
	int64 big = -2;
	EXPECT_EQ(message.AddData("l", kInt64Type, &big, 8), kOk);
	const uint8 colour[4] = {1, 2, 3, 255};
	EXPECT_EQ(message.AddData("c", kColorType, colour, 4), kOk);
	int16 small = -1;
	EXPECT_EQ(message.AddData("h", kInt16Type, &small, 2), kOk);
	EXPECT_EQ(message.AddData("raw", FourCC("RAWT"), "abcd", 4), kOk);
	EXPECT_EQ(message.AddData("wrong", kInt32Type, "abc", 3, false), kOk);
	EXPECT_EQ(DumpOf(message),
		"BMessage(0x00000001) {\r\n"
		"\tb = bool(true)\r\n"
		"\tp = BPoint(1.0, 2.5)\r\n"
		"\ti8 = int8(65 or 00000041 or 'A')\r\n"
		"\ts = string(\"hi\", 3 bytes)\r\n"
		"\tbad = string 3 bytes: 610062 'a.b'\r\n"
		"\tf = float(0.25)\r\n"
		"\tl = int64(-2 or FFFFFFFE)\r\n"
		"\tc = rgb_color(1,2,3,255)\r\n"
		"\th = int16(-1 or 0000FFFF)\r\n"
		"\traw = 'RAWT' 4 bytes:61626364 'abcd'\r\n"
		"\twrong = 'LONG' 3 bytes:616263 'abc'\r\n"
		"}");
}

TEST(MessageDump, LongItemsDumpOnLinesOfTheirOwn)
{
	BMessage message(2);
	EXPECT_EQ(message.AddData("blob", FourCC("RAWT"), "0123456789abcdefXYZ", 19), kOk);
	EXPECT_EQ(DumpOf(message),
		"BMessage(0x00000002) {\r\n"
		"\tblob = 'RAWT' 19 bytes:\r\n"
		"\t\t0x000000: 30313233 34353637 38396162 63646566 '0123456789abcdef'\n"
		"\t\t0x000010: 58595A" + std::string(29, ' ') + " 'XYZ" + std::string(13, ' ') + "'\r\n"
		"}");
}

TEST(MessageDump, HeaderLinesNestedMessagesAndTheWhenField)
{
	BMessage inner(FourCC("INNR"));
	EXPECT_EQ(inner.AddInt32("x", 5), kOk);
	BMessage message(FourCC("OUTR"));
	EXPECT_EQ(message.AddNestedMessage("inner", &inner), kOk);
	int64 stored = 3;
	EXPECT_EQ(message.AddData("when", kInt64Type, &stored, 8), kOk);
	BMessageRecord record;
	record.target = 0x10;
	record.replyLooper = 1;
	record.replyHandler = -1;
	record.replyTeam = -1;
	record.flags = kDeliveredFlag | kReturnPreferredFlag | kSenderWaitsFlag | kIsReplyFlag;
	message.SetDeliveryRecord(record);
	EXPECT_EQ(DumpOf(message),
		"BMessage('OUTR') {\r\n"
		"\t// Target is direct:00000010\r\n"
		"\t// Return to BMessenger(ltoken=00000001, team=FFFFFFFF, target=preferred:NONE)\r\n"
		"\t// Sender is waiting for reply\r\n"
		"\t// This is a reply to another message\r\n"
		"\tinner = BMessage('INNR') {\r\n"
		"\t\tx = int32(5 or 00000005)\r\n"
		"\t}\r\n"
		"\twhen = int64(3 or 00000003)\r\n"
		"}");

	// The header's time, when there is one, stands in for the stored item.
	BMessage timed(kTimeType);
	timed.SetWhen(42);
	EXPECT_EQ(timed.AddData("when", kInt64Type, &stored, 8), kOk);
	EXPECT_EQ(DumpOf(timed),
		"BMessage('TIME') {\r\n"
		"\t// Timestamp (when) at 42us\r\n"
		"\twhen = int64(42 or 0000002A)\r\n"
		"}");
}

TEST(MessageDump, DeepNestingStopsFollowingAtThirtyTwoLevels)
{
	BMessage chain(FourCC("LEAF"));
	for (int32 level = 0; level < 40; level++) {
		BMessage outer(FourCC("NEST"));
		EXPECT_EQ(outer.AddNestedMessage("m", &chain), kOk);
		chain = outer;
	}
	std::string text = DumpOf(chain);
	EXPECT_NE(text.find(std::string(32, '\t') + "m = 'MSGG' "), std::string::npos);
	EXPECT_EQ(text.find("LEAF"), std::string::npos);
	BMessage same(chain);
	EXPECT_EQ(same.AddInt32("x", 1), kOk);
	EXPECT_EQ(same.RemoveField("x"), kOk);
	EXPECT_EQ(chain.Compare(same, true), 0);
	// From outside, nesting this deep is refused rather than followed.
	std::vector<uint8> bytes(static_cast<size_t>(chain.FlattenedSize()));
	EXPECT_EQ(chain.Flatten(bytes.data(), static_cast<int32>(bytes.size())), kOk);
	BMessage back;
	EXPECT_EQ(back.Unflatten(bytes.data(), bytes.size()), kNotAMessage);
}

}  // namespace

TEST(MessageDump, TheTargetLineNamesTheObjectOfALiveToken)
{
	BHandler handler("target");
	BMessage message(FourCC("TRGT"));
	BMessageRecord record;
	record.target = handler.Token();
	message.SetDeliveryRecord(record);
	char expected[128];
	std::snprintf(expected, sizeof(expected), "BMessage('TRGT') {\r\n\t// Target is direct:%08X (object %0*llX)\r\n}",
		static_cast<unsigned>(handler.Token()), static_cast<int>(2 * sizeof(void*)),
		static_cast<unsigned long long>(reinterpret_cast<uintptr_t>(&handler)));
	EXPECT_EQ(DumpOf(message), expected);

	// A preferred target that no token names any more shows the bare token.
	token_t stale = handler.Token();
	{
		BHandler gone;
		stale = gone.Token();
	}
	record.target = stale;
	record.flags = kPreferredTargetFlag;
	message.SetDeliveryRecord(record);
	std::snprintf(expected, sizeof(expected), "BMessage('TRGT') {\r\n\t// Target is preferred:%08X\r\n}",
		static_cast<unsigned>(stale));
	EXPECT_EQ(DumpOf(message), expected);
}
