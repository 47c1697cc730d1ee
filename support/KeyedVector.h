// BKeyedVector<K, V>: values found by key.
//
// The keys live in an ordered vector and each value at the same index in a
// vector of its own. A copy of the default value given to the constructor
// stands for every missing key. Not locked; one thread uses it at a time.
#pragma once

#include "support/OrderedVector.h"

template<class K, class V>
class BKeyedVector {
public:
	explicit BKeyedVector(const V& defaultValue = V()) : fDefault(defaultValue) {}
	virtual ~BKeyedVector() = default;

	// A copy that ran out of memory comes out empty rather than with keys and
	// values at different indices.
	BKeyedVector(const BKeyedVector& other)
		: fKeys(other.fKeys), fValues(other.fValues), fDefault(other.fDefault)
	{
		KeepConsistent();
	}
	BKeyedVector& operator=(const BKeyedVector& other)
	{
		fKeys = other.fKeys;
		fValues = other.fValues;
		fDefault = other.fDefault;
		KeepConsistent();
		return *this;
	}

	// Sets the value for `key`, adding the key when it is new. Returns the key's
	// index, or kNoMemory with the vector unchanged.
	int32 AddItem(const K& key, const V& value)
	{
		bool added;
		int32 index = fKeys.AddItem(key, &added);
		if (index < 0)
			return index;
		if (!added) {
			fValues.EditItemAt(index) = value;
			return index;
		}
		if (fValues.AddItemAt(value, index) < 0) {
			fKeys.RemoveItemsAt(index);
			return kNoMemory;
		}
		return index;
	}

	// The value for `key`, or the default value when the key is missing.
	const V& ValueFor(const K& key, bool* found = nullptr) const
	{
		int32 index = fKeys.IndexOf(key);
		if (found != nullptr)
			*found = index >= 0;
		return index >= 0 ? fValues.ItemAt(index) : fDefault;
	}
	// The stored value for `key`, editable in place; null when the key is missing.
	V* EditValueFor(const K& key)
	{
		int32 index = fKeys.IndexOf(key);
		return index >= 0 ? &fValues.EditItemAt(index) : nullptr;
	}

	int32 IndexOf(const K& key) const { return fKeys.IndexOf(key); }
	bool HasKey(const K& key) const { return fKeys.HasItem(key); }
	// Removes the key and its value: the former index, or kNameNotFound.
	int32 RemoveItemFor(const K& key)
	{
		int32 index = fKeys.RemoveItem(key);
		if (index >= 0)
			fValues.RemoveItemsAt(index);
		return index;
	}
	void RemoveItemsAt(int32 index, int32 n = 1)
	{
		fKeys.RemoveItemsAt(index, n);
		fValues.RemoveItemsAt(index, n);
	}
	void MakeEmpty()
	{
		fKeys.MakeEmpty();
		fValues.MakeEmpty();
	}

	int32 CountItems() const { return fKeys.CountItems(); }
	bool IsEmpty() const { return fKeys.IsEmpty(); }
	// By index, below CountItems(), in ascending order of the keys.
	const K& KeyAt(int32 index) const { return fKeys.ItemAt(index); }
	const V& ValueAt(int32 index) const { return fValues.ItemAt(index); }
	V& EditValueAt(int32 index) { return fValues.EditItemAt(index); }
	const V& DefaultValue() const { return fDefault; }

private:
	void KeepConsistent()
	{
		if (fKeys.CountItems() != fValues.CountItems())
			MakeEmpty();
	}

	BOrderedVector<K> fKeys;
	BVector<V> fValues;
	V fDefault;
};
