// BMessageQueue: a looper's pending messages, kept in ascending delivery time.
//
// Messages are chained through their own links, so a message sits in at most
// one queue; equal delivery times keep their arrival order. The queue owns what
// it holds and destroys whatever is still queued when it goes. Every operation
// takes the queue's lock, so senders on any thread may add while the looper
// thread takes messages out.
#pragma once

#include "support/Locker.h"
#include "support/SupportDefs.h"

class BMessage;
class BMessenger;

class BMessageQueue {
public:
	BMessageQueue();
	virtual ~BMessageQueue();

	// Stamps a message without delivery time with the current time and inserts
	// it after the last message due no later. Returns the count; a message still
	// linked into a queue is refused and reported.
	int32 AddMessage(BMessage* message);
	// Unlinks and returns the head, or null.
	BMessage* NextMessage();
	// The head's delivery time, or kInfinite when empty.
	bigtime_t NextWhen();
	bool IsNextMessage(const BMessage* message);
	// With what 0 all messages, otherwise those with that command.
	int32 CountMessages(uint32 what = 0);
	// Moves every message with that command (and, with a messenger, delivered to
	// the handler it names) to the destination queue, or destroys it without
	// one. Returns how many were taken out.
	int32 RemoveMessages(uint32 what, const BMessenger* messenger = nullptr, BMessageQueue* destination = nullptr);

	bool Lock() { return fLock.Lock(); }
	void Unlock() { fLock.Unlock(); }

	BMessageQueue(const BMessageQueue&) = delete;
	BMessageQueue& operator=(const BMessageQueue&) = delete;

private:
	bool IsLinked(const BMessage* message) const;
	void InsertAfter(BMessage* previous, BMessage* message);
	void Unlink(BMessage* message);
	void AppendRemoved(BMessage* message);
	static void ReportRefusedMessage(const BMessage* message);

	virtual void _ReservedQueue1();
	virtual void _ReservedQueue2();
	virtual void _ReservedQueue3();

	BMessage* fHead = nullptr;
	BMessage* fTail = nullptr;
	int32 fCount = 0;
	BLocker fLock;
};
