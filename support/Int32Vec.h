// BInt32Vec: a plain heap array of signed 32-bit values.
//
// Resizing always builds a fresh array; on failure the old contents stay.
// Not locked.
#pragma once

#include "support/SupportDefs.h"

class BInt32Vec {
public:
	BInt32Vec() = default;
	~BInt32Vec();

	BInt32Vec(const BInt32Vec&) = delete;
	BInt32Vec& operator=(const BInt32Vec&) = delete;

	// n <= 0 frees the array. Otherwise the first values are kept and new ones
	// are `fill`. kOk or kNoMemory.
	[[nodiscard]] status_t SetCount(int32 n, int32 fill = 0);

	int32 CountItems() const { return fCount; }
	// 0 when the index is out of range.
	int32 ItemAt(int32 index) const;
	const int32* Items() const { return fItems; }
	int32* EditItems() { return fItems; }

private:
	int32* fItems = nullptr;
	int32 fCount = 0;
};
