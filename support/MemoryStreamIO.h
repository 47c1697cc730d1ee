// BPrivate::BMemoryStreamIO: a read-only stream over a block of memory that
// goes on into a second stream once the block is used up.
//
// The block and the next stream are borrowed: both must outlive the stream.
// Not locked: one thread at a time.
#pragma once

#include "support/DataIO.h"

namespace BPrivate {

class BMemoryStreamIO : public BDataIO {
public:
	// `next` may be null: reads then end with the block.
	BMemoryStreamIO(const void* block, int32 length, BDataIO* next);

	// Answers the bytes copied, or a negative status of the next stream.
	int32 Read(void* buffer, size_t size) override;
	// Answers kNotAllowed.
	int32 Write(const void* buffer, size_t size) override;

private:
	const uint8* fPointer;
	int32 fLeft;
	BDataIO* fNext;
};

}  // namespace BPrivate
