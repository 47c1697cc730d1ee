// BMessage: field statuses, sharing, text, nesting, time and comparison.
#include "messaging/Message.h"
#include "messaging/MessageCodes.h"
#include "messaging/Flattenable.h"
#include "tests/harness/DebuggerSeam.h"

#include <gtest/gtest.h>

#include <cstring>
#include <new>
#include <string>

using namespace BPrivate;

namespace {


TEST(MessageFields, AddingToAnExistingFieldChecksTypeAndSize)
{
	BMessage message;
	ASSERT_EQ(message.AddInt32("n", 1), kOk);
	ASSERT_EQ(message.AddInt32("n", 2), kOk);
	EXPECT_EQ(message.AddData("n", kInt32Type, "abc", 3), kMismatchedValues);
	EXPECT_EQ(message.AddFloat("n", 1.0f), kNameInUse);
	int32 three = 3;
	EXPECT_EQ(message.AddData("n", kAnyType, &three, 4), kOk);
	EXPECT_EQ(message.Int32At("n", 2), 3);

	// A field made with the fixed-size flag turns variable for another size.
	ASSERT_EQ(message.AddInt32("v", 1), kOk);
	ASSERT_EQ(message.AddData("v", kInt32Type, "abcdefgh", 8), kOk);
	const void* data;
	int32 size;
	ASSERT_EQ(message.GetData("v", kInt32Type, 1, &data, &size), kOk);
	EXPECT_EQ(size, 8);
	EXPECT_EQ(message.AddData(nullptr, kInt32Type, &three, 4), kBadValue);
	EXPECT_EQ(message.AddData("", kInt32Type, &three, 4), kBadValue);
	EXPECT_EQ(message.AddData(std::string(256, 'x').c_str(), kInt32Type, &three, 4), kNameTooLong);
	EXPECT_EQ(message.AddData(std::string(255, 'x').c_str(), kInt32Type, &three, 4), kOk);
}

TEST(MessageFields, LookupsAnswerTheirStatusesAndClearTheirOutputs)
{
	BMessage message;
	const void* data = &message;
	int32 size = 5;
	EXPECT_EQ(message.GetData("n", kInt32Type, 0, &data, &size), kNameNotFound);
	EXPECT_EQ(data, nullptr);
	EXPECT_EQ(size, 0);
	EXPECT_EQ(message.AddInt32("n", 9), kOk);
	EXPECT_EQ(message.GetData("n", kInt32Type, -1, &data, &size), kBadIndex);
	EXPECT_EQ(message.GetData("n", kInt32Type, 1, &data, &size), kBadIndex);
	EXPECT_EQ(message.GetData("n", kFloatType, 0, &data, &size), kBadType);
	EXPECT_EQ(message.GetData("m", kInt32Type, 0, &data, &size), kNameNotFound);
	ASSERT_EQ(message.GetData("n", kAnyType, 0, &data, &size), kOk);
	EXPECT_EQ(size, 4);

	int32 value = 0;
	EXPECT_EQ(message.CopyData("n", kAnyType, 0, &value, 4), kBadType);
	EXPECT_EQ(message.CopyData("n", kInt32Type, 0, &value, 2), kMismatchedValues);
	EXPECT_EQ(message.CopyData("n", kInt32Type, -1, &value, 4), kBadIndex);
	EXPECT_EQ(message.CopyData("n", kInt32Type, 1, &value, 4), kBadIndex);
	EXPECT_EQ(message.CopyData("x", kInt32Type, 0, &value, 4), kNameNotFound);
	ASSERT_EQ(message.CopyData("n", kInt32Type, 0, &value, 4), kOk);
	EXPECT_EQ(value, 9);

	value = 77;
	EXPECT_EQ(message.GetInt32("missing", &value), kNameNotFound);
	EXPECT_EQ(value, 0);
	bool flag = true;
	EXPECT_EQ(message.GetBool("missing", &flag), kNameNotFound);
	EXPECT_FALSE(flag);
	EXPECT_EQ(message.FloatAt("n", 0), 0.0f);
	void* pointer = &value;
	EXPECT_EQ(message.GetPointer("n", &pointer), kBadType);
	EXPECT_EQ(pointer, nullptr);
	EXPECT_EQ(message.AddBool("b", true), kOk);
	EXPECT_EQ(message.GetBool("b", &flag), kOk);
	EXPECT_TRUE(flag);
}

TEST(MessageFields, OverwriteDataFollowsTheFieldLayout)
{
	BMessage message;
	EXPECT_EQ(message.AddInt32("fixed", 1), kOk);
	EXPECT_EQ(message.AddInt32("fixed", 2), kOk);
	int32 five = 5;
	EXPECT_EQ(message.OverwriteData("fixed", 1, kInt32Type, &five, 4), kOk);
	EXPECT_EQ(message.Int32At("fixed", 1), 5);
	EXPECT_EQ(message.OverwriteData("fixed", 2, kInt32Type, &five, 4), kBadIndex);
	EXPECT_EQ(message.OverwriteData("fixed", 0, kInt32Type, "ab", 2), kMismatchedValues);
	EXPECT_EQ(message.OverwriteData("fixed", -1, kInt32Type, &five, 4), kBadIndex);
	EXPECT_EQ(message.OverwriteData("none", 0, kInt32Type, &five, 4), kNameNotFound);
	EXPECT_EQ(message.OverwriteData("fixed", 0, kFloatType, &five, 4), kBadType);

	EXPECT_EQ(message.AddData("single", FourCC("RAWT"), "abc", 3), kOk);
	EXPECT_EQ(message.OverwriteData("single", 1, kAnyType, "x", 1), kBadIndex);
	ASSERT_EQ(message.OverwriteData("single", 0, kAnyType, "a longer value", 14), kOk);
	const void* data;
	int32 size;
	ASSERT_EQ(message.GetData("single", kAnyType, 0, &data, &size), kOk);
	EXPECT_EQ(std::string(static_cast<const char*>(data), size), "a longer value");

	EXPECT_EQ(message.AddData("var", FourCC("RAWT"), "1", 1, false), kOk);
	EXPECT_EQ(message.AddData("var", FourCC("RAWT"), "22", 2, false), kOk);
	EXPECT_EQ(message.AddData("var", FourCC("RAWT"), "333", 3, false), kOk);
	ASSERT_EQ(message.OverwriteData("var", 0, kAnyType, "one, a lot longer", 17), kOk);
	ASSERT_EQ(message.GetData("var", kAnyType, 2, &data, &size), kOk);
	EXPECT_EQ(std::string(static_cast<const char*>(data), size), "333");
	EXPECT_EQ(message.OverwriteData("var", 3, kAnyType, "4", 1), kBadIndex);
	EXPECT_EQ(message.Int32At("fixed", 0), 1);

	// An item of the message itself may be the new contents, even as the body moves.
	ASSERT_EQ(message.GetData("var", kAnyType, 0, &data, &size), kOk);
	ASSERT_EQ(message.AddData("copy", FourCC("RAWT"), data, size, false), kOk);
	ASSERT_EQ(message.GetData("copy", kAnyType, 0, &data, &size), kOk);
	EXPECT_EQ(std::string(static_cast<const char*>(data), size), "one, a lot longer");
}

TEST(MessageSharing, CopiesShareTheBodyUntilOneChanges)
{
	BMessage original(FourCC("ORIG"));
	EXPECT_EQ(original.AddInt32("a", 1), kOk);
	BMessage copy(original);
	EXPECT_EQ(copy.Body(), original.Body());
	EXPECT_EQ(copy.what, FourCC("ORIG"));
	ASSERT_EQ(copy.AddInt32("b", 2), kOk);
	EXPECT_NE(copy.Body(), original.Body());
	EXPECT_EQ(original.FieldCount(), 1);
	EXPECT_EQ(copy.FieldCount(), 2);
	ASSERT_EQ(copy.RemoveField("a"), kOk);
	EXPECT_EQ(original.Int32At("a", 0), 1);

	BMessage assigned;
	assigned = original;
	EXPECT_EQ(assigned.Body(), original.Body());
	assigned = assigned;
	EXPECT_EQ(assigned.Body(), original.Body());
	int32 ten = 10;
	ASSERT_EQ(assigned.OverwriteData("a", 0, kInt32Type, &ten, 4), kOk);
	EXPECT_EQ(original.Int32At("a", 0), 1);
	EXPECT_EQ(assigned.Int32At("a", 0), 10);
	EXPECT_EQ(original.Body()->References(), 1);
}

TEST(MessageSharing, DeliveryRecordIsCopiedOnlyWhenAsked)
{
	BMessage delivered(FourCC("DLVR"));
	BMessageRecord record;
	record.target = 5;
	record.replyLooper = 6;
	record.flags = kDeliveredFlag | kSenderWaitsFlag;
	delivered.SetDeliveryRecord(record);
	EXPECT_TRUE(delivered.IsDelivered());
	EXPECT_TRUE(delivered.SenderWaits());
	EXPECT_TRUE(delivered.NeedsReply());
	BMessage plain(delivered);
	EXPECT_FALSE(plain.IsDelivered());
	EXPECT_EQ(plain.DeliveryRecord().replyLooper, -1);
	BMessage withRecord(delivered, true);
	EXPECT_TRUE(withRecord.IsDelivered());
	EXPECT_EQ(withRecord.DeliveryRecord().replyLooper, 6);
	EXPECT_EQ(withRecord.DeliveryRecord().target, -1);
	record.flags |= kReplySentFlag;  // the reply went out
	delivered.SetDeliveryRecord(record);
	EXPECT_FALSE(delivered.SenderWaits());
	EXPECT_FALSE(delivered.NeedsReply());
}

TEST(MessageText, TextTravelsAsUtf16AndUtf8IsReadToo)
{
	BMessage message;
	BString text(L"gr\u00FC\u00DFe");
	ASSERT_EQ(message.AddText("t", &text), kOk);
	const void* data;
	int32 size;
	ASSERT_EQ(message.GetData("t", kTextType, 0, &data, &size), kOk);
	EXPECT_EQ(size, 12);
	BString back("stale");
	ASSERT_EQ(message.GetText("t", &back), kOk);
	EXPECT_TRUE(back == text);

	BString empty;
	ASSERT_EQ(message.AddText("e", &empty), kOk);
	ASSERT_EQ(message.GetData("e", kTextType, 0, &data, &size), kOk);
	EXPECT_EQ(size, 2);
	back = "stale";
	EXPECT_EQ(message.GetText("e", &back), kOk);
	EXPECT_TRUE(back.IsEmpty());

	EXPECT_EQ(message.AddData("u8", kUtf8Type, "\xC3\xA9t\xC3\xA9", 6, false), kOk);
	ASSERT_EQ(message.GetText("u8", &back), kOk);
	EXPECT_TRUE(back == L"\u00E9t\u00E9");
	EXPECT_EQ(message.GetText("none", &back), kNameNotFound);
	EXPECT_TRUE(back.IsEmpty());
	EXPECT_EQ(message.AddInt32("n", 1), kOk);
	EXPECT_EQ(message.GetText("n", &back), kBadType);
	EXPECT_EQ(message.GetText("t", 1, &back), kBadIndex);
	EXPECT_EQ(message.AddText(nullptr, &text), kError);
	EXPECT_EQ(message.AddText("x", nullptr), kError);
}

TEST(MessageNesting, NestedMessagesRoundTripAndSelfNestingIsReported)
{
	BMessage child(FourCC("CHLD"));
	EXPECT_EQ(child.AddInt32("x", 3), kOk);
	BMessage grandchild(FourCC("GRND"));
	EXPECT_EQ(grandchild.AddFloat("f", 2.5f), kOk);
	EXPECT_EQ(child.AddNestedMessage("g", &grandchild), kOk);
	BMessage parent(FourCC("PRNT"));
	ASSERT_EQ(parent.AddNestedMessage("child", &child), kOk);
	ASSERT_EQ(parent.AddNestedMessage("child", &grandchild), kOk);
	BMessage out;
	ASSERT_EQ(parent.GetNestedMessage("child", 0, &out), kOk);
	EXPECT_EQ(out.what, FourCC("CHLD"));
	EXPECT_EQ(out.Compare(child, true), 0);
	BMessage deeper;
	ASSERT_EQ(out.GetNestedMessage("g", 0, &deeper), kOk);
	EXPECT_EQ(deeper.FloatAt("f", 0), 2.5f);
	EXPECT_EQ(parent.GetNestedMessage("child", 2, &out), kBadIndex);
	// The output may be the message holding the item.
	ASSERT_EQ(out.GetNestedMessage("g", 0, &out), kOk);
	EXPECT_EQ(out.what, FourCC("GRND"));

	zeltest::TakeDebuggerReports();
	EXPECT_EQ(parent.AddNestedMessage("self", &parent), kBadValue);
	std::vector<std::string> reports = zeltest::TakeDebuggerReports();
	ASSERT_EQ(reports.size(), 1u);
	EXPECT_EQ(reports[0], "Can't add a message to itself");

	EXPECT_EQ(parent.AddData("junk", kMessageType, "not a message", 13, false), kOk);
	EXPECT_EQ(parent.GetNestedMessage("junk", 0, &out), kNotAMessage);
	EXPECT_EQ(out.FieldCount(), 0);
}

TEST(MessageWhen, HeaderTimeAndTheWhenField)
{
	BMessage message;
	EXPECT_FALSE(message.HasWhen());
	EXPECT_EQ(message.When(), 0);
	int64 stored = 4242;
	EXPECT_EQ(message.AddData("when", kInt64Type, &stored, 8), kOk);
	EXPECT_TRUE(message.HasWhen());
	EXPECT_EQ(message.When(), 4242);
	message.SetWhen(777);
	EXPECT_EQ(message.FieldCount(), 0);
	EXPECT_EQ(message.When(), 777);
	EXPECT_EQ(message.RemoveField("when"), kOk);
	EXPECT_FALSE(message.HasWhen());
	EXPECT_EQ(message.When(), 0);
	EXPECT_EQ(message.RemoveField("when"), kNameNotFound);
}

TEST(MessageQueries, SystemCodesSpecifiersAndDropPoints)
{
	EXPECT_TRUE(BMessage(kQuitRequested).IsSystemCode());
	EXPECT_FALSE(BMessage(FourCC("_QRq")).IsSystemCode());
	EXPECT_FALSE(BMessage(FourCC("BVBC")).IsSystemCode());

	BMessage request(kGetProperty);
	int32 index;
	EXPECT_EQ(request.CurrentSpecifier(&index), kBadScriptRequest);
	EXPECT_EQ(request.DropSpecifier(), kBadValue);
	EXPECT_FALSE(request.HasDropPoint());
	float point[2] = {1.0f, 2.0f};
	EXPECT_EQ(request.AddData("be:drop pt", kPointType, point, 8), kOk);
	EXPECT_TRUE(request.HasDropPoint());
}

TEST(MessageCompare, OrdersByWhatFieldsAndItems)
{
	BMessage a(1);
	BMessage b(2);
	EXPECT_EQ(a.Compare(b, true), -1);
	EXPECT_EQ(b.Compare(a, true), 1);
	EXPECT_EQ(a.Compare(b, false), 0);
	EXPECT_EQ(a.AddInt32("x", 1), kOk);
	EXPECT_EQ(a.Compare(b, false), 1);
	EXPECT_EQ(b.Compare(a, false), -1);
	EXPECT_EQ(b.AddInt32("x", 1), kOk);
	EXPECT_EQ(a.Compare(b, false), 0);
	EXPECT_EQ(b.AddInt32("x", 2), kOk);
	EXPECT_EQ(a.Compare(b, false), -1);  // fewer items first
	EXPECT_EQ(a.AddInt32("x", 3), kOk);
	EXPECT_EQ(a.Compare(b, false), 1);
	BMessage c(1);
	EXPECT_EQ(c.AddFloat("x", 1.0f), kOk);
	EXPECT_EQ(c.Compare(a, false), -1);  // FLOT sorts before LONG
	BMessage nestedA;
	BMessage nestedB;
	BMessage inner(5);
	EXPECT_EQ(inner.AddInt32("i", 1), kOk);
	EXPECT_EQ(nestedA.AddNestedMessage("m", &inner), kOk);
	inner.what = 6;
	EXPECT_EQ(nestedB.AddNestedMessage("m", &inner), kOk);
	EXPECT_EQ(nestedA.Compare(nestedB, false), 0);
	EXPECT_EQ(nestedA.Compare(nestedB, true), -1);
}

TEST(MessageLifetime, DestroyingTwiceIsReportedAndHarmless)
{
	alignas(BMessage) unsigned char storage[sizeof(BMessage)];
	BMessage* message = new (storage) BMessage(FourCC("TWCE"));
	EXPECT_EQ(message->AddInt32("a", 1), kOk);
	zeltest::TakeDebuggerReports();
	message->~BMessage();
	EXPECT_TRUE(zeltest::TakeDebuggerReports().empty());
	message->~BMessage();
	std::vector<std::string> reports = zeltest::TakeDebuggerReports();
	ASSERT_EQ(reports.size(), 1u);
	EXPECT_EQ(reports[0], "Message deleted twice");
}

// A flattenable whose size, type and Flatten answer the test chooses.
class TestFlattenable : public BFlattenable {
public:
	TestFlattenable(int32 size, status_t answer) : fSize(size), fAnswer(answer) {}
	bool HasFixedSize() const override { return true; }
	type_code TypeCode() const override { return FourCC("TFLT"); }
	int32 FlattenedSize() const override { return fSize; }
	status_t Flatten(void* buffer, int32 size) const override
	{
		if (fAnswer == kOk)
			std::memset(buffer, 0xAB, static_cast<size_t>(size));
		return fAnswer;
	}
	status_t Unflatten(type_code, const void*, int32) override { return kOk; }

private:
	int32 fSize;
	status_t fAnswer;
};

TEST(MessageValueFields, PointsAndRectanglesHaveTheirSizesAndDefaults)
{
	BMessage message;
	ASSERT_EQ(message.AddPoint("p", BPoint(1.5f, -2.0f)), kOk);
	ASSERT_EQ(message.AddPoint("p", BPoint(3.0f, 4.0f)), kOk);
	const void* data;
	int32 size;
	ASSERT_EQ(message.GetData("p", kPointType, 1, &data, &size), kOk);
	EXPECT_EQ(size, 8);
	BPoint point(9.0f, 9.0f);
	EXPECT_EQ(message.GetPoint("p", &point), kOk);
	EXPECT_EQ(point, BPoint(1.5f, -2.0f));
	EXPECT_EQ(message.OverwritePoint("p", BPoint(7.0f, 8.0f)), kOk);
	message.GetPoint("p", &point);
	EXPECT_EQ(point, BPoint(7.0f, 8.0f));
	EXPECT_EQ(message.OverwritePoint("missing", BPoint()), kNameNotFound);
	point = BPoint(9.0f, 9.0f);
	EXPECT_EQ(message.GetPoint("missing", &point), kNameNotFound);
	EXPECT_EQ(point, BPoint(0.0f, 0.0f));

	float corners[4] = {1.0f, 2.0f, 30.0f, 40.0f};
	ASSERT_EQ(message.AddData("r", kRectType, corners, 16), kOk);
	BRect rect;
	EXPECT_EQ(message.GetRect("r", &rect), kOk);
	EXPECT_EQ(rect, BRect(1.0f, 2.0f, 30.0f, 40.0f));
	EXPECT_EQ(message.GetRect("p", &rect), kBadType);
	EXPECT_EQ(rect, BRect(0.0f, 0.0f, -1.0f, -1.0f));
}

TEST(MessageValueFields, AFlattenableWritesItselfIntoAnItemOfItsType)
{
	BMessage message;
	TestFlattenable good(6, kOk);
	ASSERT_EQ(message.AddFlattenable("f", &good), kOk);
	const void* data;
	int32 size;
	ASSERT_EQ(message.GetData("f", FourCC("TFLT"), 0, &data, &size), kOk);
	ASSERT_EQ(size, 6);
	EXPECT_EQ(static_cast<const uint8*>(data)[5], 0xAB);

	// Its Flatten status is the answer; the item then holds no stale bytes.
	TestFlattenable failing(4, kBadValue);
	EXPECT_EQ(message.AddFlattenable("g", &failing), kBadValue);
	ASSERT_EQ(message.GetData("g", FourCC("TFLT"), 0, &data, &size), kOk);
	EXPECT_EQ(std::memcmp(data, "\0\0\0\0", 4), 0);
	TestFlattenable negative(-5, kOk);
	EXPECT_EQ(message.AddFlattenable("h", &negative), -5);
	EXPECT_EQ(message.AddFlattenable("h", nullptr), kBadValue);
	EXPECT_EQ(message.GetData("h", kAnyType, 0, &data, &size), kNameNotFound);
}

}  // namespace
