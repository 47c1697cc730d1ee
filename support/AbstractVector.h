// BAbstractVector: an untyped growable array of fixed-size elements.
//
// Up to 8 bytes of elements live in an inline buffer inside the object; more go
// to a heap array. Growing allocates one and a half times the needed count (plus
// one); removal hands memory back when less than a quarter of the capacity is in
// use. The vector never handles elements itself: a typed subclass (BVector<T>)
// supplies construct, copy, destroy, move and assign, and must call MakeEmpty()
// in its own destructor while those operations still exist.
//
// Failures are reported, never thrown: Append and InsertAt answer kNoMemory and
// leave the vector as it was. A vector is not locked; one thread uses it at a time.
#pragma once

#include "support/SupportDefs.h"

class BAbstractVector {
public:
	explicit BAbstractVector(size_t elementSize);
	// Comes out empty when memory is exhausted.
	BAbstractVector(const BAbstractVector& other);
	virtual ~BAbstractVector();

	// Copies the other's elements; element sizes must match.
	BAbstractVector& operator=(const BAbstractVector& other);
	// The same as assignment, with the outcome: kOk, kMismatchedValues for
	// different element sizes (nothing changes), or kNoMemory (left empty).
	[[nodiscard]] status_t Assign(const BAbstractVector& other);

	void MakeEmpty();

	int32 CountItems() const { return static_cast<int32>(fCount); }
	bool IsEmpty() const { return fCount == 0; }
	size_t ElementSize() const { return fElementSize; }
	// Capacity in elements, and how many of them fit in the inline buffer.
	uint32 Capacity() const { return m_avail; }
	uint32 LocalSpace() const { return m_localSpace; }
	bool UsesHeap() const { return m_avail > m_localSpace; }

	// The element's address, or null when the index is out of range.
	const void* ElementAt(uint32 index) const;
	void* EditElementAt(uint32 index);

	// A copy of `item` (or a default element when it is null) at the end, or at
	// `index`, which is taken as the count when beyond it. `item` may be an
	// element of this vector. Returns the index used, or kNoMemory.
	int32 Append(const void* item);
	int32 InsertAt(const void* item, uint32 index);
	// Destroys up to `n` elements from `index` and closes the gap.
	void RemoveRange(uint32 index, uint32 n);

protected:
	virtual void ConstructItems(void* base, size_t n) const = 0;
	virtual void CopyItems(void* to, const void* from, size_t n) const = 0;
	virtual void DestroyItems(void* base, size_t n) const = 0;
	// Move n elements into raw memory and leave the source raw: first to last
	// when the target lies below the source or in another block, last to first
	// when it lies above an overlapping source.
	virtual void MoveItemsDown(void* to, void* from, size_t n) const = 0;
	virtual void MoveItemsUp(void* to, void* from, size_t n) const = 0;
	virtual void AssignItems(void* to, const void* from, size_t n) const = 0;

	// Room for later operations without changing the table's layout.
	[[nodiscard]] virtual status_t _ReservedAbstractVector1();
	[[nodiscard]] virtual status_t _ReservedAbstractVector2();
	[[nodiscard]] virtual status_t _ReservedAbstractVector3();
	[[nodiscard]] virtual status_t _ReservedAbstractVector4();
	[[nodiscard]] virtual status_t _ReservedAbstractVector5();
	[[nodiscard]] virtual status_t _ReservedAbstractVector6();
	[[nodiscard]] virtual status_t _ReservedAbstractVector7();
	[[nodiscard]] virtual status_t _ReservedAbstractVector8();
	[[nodiscard]] virtual status_t _ReservedAbstractVector9();
	[[nodiscard]] virtual status_t _ReservedAbstractVector10();

	// Overwrites the element at `index` (in range) with a copy of `item`.
	void AssignAt(uint32 index, const void* item);

	// Appending without a call per element: the raw slot behind the last
	// element while the capacity has room for one more (null when full), and
	// the count of an element the caller has constructed there. The typed
	// vector passes its element size as a constant, which spares the
	// multiplication by the stored one on every append.
	template <size_t kElementSize>
	void* SpareSlot()
	{
		return fCount < m_avail ? Storage() + size_t(fCount) * kElementSize : nullptr;
	}
	int32 CountAppended() { return static_cast<int32>(fCount++); }
	// For elements that may move as plain bytes only: grows a full vector as
	// Append does, to the same capacity, but lets the allocator extend the heap
	// array where it lies. False (vector unchanged) when memory is exhausted.
	bool GrowAsBytes();

private:
	// `at` at or beyond the count (kNoGap for appends) asks for no gap.
	static constexpr uint32 kNoGap = 0xFFFFFFFFu;
	static constexpr uint32 kLocalBytes = 8;

	uint8* Storage() { return UsesHeap() ? fStorage.heap : fStorage.local; }
	const uint8* Storage() const { return UsesHeap() ? fStorage.heap : fStorage.local; }
	uint8* Address(uint8* base, uint32 index) const { return base + size_t(index) * fElementSize; }
	bool Holds(const void* item) const;

	// Makes room for `delta` elements with a gap at `at`; returns the storage, or
	// null (vector unchanged) when memory is exhausted.
	uint8* grow(uint32 delta, uint32 factor, uint32 at);
	// Closes a gap of `delta` destroyed elements at `at`; returns the storage.
	uint8* shrink(uint32 delta, uint32 factor, uint32 at);
	// Moves `head` elements from the start of `from` to the start of `to`, then
	// `tail` elements from index `tailFrom` of `from` to index `tailTo` of `to`.
	void MoveInto(uint8* to, uint8* from, uint32 head, uint32 tailFrom, uint32 tail,
	              uint32 tailTo) const;
	uint8* AllocateArray(uint64 capacity) const;
	void FreeHeap();
	int32 ConstructAt(const void* item, uint32 at);

	uint32 fElementSize;
	uint32 m_localSpace;
	uint32 m_avail;
	uint32 fCount;
	// The inline buffer, or the heap array once the capacity exceeds it.
	union ElementStorage {
		uint64 alignment;
		uint8 local[kLocalBytes];
		uint8* heap;
	} fStorage;
};
