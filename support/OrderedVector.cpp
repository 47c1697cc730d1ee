// BAbstractOrderedVector: binary search and ordered insertion.
#include "support/OrderedVector.h"

bool BAbstractOrderedVector::FindIndex(const void* key, int32* index) const
{
	if (key == nullptr) {
		*index = kBadValue;
		return false;
	}
	int32 lo = 0;
	int32 hi = CountItems() - 1;
	while (lo <= hi) {
		int32 mid = lo + (hi - lo) / 2;
		int32 order = CompareItems(key, ElementAt(static_cast<uint32>(mid)));
		if (order < 0) {
			hi = mid - 1;
		} else if (order > 0) {
			lo = mid + 1;
		} else {
			*index = mid;
			return true;
		}
	}
	*index = lo;
	return false;
}

int32 BAbstractOrderedVector::AddOrdered(const void* item, bool* added)
{
	if (added != nullptr)
		*added = false;
	if (item == nullptr)
		return kBadValue;
	int32 index;
	if (FindIndex(item, &index)) {
		AssignAt(static_cast<uint32>(index), item);
		return index;
	}
	int32 result = InsertAt(item, static_cast<uint32>(index));
	if (added != nullptr)
		*added = result >= 0;
	return result;
}

int32 BAbstractOrderedVector::IndexOf(const void* key) const
{
	if (key == nullptr)
		return kBadValue;
	int32 index;
	return FindIndex(key, &index) ? index : kNameNotFound;
}

int32 BAbstractOrderedVector::RemoveOrdered(const void* key)
{
	if (key == nullptr)
		return kBadValue;
	int32 index;
	if (!FindIndex(key, &index))
		return kNameNotFound;
	RemoveRange(static_cast<uint32>(index), 1);
	return index;
}

status_t BAbstractOrderedVector::_ReservedOrderedVector1() { return kUnsupported; }
status_t BAbstractOrderedVector::_ReservedOrderedVector2() { return kUnsupported; }
status_t BAbstractOrderedVector::_ReservedOrderedVector3() { return kUnsupported; }
status_t BAbstractOrderedVector::_ReservedOrderedVector4() { return kUnsupported; }
status_t BAbstractOrderedVector::_ReservedOrderedVector5() { return kUnsupported; }
status_t BAbstractOrderedVector::_ReservedOrderedVector6() { return kUnsupported; }
