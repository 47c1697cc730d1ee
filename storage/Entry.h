// BEntry: one named entry on disk that can be tested for existence and deleted.
//
// A folder is moved with its whole content to the recycle bin, and stays where
// it is when the bin cannot take it: a folder is never deleted for good. A
// folder that is a link (a reparse point) is refused, since the shell would
// move the link's target instead. A file is deleted directly; a read-only
// entry of either kind is refused.
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

	// 0 on success, kReadOnly for a read-only entry (nothing deleted),
	// kNotAllowed for a folder that is a link, -1 otherwise.
	[[nodiscard]] status_t Delete();
	// Moves a folder to the recycle bin and never deletes anything: 0 when it
	// went, kReadOnly or kNotAllowed (a file or a link) when it was refused,
	// -1 when it stayed where it was.
	[[nodiscard]] status_t MoveToRecycleBin();

private:
	void Reset();
	[[nodiscard]] status_t ReadWritableAttributes(uint32* attributes) const;
	[[nodiscard]] status_t RecycleFolder(uint32 attributes) const;

	BString fPath;
	status_t fStatus = kError;
	// Kept for layout compatibility with the entry records this class came from;
	// reset with the status and never read.
	int32 fSecondStatus = kError;
	uint32 fReserved[2] = {0, 0};
};
