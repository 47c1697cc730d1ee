// BFloatVec: a plain heap array of 32-bit floats with spare capacity.
//
// Shrinking keeps the array; growing past the capacity builds a fresh one of
// exactly the new count. Elements that come into use are set to the fill value
// (zero for SetAt), even when they lie in capacity left over from an earlier,
// larger count. On failure the old contents stay. Not locked.
#pragma once

#include "support/SupportDefs.h"

class BFloatVec {
public:
	BFloatVec() = default;
	~BFloatVec();

	BFloatVec(const BFloatVec&) = delete;
	BFloatVec& operator=(const BFloatVec&) = delete;

	// kOk, kNoMemory, or kBadValue for a negative count.
	[[nodiscard]] status_t SetCount(int32 n, float fill = 0.0f);
	// Extends the array with zeros to reach `index` first. kOk, kNoMemory, or
	// kBadIndex for a negative index.
	[[nodiscard]] status_t SetAt(int32 index, float value);

	int32 CountItems() const { return fCount; }
	int32 Capacity() const { return fCapacity; }
	// 0 when the index is out of range.
	float ItemAt(int32 index) const;
	const float* Items() const { return fItems; }

private:
	float* fItems = nullptr;
	int32 fCount = 0;
	int32 fCapacity = 0;
};
