// Flattening in both layouts and reading back in both byte orders.
#include "messaging/Message.h"
#include "messaging/MessageChunks.h"
#include "tests/harness/DebuggerSeam.h"
#include "tests/harness/DebugOutputCapture.h"
#include "tests/messaging/FlattenedBytes.h"

#include <gtest/gtest.h>

#include <atomic>
#include <cstring>
#include <memory>
#include <thread>

using namespace BPrivate;
using zeltest::Bytes;

namespace {

const std::string kBodyPrefix = "\033[35mBMessageBody\033[0m";

uint32 WordAt(const uint8* bytes, size_t at)
{
	return Load32(bytes + at);
}

BMessage RichMessage()
{
	BMessage message(FourCC("RICH"));
	EXPECT_EQ(message.AddInt32("int", 7), kOk);
	EXPECT_EQ(message.AddInt32("int", 8), kOk);
	EXPECT_EQ(message.AddData("blob", FourCC("RAWT"), "abc", 3, false), kOk);
	EXPECT_EQ(message.AddData("blob", FourCC("RAWT"), "defgh", 5, false), kOk);
	EXPECT_EQ(message.AddFloat("float", 1.5f), kOk);
	BString text("text value");
	EXPECT_EQ(message.AddText("text", &text), kOk);
	BMessage inner(FourCC("INNR"));
	EXPECT_EQ(inner.AddInt32("deep", 42), kOk);
	EXPECT_EQ(message.AddNestedMessage("inner", &inner), kOk);
	message.SetWhen(123456789012345LL);
	return message;
}

TEST(MessageFlatten, EmptyMessageIs32BytesCompactAnd120Fixed)
{
	BMessage message(FourCC("EMPT"));
	Bytes compact = zeltest::Flattened(message);
	ASSERT_EQ(compact.size(), 32u);
	EXPECT_EQ(WordAt(compact.data(), 0), kFlattenedMagic);
	EXPECT_EQ(std::memcmp(compact.data(), "2BOF", 4), 0);
	EXPECT_EQ(WordAt(compact.data(), 4), 32u);
	EXPECT_EQ(WordAt(compact.data(), 8), FourCC("EMPT"));
	EXPECT_EQ(std::memcmp(compact.data() + 16, "nIXD\x08\0\0\0nEDD\x08\0\0\0", 16), 0);

	FlattenResult fixed;
	ASSERT_EQ(message.Flatten(&fixed, true, false), kOk);
	ASSERT_EQ(fixed.size, 120u);
	EXPECT_EQ(WordAt(fixed.data, 4), 120u);
	const uint32 sizes[4] = {24, 16, 16, 32};
	size_t at = 16;
	for (uint32 size : sizes) {
		EXPECT_EQ(std::memcmp(fixed.data + at, "apDD", 4), 0);
		EXPECT_EQ(WordAt(fixed.data, at + 4), size);
		at += size;
	}
	// The record's padding says "no tokens": four words -1, then two zero words.
	for (int32 i = 0; i < 4; i++)
		EXPECT_EQ(WordAt(fixed.data, 16 + 56 + 8 + 4 * i), 0xFFFFFFFFu);
	EXPECT_EQ(WordAt(fixed.data, 16 + 56 + 24), 0u);
	EXPECT_EQ(at, 104u);
	ReleaseFlattenResult(&fixed);
}

TEST(MessageFlatten, AFreeHeaderAreaIsWrittenInPlaceAndATakenOneCopied)
{
	BMessage message = RichMessage();
	const BMessageBody* body = message.Body();
	FlattenResult first;
	ASSERT_EQ(message.Flatten(&first, true, true), kOk);
	EXPECT_EQ(first.data, body->Data() - kFixedHeaderSize);
	EXPECT_EQ(first.owned, nullptr);
	EXPECT_EQ(first.size, kFixedHeaderSize + body->UsedSize());

	// Held by one message alone, the area is still handed out only once.
	FlattenResult again;
	ASSERT_EQ(message.Flatten(&again, false, false), kOk);
	EXPECT_NE(again.owned, nullptr);
	ReleaseFlattenResult(&again);

	// A copy shares the body, so its flatten finds the header area taken.
	BMessage copy(message);
	FlattenResult second;
	ASSERT_EQ(copy.Flatten(&second, false, false), kOk);
	EXPECT_NE(second.owned, nullptr);
	EXPECT_EQ(second.size, static_cast<uint32>(copy.FlattenedSize()));
	EXPECT_EQ(std::memcmp(second.data + second.size - body->UsedSize(), body->Data(), body->UsedSize()), 0);
	ReleaseFlattenResult(&second);

	ReleaseFlattenResult(&first);
	FlattenResult third;
	ASSERT_EQ(copy.Flatten(&third, false, false), kOk);
	EXPECT_EQ(third.owned, nullptr);
	ReleaseFlattenResult(&third);
}

// Copies handed to other threads flatten the shared body while the original
// is flattened too; the copies go one by one, until the original holds the
// body alone and claims the area without an atomic operation. Every message
// has a command of its own, so two flattens writing the area at once would
// leave one of them with the other's header.
TEST(MessageFlatten, ConcurrentFlattensOfOneBodyNeverShareTheHeaderArea)
{
	BMessage message = RichMessage();
	std::atomic<int32> wrong(0);
	auto flattenAndCompare = [&wrong](const BMessage& source, const Bytes& expected) {
		FlattenResult result;
		if (source.Flatten(&result, false, false) != kOk || result.size != expected.size() ||
			std::memcmp(result.data, expected.data(), expected.size()) != 0)
			wrong++;
		ReleaseFlattenResult(&result);
	};
	constexpr int32 kSharers = 4;
	std::atomic<int32> sharers(kSharers);
	std::vector<std::thread> threads;
	for (int32 t = 0; t < kSharers; t++) {
		auto copy = std::make_unique<BMessage>(message);
		copy->what = FourCC("CPY0") + static_cast<uint32>(t);
		threads.emplace_back([&, t, copy = std::move(copy)]() mutable {
			Bytes expected = zeltest::Flattened(*copy);
			for (int32 i = 0; i < 50000 * (t + 1); i++)
				flattenAndCompare(*copy, expected);
			copy.reset();
			sharers--;
		});
	}
	Bytes expected = zeltest::Flattened(message);
	int32 alone = 0;
	while (sharers.load() > 0 || alone++ < 1000)
		flattenAndCompare(message, expected);
	for (std::thread& thread : threads)
		thread.join();
	EXPECT_EQ(wrong.load(), 0);
	EXPECT_FALSE(message.Body()->IsShared());
}

TEST(MessageFlatten, BothLayoutsRoundTripToTheSameBytes)
{
	BMessage message = RichMessage();
	BMessageRecord record;
	record.target = -2;
	record.replyLooper = 11;
	record.replyHandler = 12;
	record.replyTeam = 13;
	record.flags = 0x50000008;
	message.SetDeliveryRecord(record);
	for (bool fixed : {false, true}) {
		FlattenResult result;
		ASSERT_EQ(message.Flatten(&result, fixed, true), kOk);
		BMessage back;
		ASSERT_EQ(back.Unflatten(result.data, result.size), kOk);
		EXPECT_EQ(back.what, FourCC("RICH"));
		EXPECT_EQ(back.Compare(message, true), 0);
		EXPECT_EQ(back.When(), 123456789012345LL);
		// A target of -2 means "the preferred handler".
		EXPECT_EQ(back.DeliveryRecord().target, -1);
		EXPECT_EQ(back.DeliveryRecord().flags, 0xD0000008u);
		EXPECT_EQ(back.DeliveryRecord().replyTeam, 13);
		BMessage inner;
		ASSERT_EQ(back.GetNestedMessage("inner", 0, &inner), kOk);
		EXPECT_EQ(inner.Int32At("deep", 0), 42);
		FlattenResult again;
		ASSERT_EQ(back.Flatten(&again, fixed, true), kOk);
		ASSERT_EQ(again.size, result.size);
		// The record comes back with the preferred flag in place of -2, so compare the rest.
		EXPECT_EQ(std::memcmp(again.data + again.size - back.Body()->UsedSize(),
			result.data + result.size - back.Body()->UsedSize(), back.Body()->UsedSize()), 0);
		ReleaseFlattenResult(&again);
		ReleaseFlattenResult(&result);
	}
	Bytes compact = zeltest::Flattened(message);
	BMessage back;
	ASSERT_EQ(back.Unflatten(compact.data(), compact.size()), kOk);
	EXPECT_EQ(zeltest::Flattened(back), compact);
}

zeltest::Bytes BigEndianBytes(uint64 value, int32 width)
{
	zeltest::ByteWriter out(true);
	if (width == 2)
		out.U16(static_cast<uint16>(value));
	else if (width == 4)
		out.U32(static_cast<uint32>(value));
	else
		out.U64(value);
	return out.Data();
}

TEST(MessageFlatten, BigEndianBodyReadsBackWithStringsAndNestedBytesUntouched)
{
	zeltest::BodyBuilder body(true);
	body.Single("long", kInt32Type, BigEndianBytes(0x01020304, 4));
	zeltest::Bytes shorts = BigEndianBytes(0x0A0B, 2);
	zeltest::Bytes more = BigEndianBytes(0x0C0D, 2);
	shorts.insert(shorts.end(), more.begin(), more.end());
	body.Fixed("shorts", kInt16Type, 2, shorts);
	body.Single("double", kDoubleType, BigEndianBytes(0x3FF8000000000000ull, 8));
	zeltest::Bytes one = {'o', 'n', 'e', 0};
	zeltest::Bytes two = {'t', 'w', 'o', '!', 0};
	body.Variable("cstr", kUtf8Type, {one, two});
	zeltest::Bytes ref = {1, 2, 3, 4, 5, 6, 7};
	body.Variable("ref", kRefType, {ref, ref});
	zeltest::Bytes utf16 = {0, 'h', 0, 'i', 0, 0};
	body.Single("ustr", kTextType, utf16);
	zeltest::Bytes nested = {'F', 'O', 'B', '2', 9, 8, 7, 6, 5, 4, 3, 2, 1, 0, 1, 2};
	body.Single("msg", kMessageType, nested);
	body.Chunk(0x5A5A, 0x5A5A, {1, 2, 3, 4});  // unknown kind, dropped by the swap
	uint32 index;
	uint32 end;
	zeltest::Bytes data = body.Finish(&index, &end);
	zeltest::Bytes message = zeltest::FlattenedMessage(true, FourCC("BIGE"), data, index, end);

	BMessage back;
	ASSERT_EQ(back.Unflatten(message.data(), message.size()), kOk);
	EXPECT_EQ(back.what, FourCC("BIGE"));
	EXPECT_EQ(back.FieldCount(), 7);
	EXPECT_EQ(back.Int32At("long", 0), 0x01020304);
	const void* item;
	int32 size;
	ASSERT_EQ(back.GetData("shorts", kInt16Type, 1, &item, &size), kOk);
	EXPECT_EQ(Load16(item), 0x0C0D);
	ASSERT_EQ(back.GetData("double", kDoubleType, 0, &item, &size), kOk);
	double value;
	std::memcpy(&value, item, 8);
	EXPECT_EQ(value, 1.5);
	ASSERT_EQ(back.GetData("cstr", kUtf8Type, 1, &item, &size), kOk);
	EXPECT_EQ(zeltest::Bytes(static_cast<const uint8*>(item), static_cast<const uint8*>(item) + size), two);
	ASSERT_EQ(back.GetData("ref", kRefType, 0, &item, &size), kOk);
	EXPECT_EQ(zeltest::Bytes(static_cast<const uint8*>(item), static_cast<const uint8*>(item) + size), ref);
	ASSERT_EQ(back.GetData("ustr", kTextType, 0, &item, &size), kOk);
	EXPECT_EQ(zeltest::Bytes(static_cast<const uint8*>(item), static_cast<const uint8*>(item) + size), utf16);
	ASSERT_EQ(back.GetData("msg", kMessageType, 0, &item, &size), kOk);
	EXPECT_EQ(zeltest::Bytes(static_cast<const uint8*>(item), static_cast<const uint8*>(item) + size), nested);
	BString text;
	EXPECT_EQ(back.GetText("cstr", 0, &text), kOk);
	EXPECT_TRUE(text == "one");
	// What comes back is native now: flattening and reading again changes nothing.
	zeltest::Bytes native = zeltest::Flattened(back);
	BMessage again;
	ASSERT_EQ(again.Unflatten(native.data(), native.size()), kOk);
	EXPECT_EQ(again.Compare(back, true), 0);
}

TEST(MessageFlatten, DamagedChunkChainsAreRefusedWithTheirDiagnostics)
{
	zeltest::DebugOutputCapture capture;
	zeltest::BodyBuilder body(false);
	body.Single("a", kInt32Type, {1, 0, 0, 0});
	uint32 index;
	uint32 end;
	zeltest::Bytes data = body.Finish(&index, &end);
	zeltest::Bytes good = zeltest::FlattenedMessage(false, 1, data, index, end);
	BMessage message;
	ASSERT_EQ(message.Unflatten(good.data(), good.size()), kOk);

	zeltest::Bytes truncated(good.begin(), good.end() - 4);
	EXPECT_EQ(message.Unflatten(truncated.data(), truncated.size()), kNotAMessage);
	EXPECT_EQ(message.FieldCount(), 0);
	std::vector<std::string> lines = capture.Take();
	ASSERT_FALSE(lines.empty());
	EXPECT_EQ(lines.back(), kBodyPrefix + "::Unflatten() not enough data for body: " +
		std::to_string(good.size() - 40 - 4) + ", but expected " + std::to_string(good.size() - 40) + "\r\n");

	zeltest::Bytes shortHeader = good;
	Store32(shortHeader.data() + 20, 4000);  // the 'fo' chunk claims more than there is
	EXPECT_EQ(message.Unflatten(shortHeader.data(), shortHeader.size()), kNotAMessage);
	EXPECT_TRUE(capture.Contains(kBodyPrefix + "::Unflatten() header size too small: " +
		std::to_string(good.size() - 16) + "\r\n"));

	// A chunk whose size runs past the body breaks the chain in native order too.
	zeltest::Bytes broken = good;
	Store32(broken.data() + 40 + 4, 400);
	EXPECT_EQ(message.Unflatten(broken.data(), broken.size()), kNotAMessage);
	EXPECT_TRUE(capture.Contains(kBodyPrefix + "::Unflatten() error parsing body: Unknown error\r\n"));

	EXPECT_EQ(message.Unflatten(good.data(), 3), kNotAMessage);
}

TEST(MessageFlatten, UnknownChunksSurviveNativeReadingButBreakingOnesDoNot)
{
	zeltest::BodyBuilder body(true);
	body.Chunk(0x4242, 0x4242, {9, 9, 9});
	body.Single("a", kInt32Type, BigEndianBytes(5, 4));
	uint32 index;
	uint32 end;
	zeltest::Bytes data = body.Finish(&index, &end);
	zeltest::Bytes swapped = zeltest::FlattenedMessage(true, 1, data, index, end);
	BMessage message;
	zeltest::DebugOutputCapture capture;
	// Swapping drops the unknown chunk and moves the field down over it.
	ASSERT_EQ(message.Unflatten(swapped.data(), swapped.size()), kOk);
	EXPECT_EQ(message.Int32At("a", 0), 5);
	EXPECT_EQ(message.Body()->UsedSize(), static_cast<uint32>(data.size()) - 16);

	zeltest::Bytes breaking = swapped;
	breaking[40 + 7] = 0xF0;  // the unknown chunk's size (big-endian low byte) now reaches past the body
	EXPECT_EQ(message.Unflatten(breaking.data(), breaking.size()), kNotAMessage);
	EXPECT_TRUE(capture.Contains(kBodyPrefix + "::Unflatten() error swapping body: Unknown error\r\n"));

	zeltest::BodyBuilder nativeBody(false);
	nativeBody.Chunk(0x4242, 0x4242, {9, 9, 9});
	nativeBody.Single("a", kInt32Type, {6, 0, 0, 0});
	zeltest::Bytes nativeData = nativeBody.Finish(&index, &end);
	zeltest::Bytes native = zeltest::FlattenedMessage(false, 1, nativeData, index, end);
	ASSERT_EQ(message.Unflatten(native.data(), native.size()), kOk);
	EXPECT_EQ(message.Int32At("a", 0), 6);
	EXPECT_EQ(message.Body()->UsedSize(), static_cast<uint32>(nativeData.size()));
	ASSERT_EQ(message.AddInt32("b", 7), kOk);
	EXPECT_EQ(message.Int32At("a", 0), 6);
}

// What a peer may write and every reader must take: a chunk of an unknown
// kind after the index, and an index whose entry is damaged while the body's
// offsets are right.
TEST(MessageFlatten, AChunkAfterTheIndexIsKeptAndTheMessageReadsAndGrows)
{
	zeltest::BodyBuilder body(false);
	body.Single("a", kInt32Type, {6, 0, 0, 0});
	body.ChunkAfterIndex(0x4242, 0x4242, {9, 9, 9});
	uint32 index;
	uint32 end;
	zeltest::Bytes data = body.Finish(&index, &end);
	zeltest::Bytes bytes = zeltest::FlattenedMessage(false, 1, data, index, end);
	BMessage message;
	ASSERT_EQ(message.Unflatten(bytes.data(), bytes.size()), kOk);
	EXPECT_EQ(message.Int32At("a", 0), 6);
	// Read unchanged, it is written unchanged.
	EXPECT_EQ(zeltest::Flattened(message), bytes);

	ASSERT_EQ(message.AddInt32("b", 7), kOk);
	BMessage again;
	zeltest::Bytes grown = zeltest::Flattened(message);
	ASSERT_EQ(again.Unflatten(grown.data(), grown.size()), kOk);
	EXPECT_EQ(again.Int32At("a", 0), 6);
	EXPECT_EQ(again.Int32At("b", 0), 7);
}

TEST(MessageFlatten, ADamagedIndexEntryLeavesOnlyItsFieldAbsentAndIsReported)
{
	zeltest::BodyBuilder body(false);
	body.Single("a", kInt32Type, {1, 0, 0, 0});
	body.Single("b", kInt32Type, {2, 0, 0, 0});
	body.Single("c", kInt32Type, {3, 0, 0, 0});
	uint32 index;
	uint32 end;
	zeltest::Bytes data = body.Finish(&index, &end);
	constexpr uint32 kDamaged = 0x1F0;
	Store32(data.data() + index + 8, kDamaged);  // the entry of "a"
	zeltest::Bytes bytes = zeltest::FlattenedMessage(false, 1, data, index, end);
	BMessage message;
	ASSERT_EQ(message.Unflatten(bytes.data(), bytes.size()), kOk);

	zeltest::DebugOutputCapture capture;
	EXPECT_EQ(message.Int32At("b", 0), 2);
	EXPECT_EQ(message.Int32At("c", 0), 3);
	EXPECT_TRUE(capture.Take().empty());
	const void* item = nullptr;
	int32 size = -1;
	EXPECT_EQ(message.GetData("a", kInt32Type, 0, &item, &size), kNameNotFound);
	std::vector<std::string> lines = capture.Take();
	ASSERT_GE(lines.size(), 2u);
	EXPECT_EQ(lines[0], kBodyPrefix + ": Invalid index " + std::to_string(kDamaged) + "(#0) in message body (end=" +
		std::to_string(end) + ")\r\n");
	EXPECT_EQ(lines[1].compare(0, kBodyPrefix.size() + 2, kBodyPrefix + "\r\n"), 0) << lines[1];

	// Changes around the damage keep the entry damaged, however far the body grows.
	for (int32 i = 0; i < 100; i++)
		ASSERT_EQ(message.AddInt32("c", i), kOk);
	ASSERT_GT(message.Body()->EndOffset(), kDamaged);
	ASSERT_EQ(message.RemoveField("b"), kOk);
	EXPECT_EQ(message.GetData("a", kInt32Type, 0, &item, &size), kNameNotFound);
	EXPECT_EQ(message.Int32At("c", 100), 99);
	BMessage again;
	zeltest::Bytes written = zeltest::Flattened(message);
	ASSERT_EQ(again.Unflatten(written.data(), written.size()), kOk);
	EXPECT_EQ(zeltest::Flattened(again), written);
}

TEST(MessageFlatten, IndexEntriesMustNameDistinctFieldChunksOfTheChain)
{
	zeltest::BodyBuilder body(false);
	body.Single("a", FourCC("RAWT"), {0x61, 0x44, 0x53, 0x47, 24, 0, 0, 0, 1, 2, 3, 4, 5, 6, 7, 8});
	body.Single("b", kInt32Type, {2, 0, 0, 0});
	uint32 index;
	uint32 end;
	const zeltest::Bytes good = body.Finish(&index, &end);
	struct Case {
		const char* what;
		uint32 entry;  // the new value of index entry 1 ("b")
	};
	const Case cases[] = {
		{"the same chunk twice", 0},
		{"inside a chunk", 8},
		{"bytes inside a field's data that look like a chunk", 24},
		{"the index itself", index},
	};
	for (const Case& c : cases) {
		zeltest::Bytes data = good;
		Store32(data.data() + index + 8 + 4, c.entry);
		zeltest::Bytes bytes = zeltest::FlattenedMessage(false, 1, data, index, end);
		BMessage message;
		EXPECT_EQ(message.Unflatten(bytes.data(), bytes.size()), kNotAMessage) << c.what;
	}
}

// The index order is checked, and names looked up, eight bytes at a time:
// names that differ at word boundaries, in their last byte, by length, or in
// bytes above 0x7F must order as strcmp orders them, both ways round.
TEST(MessageFlatten, IndexOrderAndLookupsCompareWholeNamesAsStrcmpDoes)
{
	const std::pair<const char*, const char*> pairs[] = {
		{"be:field_00001", "be:field_00002"},
		{"abcdefgh", "abcdefghi"},
		{"abcdefghijklmnop", "abcdefghijklmnoq"},
		{"abcdefg", "abcdefgh"},
		{"z", "\xe9t\xe9"},
	};
	for (const auto& pair : pairs) {
		zeltest::BodyBuilder body(false);
		body.Single(pair.second, FourCC("LONG"), {2, 0, 0, 0});
		body.Single(pair.first, FourCC("LONG"), {1, 0, 0, 0});
		uint32 index;
		uint32 end;
		zeltest::Bytes data = body.Finish(&index, &end);
		zeltest::Bytes bytes = zeltest::FlattenedMessage(false, 1, data, index, end);
		BMessage message;
		ASSERT_EQ(message.Unflatten(bytes.data(), bytes.size()), kOk) << pair.first;
		EXPECT_EQ(message.Int32At(pair.first, 0), 1) << pair.first;
		EXPECT_EQ(message.Int32At(pair.second, 0), 2) << pair.second;
		const void* item;
		int32 size;
		EXPECT_EQ(message.GetData("abcdefghijklmno", FourCC("LONG"), 0, &item, &size), kNameNotFound);

		uint8* entries = data.data() + index + 8;
		uint32 first = Load32(entries);
		Store32(entries, Load32(entries + 4));
		Store32(entries + 4, first);
		bytes = zeltest::FlattenedMessage(false, 1, data, index, end);
		EXPECT_EQ(message.Unflatten(bytes.data(), bytes.size()), kNotAMessage) << pair.first;
	}
	// A zero byte ends a name for the comparison, wherever it lies in a word.
	const char withZeros[2][16] = {"abc\0xxxxxxxxxx", "abc\0yyyyyyyyyy"};
	EXPECT_EQ(CompareNames(withZeros[0], withZeros[1], 16), 0);
	EXPECT_LT(CompareNames("abcdefghij", "abcdefghik", 11), 0);

	// A name from outside with a zero byte inside is found by what comes before it, as strcmp sees it.
	zeltest::BodyBuilder body(false);
	body.Single("abcdefghiXklmnop", FourCC("LONG"), {7, 0, 0, 0});
	uint32 index;
	uint32 end;
	zeltest::Bytes data = body.Finish(&index, &end);
	data[kNameStart + 9] = 0;
	zeltest::Bytes bytes = zeltest::FlattenedMessage(false, 1, data, index, end);
	BMessage message;
	ASSERT_EQ(message.Unflatten(bytes.data(), bytes.size()), kOk);
	EXPECT_EQ(message.Int32At("abcdefghi", 0), 7);
	EXPECT_EQ(message.Int32At("abcdefghiXklmnop", 0), 0);
	EXPECT_EQ(message.Int32At("abcdefgh", 0), 0);
}

TEST(MessageFlatten, ForeignAtomsAreRefusedAndFlattenOfAtomsIsReported)
{
	zeltest::BodyBuilder body(false);
	body.Single("atom", kAtomType, zeltest::Bytes(sizeof(void*), 0x41));
	uint32 index;
	uint32 end;
	zeltest::Bytes data = body.Finish(&index, &end);
	zeltest::Bytes withCount = zeltest::FlattenedMessage(false, 1, data, index, end, 1);
	zeltest::Bytes withoutCount = zeltest::FlattenedMessage(false, 1, data, index, end, 0);
	BMessage message;
	EXPECT_EQ(message.Unflatten(withCount.data(), withCount.size()), kNotAMessage);
	EXPECT_EQ(message.Unflatten(withoutCount.data(), withoutCount.size()), kNotAMessage);

	BMessage holder;
	void* address = nullptr;
	ASSERT_EQ(holder.AddData("a", kAtomType, &address, sizeof(address)), kOk);
	zeltest::TakeDebuggerReports();
	zeltest::Flattened(holder);
	std::vector<std::string> reports = zeltest::TakeDebuggerReports();
	ASSERT_EQ(reports.size(), 1u);
	EXPECT_EQ(reports[0], "Can't write a message containing atoms");
	// A null atom holds no reference; nothing is released when the message goes.
	EXPECT_EQ(holder.RemoveField("a"), kOk);
}

// Found by the fuzz test: a body left without fields once read back as 56 bytes
// and then as 32; now it is no body either way.
TEST(MessageFlatten, BodiesWithoutFieldsAreWrittenAndReadAsNoBody)
{
	zeltest::BodyBuilder body(true);
	body.Chunk(0x4242, 0x4242, {7});
	uint32 index;
	uint32 end;
	zeltest::Bytes data = body.Finish(&index, &end);
	zeltest::Bytes input = zeltest::FlattenedMessage(true, 9, data, index, end);
	BMessage message;
	ASSERT_EQ(message.Unflatten(input.data(), input.size()), kOk);
	EXPECT_EQ(message.Body(), nullptr);
	EXPECT_EQ(message.FlattenedSize(), 32);

	BMessage emptied;
	EXPECT_EQ(emptied.AddInt32("only", 1), kOk);
	EXPECT_EQ(emptied.RemoveField("only"), kOk);
	EXPECT_EQ(zeltest::Flattened(emptied).size(), 32u);
}

TEST(MessageFlatten, SwapDataKnowsItsTypes)
{
	uint8 words[16] = {1, 2, 3, 4, 5, 6, 7, 8, 9, 10, 11, 12, 13, 14, 15, 16};
	uint8 data[16];
	std::memcpy(data, words, 16);
	EXPECT_EQ(SwapData(kRectType, data, 16, 4), kOk);
	EXPECT_EQ(data[0], 4);
	EXPECT_EQ(data[15], 13);
	std::memcpy(data, words, 16);
	EXPECT_EQ(SwapData(kDoubleType, data, 16, 4), kOk);
	EXPECT_EQ(data[0], 8);
	EXPECT_EQ(data[8], 16);
	std::memcpy(data, words, 16);
	EXPECT_EQ(SwapData(kUInt16Type, data, 4, 4), kOk);
	EXPECT_EQ(data[0], 2);
	EXPECT_EQ(data[3], 3);
	std::memcpy(data, words, 16);
	EXPECT_EQ(SwapData(kInt32Type, data, 16, 2), kOk);
	EXPECT_EQ(SwapData(kMessengerType, data, 16, 4), kOk);
	EXPECT_EQ(SwapData(kUtf8Type, data, 16, 4), kBadValue);
	EXPECT_EQ(std::memcmp(data, words, 16), 0);
}

}  // namespace
