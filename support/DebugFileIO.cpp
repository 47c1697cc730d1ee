// BPrivate::DebugFileIO: naming, opening and stamping the log file.
#include "support/DebugFileIO.h"

#include "kernel/SystemTime.h"
#include "storage/Path.h"

#include <atomic>
#include <cstdio>
#include <cstdlib>

namespace BPrivate {

namespace {

// Write access, open or create, pointer at the end, shared with everyone.
constexpr uint32 kLogOpenMode = kFileWrite | kFileOpenOrCreate | kFileAppend | kFileShareAll;

std::atomic<ApplicationNameSource> sNameSource{nullptr};

BString LogFileName()
{
	ApplicationNameSource source = sNameSource.load(std::memory_order_acquire);
	BString name;
	if (source != nullptr)
		name = source();
	if (name.IsEmpty())
		name.Assign("zel");
	name.Append("-log.txt");
	return name;
}

}  // namespace

ApplicationNameSource SetApplicationNameSource(ApplicationNameSource source)
{
	return sNameSource.exchange(source, std::memory_order_acq_rel);
}

int32 DebugFileIO::Write(const void* data, size_t length)
{
	if (!fLock.Lock())
		return 0;
	int32 written = 0;
	if (fOpened || OpenLog()) {
		if (!fHeaderWritten)
			WriteHeader();
		written = BFile::Write(data, length);
		// The bytes are written either way; a flush that fails leaves them to
		// the platform's cache.
		(void)Sync();
	}
	fLock.Unlock();
	return written;
}

int32 DebugFileIO::Read(void*, size_t)
{
	return kNotAllowed;
}

bool DebugFileIO::OpenLog()
{
	BPath path(kSystemDriveRoot);
	if (path.Status() != kOk || path.AddComponent(LogFileName()) != kOk)
		return false;
	char* utf8 = path.Path().ToUtf8();
	if (utf8 == nullptr)
		return false;
	fOpened = OpenPath(utf8, kLogOpenMode) == kOk;
	free(utf8);
	return fOpened;
}

void DebugFileIO::WriteHeader()
{
	int32 year, month, day, hour, minute, second;
	ReadCalendarTime(&year, &month, nullptr, &day, &hour, &minute, &second, nullptr);
	static const char kStars[] = "****************************************\r\n";
	char header[200];
	int length = std::snprintf(header, sizeof(header),
		"%sBegin log on %ld.%ld.%ld at %ld:%ld:%ld\r\n%s", kStars, static_cast<long>(year),
		static_cast<long>(month), static_cast<long>(day), static_cast<long>(hour),
		static_cast<long>(minute), static_cast<long>(second), kStars);
	// A header that cannot be written (0 bytes) leaves the log without it.
	if (length > 0)
		(void)BFile::Write(header, static_cast<size_t>(length));
	fHeaderWritten = true;
}

}  // namespace BPrivate

namespace {

// Constructed ahead of ordinary static objects, with the line streams.
BPrivate::DebugFileIO sLogStream __attribute__((init_priority(150)));

}  // namespace

BDataIO* const gLogOut = &sLogStream;
