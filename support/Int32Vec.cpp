// BInt32Vec: resizing by copying into a fresh array.
#include "support/Int32Vec.h"

#include <cstdint>
#include <cstdlib>
#include <cstring>

BInt32Vec::~BInt32Vec()
{
	std::free(fItems);
}

status_t BInt32Vec::SetCount(int32 n, int32 fill)
{
	if (n <= 0) {
		std::free(fItems);
		fItems = nullptr;
		fCount = 0;
		return kOk;
	}
	if (uint64(n) > SIZE_MAX / sizeof(int32))
		return kNoMemory;
	int32* items = static_cast<int32*>(std::malloc(size_t(n) * sizeof(int32)));
	if (items == nullptr)
		return kNoMemory;
	int32 kept = fCount < n ? fCount : n;
	if (kept > 0)
		std::memcpy(items, fItems, size_t(kept) * sizeof(int32));
	for (int32 i = kept; i < n; i++)
		items[i] = fill;
	std::free(fItems);
	fItems = items;
	fCount = n;
	return kOk;
}

int32 BInt32Vec::ItemAt(int32 index) const
{
	return index >= 0 && index < fCount ? fItems[index] : 0;
}
