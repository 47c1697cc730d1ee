// Reading the old 'FOB1' format, its checksum and its failures.
#include "messaging/Message.h"
#include "messaging/MessageOld.h"
#include "tests/harness/DebugOutputCapture.h"
#include "tests/messaging/FlattenedBytes.h"

#include <gtest/gtest.h>

using namespace BPrivate;
using zeltest::Bytes;

namespace {

constexpr uint8 kValid = 0x01;
constexpr uint8 kSmall = 0x02;
constexpr uint8 kFixed = 0x04;
constexpr uint8 kSingle = 0x08;

class OldStream {
public:
	OldStream(bool bigEndian, uint32 what, uint8 flags) : fOut(bigEndian)
	{
		fOut.U32(0x464F4231);
		fOut.U32(0);
		fOut.U32(0);
		fOut.U32(what);
		fOut.U8(flags);
	}
	void Target(int32 token) { fOut.U32(static_cast<uint32>(token)); }
	void ReplySection(int32 looper, int32 handler, int32 team, const uint8 (&bits)[4])
	{
		fOut.U32(static_cast<uint32>(looper));
		fOut.U32(static_cast<uint32>(handler));
		fOut.U32(static_cast<uint32>(team));
		fOut.Raw(bits, 4);
	}
	void EndHeader() { fHeaderEnd = fOut.Size(); }
	// Fixed-size field; values already in the stream's byte order.
	void FixedField(const char* name, type_code type, uint32 count, const Bytes& data, bool small)
	{
		uint8 flags = kValid | kFixed | (small ? kSmall : 0) | (count == 1 ? kSingle : 0);
		FieldStart(flags, type, count, static_cast<uint32>(data.size()), name, small);
		fOut.Raw(data.data(), data.size());
	}
	void VariableField(const char* name, type_code type, const std::vector<Bytes>& items)
	{
		zeltest::ByteWriter data(fOut.BigEndian());
		for (const Bytes& item : items) {
			data.U32(static_cast<uint32>(item.size()));
			data.Raw(item.data(), item.size());
			data.PadTo8();
		}
		FieldStart(kValid, type, static_cast<uint32>(items.size()), static_cast<uint32>(data.Size()), name, false);
		fOut.Raw(data.Data().data(), data.Size());
	}
	void Byte(uint8 value) { fOut.U8(value); }
	Bytes Finish(int32 checksumError = 0)
	{
		fOut.U8(0);
		fOut.PutU32At(8, static_cast<uint32>(fOut.Size()));
		Bytes bytes = fOut.Data();
		uint32 sum = OldMessageChecksum(bytes.data() + 8, fHeaderEnd - 8) + static_cast<uint32>(checksumError);
		fOut.PutU32At(4, sum);
		return fOut.Data();
	}

private:
	void FieldStart(uint8 flags, type_code type, uint32 count, uint32 size, const char* name, bool small)
	{
		fOut.U8(flags);
		fOut.U32(type);
		if ((flags & kSingle) == 0) {
			if (small)
				fOut.U8(static_cast<uint8>(count));
			else
				fOut.U32(count);
		}
		if (small)
			fOut.U8(static_cast<uint8>(size));
		else
			fOut.U32(size);
		fOut.U8(static_cast<uint8>(std::strlen(name)));
		fOut.Raw(name, std::strlen(name));
	}

	zeltest::ByteWriter fOut;
	size_t fHeaderEnd = 17;
};

Bytes Ordered(bool bigEndian, std::initializer_list<uint32> words)
{
	zeltest::ByteWriter out(bigEndian);
	for (uint32 word : words)
		out.U32(word);
	return out.Data();
}

Bytes Ordered64(bool bigEndian, uint64 value)
{
	zeltest::ByteWriter out(bigEndian);
	out.U64(value);
	return out.Data();
}

Bytes FullStream(bool bigEndian, int32 checksumError = 0)
{
	OldStream stream(bigEndian, FourCC("OLDM"), 0x02 | 0x04);
	stream.Target(-2);
	const uint8 bits[4] = {1, 0, 1, 0};
	stream.ReplySection(21, 22, 23, bits);
	stream.EndHeader();
	stream.FixedField("n", kInt32Type, 2, Ordered(bigEndian, {0x01020304, 5}), true);
	stream.VariableField("s", kUtf8Type, {{'a', 'b', 0}, {'l', 'o', 'n', 'g', 'e', 'r', 0}});
	stream.FixedField("when", kInt64Type, 1, Ordered64(bigEndian, 987654321ull), true);
	return stream.Finish(checksumError);
}

TEST(MessageOld, ChecksumAddsBigEndianWordsThenRunningTailValues)
{
	const uint8 bytes[7] = {1, 2, 3, 4, 5, 6, 7};
	EXPECT_EQ(OldMessageChecksum(bytes, 7), 0x01020304u + 0x05u + 0x0506u + 0x050607u);
	EXPECT_EQ(OldMessageChecksum(bytes, 0), 0u);
}

TEST(MessageOld, StreamsOfBothByteOrdersReadTheSame)
{
	for (bool bigEndian : {false, true}) {
		Bytes stream = FullStream(bigEndian);
		BMessage message;
		ASSERT_EQ(message.Unflatten(stream.data(), stream.size()), kOk) << bigEndian;
		EXPECT_EQ(message.what, FourCC("OLDM"));
		EXPECT_EQ(message.Int32At("n", 0), 0x01020304);
		EXPECT_EQ(message.Int32At("n", 1), 5);
		BString text;
		ASSERT_EQ(message.GetText("s", 1, &text), kOk);
		EXPECT_TRUE(text == "longer");
		// "when" becomes the message's time, not a field.
		EXPECT_EQ(message.FieldCount(), 2);
		EXPECT_TRUE(message.HasWhen());
		EXPECT_EQ(message.When(), 987654321);
		const BMessageRecord& record = message.DeliveryRecord();
		EXPECT_EQ(record.target, -1);
		EXPECT_EQ(record.replyLooper, 21);
		EXPECT_EQ(record.replyTeam, 23);
		EXPECT_EQ(record.flags, kPreferredTargetFlag | kDeliveredFlag | kReturnPreferredFlag | kReplySentFlag);
		EXPECT_TRUE(message.IsDelivered());
	}
}

TEST(MessageOld, ChecksumOffByOneIsRefused)
{
	zeltest::DebugOutputCapture capture;
	Bytes stream = FullStream(false, 1);
	uint32 computed = OldMessageChecksum(stream.data() + 8, 17 + 4 + 16 - 8);
	BMessage message(FourCC("KEEP"));
	EXPECT_EQ(message.AddInt32("old", 1), kOk);
	EXPECT_EQ(message.Unflatten(stream.data(), stream.size()), kNotAMessage);
	EXPECT_EQ(message.FieldCount(), 0);
	std::vector<std::string> lines = capture.Take();
	ASSERT_EQ(lines.size(), 2u);
	EXPECT_EQ(lines[0], "BMessageOld: checksum mismatch n=" + std::to_string(computed) + ", o=" +
		std::to_string(computed + 1) + "\r\n");
	EXPECT_EQ(lines[1], "BMessageOld: error unflattening old message: Unknown error\r\n");
}

TEST(MessageOld, DamagedStreamsNameTheirFault)
{
	zeltest::DebugOutputCapture capture;
	BMessage message;
	struct Case {
		Bytes stream;
		const char* line;
	};
	std::vector<Case> cases;
	{
		OldStream stream(false, 1, 0);
		stream.EndHeader();
		stream.FixedField("n", kInt32Type, 1, {1, 0, 0, 0}, true);
		stream.Byte(0);
		stream.Byte(7);  // bytes behind the end of the fields
		cases.push_back({stream.Finish(), "BMessageOld: expected size=32, got=30\r\n"});
	}
	{
		OldStream stream(false, 1, 0);
		stream.EndHeader();
		stream.FixedField("n", kInt32Type, 0, {1, 0, 0, 0}, true);
		cases.push_back({stream.Finish(), "BMessageOld: Bad value, count=0, logical=4\r\n"});
	}
	{
		OldStream stream(false, 1, 0);
		stream.EndHeader();
		stream.Byte(kValid | kSmall);
		stream.Byte('G');
		cases.push_back({stream.Finish(), "BMessageOld: Field type past end of data\r\n"});
	}
	{
		OldStream stream(false, 1, 0);
		stream.EndHeader();
		stream.VariableField("v", kUtf8Type, {{'x', 0}});
		Bytes bytes = stream.Finish();
		bytes[bytes.size() - 9] = 200;  // the item's length word now reaches past the data
		cases.push_back({bytes, "BMessageOld: Bad format of variable-length array v\r\n"});
	}
	for (const Case& entry : cases) {
		capture.Take();
		EXPECT_EQ(message.Unflatten(entry.stream.data(), entry.stream.size()), kNotAMessage) << entry.line;
		EXPECT_TRUE(capture.Contains(entry.line)) << entry.line;
	}
	Bytes good = FullStream(false);
	EXPECT_EQ(message.Unflatten(good.data(), good.size() - 1), kNotAMessage);
}

TEST(MessageOld, SpecifierFieldsSetTheSpecifierState)
{
	OldStream stream(false, FourCC("SPCF"), 0x08);
	stream.EndHeader();
	stream.FixedField("_cur_specifier_", kInt32Type, 1, {3, 0, 0, 0}, true);
	stream.VariableField("specifiers", kMessageType, {{1, 2, 3}});
	Bytes bytes = stream.Finish();
	BMessage message;
	ASSERT_EQ(message.Unflatten(bytes.data(), bytes.size()), kOk);
	EXPECT_TRUE(message.HasSpecifiers());
	const void* data;
	int32 size;
	EXPECT_EQ(message.GetData("_cur_specifier_", kAnyType, 0, &data, &size), kNameNotFound);
	message.SetDeliveryRecord([] {
		BMessageRecord record;
		record.flags = kDeliveredFlag;
		return record;
	}());
	int32 index;
	EXPECT_EQ(message.CurrentSpecifier(&index), kOk);
	EXPECT_EQ(index, 3);
	// The nested bytes are not a message, so the specifier itself cannot be read.
	BMessage specifier;
	EXPECT_EQ(message.CurrentSpecifier(&index, &specifier), kBadScriptRequest);
}

}  // namespace
