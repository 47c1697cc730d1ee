// BFloatVec: resizing within the capacity or into a fresh array.
#include "support/FloatVec.h"

#include <cstdint>
#include <cstdlib>
#include <cstring>

BFloatVec::~BFloatVec()
{
	std::free(fItems);
}

status_t BFloatVec::SetCount(int32 n, float fill)
{
	if (n < 0)
		return kBadValue;
	if (n <= fCapacity) {
		for (int32 i = fCount; i < n; i++)
			fItems[i] = fill;
		fCount = n;
		return kOk;
	}
	if (uint64(n) > SIZE_MAX / sizeof(float))
		return kNoMemory;
	float* items = static_cast<float*>(std::malloc(size_t(n) * sizeof(float)));
	if (items == nullptr)
		return kNoMemory;
	if (fCount > 0)
		std::memcpy(items, fItems, size_t(fCount) * sizeof(float));
	for (int32 i = fCount; i < n; i++)
		items[i] = fill;
	std::free(fItems);
	fItems = items;
	fCount = n;
	fCapacity = n;
	return kOk;
}

status_t BFloatVec::SetAt(int32 index, float value)
{
	if (index < 0)
		return kBadIndex;
	if (index == INT32_MAX)
		return kNoMemory;
	if (index >= fCount) {
		status_t status = SetCount(index + 1, 0.0f);
		if (status != kOk)
			return status;
	}
	fItems[index] = value;
	return kOk;
}

float BFloatVec::ItemAt(int32 index) const
{
	return index >= 0 && index < fCount ? fItems[index] : 0.0f;
}
