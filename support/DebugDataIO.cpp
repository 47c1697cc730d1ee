// BPrivate::DebugDataIO: line assembly in front of OutputDebugStringA.
#include "support/DebugDataIO.h"

#include <windows.h>

#include <cstring>

namespace BPrivate {

DebugDataIO::DebugDataIO()
	: fLineSync("SerialDataIO Line Sync"), fAccess("SerialDataIO Access"), fLineLength(0)
{
}

DebugDataIO::~DebugDataIO()
{
	Flush();
}

int32 DebugDataIO::Read(void*, size_t)
{
	return kNotAllowed;
}

int32 DebugDataIO::Write(const void* buffer, size_t size)
{
	if (buffer == nullptr || size == 0)
		return 0;
	const char* text = static_cast<const char*>(buffer);
	fAccess.Lock();
	size_t lineEnd = size;
	while (lineEnd > 0 && text[lineEnd - 1] != '\n')
		--lineEnd;
	if (lineEnd > 0) {
		Append(text, lineEnd);
		Flush();
	}
	Append(text + lineEnd, size - lineEnd);
	fAccess.Unlock();
	return static_cast<int32>(size);
}

void DebugDataIO::Append(const char* text, size_t length)
{
	while (length > 0) {
		size_t room = kLineCapacity - fLineLength;
		size_t piece = length < room ? length : room;
		std::memcpy(fLine + fLineLength, text, piece);
		fLineLength += piece;
		text += piece;
		length -= piece;
		if (fLineLength == kLineCapacity)
			Flush();
	}
}

void DebugDataIO::Flush()
{
	if (fLineLength == 0)
		return;
	fLine[fLineLength] = '\0';
	OutputDebugStringA(fLine);
	fLineLength = 0;
}

}  // namespace BPrivate

namespace {

// Constructed ahead of ordinary static objects, so that their constructors and
// destructors may report through these streams.
BPrivate::DebugDataIO sDebuggerStream __attribute__((init_priority(150)));
BPrivate::DebugDataIO sErrorStream __attribute__((init_priority(150)));
BPrivate::DebugDataIO sTokenStream __attribute__((init_priority(150)));
BPrivate::DebugDataIO sSpareStream __attribute__((init_priority(150)));

}  // namespace

BDataIO* const gDebuggerOut = &sDebuggerStream;
BDataIO* const gErrorOut = &sErrorStream;
BDataIO* const gTokenOut = &sTokenStream;
BDataIO* const gSpareOut = &sSpareStream;
