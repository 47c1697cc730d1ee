// RecycleBin: moving a folder into the recycle bin, and never anything more.
//
// The shell's delete with undo moves a folder to the bin where it can; where
// the bin cannot take the folder (no bin on the volume, a folder too large for
// it, a trash that is not usable) it quietly deletes the folder for good
// instead. The move here fails closed: such a folder stays where it is, whole.
//
// Two guards make sure of it. The shell's file operation object, where the
// platform implements it, runs with a progress sink that refuses every delete
// that would not go to the bin. Where it is not implemented (Wine), the older
// shell call runs with its warning before a permanent delete switched on, and
// every window that the shell tries to open for that warning is refused, so
// the question never gets a "yes".
//
// Runs on the calling thread and blocks it until the shell is done; COM is
// initialised on that thread for the duration when it is not already.
#pragma once

#include "support/String.h"

struct IFileOperationProgressSink;

namespace BPrivate {

// kOk when the folder went to the recycle bin; kError when it did not, and
// then it is still where it was.
[[nodiscard]] status_t MoveFolderToRecycleBin(const BString& path);

// A progress sink that lets a delete through only when it recycles, and once
// it has refused one, refuses every later one. The caller holds the first
// reference.
IFileOperationProgressSink* NewRecycleOnlySink();

}  // namespace BPrivate
