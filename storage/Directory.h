// BDirectory: iterates over the entries of one folder in the platform's order.
//
// "." and ".." are skipped; nothing is sorted and hidden or system entries are
// listed too. NextEntry tells the normal end of a listing (kNoMoreEntries) from
// a listing that failed (-1: the folder is missing, is not a folder, cannot be
// opened or reading it broke off), so that a caller deciding about the folder's
// contents never takes a failure for an empty folder. Reaching the end leaves
// the search open: NextEntry keeps answering kNoMoreEntries until
// RestartIteration. The search handle is owned and closed by this object. One
// thread at a time.
#pragma once

#include "kernel/WinOwner.h"
#include "support/String.h"

class BEntry;

// NextEntry's answer once every entry has been read, and for an empty folder.
constexpr status_t kNoMoreEntries = kBadIndex;

class BDirectory {
public:
	explicit BDirectory(const BString& path);
	virtual ~BDirectory();

	// The next entry: kOk; kNoMoreEntries at the end of the listing; -1 when the
	// folder cannot be listed, for a null entry or a true traverse flag.
	[[nodiscard]] virtual status_t NextEntry(BEntry* entry, bool traverse);
	[[nodiscard]] virtual status_t NextEntryPath(BString* path);
	// The raw listing is not provided: it reports no entries.
	virtual int32 NextRawEntries(void* buffer, size_t length, int32 count);
	[[nodiscard]] virtual status_t RestartIteration();
	virtual int32 CountEntries();

	[[nodiscard]] status_t Status() const { return fStatus; }

	BDirectory(const BDirectory&) = delete;
	BDirectory& operator=(const BDirectory&) = delete;

private:
	// `name`, as the search found it in the folder.
	[[nodiscard]] status_t SetEntryFromFound(BEntry* entry, const wchar_t* name) const;

	BString fPath;
	status_t fStatus;
	WinFindHandle fFind;
};
