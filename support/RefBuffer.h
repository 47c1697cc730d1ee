// RefBuffer: a reference-counted block of bytes shared between copies.
//
// An 8-byte header (count, length) sits directly in front of the data that
// callers address. The count moves in steps of 16 and its low four bits are
// flags; the length word holds the data length in bytes shifted left by one.
// A sole owner (count exactly 16) frees and edits without atomic operations;
// any number of threads may hold references to one buffer, but a thread may
// only take the shortcut when no other thread can hold a reference.
#pragma once

#include "support/SupportDefs.h"

#include <atomic>

class RefBuffer {
public:
	static constexpr uint32 kOneReference = 16;

	// A fresh buffer with one reference and room for `length` bytes; null when memory runs out.
	static RefBuffer* Alloc(size_t length);
	// The buffer whose data starts at `data` (which must come from Data()).
	static RefBuffer* FromData(const void* data);

	void Acquire();
	void Release();
	// Makes the buffer writable by its caller alone at the new length, copying it when it is
	// shared. Returns the (possibly moved) buffer, or null with this buffer untouched.
	RefBuffer* Edit(size_t newLength);

	void* Data() { return this + 1; }
	const void* Data() const { return this + 1; }
	size_t Length() const { return fLength >> 1; }
	uint32 References() const { return fCount.load(std::memory_order_relaxed) >> 4; }
	bool IsShared() const { return fCount.load(std::memory_order_acquire) != kOneReference; }

	RefBuffer(const RefBuffer&) = delete;
	RefBuffer& operator=(const RefBuffer&) = delete;

private:
	RefBuffer() = default;
	~RefBuffer() = default;

	static size_t AllocationSize(size_t length);

	std::atomic<uint32> fCount;
	uint32 fLength;
};

static_assert(sizeof(RefBuffer) == 8, "the header must stay 8 bytes in front of the data");
