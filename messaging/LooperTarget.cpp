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
	// The queue stays locked until the wake-up is decided, so the looper
	// thread cannot take the message out in between.
	fQueue->Lock();
	fQueue->AddMessage(message);
	if (fWakePort != nullptr)
		WakeFor(message);
	fQueue->Unlock();
	fAccess.Unlock();
	return kOk;
}

void BLooperTarget::WakeFor(const BMessage* message)
{
	// A wake-up that cannot be posted finds the looper's queue full: the
	// looper is busy and looks for due messages before it waits again.
	bigtime_t headTime = fQueue->NextWhen();
	if (fQueue->IsNextMessage(message)) {
		(void)WakeThreadLoop(fWakePort, headTime);
		return;
	}
	// Behind other messages the looper wakes for the head anyway; only a head
	// overdue by more than the period suggests that the wake-up got lost.
	bigtime_t now = SystemTimeMicros();
	if (headTime + kOverduePeriod < now && fLastWakeTime + kOverduePeriod < now) {
		(void)WakeThreadLoop(fWakePort, headTime);
		fLastWakeTime = now;
	}
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
