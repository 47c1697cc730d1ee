// RkRemovalOutcome: what a removal achieved, read from the disk afterwards.
//
// The move to the recycle bin can fail as a whole (a read-only entry, a file in
// use, a bin that refuses the folder) or, where the shell copies and deletes,
// part of the way. Its answer is not trusted: the listed folder and the
// inventory of its tree taken right before the move are looked up again, and
// the outcome says what is still there. It also gives the user's message and
// the program's exit code for it.
//
// Plain values and file-system reads; any thread.
#pragma once

#include "support/String.h"
#include "support/Vector.h"

enum class RkRemovalResult : int32 {
	kRemoved,         // the folder is gone, or nothing was listed
	kNothingRemoved,  // the folder and everything in it are still there
	kPartlyRemoved,   // the folder is still there, part of its tree is not
	kChanged,         // the folders changed after they were shown; nothing was touched
};

struct RkRemovalOutcome {
	RkRemovalResult result = RkRemovalResult::kRemoved;
	// The listed folder.
	BString folder;
	// After a partial removal: what is left, relative to the folder, as the
	// entries still there that hold nothing still there, in inventory order.
	BVector<BString> left;
};

// `inventory` holds the full path of every entry of the folder's tree, each
// folder before what it holds, as taken before the removal.
RkRemovalOutcome OutcomeOnDisk(const BString& folder, const BVector<BString>& inventory);

// The message for the user; empty after a complete removal. A partial removal
// names at most kMaxLeftShown of the entries left, then how many more there are.
constexpr int32 kMaxLeftShown = 5;
BString OutcomeReport(const RkRemovalOutcome& outcome);

int32 ExitCodeOf(RkRemovalResult result);
