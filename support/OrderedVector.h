// BAbstractOrderedVector and BOrderedVector<T>: vectors kept sorted.
//
// Elements stay in ascending order of CompareItems and are found by binary
// search. Adding an element equal to one already present overwrites that one,
// so each key appears once. The plain Append and InsertAt of the base vector
// stay reachable but do not keep the order: use AddOrdered. Not locked.
#pragma once

#include "support/String.h"
#include "support/Vector.h"

#include <functional>

class BAbstractOrderedVector : public BAbstractVector {
public:
	explicit BAbstractOrderedVector(size_t elementSize) : BAbstractVector(elementSize) {}
	BAbstractOrderedVector(const BAbstractOrderedVector& other) = default;
	BAbstractOrderedVector& operator=(const BAbstractOrderedVector& other) = default;

	// True when an element equal to `key` exists; `index` receives its index, or
	// else the index where it would be inserted (kBadValue for a null key).
	bool FindIndex(const void* key, int32* index) const;
	// Overwrites the equal element, or inserts a copy of `item` in order. Returns
	// the index, or kNoMemory (kBadValue for a null item); `added` tells whether
	// a new element came in.
	int32 AddOrdered(const void* item, bool* added = nullptr);
	// The index of the element equal to `key`, or kNameNotFound (kBadValue for null).
	int32 IndexOf(const void* key) const;
	// Removes the element equal to `key`: its former index, or kNameNotFound
	// (kBadValue for null).
	int32 RemoveOrdered(const void* key);

protected:
	// Negative, zero or positive as `a` sorts before, with or after `b`.
	virtual int32 CompareItems(const void* a, const void* b) const = 0;
	virtual bool LessItems(const void* a, const void* b) const = 0;

	[[nodiscard]] virtual status_t _ReservedOrderedVector1();
	[[nodiscard]] virtual status_t _ReservedOrderedVector2();
	[[nodiscard]] virtual status_t _ReservedOrderedVector3();
	[[nodiscard]] virtual status_t _ReservedOrderedVector4();
	[[nodiscard]] virtual status_t _ReservedOrderedVector5();
	[[nodiscard]] virtual status_t _ReservedOrderedVector6();
};

namespace BPrivate {

// Three-way comparison through operator< (std::less, so that pointers and
// handles compare as unsigned addresses); strings compare once, not twice.
template<class T>
int32 CompareOrdered(const T& a, const T& b)
{
	std::less<T> less;
	if (less(a, b))
		return -1;
	return less(b, a) ? 1 : 0;
}

inline int32 CompareOrdered(const BString& a, const BString& b)
{
	return a.Compare(b);
}

}  // namespace BPrivate

template<class T>
class BOrderedVector : public BAbstractOrderedVector {
public:
	BOrderedVector() : BAbstractOrderedVector(sizeof(T)) {}
	BOrderedVector(const BOrderedVector& other) : BAbstractOrderedVector(other) {}
	~BOrderedVector() override { MakeEmpty(); }

	BOrderedVector& operator=(const BOrderedVector& other)
	{
		BAbstractOrderedVector::operator=(other);
		return *this;
	}

	const T& ItemAt(int32 index) const { return Items()[index]; }
	const T& operator[](int32 index) const { return Items()[index]; }

	int32 AddItem(const T& item, bool* added = nullptr) { return AddOrdered(&item, added); }
	bool FindIndex(const T& key, int32* index) const
	{
		return BAbstractOrderedVector::FindIndex(&key, index);
	}
	int32 IndexOf(const T& key) const { return BAbstractOrderedVector::IndexOf(&key); }
	bool HasItem(const T& key) const { return IndexOf(key) >= 0; }
	int32 RemoveItem(const T& key) { return RemoveOrdered(&key); }
	void RemoveItemsAt(int32 index, int32 n = 1)
	{
		if (index >= 0 && n > 0)
			RemoveRange(static_cast<uint32>(index), static_cast<uint32>(n));
	}

	const T* Items() const { return static_cast<const T*>(ElementAt(0)); }
	const T* begin() const { return Items(); }
	const T* end() const { return Items() + CountItems(); }

protected:
	typedef BPrivate::VectorItems<T> ElementOps;

	void ConstructItems(void* base, size_t n) const override { ElementOps::Construct(base, n); }
	void CopyItems(void* to, const void* from, size_t n) const override { ElementOps::Copy(to, from, n); }
	void DestroyItems(void* base, size_t n) const override { ElementOps::Destroy(base, n); }
	void MoveItemsDown(void* to, void* from, size_t n) const override { ElementOps::MoveDown(to, from, n); }
	void MoveItemsUp(void* to, void* from, size_t n) const override { ElementOps::MoveUp(to, from, n); }
	void AssignItems(void* to, const void* from, size_t n) const override { ElementOps::Assign(to, from, n); }

	int32 CompareItems(const void* a, const void* b) const override
	{
		return BPrivate::CompareOrdered(*ElementOps::Cast(a), *ElementOps::Cast(b));
	}
	bool LessItems(const void* a, const void* b) const override { return CompareItems(a, b) < 0; }
};
