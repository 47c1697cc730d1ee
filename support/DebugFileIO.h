// BPrivate::DebugFileIO: the log file, opened on first use.
//
// The first write opens (or creates) "<application name>-log.txt" in the root
// folder of the system drive, appending to what is there, and stamps it with a
// header of the current UTC date and time. A write that cannot open the file
// is lost and the next write tries again. Every write is flushed to the disk.
// Any thread may write; writes are serialised by the stream's lock.
#pragma once

#include "support/File.h"
#include "support/Locker.h"
#include "support/String.h"

namespace BPrivate {

class DebugFileIO : public BFile {
public:
	DebugFileIO() = default;

	// Answers the bytes written, 0 when the log file cannot be opened.
	int32 Write(const void* data, size_t length) override;
	// Answers kNotAllowed.
	int32 Read(void* buffer, size_t size) override;

private:
	bool OpenLog();
	void WriteHeader();

	BLocker fLock;
	bool fOpened = false;
	bool fHeaderWritten = false;
};

// The application framework tells the log file the application's name through
// this source; without a source, or when it answers an empty name, the log is
// named "zel". Returns the source it replaced.
typedef BString (*ApplicationNameSource)();
ApplicationNameSource SetApplicationNameSource(ApplicationNameSource source);

}  // namespace BPrivate

// The process-wide log stream, alive from before the program's main code to
// after it, like the line streams of DebugDataIO.h. Nothing in the framework
// writes to it; the file appears only with a first write.
extern BDataIO* const gLogOut;
