// BMessageQueue: a doubly linked list through the messages' own links.
#include "messaging/MessageQueue.h"

#include "kernel/SystemTime.h"
#include "messaging/Message.h"
#include "support/DebugDataIO.h"
#include "support/DebugFormat.h"

void BMessageQueue::ReportRefusedMessage(const BMessage* message)
{
	BPrivate::DebugOut(gErrorOut) << "Error inserting message: ";
	message->Dump(gErrorOut);
	BPrivate::DebugOut(gErrorOut) << BPrivate::kEndLine;
}

BMessageQueue::BMessageQueue()
	: fLock("_msg_queue_")
{
}

BMessageQueue::~BMessageQueue()
{
	// A destroyed message may owe its sender a reply, and sending it takes
	// other queues' locks: the messages are destroyed after this lock is left.
	fLock.Lock();
	BMessage* first = fHead;
	fHead = nullptr;
	fTail = nullptr;
	fCount = 0;
	fLock.Unlock();
	while (BMessage* message = first) {
		first = message->fNext;
		message->fNext = nullptr;
		message->fPrevious = nullptr;
		delete message;
	}
}

void BMessageQueue::_ReservedQueue1() {}
void BMessageQueue::_ReservedQueue2() {}
void BMessageQueue::_ReservedQueue3() {}

bool BMessageQueue::IsLinked(const BMessage* message) const
{
	return message->fNext != nullptr || message->fPrevious != nullptr || message == fHead;
}

void BMessageQueue::InsertAfter(BMessage* previous, BMessage* message)
{
	BMessage* next = previous != nullptr ? previous->fNext : fHead;
	message->fPrevious = previous;
	message->fNext = next;
	if (previous != nullptr)
		previous->fNext = message;
	else
		fHead = message;
	if (next != nullptr)
		next->fPrevious = message;
	else
		fTail = message;
	++fCount;
}

void BMessageQueue::Unlink(BMessage* message)
{
	if (message->fPrevious != nullptr)
		message->fPrevious->fNext = message->fNext;
	else
		fHead = message->fNext;
	if (message->fNext != nullptr)
		message->fNext->fPrevious = message->fPrevious;
	else
		fTail = message->fPrevious;
	message->fNext = nullptr;
	message->fPrevious = nullptr;
	--fCount;
}

// Messages moved from another queue keep the order they had there.
void BMessageQueue::AppendRemoved(BMessage* message)
{
	fLock.Lock();
	InsertAfter(fTail, message);
	fLock.Unlock();
}

int32 BMessageQueue::AddMessage(BMessage* message)
{
	if (message == nullptr)
		return CountMessages();
	fLock.Lock();
	if (IsLinked(message)) {
		int32 count = fCount;
		fLock.Unlock();
		ReportRefusedMessage(message);
		return count;
	}
	if (!message->HasWhen())
		message->SetWhen(SystemTimeMicros());
	bigtime_t when = message->When();
	// Walking from the tail finds the place at once for the usual in-order arrival.
	BMessage* previous = fTail;
	while (previous != nullptr && previous->When() > when)
		previous = previous->fPrevious;
	InsertAfter(previous, message);
	int32 count = fCount;
	fLock.Unlock();
	return count;
}

BMessage* BMessageQueue::NextMessage()
{
	fLock.Lock();
	BMessage* head = fHead;
	if (head != nullptr)
		Unlink(head);
	fLock.Unlock();
	return head;
}

bigtime_t BMessageQueue::NextWhen()
{
	fLock.Lock();
	bigtime_t when = fHead != nullptr ? fHead->When() : kInfinite;
	fLock.Unlock();
	return when;
}

bool BMessageQueue::IsNextMessage(const BMessage* message)
{
	fLock.Lock();
	bool isHead = message != nullptr && message == fHead;
	fLock.Unlock();
	return isHead;
}

int32 BMessageQueue::CountMessages(uint32 what)
{
	fLock.Lock();
	int32 count = 0;
	if (what == 0) {
		count = fCount;
	} else {
		for (BMessage* message = fHead; message != nullptr; message = message->fNext)
			count += message->what == what ? 1 : 0;
	}
	fLock.Unlock();
	return count;
}

int32 BMessageQueue::RemoveMessages(uint32 what, const BMessenger* messenger, BMessageQueue* destination)
{
	if (destination == this)
		return 0;
	fLock.Lock();
	int32 removed = 0;
	BMessage* message = fHead;
	while (message != nullptr) {
		BMessage* next = message->fNext;
		if (message->what == what && (messenger == nullptr || message->IsAddressedTo(*messenger))) {
			Unlink(message);
			if (destination != nullptr)
				destination->AppendRemoved(message);
			else
				delete message;
			++removed;
		}
		message = next;
	}
	fLock.Unlock();
	return removed;
}
