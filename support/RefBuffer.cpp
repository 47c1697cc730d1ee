// RefBuffer: shared copy-on-write storage behind strings and names.
#include "support/RefBuffer.h"

#include <cstdlib>
#include <cstring>
#include <new>

size_t RefBuffer::AllocationSize(size_t length)
{
	return ((length + 7) & ~size_t(7)) + sizeof(RefBuffer);
}

RefBuffer* RefBuffer::Alloc(size_t length)
{
	void* block = std::malloc(AllocationSize(length));
	if (block == nullptr)
		return nullptr;
	RefBuffer* buffer = new (block) RefBuffer;
	buffer->fCount.store(kOneReference, std::memory_order_relaxed);
	buffer->fLength = static_cast<uint32>(length << 1);
	return buffer;
}

RefBuffer* RefBuffer::FromData(const void* data)
{
	return const_cast<RefBuffer*>(static_cast<const RefBuffer*>(data) - 1);
}

void RefBuffer::Acquire()
{
	fCount.fetch_add(kOneReference, std::memory_order_relaxed);
}

void RefBuffer::Release()
{
	// A sole owner needs no atomic operation: nobody else can reach the buffer.
	if (fCount.load(std::memory_order_acquire) != kOneReference) {
		uint32 previous = fCount.fetch_sub(kOneReference, std::memory_order_acq_rel);
		if ((previous & ~uint32(15)) != kOneReference)
			return;
	}
	this->~RefBuffer();
	std::free(this);
}

RefBuffer* RefBuffer::Edit(size_t newLength)
{
	if (IsShared()) {
		RefBuffer* fresh = Alloc(newLength);
		if (fresh == nullptr)
			return nullptr;
		size_t keep = newLength < Length() ? newLength : Length();
		std::memcpy(fresh->Data(), Data(), keep);
		Release();
		return fresh;
	}
	if (AllocationSize(newLength) != AllocationSize(Length())) {
		void* moved = std::realloc(this, AllocationSize(newLength));
		if (moved == nullptr)
			return nullptr;
		RefBuffer* buffer = static_cast<RefBuffer*>(moved);
		buffer->fLength = static_cast<uint32>(newLength << 1);
		return buffer;
	}
	fLength = static_cast<uint32>(newLength << 1);
	return this;
}
