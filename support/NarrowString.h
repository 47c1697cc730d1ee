// NarrowString: an 8-bit, NUL-terminated string in a shared RefBuffer.
//
// Used for the field names of the old flattened message format, which are bytes,
// not UTF-16 text. The data pointer is null when the string is empty; copies
// share the buffer and every change first makes it exclusive.
#pragma once

#include "support/SupportDefs.h"

namespace BPrivate {

class NarrowString {
public:
	NarrowString() = default;
	NarrowString(const NarrowString& other);
	~NarrowString();
	NarrowString& operator=(const NarrowString& other);

	// Holds `length` bytes of `text` followed by a zero byte; text may point into this string.
	[[nodiscard]] status_t SetTo(const char* text, int32 length);
	// Holds a zero-terminated text, cut to `maximum` bytes when maximum is 0 or more.
	[[nodiscard]] status_t SetToTerminated(const char* text, int32 maximum = -1);
	void Clear();

	const char* Data() const { return fData; }
	int32 Length() const;

private:
	char* fData = nullptr;
};

}  // namespace BPrivate
