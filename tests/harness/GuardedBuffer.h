// Untrusted input at the very end of committed memory, for fuzz tests of readers.
//
// Every input is placed so that its last byte is the last byte of a committed
// page, followed by a PAGE_NOACCESS guard page: a read past the end faults at
// once instead of reading whatever lies beyond. While a FaultingInputReporter
// lives, such a fault prints the current input in hex before the process dies,
// so that the failing case can be replayed.
#pragma once

#include <cstddef>
#include <cstdint>
#include <vector>

namespace zeltest {

class GuardedBuffer {
public:
	// Room for inputs of up to `capacity` bytes.
	explicit GuardedBuffer(size_t capacity);
	~GuardedBuffer();
	GuardedBuffer(const GuardedBuffer&) = delete;
	GuardedBuffer& operator=(const GuardedBuffer&) = delete;

	// True when the memory is committed and the guard page is inaccessible.
	bool IsValid() const;
	// Copies the input so that it ends where the guard page begins; inputs
	// longer than the capacity are refused with null.
	const uint8_t* Place(const std::vector<uint8_t>& input);
	const uint8_t* GuardPage() const;

private:
	size_t fPageSize = 4096;
	size_t fCommitted = 0;
	uint8_t* fBase = nullptr;
	bool fGuarded = false;
};

// One at a time: installs a first-chance handler of access violations.
class FaultingInputReporter {
public:
	FaultingInputReporter();
	~FaultingInputReporter();
	FaultingInputReporter(const FaultingInputReporter&) = delete;
	FaultingInputReporter& operator=(const FaultingInputReporter&) = delete;

	// The input a fault is blamed on; null for none. The caller keeps it alive.
	void SetInput(const std::vector<uint8_t>* input);

private:
	void* fHandler = nullptr;
};

}  // namespace zeltest
