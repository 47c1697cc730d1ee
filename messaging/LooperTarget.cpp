// BPrivate::BLooperTarget: delivery into a looper's queue.
#include "messaging/LooperTarget.h"

#include "kernel/SystemTime.h"
#include "kernel/ThreadLoop.h"
#include "messaging/Message.h"
#include "messaging/MessageQueue.h"

namespace BPrivate {

namespace {

// A head message that is this late means the looper is busy or missed a
// wake-up; it is reminded at most once in such a period.
constexpr bigtime_t kOverduePeriod = 1000000;

}  // namespace

BLooperTarget::BLooperTarget(BMessageQueue* queue, ThreadRecord* wakePort)
	: BDirectMessageTarget(0),
	  fAccess("Looper BLooperTarget::fAccess"),
	  fQueue(queue),
	  fWakePort(wakePort)
{
}

BLooperTarget::~BLooperTarget() = default;

status_t BLooperTarget::DeliverMessage(BMessage* message)
{
	fAccess.Lock();
	if (fQueue == nullptr) {
		fAccess.Unlock();
		// Destroyed outside the lock: its automatic reply is a send of its own.
		delete message;
		return kError;
	}
	// The wake-up is decided while the queue is locked, so that the looper
	// thread cannot take the message out in between, and posted after it is
	// unlocked: a looper woken at once (on a busy or single processor it runs
	// before the sender goes on) then finds its queue free instead of waiting
	// on it.
	fQueue->Lock();
	fQueue->AddMessage(message);
	bigtime_t wakeTime = 0;
	bool wake = fWakePort != nullptr && NeedsWakeFor(message, &wakeTime);
	fQueue->Unlock();
	// A wake-up that cannot be posted finds the looper's queue full: the
	// looper is busy and looks for due messages before it waits again.
	if (wake)
		(void)WakeThreadLoop(fWakePort, wakeTime);
	fAccess.Unlock();
	return kOk;
}

bool BLooperTarget::NeedsWakeFor(const BMessage* message, bigtime_t* wakeTime)
{
	*wakeTime = fQueue->NextWhen();
	if (fQueue->IsNextMessage(message))
		return true;
	// Behind other messages the looper wakes for the head anyway; only a head
	// overdue by more than the period suggests that the wake-up got lost.
	bigtime_t now = SystemTimeMicros();
	if (*wakeTime + kOverduePeriod < now && fLastWakeTime + kOverduePeriod < now) {
		fLastWakeTime = now;
		return true;
	}
	return false;
}

void BLooperTarget::SetWakePort(ThreadRecord* wakePort)
{
	fAccess.Lock();
	fWakePort = wakePort;
	fAccess.Unlock();
}

void BLooperTarget::Detach()
{
	fAccess.Lock();
	fQueue = nullptr;
	fWakePort = nullptr;
	fAccess.Unlock();
}

}  // namespace BPrivate
