// BString: the framework's one string type.
//
// Text is NUL-terminated UTF-16 kept in a shared RefBuffer, so copying a string
// costs one atomic increment; every mutation first makes the buffer exclusive
// (copy on write). The empty string holds no buffer: Chars() is null for it.
// UTF-8 is converted at the edges. A BString object is not locked: one thread
// mutates one object, but copies sharing a buffer may live on any threads.
#pragma once

#include "support/SupportDefs.h"

class BString {
public:
	BString() = default;
	BString(const char* utf8);
	BString(const wchar_t* text);
	explicit BString(const BString* other);
	BString(const BString& other);
	BString(BString&& other) noexcept;
	~BString();

	BString& operator=(const BString& other);
	BString& operator=(BString&& other) noexcept;

	void Assign(const char* utf8, int32 byteLength = -1);
	void Assign(const wchar_t* text, int32 length = -1);
	void Assign(const BString& other, int32 length = -1);
	void Clear();

	void Append(const char* utf8, int32 byteLength = -1);
	void Append(const wchar_t* text, int32 length = -1);
	void Append(const BString& other, int32 length = -1);
	void Append(int32 value);
	void AppendRangeTo(BString* destination, int32 start, int32 count) const;

	int32 Length() const;
	const wchar_t* Chars() const { return fChars; }
	// For platform calls that want a string even when the text is empty.
	const wchar_t* CharsOrEmpty() const { return fChars != nullptr ? fChars : L""; }
	bool IsEmpty() const { return fChars == nullptr; }

	// Sign of an exact unit-by-unit comparison; n > 0 compares at most n units.
	int32 Compare(const BString& other, int32 n = 0) const;
	bool operator==(const BString& other) const { return Compare(other) == 0; }
	bool operator!=(const BString& other) const { return Compare(other) != 0; }
	bool operator==(const char* utf8) const;
	bool operator!=(const char* utf8) const { return !(*this == utf8); }
	bool operator<(const BString& other) const { return Compare(other) < 0; }

	int32 FindFirst(const BString& other, int32 start = 0) const;
	int32 FindLast(const BString& other) const;

	// A new UTF-8 copy the caller frees with free(); null when empty or unconvertible.
	char* ToUtf8() const;

private:
	wchar_t* EditBuffer(int32 length);
	void AppendUnits(const wchar_t* text, int32 length);

	wchar_t* fChars = nullptr;
};
