// Flattened property tables are untrusted input: mutated and truncated ones must
// give a status or sound tables, and no read may pass their last byte.
//
// Every input ends where a PAGE_NOACCESS guard page begins, so that a read past
// the end faults at once; a fault prints the input in hex before the process
// dies. The suite runs a short pass with a fixed seed. A long run:
//   (source scripts/common.sh; trap zel_stop_wine EXIT; zel_start_wine;
//    ZEL_FUZZ_ITERATIONS=1000000 ZEL_FUZZ_SEED=7 /usr/lib/wine/wine64
//    build/x86_64/tests/messaging_tests.exe --gtest_filter='PropertyInfoFuzz.*')
#include "messaging/Message.h"
#include "messaging/PropertyInfo.h"
#include "tests/messaging/PropertyTables.h"
#include "tests/harness/ByteMutator.h"
#include "tests/harness/GuardedBuffer.h"

#include <gtest/gtest.h>

#include <cstring>

using zeltest::Bytes;

namespace {

constexpr size_t kMaxInput = 16 * 1024;

std::vector<Bytes> Seeds()
{
	BPropertyInfo rich(zeltest::RichProperties(), zeltest::RichValues());
	BPropertyInfo handler(zeltest::HandlerProperties());
	std::vector<Bytes> seeds = {zeltest::HandlerForm(false), zeltest::HandlerForm(true), zeltest::Flattened(rich),
		zeltest::SwappedForm(rich), zeltest::Flattened(BPropertyInfo())};
	// Values without a type section.
	zeltest::ByteWriter values(false);
	values.U8(0);
	values.U32(1);
	values.U32(2);
	zeltest::PutText(&values, "p");
	zeltest::PutText(&values, "usage");
	values.U32(1);
	values.U32(kGetProperty);
	values.U32(0);
	values.U32(0);
	values.U16(2);
	for (const char* name : {"v", "w"}) {
		values.U32(1);
		values.U32(2);
		zeltest::PutText(&values, name);
		zeltest::PutText(&values, "");
		values.U32(3);
	}
	seeds.push_back(values.Data());
	return seeds;
}

// Property tables: texts end at NULs, and the first byte chooses the byte order.
class Mutator : public zeltest::ByteMutator {
public:
	explicit Mutator(uint32 seed)
		: ByteMutator(seed, {kMaxInput,
			  {0, 1, 2, 3, 5, 9, 10, 11, 0xFF, 0xFFFF, 0x10000, 0x7FFFFFFF, 0x80000000, 0xFFFFFFFE,
				  0xFFFFFFFF, 0x53435444, 0x44544353},
			  1, true, 32, 16})
	{
	}

private:
	bool MutateFormat(Bytes* input) override
	{
		if (Below(2) == 0)
			(*input)[Below(static_cast<uint32>(input->size()))] = static_cast<uint8>(Below(2) == 0 ? 0 : 'x');
		else
			(*input)[0] ^= 1;
		return true;
	}
};

// Everything a reader does with accepted tables stays inside them, and writing
// them back gives a form that reads back to the very same bytes.
void ExerciseAccepted(const BPropertyInfo& info)
{
	size_t textBytes = 0;
	for (int32 i = 0; i < info.CountProperties(); i++) {
		const property_info& property = info.Properties()[i];
		textBytes += std::strlen(property.name);
		if (property.usage != nullptr)
			textBytes += std::strlen(property.usage);
		for (const compound_type& compound : property.compoundTypes) {
			for (const compound_type::field_pair& pair : compound.pairs)
				textBytes += pair.name == nullptr ? 0 : std::strlen(pair.name);
		}
		BMessage request(property.commands[0]);
		uint32 extra = 0;
		int32 match = info.MatchRequest(&request, 0, nullptr, property.specifiers[0], property.name, &extra);
		ASSERT_GE(match, 0);
		ASSERT_LE(match, i);
		EXPECT_EQ(extra, info.Properties()[match].extraData);
	}
	for (int32 i = 0; i < info.CountValues(); i++)
		textBytes += std::strlen(info.Values()[i].name);
	EXPECT_LT(textBytes, kMaxInput);

	Bytes first = zeltest::Flattened(info);
	BPropertyInfo again;
	ASSERT_EQ(again.Unflatten(kPropertyInfoType, first.data(), static_cast<int32>(first.size())), kOk);
	zeltest::ExpectSameTables(info, again);
	EXPECT_EQ(zeltest::Flattened(again), first);
}

class PropertyInfoFuzz : public ::testing::Test {
protected:
	// Reads an input placed against the guard page into tables that held the
	// handler's; a refusal must leave those in place.
	status_t ReadGuarded(const Bytes& input, BPropertyInfo* info)
	{
		fReporter.SetInput(&input);
		const uint8* placed = fBuffer.Place(input);
		status_t status = info->Unflatten(kPropertyInfoType, placed, static_cast<int32>(input.size()));
		fReporter.SetInput(nullptr);
		if (status != kOk) {
			EXPECT_EQ(status, kBadData);
			EXPECT_EQ(info->CountProperties(), 3);
			EXPECT_STREQ(info->Properties()[1].name, "Messenger");
		}
		return status;
	}

	zeltest::GuardedBuffer fBuffer{kMaxInput};
	zeltest::FaultingInputReporter fReporter;
};

TEST_F(PropertyInfoFuzz, EveryTruncationAgainstTheGuardPageIsRefused)
{
	ASSERT_TRUE(fBuffer.IsValid());
	std::vector<Bytes> seeds = Seeds();
	for (size_t n = 0; n < seeds.size(); n++) {
		BPropertyInfo info(zeltest::HandlerProperties());
		ASSERT_EQ(ReadGuarded(seeds[n], &info), kOk) << "seed " << n;
		for (size_t length = 0; length < seeds[n].size() && !HasFailure(); length++) {
			BPropertyInfo truncated(zeltest::HandlerProperties());
			EXPECT_EQ(ReadGuarded(Bytes(seeds[n].begin(), seeds[n].begin() + length), &truncated), kBadData)
				<< "seed " << n << " length " << length;
		}
	}
}

TEST_F(PropertyInfoFuzz, MutatedTablesGiveAStatusOrSoundTables)
{
	ASSERT_TRUE(fBuffer.IsValid());
	zeltest::FuzzRun run = zeltest::FuzzRunFromEnvironment(200000, 20261207);
	std::vector<Bytes> seeds = Seeds();
	Mutator mutator(run.seed);
	uint32 accepted = 0;
	for (uint32 i = 0; i < run.iterations && !HasFailure(); i++) {
		Bytes input = mutator.Mutate(seeds[i % seeds.size()]);
		BPropertyInfo info(zeltest::HandlerProperties());
		if (ReadGuarded(input, &info) == kOk) {
			accepted++;
			ExerciseAccepted(info);
		}
	}
	// Some mutations must leave tables readable, or the run proves little.
	EXPECT_GT(accepted, run.iterations / 20);
}

}  // namespace
