// BPrivate::BLooperTarget: the direct target of a looper's handlers, which
// queues the messages sent to them and wakes the looper thread.
//
// One exists per looper, created when the first handler is attached. The
// looper holds one reference and the token space one for every handler token
// of the looper, so a sender that took the target from the token space can
// finish its delivery while the looper is being destroyed; the looper detaches
// the target first, and later deliveries only destroy their message.
//
// Senders call DeliverMessage on their own threads; it takes the target's lock
// and then the queue's, never the looper's, so a send never waits for a busy
// looper.
#pragma once

#include "messaging/DirectMessageTarget.h"
#include "support/Locker.h"

class BMessageQueue;
struct ThreadRecord;

namespace BPrivate {

class BLooperTarget : public BDirectMessageTarget {
public:
	// The count starts at 0: the looper takes the first reference. A null wake
	// port queues messages without waking anybody until SetWakePort.
	BLooperTarget(BMessageQueue* queue, ThreadRecord* wakePort);

	// Queues the message by delivery time and wakes the looper thread when the
	// message is the new head, or when the head is long overdue. -1 (message
	// destroyed) once detached.
	[[nodiscard]] status_t DeliverMessage(BMessage* message) override;

	// The looper thread's record, given when the looper starts running.
	void SetWakePort(ThreadRecord* wakePort);
	// Called as the looper is destroyed: the queue and wake port are no
	// longer used.
	void Detach();

	BLooperTarget(const BLooperTarget&) = delete;
	BLooperTarget& operator=(const BLooperTarget&) = delete;

private:
	~BLooperTarget() override;

	// Whether the looper must be woken for `message`, just added to the
	// locked queue, and for which time.
	bool NeedsWakeFor(const BMessage* message, bigtime_t* wakeTime);

	BLocker fAccess;
	BMessageQueue* fQueue;
	ThreadRecord* fWakePort;
	// When the last wake-up for an overdue head was sent.
	bigtime_t fLastWakeTime = 0;
};

}  // namespace BPrivate
