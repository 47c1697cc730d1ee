// BVector<T>: the typed growable array over BAbstractVector.
//
// Plain values (anything trivially copyable: numbers, pointers, window handles,
// records of them) are copied and moved as memory; every other type (BString,
// sptr, vectors) is copy-constructed, assigned and destroyed element by
// element, and move-constructed too unless it is known to move as bytes
// (MovesAsBytes: BString), so a string moving inside the vector keeps sharing
// its buffer and never copies its text. Default elements are value-initialised
// (zero for plain values).
//
// ItemAt, EditItemAt and operator[] expect an index below CountItems(); ElementAt
// checks. A vector is not locked; one thread uses it at a time.
#pragma once

#include "support/AbstractVector.h"

#include <cstring>
#include <new>
#include <type_traits>
#include <utility>

class BString;

namespace BPrivate {

// Element types whose objects may move to another address as plain bytes:
// the trivially copyable ones, and classes that hold no pointer into
// themselves, declared here (a BString is one pointer to its shared buffer).
template<class T>
struct MovesAsBytes : std::is_trivially_copyable<T> {};
template<>
struct MovesAsBytes<BString> : std::true_type {};

// The element operations of BVector<T> and BOrderedVector<T>.
template<class T>
struct VectorItems {
	static constexpr bool kPlain = std::is_trivially_copyable<T>::value;
	static constexpr bool kMovesAsBytes = MovesAsBytes<T>::value;

	static T* Cast(void* p) { return static_cast<T*>(p); }
	static const T* Cast(const void* p) { return static_cast<const T*>(p); }

	static void Construct(void* base, size_t n)
	{
		for (size_t i = 0; i < n; i++)
			new (Cast(base) + i) T();
	}

	static void Copy(void* to, const void* from, size_t n)
	{
		if constexpr (kPlain) {
			std::memcpy(to, from, n * sizeof(T));
		} else {
			for (size_t i = 0; i < n; i++)
				new (Cast(to) + i) T(Cast(from)[i]);
		}
	}

	static void Destroy(void* base, size_t n)
	{
		if constexpr (!std::is_trivially_destructible<T>::value) {
			for (size_t i = 0; i < n; i++)
				Cast(base)[i].~T();
		}
	}

	static void MoveDown(void* to, void* from, size_t n)
	{
		if constexpr (kMovesAsBytes) {
			std::memmove(to, from, n * sizeof(T));
		} else {
			for (size_t i = 0; i < n; i++)
				MoveOne(Cast(to) + i, Cast(from) + i);
		}
	}

	static void MoveUp(void* to, void* from, size_t n)
	{
		if constexpr (kMovesAsBytes) {
			std::memmove(to, from, n * sizeof(T));
		} else {
			for (size_t i = n; i > 0; i--)
				MoveOne(Cast(to) + i - 1, Cast(from) + i - 1);
		}
	}

	static void Assign(void* to, const void* from, size_t n)
	{
		if constexpr (kPlain) {
			std::memmove(to, from, n * sizeof(T));
		} else {
			for (size_t i = 0; i < n; i++)
				Cast(to)[i] = Cast(from)[i];
		}
	}

	// Constructs the target from the source, which is left raw memory.
	static void MoveOne(T* to, T* from)
	{
		new (to) T(std::move(*from));
		from->~T();
	}
};

}  // namespace BPrivate

template<class T>
class BVector : public BAbstractVector {
public:
	BVector() : BAbstractVector(sizeof(T)) {}
	BVector(const BVector& other) : BAbstractVector(other) {}
	~BVector() override { MakeEmpty(); }

	BVector& operator=(const BVector& other)
	{
		BAbstractVector::operator=(other);
		return *this;
	}

	const T& ItemAt(int32 index) const { return Items()[index]; }
	T& EditItemAt(int32 index) { return EditItems()[index]; }
	const T& operator[](int32 index) const { return Items()[index]; }

	// The index of the new element, or kNoMemory (kBadIndex for a negative index).
	int32 AddItem(const T& item)
	{
		if (void* slot = SpareSlot<sizeof(T)>()) {
			new (slot) T(item);
			return CountAppended();
		}
		if constexpr (ElementOps::kMovesAsBytes) {
			// Copied first: the item may be an element, moved by the growth.
			T value = item;
			if (!GrowAsBytes())
				return kNoMemory;
			new (SpareSlot<sizeof(T)>()) T(value);
			return CountAppended();
		} else {
			return Append(&item);
		}
	}
	int32 AddItemAt(const T& item, int32 index)
	{
		return index < 0 ? kBadIndex : InsertAt(&item, static_cast<uint32>(index));
	}
	void RemoveItemsAt(int32 index, int32 n = 1)
	{
		if (index >= 0 && n > 0)
			RemoveRange(static_cast<uint32>(index), static_cast<uint32>(n));
	}

	const T* Items() const { return static_cast<const T*>(ElementAt(0)); }
	T* EditItems() { return static_cast<T*>(EditElementAt(0)); }
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
};
