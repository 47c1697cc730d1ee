// NarrowString: byte strings sharing RefBuffer storage.
#include "support/NarrowString.h"

#include "support/RefBuffer.h"

#include <cstring>

namespace BPrivate {

NarrowString::NarrowString(const NarrowString& other)
	: fData(other.fData)
{
	if (fData != nullptr)
		RefBuffer::FromData(fData)->Acquire();
}

NarrowString::~NarrowString()
{
	Clear();
}

NarrowString& NarrowString::operator=(const NarrowString& other)
{
	char* shared = other.fData;
	if (shared != nullptr)
		RefBuffer::FromData(shared)->Acquire();
	Clear();
	fData = shared;
	return *this;
}

void NarrowString::Clear()
{
	if (fData != nullptr) {
		RefBuffer::FromData(fData)->Release();
		fData = nullptr;
	}
}

int32 NarrowString::Length() const
{
	return fData == nullptr ? 0 : static_cast<int32>(RefBuffer::FromData(fData)->Length()) - 1;
}

status_t NarrowString::SetTo(const char* text, int32 length)
{
	if (length <= 0 || text == nullptr) {
		Clear();
		return kOk;
	}
	size_t dataLength = static_cast<size_t>(length) + 1;
	bool insideOwnBuffer = fData != nullptr && text >= fData && text <= fData + Length();
	RefBuffer* buffer;
	if (fData == nullptr || insideOwnBuffer)
		buffer = RefBuffer::Alloc(dataLength);
	else
		buffer = RefBuffer::FromData(fData)->Edit(dataLength);
	if (buffer == nullptr)
		return kNoMemory;
	char* data = static_cast<char*>(buffer->Data());
	std::memmove(data, text, static_cast<size_t>(length));
	data[length] = '\0';
	if (insideOwnBuffer)
		Clear();
	fData = data;
	return kOk;
}

status_t NarrowString::SetToTerminated(const char* text, int32 maximum)
{
	int32 length = text == nullptr ? 0 : static_cast<int32>(std::strlen(text));
	if (maximum >= 0 && length > maximum)
		length = maximum;
	return SetTo(text, length);
}

}  // namespace BPrivate
