// BClipboard: the process's clipboard, one message of data under one lock.
//
// The application object creates it while it starts and deletes it when it is
// destroyed. Any thread may lock it; the data may be read or changed only by
// the thread that holds the lock.
#pragma once

#include "messaging/Message.h"
#include "support/Locker.h"

class BClipboard {
public:
	BClipboard();
	~BClipboard();

	BClipboard(const BClipboard&) = delete;
	BClipboard& operator=(const BClipboard&) = delete;

	bool Lock() { return mLock.Lock(); }
	void Unlock() { mLock.Unlock(); }
	bool IsLocked() const { return mLock.IsLocked(); }

	// The clipboard's content; only while the caller holds the lock.
	BMessage* Data() { return &fData; }

private:
	BLocker mLock;
	BMessage fData;
};

// The process's clipboard, or null when no application has made one.
extern BClipboard* gClipboard;

namespace BPrivate {

// 0 when the clipboard exists (already or now), kNoMemory when it cannot be made.
[[nodiscard]] status_t CreateClipboard();
void DestroyClipboard();

}  // namespace BPrivate
