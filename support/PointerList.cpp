// _PointerList_: binary search over a sorted pointer list.
#include "support/PointerList.h"

_PointerList_::_PointerList_(int32 blockSize, bool owning)
	: BList(blockSize),
	  fOwning(owning)
{
}

int32 _PointerList_::BinarySearch(const void* key, CompareFunction compare) const
{
	int32 lo = 0;
	int32 hi = CountItems() - 1;
	while (lo <= hi) {
		int32 mid = lo + (hi - lo) / 2;
		int32 order = compare(ItemAtFast(mid), key);
		if (order < 0)
			lo = mid + 1;
		else if (order > 0)
			hi = mid - 1;
		else
			return mid;
	}
	return ~lo;
}
