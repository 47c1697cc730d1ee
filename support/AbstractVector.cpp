// BAbstractVector: storage management for the typed vectors.
#include "support/AbstractVector.h"

#include "kernel/DebuggerHook.h"

#include <cstdint>
#include <cstdlib>

namespace {

constexpr uint32 kGrowFactor = 3;
constexpr uint32 kShrinkFactor = 4;

// Indices and counts are answered as int32, so no vector holds more than this.
constexpr uint64 kMaxCapacity = 0x7FFFFFFF;

}  // namespace

BAbstractVector::BAbstractVector(size_t elementSize)
	: fElementSize(static_cast<uint32>(elementSize)),
	  m_localSpace(elementSize == 0 ? 0 : static_cast<uint32>(kLocalBytes / elementSize)),
	  m_avail(m_localSpace),
	  fCount(0)
{
	fStorage.heap = nullptr;
}

BAbstractVector::BAbstractVector(const BAbstractVector& other)
	: BAbstractVector(other.fElementSize)
{
	if (other.fCount == 0)
		return;
	// This object's own element operations do not exist yet: use the other's.
	uint8* base = grow(other.fCount, kGrowFactor, kNoGap);
	if (base == nullptr)
		return;
	other.CopyItems(base, other.Storage(), other.fCount);
	fCount = other.fCount;
}

BAbstractVector::~BAbstractVector()
{
	if (fCount != 0)
		DebuggerHook("BAbstractVector: subclass must call MakeEmpty() in destructor");
	// The elements cannot be destroyed any more, but their memory is still ours.
	FreeHeap();
}

BAbstractVector& BAbstractVector::operator=(const BAbstractVector& other)
{
	// An assignment cannot report; without memory the vector is left empty.
	(void)Assign(other);
	return *this;
}

status_t BAbstractVector::Assign(const BAbstractVector& other)
{
	if (this == &other)
		return kOk;
	if (fElementSize != other.fElementSize) {
		DebuggerHook("BAbstractVector element sizes do not match");
		return kMismatchedValues;
	}
	if (other.fCount == 0) {
		MakeEmpty();
		return kOk;
	}
	DestroyItems(Storage(), fCount);
	fCount = 0;
	uint8* base = grow(other.fCount, kGrowFactor, kNoGap);
	if (base == nullptr)
		return kNoMemory;
	CopyItems(base, other.Storage(), other.fCount);
	fCount = other.fCount;
	return kOk;
}

void BAbstractVector::MakeEmpty()
{
	DestroyItems(Storage(), fCount);
	fCount = 0;
	FreeHeap();
}

const void* BAbstractVector::ElementAt(uint32 index) const
{
	if (index >= fCount)
		return nullptr;
	return Storage() + size_t(index) * fElementSize;
}

void* BAbstractVector::EditElementAt(uint32 index)
{
	if (index >= fCount)
		return nullptr;
	return Address(Storage(), index);
}

int32 BAbstractVector::Append(const void* item)
{
	return ConstructAt(item, kNoGap);
}

int32 BAbstractVector::InsertAt(const void* item, uint32 index)
{
	return ConstructAt(item, index);
}

void BAbstractVector::RemoveRange(uint32 index, uint32 n)
{
	if (n == 0 || index >= fCount)
		return;
	if (n > fCount - index)
		n = fCount - index;
	DestroyItems(Address(Storage(), index), n);
	shrink(n, kShrinkFactor, index);
	fCount -= n;
}

void BAbstractVector::AssignAt(uint32 index, const void* item)
{
	AssignItems(Address(Storage(), index), item, 1);
}

status_t BAbstractVector::_ReservedAbstractVector1() { return kUnsupported; }
status_t BAbstractVector::_ReservedAbstractVector2() { return kUnsupported; }
status_t BAbstractVector::_ReservedAbstractVector3() { return kUnsupported; }
status_t BAbstractVector::_ReservedAbstractVector4() { return kUnsupported; }
status_t BAbstractVector::_ReservedAbstractVector5() { return kUnsupported; }
status_t BAbstractVector::_ReservedAbstractVector6() { return kUnsupported; }
status_t BAbstractVector::_ReservedAbstractVector7() { return kUnsupported; }
status_t BAbstractVector::_ReservedAbstractVector8() { return kUnsupported; }
status_t BAbstractVector::_ReservedAbstractVector9() { return kUnsupported; }
status_t BAbstractVector::_ReservedAbstractVector10() { return kUnsupported; }

bool BAbstractVector::Holds(const void* item) const
{
	uintptr_t address = reinterpret_cast<uintptr_t>(item);
	uintptr_t start = reinterpret_cast<uintptr_t>(Storage());
	return address >= start && address - start < size_t(fCount) * fElementSize;
}

int32 BAbstractVector::ConstructAt(const void* item, uint32 at)
{
	uint32 position = at < fCount ? at : fCount;
	// An element of this vector moves while room is made: find it again afterwards.
	bool ownElement = item != nullptr && Holds(item);
	size_t offset = ownElement ? static_cast<const uint8*>(item) - Storage() : 0;
	uint8* base = grow(1, kGrowFactor, at);
	if (base == nullptr)
		return kNoMemory;
	if (ownElement) {
		if (offset >= size_t(position) * fElementSize)
			offset += fElementSize;
		item = base + offset;
	}
	if (item != nullptr)
		CopyItems(Address(base, position), item, 1);
	else
		ConstructItems(Address(base, position), 1);
	fCount += 1;
	return static_cast<int32>(position);
}

bool BAbstractVector::GrowAsBytes()
{
	if (!UsesHeap())
		return grow(1, kGrowFactor, kNoGap) != nullptr;
	// The capacity grow() would choose for one more element.
	uint64 capacity = ((uint64(fCount) + 2) * kGrowFactor) / 2;
	if (capacity > kMaxCapacity || capacity * fElementSize > SIZE_MAX)
		return false;
	void* array = std::realloc(fStorage.heap, static_cast<size_t>(capacity * fElementSize));
	if (array == nullptr)
		return false;
	fStorage.heap = static_cast<uint8*>(array);
	m_avail = static_cast<uint32>(capacity);
	return true;
}

uint8* BAbstractVector::AllocateArray(uint64 capacity) const
{
	if (capacity > kMaxCapacity || capacity * fElementSize > SIZE_MAX)
		return nullptr;
	return static_cast<uint8*>(std::malloc(static_cast<size_t>(capacity * fElementSize)));
}

void BAbstractVector::FreeHeap()
{
	if (UsesHeap())
		std::free(fStorage.heap);
	fStorage.heap = nullptr;
	m_avail = m_localSpace;
}

void BAbstractVector::MoveInto(uint8* to, uint8* from, uint32 head, uint32 tailFrom,
                               uint32 tail, uint32 tailTo) const
{
	if (head > 0)
		MoveItemsDown(to, from, head);
	if (tail > 0)
		MoveItemsDown(Address(to, tailTo), Address(from, tailFrom), tail);
}

uint8* BAbstractVector::grow(uint32 delta, uint32 factor, uint32 at)
{
	uint64 totalNeeded = uint64(fCount) + delta;
	if (totalNeeded > m_avail) {
		if (totalNeeded > m_localSpace) {
			uint64 capacity = ((totalNeeded + 1) * factor) / 2;
			uint8* array = AllocateArray(capacity);
			if (array == nullptr)
				return nullptr;
			uint32 head = at < fCount ? at : fCount;
			MoveInto(array, Storage(), head, head, fCount - head, head + delta);
			FreeHeap();
			fStorage.heap = array;
			m_avail = static_cast<uint32>(capacity);
			return array;
		}
		DebuggerHook("BAbstractVector::grow -- total_needed < m_localSpace, but total_needed > m_avail!");
	}
	uint8* base = Storage();
	if (at < fCount)
		MoveItemsUp(Address(base, at + delta), Address(base, at), fCount - at);
	return base;
}

uint8* BAbstractVector::shrink(uint32 delta, uint32 factor, uint32 at)
{
	if (delta > fCount)
		delta = fCount;
	uint32 remaining = fCount - delta;
	// The elements that stay: [0, head) and, after the gap, `tail` more.
	uint32 head = at < remaining ? at : remaining;
	uint32 tail = remaining - head;
	if (remaining <= m_localSpace && UsesHeap()) {
		// The inline buffer overlays the heap pointer: keep the pointer first.
		uint8* array = fStorage.heap;
		MoveInto(fStorage.local, array, head, head + delta, tail, head);
		std::free(array);
		m_avail = m_localSpace;
		return fStorage.local;
	}
	if (remaining > m_localSpace && uint64(remaining) * factor < m_avail) {
		uint64 capacity = uint64(remaining) * (factor / 2 > 1 ? factor / 2 : 1);
		if (capacity <= m_localSpace) {
			DebuggerHook("BAbstractVector::shrink -- total_needed < m_avail*4, but m_avail < m_localSpace!");
		} else if (uint8* array = AllocateArray(capacity)) {
			MoveInto(array, Storage(), head, head + delta, tail, head);
			FreeHeap();
			fStorage.heap = array;
			m_avail = static_cast<uint32>(capacity);
			return array;
		}
	}
	uint8* base = Storage();
	if (tail > 0)
		MoveItemsDown(Address(base, head), Address(base, head + delta), tail);
	return base;
}
