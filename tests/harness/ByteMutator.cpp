#include "tests/harness/ByteMutator.h"

#include <algorithm>
#include <cstdlib>
#include <cstring>
#include <utility>

namespace zeltest {

namespace {

uint32_t NumberFromEnvironment(const char* name, uint32_t fallback)
{
	const char* text = std::getenv(name);
	return text == nullptr ? fallback : static_cast<uint32_t>(std::strtoul(text, nullptr, 10));
}

}  // namespace

FuzzRun FuzzRunFromEnvironment(uint32_t iterations, uint32_t seed)
{
	return FuzzRun{NumberFromEnvironment("ZEL_FUZZ_ITERATIONS", iterations),
		NumberFromEnvironment("ZEL_FUZZ_SEED", seed)};
}

ByteMutator::ByteMutator(uint32_t seed, MutationShape shape) : fRandom(seed), fShape(std::move(shape)) {}

ByteMutator::~ByteMutator() = default;

std::vector<uint8_t> ByteMutator::Mutate(const std::vector<uint8_t>& seed)
{
	std::vector<uint8_t> input = seed;
	uint32_t rounds = 1 + Below(4);
	for (uint32_t i = 0; i < rounds && !input.empty(); i++)
		MutateOnce(&input);
	if (input.size() > fShape.maxInput)
		input.resize(fShape.maxInput);
	return input;
}

uint32_t ByteMutator::Below(uint32_t limit)
{
	return limit == 0 ? 0 : fRandom() % limit;
}

bool ByteMutator::MutateFormat(std::vector<uint8_t>*)
{
	return false;
}

void ByteMutator::MutateOnce(std::vector<uint8_t>* input)
{
	if (Below(4) == 0 && MutateFormat(input))
		return;
	uint32_t size = static_cast<uint32_t>(input->size());
	switch (Below(6)) {
		case 0:
			(*input)[Below(size)] ^= static_cast<uint8_t>(1u << Below(8));
			break;
		case 1:
			(*input)[Below(size)] = static_cast<uint8_t>(fRandom());
			break;
		case 2:
			WriteWord(input);
			break;
		case 3:
			input->resize(Below(size));
			break;
		case 4:
			RepeatStretch(input);
			break;
		default:
			EraseStretch(input);
			break;
	}
}

void ByteMutator::WriteWord(std::vector<uint8_t>* input)
{
	size_t size = input->size();
	if (size < 4 || fShape.words.empty())
		return;
	uint32_t word = fShape.words[Below(static_cast<uint32_t>(fShape.words.size()))];
	// Sizes near the input's own length find the off-by-one checks.
	if (Below(3) == 0)
		word = static_cast<uint32_t>(size) + Below(17) - 8;
	if (fShape.swapWords && Below(2) == 0)
		word = __builtin_bswap32(word);
	size_t alignment = std::max<size_t>(fShape.wordAlignment, 1);
	size_t at = Below(static_cast<uint32_t>((size - 4) / alignment + 1)) * alignment;
	std::memcpy(input->data() + at, &word, 4);
}

void ByteMutator::RepeatStretch(std::vector<uint8_t>* input)
{
	uint32_t size = static_cast<uint32_t>(input->size());
	size_t from = Below(size);
	size_t length = std::min<size_t>(Below(static_cast<uint32_t>(fShape.maxRepeat)) + 1, size - from);
	std::vector<uint8_t> stretch(input->begin() + from, input->begin() + from + length);
	input->insert(input->begin() + Below(size), stretch.begin(), stretch.end());
}

void ByteMutator::EraseStretch(std::vector<uint8_t>* input)
{
	uint32_t size = static_cast<uint32_t>(input->size());
	size_t from = Below(size);
	size_t length = std::min<size_t>(Below(static_cast<uint32_t>(fShape.maxErase)) + 1, size - from);
	input->erase(input->begin() + from, input->begin() + from + length);
}

}  // namespace zeltest
