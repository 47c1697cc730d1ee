// The current drag message: the one process-wide copy of the message being
// dragged inside the process, from the start of a drag until the drop that
// consumes it or the end of the drag.
//
// The slot is guarded by a ReadWriteLock created with the application's
// interface globals, so the window threads of a drag's source and target may
// read and replace it safely. Any thread may call once the application exists;
// without it there is no lock and no current message.
#pragma once

#include "support/SupportDefs.h"

#include <memory>

class BMessage;

// Takes ownership of `message` (which may be null) in every case and makes it
// the current drag message under the write lock, deleting the previous one.
// Without the lock the message is deleted and kNotInitialised returned; when
// the wait for the lock fails it is deleted, kError returned and the slot
// left as it was.
[[nodiscard]] status_t SetCurrentDragMessage(BMessage* message);

// Whether a drag message is current, without taking the lock: a mouse move
// asks this first, so that the common case costs no lock. The answer may be
// outdated by the time it is used; a reader then finds no message or the new one.
bool HasCurrentDragMessage();

// A copy of the current drag message, taken under the read lock; null when
// there is none or no memory for the copy. The copy shares the message's body.
std::unique_ptr<BMessage> CurrentDragMessageCopy();

// Holds the read lock for its lifetime; the message it shows stays valid (and
// unchanged) until the reader is destroyed. Used on one thread.
class DragMessageReader {
public:
	DragMessageReader();
	~DragMessageReader();

	DragMessageReader(const DragMessageReader&) = delete;
	DragMessageReader& operator=(const DragMessageReader&) = delete;

	// The current drag message, or null when there is none.
	const BMessage* Message() const { return fMessage; }

private:
	bool fLocked = false;
	const BMessage* fMessage = nullptr;
};

namespace BPrivate {

// Creates the slot's lock; kNoMemory when it cannot be made. An existing lock
// is kept.
[[nodiscard]] status_t CreateDragMessageLock();
// Deletes the current message and the lock. Called by the application's
// destructor when no window is left to drag.
void DestroyDragMessageLock();

}  // namespace BPrivate
