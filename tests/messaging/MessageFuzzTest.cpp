// Flattened messages are untrusted input: mutated and truncated ones must give
// a status or a sound message, and no read may pass their last byte.
//
// Every input is placed at the very end of a committed page, followed by a
// PAGE_NOACCESS guard page, so that a read past the end faults at once; a fault
// prints the input in hex before the process dies. The suite runs a short pass
// with a fixed seed. A long run (a different seed and a million inputs):
//   (source scripts/common.sh; trap zel_stop_wine EXIT; zel_start_wine;
//    ZEL_FUZZ_ITERATIONS=1000000 ZEL_FUZZ_SEED=7 /usr/lib/wine/wine64
//    build/x86_64/tests/messaging_tests.exe --gtest_filter='MessageFuzz.*')
#include "messaging/Message.h"
#include "messaging/MessageChunks.h"
#include "support/DataIO.h"
#include "tests/harness/ByteMutator.h"
#include "tests/harness/GuardedBuffer.h"
#include "tests/messaging/FlattenedBytes.h"

#include <gtest/gtest.h>

#include <windows.h>

#include <cstring>

using namespace BPrivate;
using zeltest::Bytes;

namespace {

constexpr size_t kMaxInput = 60 * 1024;

Bytes BigEndianWord(uint32 value)
{
	zeltest::ByteWriter out(true);
	out.U32(value);
	return out.Data();
}

// Valid messages of every shape: both layouts, both byte orders, the old format.
std::vector<Bytes> Seeds()
{
	std::vector<Bytes> seeds;
	BMessage inner(FourCC("INNR"));
	EXPECT_EQ(inner.AddInt32("deep", 1), kOk);
	EXPECT_EQ(inner.AddData("raw", FourCC("RAWT"), "xyz", 3, false), kOk);
	BMessage message(FourCC("SEED"));
	EXPECT_EQ(message.AddInt32("ints", 1), kOk);
	EXPECT_EQ(message.AddInt32("ints", 2), kOk);
	EXPECT_EQ(message.AddInt32("ints", 3), kOk);
	EXPECT_EQ(message.AddData("var", FourCC("RAWT"), "a", 1, false), kOk);
	EXPECT_EQ(message.AddData("var", FourCC("RAWT"), "bbbbbbbbbbb", 11, false), kOk);
	EXPECT_EQ(message.AddFloat("f", 0.5f), kOk);
	BString text("seed text");
	EXPECT_EQ(message.AddText("text", &text), kOk);
	EXPECT_EQ(message.AddNestedMessage("inner", &inner), kOk);
	EXPECT_EQ(message.AddNestedMessage("inner", &inner), kOk);
	message.SetWhen(99);
	seeds.push_back(zeltest::Flattened(message));
	FlattenResult fixed;
	BMessageRecord record;
	record.target = -2;
	record.flags = 0x40000008;
	message.SetDeliveryRecord(record);
	if (message.Flatten(&fixed, true, true) == kOk)
		seeds.emplace_back(fixed.data, fixed.data + fixed.size);
	ReleaseFlattenResult(&fixed);
	seeds.push_back(zeltest::Flattened(BMessage(FourCC("EMPT"))));

	zeltest::BodyBuilder body(true);
	body.Single("long", kInt32Type, BigEndianWord(7));
	Bytes words = BigEndianWord(1);
	Bytes second = BigEndianWord(2);
	words.insert(words.end(), second.begin(), second.end());
	body.Fixed("ulongs", kUInt32Type, 4, words);
	body.Variable("strings", kUtf8Type, {{'a', 0}, {'b', 'c', 0}});
	body.Variable("rects", kRectType, {Bytes(16, 1), Bytes(16, 2)});
	body.Single("msg", kMessageType, seeds[0]);
	body.Chunk(0x4242, 0x4242, {1, 2, 3});
	uint32 index;
	uint32 end;
	Bytes data = body.Finish(&index, &end);
	seeds.push_back(zeltest::FlattenedMessage(true, FourCC("BIGE"), data, index, end));

	// A peer's chunk after the index, and a damaged index entry.
	zeltest::BodyBuilder peer(false);
	peer.Single("b", kInt32Type, {2, 0, 0, 0});
	peer.Variable("a", FourCC("RAWT"), {{1}, {2, 3}});
	peer.Single("c", kMessageType, seeds[0]);
	peer.ChunkAfterIndex(0x4242, 0x4242, {1, 2, 3});
	data = peer.Finish(&index, &end);
	seeds.push_back(zeltest::FlattenedMessage(false, FourCC("PEER"), data, index, end));
	Store32(data.data() + index + 8 + 4, 0xFFF8);
	seeds.push_back(zeltest::FlattenedMessage(false, FourCC("DAMG"), data, index, end));

	for (bool bigEndian : {false, true}) {
		zeltest::ByteWriter old(bigEndian);
		old.U32(0x464F4231);
		old.U32(0);
		old.U32(0);
		old.U32(FourCC("OLDF"));
		old.U8(0x02);
		old.U32(static_cast<uint32>(-2));
		size_t headerEnd = old.Size();
		old.U8(0x01 | 0x02 | 0x04);  // small, fixed: two LONG items
		old.U32(kInt32Type);
		old.U8(2);
		old.U8(8);
		old.U8(1);
		old.Raw("n", 1);
		old.U32(5);
		old.U32(6);
		old.U8(0x01);  // variable: two CSTR items
		old.U32(kUtf8Type);
		old.U32(2);
		old.U32(16);
		old.U8(1);
		old.Raw("s", 1);
		old.U32(2);
		old.Raw("x\0\0\0", 4);  // length word and bytes padded to 8
		old.U32(3);
		old.Raw("yz\0\0", 4);
		old.U8(0);
		old.PutU32At(8, static_cast<uint32>(old.Size()));
		Bytes bytes = old.Data();
		uint32 sum = 0;
		size_t at = 8;
		for (; at + 4 <= headerEnd; at += 4)
			sum += (uint32(bytes[at]) << 24) | (uint32(bytes[at + 1]) << 16) | (uint32(bytes[at + 2]) << 8) | bytes[at + 3];
		uint32 running = 0;
		for (; at < headerEnd; at++) {
			running = running * 256 + bytes[at];
			sum += running;
		}
		old.PutU32At(4, sum);
		seeds.push_back(old.Data());
	}
	return seeds;
}

// Messages: chunk kinds sit at the start of 8-byte aligned chunks.
class Mutator : public zeltest::ByteMutator {
public:
	explicit Mutator(uint32 seed)
		: ByteMutator(seed, {kMaxInput,
			  {0, 1, 7, 8, 15, 16, 17, 24, 0x7F, 0xFF, 0x100, 0xFFFF, 0x7FFFFFFF, 0x80000000, 0xFFFFFFFF,
				  0xFFFFFFF8, 0x464F4232, 0x32424F46, 0x464F4231},
			  4, false, 64, 32})
	{
	}

private:
	bool MutateFormat(Bytes* input) override
	{
		static const uint16 kKinds[] = {0x4461, 0x496E, 0x456E, 0x6F66, 0x7061, 0x7363, 0x7768, 0x7472,
			0x5347, 0x4641, 0x5641, 0x6144, 0x6E49};
		size_t size = input->size();
		size_t at = Below(static_cast<uint32>(size / 8 + 1)) * 8;
		if (at + 2 > size)
			return false;
		uint16 kind = kKinds[Below(sizeof(kKinds) / sizeof(kKinds[0]))];
		std::memcpy(input->data() + at, &kind, 2);
		return true;
	}
};

class DiscardingOutput : public BDataIO {
public:
	int32 Read(void*, size_t) override { return kNotAllowed; }
	int32 Write(const void*, size_t length) override
	{
		fLength += length;
		return static_cast<int32>(length);
	}
	size_t fLength = 0;
};

// An index entry at or past the end mark: the lookups report it and may then
// miss fields that the walk still finds.
bool HasDamagedIndex(const BMessageBody* body)
{
	const uint8* entries = body->Data() + body->IndexOffset() + 8;
	for (int32 i = 0; i < body->FieldCount(); i++) {
		if (Load32(entries + 4 * i) >= body->EndOffset())
			return true;
	}
	return false;
}

// Everything a reader may do with a message that came in must stay sound.
void Exercise(const BMessage& message, int32 depth)
{
	if (depth == 0) {
		DiscardingOutput output;
		message.Dump(&output);
		EXPECT_GT(output.fLength, 0u);
	}
	uint32 cookie = 0;
	BMessageField field;
	const BMessageBody* body = message.Body();
	bool damaged = body != nullptr && HasDamagedIndex(body);
	while (body != nullptr && body->NextField(&cookie, kAnyType, nullptr, 0, -1, &field) == kOk) {
		for (int32 i = 0; i < field.count; i++) {
			const void* data;
			int32 size;
			status_t found = message.GetData(field.name, field.type, i, &data, &size);
			if (!damaged) {
				ASSERT_EQ(found, kOk);
			}
			BString text;
			message.GetText(field.name, i, &text);
			if (field.type == kMessageType && depth < 3) {
				BMessage nested;
				if (message.GetNestedMessage(field.name, i, &nested) == kOk)
					Exercise(nested, depth + 1);
			}
		}
	}
	EXPECT_EQ(message.Compare(message, true), 0);
}

void CheckRoundTrip(const BMessage& message)
{
	Bytes first = zeltest::Flattened(message);
	BMessage again;
	ASSERT_EQ(again.Unflatten(first.data(), first.size()), kOk);
	EXPECT_EQ(again.Compare(message, true), 0);
	EXPECT_EQ(zeltest::Flattened(again), first);
}

void CheckChangesStaySound(BMessage* message)
{
	uint32 cookie = 0;
	BMessageField field;
	// A message that came in damaged may refuse a change (a damaged index
	// entry refuses adds); what counts is that it stays sound.
	if (message->Body() != nullptr &&
		message->Body()->NextField(&cookie, kAnyType, nullptr, 0, -1, &field) == kOk) {
		std::string name = field.name;
		const void* data;
		int32 size;
		if (message->GetData(name.c_str(), field.type, 0, &data, &size) == kOk) {
			Bytes item(static_cast<const uint8*>(data), static_cast<const uint8*>(data) + size);
			(void)message->AddData(name.c_str(), field.type, item.data(), size, field.itemSize >= 0);
			(void)message->OverwriteData(name.c_str(), 0, field.type, "replacement", 11);
		}
		(void)message->RemoveField(name.c_str());
	}
	(void)message->AddInt32("added", 1);
	CheckRoundTrip(*message);
}

// Hands `check` the run's mutations of the seeds, one at a time, each placed
// against the guard page and blamed for a fault while it is checked.
template <class Check>
void CheckMutations(const std::vector<Bytes>& seeds, const zeltest::FuzzRun& run, zeltest::GuardedBuffer* buffer,
	Check check)
{
	zeltest::FaultingInputReporter reporter;
	Mutator mutator(run.seed);
	for (uint32 i = 0; i < run.iterations && !::testing::Test::HasFailure(); i++) {
		Bytes input = mutator.Mutate(seeds[i % seeds.size()]);
		reporter.SetInput(&input);
		check(buffer->Place(input), input, i % seeds.size());
	}
	reporter.SetInput(nullptr);
}

TEST(MessageFuzz, MutatedMessagesGiveAStatusOrASoundMessage)
{
	zeltest::GuardedBuffer buffer(kMaxInput);
	ASSERT_TRUE(buffer.IsValid());
	zeltest::FuzzRun run = zeltest::FuzzRunFromEnvironment(30000, 20261207);
	std::vector<Bytes> seeds = Seeds();
	for (size_t n = 0; n < seeds.size(); n++) {
		BMessage message;
		const uint8* placed = buffer.Place(seeds[n]);
		ASSERT_EQ(message.Unflatten(placed, seeds[n].size()), kOk) << "seed " << n;
		CheckRoundTrip(message);
	}
	uint32 accepted = 0;
	CheckMutations(seeds, run, &buffer, [&](const uint8* placed, const Bytes& input, size_t) {
		BMessage message(FourCC("PREV"));
		EXPECT_EQ(message.AddInt32("previous", 1), kOk);
		status_t status = message.Unflatten(placed, input.size());
		if (status == kOk) {
			accepted++;
			Exercise(message, 0);
			CheckRoundTrip(message);
			CheckChangesStaySound(&message);
		} else {
			EXPECT_LT(status, 0);
			EXPECT_EQ(message.FieldCount(), 0);
		}
	});
	// Some mutations must leave messages readable, or the run proves little.
	EXPECT_GT(accepted, run.iterations / 20);
}

// The body check's one pass over the index may only accept what the walk of
// the chain accepts, and must find the same shape; mutated bodies of every seed
// keep the header's hints, so most of them fail the pass and some pass it.
TEST(MessageFuzz, TheIndexPassAcceptsOnlyWhatTheChainWalkAccepts)
{
	zeltest::GuardedBuffer buffer(kMaxInput);
	ASSERT_TRUE(buffer.IsValid());
	zeltest::FuzzRun run = zeltest::FuzzRunFromEnvironment(30000, 20261208);
	std::vector<Bytes> bodies;
	std::vector<BodyHints> hints;
	for (const Bytes& seed : Seeds()) {
		BMessage message;
		if (message.Unflatten(seed.data(), seed.size()) != kOk || message.Body() == nullptr)
			continue;
		const BMessageBody* body = message.Body();
		bodies.emplace_back(body->Data(), body->Data() + body->UsedSize());
		hints.push_back(BodyHints{body->IndexOffset(), body->EndOffset()});
	}
	ASSERT_GE(bodies.size(), 4u);
	uint32 passed = 0;
	CheckMutations(bodies, run, &buffer, [&](const uint8* placed, const Bytes& input, size_t seed) {
		uint32 length = static_cast<uint32>(input.size());
		std::vector<uint8> scratch(CheckScratchSize(length));
		BodyShape byIndex;
		if (!CheckBodyByIndex(placed, length, hints[seed], scratch.data(), &byIndex))
			return;
		passed++;
		BodyShape byChain;
		ASSERT_EQ(CheckBodyByChain(placed, length, scratch.data(), &byChain), kOk);
		EXPECT_EQ(byIndex.indexOffset, byChain.indexOffset);
		EXPECT_EQ(byIndex.endOffset, byChain.endOffset);
		EXPECT_EQ(byIndex.usedSize, byChain.usedSize);
		EXPECT_EQ(byIndex.fieldCount, byChain.fieldCount);
		EXPECT_EQ(byIndex.mayHoldAtoms, byChain.mayHoldAtoms);
	});
	EXPECT_GT(passed, run.iterations / 20);
}

TEST(MessageFuzz, TheGuardPageReallyFaults)
{
	zeltest::GuardedBuffer buffer(kMaxInput);
	ASSERT_TRUE(buffer.IsValid());
	MEMORY_BASIC_INFORMATION info;
	ASSERT_NE(VirtualQuery(buffer.GuardPage(), &info, sizeof(info)), 0u);
	EXPECT_EQ(info.Protect, static_cast<DWORD>(PAGE_NOACCESS));
}

}  // namespace
