// BString: UTF-16 text in a shared copy-on-write buffer.
#include "support/String.h"

#include "support/RefBuffer.h"

#include <windows.h>

#include <cstdlib>
#include <cstring>
#include <cwchar>
#include <utility>

namespace {

RefBuffer* BufferOf(const wchar_t* chars)
{
	return chars == nullptr ? nullptr : RefBuffer::FromData(chars);
}

size_t DataLengthFor(int32 units)
{
	return (static_cast<size_t>(units) + 1) * sizeof(wchar_t);
}

int32 UnitLength(const wchar_t* text, int32 length)
{
	if (text == nullptr)
		return 0;
	return length < 0 ? static_cast<int32>(std::wcslen(text)) : length;
}

int32 ByteLength(const char* utf8, int32 byteLength)
{
	if (utf8 == nullptr)
		return 0;
	return byteLength < 0 ? static_cast<int32>(std::strlen(utf8)) : byteLength;
}

}  // namespace

BString::BString(const char* utf8)
{
	Assign(utf8);
}

BString::BString(const wchar_t* text)
{
	Assign(text);
}

BString::BString(const BString* other)
{
	if (other != nullptr)
		Assign(*other);
}

BString::BString(const BString& other)
	: fChars(other.fChars)
{
	if (fChars != nullptr)
		BufferOf(fChars)->Acquire();
}

BString::BString(BString&& other) noexcept
	: fChars(other.fChars)
{
	other.fChars = nullptr;
}

BString::~BString()
{
	Clear();
}

BString& BString::operator=(const BString& other)
{
	Assign(other);
	return *this;
}

BString& BString::operator=(BString&& other) noexcept
{
	if (this != &other) {
		Clear();
		fChars = other.fChars;
		other.fChars = nullptr;
	}
	return *this;
}

wchar_t* BString::EditBuffer(int32 length)
{
	RefBuffer* buffer = fChars == nullptr ? RefBuffer::Alloc(DataLengthFor(length))
	                                      : BufferOf(fChars)->Edit(DataLengthFor(length));
	if (buffer == nullptr)
		return nullptr;
	fChars = static_cast<wchar_t*>(buffer->Data());
	fChars[length] = L'\0';
	return fChars;
}

void BString::Clear()
{
	if (fChars != nullptr) {
		BufferOf(fChars)->Release();
		fChars = nullptr;
	}
}

void BString::Assign(const char* utf8, int32 byteLength)
{
	Clear();
	Append(utf8, byteLength);
}

void BString::Assign(const wchar_t* text, int32 length)
{
	// The text may lie inside this string's own buffer: keep it until copied.
	BString previous(std::move(*this));
	AppendUnits(text, UnitLength(text, length));
}

void BString::Assign(const BString& other, int32 length)
{
	int32 otherLength = other.Length();
	if (length < 0 || length > otherLength)
		length = otherLength;
	if (length == otherLength) {
		// Acquire before releasing, so that assigning a string to itself is safe.
		wchar_t* shared = other.fChars;
		if (shared != nullptr)
			BufferOf(shared)->Acquire();
		Clear();
		fChars = shared;
		return;
	}
	if (length == 0) {
		Clear();
		return;
	}
	if (this == &other) {
		if (EditBuffer(length) == nullptr)
			Clear();
		return;
	}
	Clear();
	AppendUnits(other.fChars, length);
}

void BString::AppendUnits(const wchar_t* text, int32 length)
{
	if (text == nullptr || length <= 0)
		return;
	int32 oldLength = Length();
	// Appending a piece of this string's own text: keep the source alive across the edit.
	BString keepAlive;
	if (fChars != nullptr && text >= fChars && text <= fChars + oldLength)
		keepAlive = *this;
	wchar_t* chars = EditBuffer(oldLength + length);
	if (chars == nullptr)
		return;
	std::memmove(chars + oldLength, text, static_cast<size_t>(length) * sizeof(wchar_t));
}

void BString::Append(const char* utf8, int32 byteLength)
{
	int32 bytes = ByteLength(utf8, byteLength);
	if (bytes == 0)
		return;
	int count = MultiByteToWideChar(CP_UTF8, 0, utf8, bytes, nullptr, 0);
	if (count <= 0) {
		Clear();
		return;
	}
	int32 oldLength = Length();
	wchar_t* chars = EditBuffer(oldLength + count);
	if (chars == nullptr)
		return;
	if (MultiByteToWideChar(CP_UTF8, 0, utf8, bytes, chars + oldLength, count) != count)
		Clear();
}

void BString::Append(const wchar_t* text, int32 length)
{
	AppendUnits(text, UnitLength(text, length));
}

void BString::Append(const BString& other, int32 length)
{
	if (fChars == nullptr) {
		Assign(other, length);
		return;
	}
	int32 otherLength = other.Length();
	if (length < 0 || length > otherLength)
		length = otherLength;
	AppendUnits(other.fChars, length);
}

void BString::Append(int32 value)
{
	wchar_t digits[64];
	int written = std::swprintf(digits, 64, L"%ld", static_cast<long>(value));
	if (written > 0)
		AppendUnits(digits, written);
}

void BString::AppendRangeTo(BString* destination, int32 start, int32 count) const
{
	int32 length = Length();
	if (destination == nullptr || destination == this || length == 0)
		return;
	// Callers stay inside the string; a range reaching outside is clamped to it.
	if (start < 0 || start >= length || count <= 0)
		return;
	if (count > length - start)
		count = length - start;
	destination->AppendUnits(fChars + start, count);
}

int32 BString::Length() const
{
	if (fChars == nullptr)
		return 0;
	return static_cast<int32>(BufferOf(fChars)->Length() / sizeof(wchar_t)) - 1;
}

int32 BString::Compare(const BString& other, int32 n) const
{
	if (fChars == nullptr)
		return other.fChars == nullptr ? 0 : -1;
	if (other.fChars == nullptr)
		return 1;
	return n > 0 ? std::wcsncmp(fChars, other.fChars, static_cast<size_t>(n))
	             : std::wcscmp(fChars, other.fChars);
}

bool BString::operator==(const char* utf8) const
{
	return Compare(BString(utf8)) == 0;
}

int32 BString::FindFirst(const BString& other, int32 start) const
{
	int32 length = Length();
	if (fChars == nullptr || other.fChars == nullptr || start < 0 || start > length)
		return -1;
	const wchar_t* hit = std::wcsstr(fChars + start, other.fChars);
	return hit == nullptr ? -1 : static_cast<int32>(hit - fChars);
}

int32 BString::FindLast(const BString& other) const
{
	int32 last = -1;
	for (int32 hit = FindFirst(other, 0); hit >= 0; hit = FindFirst(other, hit + 1))
		last = hit;
	return last;
}

char* BString::ToUtf8() const
{
	if (fChars == nullptr)
		return nullptr;
	int bytes = WideCharToMultiByte(CP_UTF8, 0, fChars, -1, nullptr, 0, nullptr, nullptr);
	if (bytes <= 0)
		return nullptr;
	char* utf8 = static_cast<char*>(std::malloc(static_cast<size_t>(bytes)));
	if (utf8 == nullptr)
		return nullptr;
	if (WideCharToMultiByte(CP_UTF8, 0, fChars, -1, utf8, bytes, nullptr, nullptr) != bytes) {
		std::free(utf8);
		return nullptr;
	}
	return utf8;
}
