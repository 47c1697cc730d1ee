// BPrivate::BMemoryStreamIO: the block first, then the next stream.
#include "support/MemoryStreamIO.h"

#include <cstring>

namespace BPrivate {

BMemoryStreamIO::BMemoryStreamIO(const void* block, int32 length, BDataIO* next)
	: fPointer(static_cast<const uint8*>(block)),
	  fLeft(block == nullptr || length < 0 ? 0 : length),
	  fNext(next)
{
}

int32 BMemoryStreamIO::Read(void* buffer, size_t size)
{
	if (size <= static_cast<size_t>(fLeft)) {
		std::memcpy(buffer, fPointer, size);
		fPointer += size;
		fLeft -= static_cast<int32>(size);
		return static_cast<int32>(size);
	}
	int32 copied = fLeft;
	if (copied > 0) {
		std::memcpy(buffer, fPointer, static_cast<size_t>(copied));
		fPointer += copied;
	}
	fLeft = 0;
	if (fNext == nullptr)
		return copied;
	int32 rest = fNext->Read(static_cast<uint8*>(buffer) + copied, size - static_cast<size_t>(copied));
	if (rest < 0)
		return rest;
	return copied + rest;
}

int32 BMemoryStreamIO::Write(const void*, size_t)
{
	return kNotAllowed;
}

}  // namespace BPrivate
