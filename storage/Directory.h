// BDirectory: iterates over the entries of one folder in the platform's order.
//
// "." and ".." are skipped; nothing is sorted and hidden or system entries are
// listed too. Exhaustion leaves the search open: NextEntry keeps answering -1
// until RestartIteration. The search handle is owned and closed by this object.
#pragma once

#include "support/String.h"

#include <windows.h>

class BEntry;

class BDirectory {
public:
	explicit BDirectory(const BString& path);
	virtual ~BDirectory();

	// The next entry; -1 when the folder is exhausted or cannot be listed, or for a
	// null entry or a true traverse flag.
	virtual status_t NextEntry(BEntry* entry, bool traverse);
	virtual status_t NextEntryPath(BString* path);
	// The raw listing is not provided: it reports no entries.
	virtual int32 NextRawEntries(void* buffer, size_t length, int32 count);
	virtual status_t RestartIteration();
	virtual int32 CountEntries();

	status_t Status() const { return fStatus; }

	BDirectory(const BDirectory&) = delete;
	BDirectory& operator=(const BDirectory&) = delete;

private:
	status_t SetEntryFromFound(BEntry* entry) const;

	BString fPath;
	status_t fStatus;
	HANDLE fFind = INVALID_HANDLE_VALUE;
	WIN32_FIND_DATAW fFound;
};
