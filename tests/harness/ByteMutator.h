// Mutations of valid inputs for fuzz tests of readers of untrusted bytes.
//
// A mutator applies one to four changes to a seed: bit flips, random bytes,
// interesting words at word positions, truncation, repeated and erased
// stretches, and the changes of a format of its own (a subclass's). The run's
// length and seed come from ZEL_FUZZ_ITERATIONS and ZEL_FUZZ_SEED when set, so
// that a long run is the same program with other numbers.
#pragma once

#include <cstddef>
#include <cstdint>
#include <random>
#include <vector>

namespace zeltest {

struct FuzzRun {
	uint32_t iterations;
	uint32_t seed;
};

// The given short pass, or what the environment asks for instead.
FuzzRun FuzzRunFromEnvironment(uint32_t iterations, uint32_t seed);

struct MutationShape {
	size_t maxInput;
	// Counts, sizes and codes at their edges; written at multiples of the alignment.
	std::vector<uint32_t> words;
	size_t wordAlignment;
	// Words are also written in the other byte order.
	bool swapWords;
	size_t maxRepeat;
	size_t maxErase;
};

class ByteMutator {
public:
	ByteMutator(uint32_t seed, MutationShape shape);
	virtual ~ByteMutator();
	ByteMutator(const ByteMutator&) = delete;
	ByteMutator& operator=(const ByteMutator&) = delete;

	std::vector<uint8_t> Mutate(const std::vector<uint8_t>& seed);

protected:
	uint32_t Below(uint32_t limit);
	uint32_t NextRandom() { return fRandom(); }
	// A change that only this format knows; false leaves the round to the others.
	virtual bool MutateFormat(std::vector<uint8_t>* input);

private:
	void MutateOnce(std::vector<uint8_t>* input);
	void WriteWord(std::vector<uint8_t>* input);
	void RepeatStretch(std::vector<uint8_t>* input);
	void EraseStretch(std::vector<uint8_t>* input);

	std::mt19937 fRandom;
	MutationShape fShape;
};

}  // namespace zeltest
