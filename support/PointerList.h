// _PointerList_: a BList that may own its items, with binary search.
//
// The owning flag only records the decision; BObjectList<T> acts on it, since
// only the typed list knows how to delete an item. Not locked.
#pragma once

#include "support/List.h"

class _PointerList_ : public BList {
public:
	// Negative, zero or positive as `item` sorts before, with or after `key`.
	typedef int32 (*CompareFunction)(const void* item, const void* key);

	explicit _PointerList_(int32 blockSize = 1, bool owning = false);

	bool Owning() const { return fOwning; }

	// Over a list its user keeps sorted by `compare`: the index of an item equal
	// to `key`, or else the complement (-index - 1) of the index where it belongs.
	int32 BinarySearch(const void* key, CompareFunction compare) const;

private:
	bool fOwning;
};
