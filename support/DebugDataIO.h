// BPrivate::DebugDataIO: a line stream to the platform's debugger output, and
// the process-wide diagnostic streams built on it.
//
// Text is gathered into whole lines: a write sends everything up to its last
// line end with one OutputDebugStringA call, and keeps the rest until a later
// write ends the line, the buffer fills (1023 bytes go out at a time), or the
// stream is destroyed. One write is never interleaved with another.
#pragma once

#include "support/DataIO.h"
#include "support/Locker.h"

namespace BPrivate {

class DebugDataIO : public BDataIO {
public:
	DebugDataIO();
	~DebugDataIO() override;

	int32 Read(void* buffer, size_t size) override;
	int32 Write(const void* buffer, size_t size) override;

	DebugDataIO(const DebugDataIO&) = delete;
	DebugDataIO& operator=(const DebugDataIO&) = delete;

private:
	static constexpr size_t kLineCapacity = 1023;

	void Append(const char* text, size_t length);
	void Flush();

	// Not taken by the stream itself: it lets a caller keep several writes together.
	BLocker fLineSync;
	BLocker fAccess;
	char fLine[kLineCapacity + 1];
	size_t fLineLength;
};

}  // namespace BPrivate

// The diagnostic streams, alive from before the program's main code to after it.
extern BDataIO* const gDebuggerOut;
extern BDataIO* const gErrorOut;
extern BDataIO* const gTokenOut;
extern BDataIO* const gSpareOut;
