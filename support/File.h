// BFile: a byte stream on a kernel file.
//
// The file pointer is the kernel's: Read and Write transfer at it and move it;
// ReadAt and WriteAt transfer at a given position and put the pointer back
// where it was. Seek does nothing, so BPositionIO's Read and Write are not
// used. A failed kernel transfer is reported as a count of 0. A BFile is not
// locked: one thread at a time.
#pragma once

#include "kernel/WinOwner.h"
#include "support/PositionIO.h"
#include "support/String.h"

// Bits of the open mode; the share and create bits combine with one access bit.
enum : uint32 {
	// Read access; the file must exist. Wins over the other access and create bits.
	kFileRead = 0x0001,
	kFileWrite = 0x0002,
	kFileReadWrite = 0x0004,
	// Create a new file; fails when it exists.
	kFileCreateNew = 0x0100,
	// Open the file, creating it when missing.
	kFileOpenOrCreate = 0x0200,
	// With kFileOpenOrCreate: empty an existing file.
	kFileTruncate = 0x0400,
	// Place the file pointer at the end after opening.
	kFileAppend = 0x0800,
	// Others may read, write and delete the file while it is open; without it
	// they may only read.
	kFileShareAll = 0x1000,
};

class BFile : public BPositionIO {
public:
	BFile() = default;
	~BFile() override;

	BFile(const BFile&) = delete;
	BFile& operator=(const BFile&) = delete;

	// Closes any open file first. The path is UTF-8. Returns the new status:
	// 0 once a file is open, -1 otherwise.
	[[nodiscard]] status_t OpenPath(const char* path, uint32 mode);
	[[nodiscard]] status_t Status() const { return fStatus; }
	// The path given to the last open, empty after a null one.
	const BString& PathText() const { return fPath; }

	int32 Read(void* buffer, size_t size) override;
	int32 Write(const void* buffer, size_t size) override;
	[[nodiscard]] status_t Sync() override;

	int32 ReadAt(int32 position, void* buffer, size_t size) override;
	int32 WriteAt(int32 position, const void* buffer, size_t size) override;
	int32 Seek(int32 position, int32 mode) override;
	int32 Position() const override;
	[[nodiscard]] status_t SetSize(int32 size) override;

private:
	bool IsOpen() const { return fHandle.IsValid(); }

	status_t fStatus = kError;
	BString fPath;
	WinHandle fHandle;
};
