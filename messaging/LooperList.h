// The process-wide looper list, guarded by "looper_list_lock".
//
// Every looper is entered here for its whole life, under an id that the list
// hands out from a counter of its changes. A looper pointer counts as live only
// while its pointer and its id both match an entry, which is what lets any
// thread lock a looper pointer safely: a destroyed looper is not found, and a
// new looper built at the address of a destroyed one has another id.
//
// The list lock is a static object. After static shutdown it can no longer be
// taken, and everything here then fails (-1, null, false or kNotALooper).
// Any thread may call; each function takes the lock for its own duration.
#pragma once

#include "messaging/TokenSpace.h"
#include "support/SupportDefs.h"

class BList;
class BLooper;

namespace BPrivate {

// 0 and the looper's token when it is listed; kNotALooper otherwise.
[[nodiscard]] status_t ListedLooperToken(const BLooper* looper, token_t* token);
// The listed looper whose looper token is `token`, or null.
BLooper* ListedLooperWithToken(token_t token);
// The number of listed loopers, -1 when the list cannot be read.
int32 CountListedLoopers();
// The index-th listed looper in list order, or null.
BLooper* ListedLooperAt(int32 index);
// Appends every listed looper to `loopers` in list order; false when the list
// cannot be read.
bool SnapshotListedLoopers(BList* loopers);
// Grows by one at every insertion and removal.
int32 LooperListChanges();

// The looper unit's own access. Everything but Lock expects the caller to hold
// the list lock.
class LooperList {
public:
	// Takes the list lock. After static shutdown writes `lateText` (when not
	// null) to the standard output and answers false.
	static bool Lock(const char* lateText = nullptr);
	static void Unlock();

	// Enters a looper; its list id, or -1 when memory ran out.
	static int32 Insert(BLooper* looper);
	// Leaves the entry of that pointer and id free.
	static void Remove(const BLooper* looper, int32 id);
	// The pointer and the looper's own list id match an entry.
	static bool IsListed(const BLooper* looper);
};

}  // namespace BPrivate
