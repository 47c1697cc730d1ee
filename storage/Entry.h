// BEntry: one named entry on disk that can be tested for existence and deleted.
//
// A folder is deleted with its whole content through the shell, which moves it
// to the recycle bin where the volume has one; a file is deleted directly; a
// read-only entry of either kind is refused.
#pragma once

#include "support/String.h"

class BPath;

class BEntry {
public:
	BEntry() = default;
	// The traverse flag is accepted for symmetry with directory listing and ignored.
	BEntry(const BString& path, bool traverse);
	virtual ~BEntry() = default;

	[[nodiscard]] status_t SetFromString(const BString& path);
	[[nodiscard]] status_t Status() const { return fStatus; }
	bool ExistsOnDisk() const;
	[[nodiscard]] status_t CopyPathTo(BPath* out) const;
	[[nodiscard]] status_t CopyPathStringTo(BString* out) const;

	// 0 on success, kReadOnly for a read-only entry (nothing deleted), -1 otherwise.
	[[nodiscard]] status_t Delete();

private:
	void Reset();
	[[nodiscard]] status_t DeleteFolderThroughShell();

	BString fPath;
	status_t fStatus = kError;
	// Kept for layout compatibility with the entry records this class came from;
	// reset with the status and never read.
	int32 fSecondStatus = kError;
	uint32 fReserved[2] = {0, 0};
};
