// BPrivate::BSyncReplyTarget: a reply slot with a waiter, and the three
// process-wide targets.
#include "messaging/SyncReplyTarget.h"

#include "kernel/ThreadLoop.h"
#include "messaging/Message.h"

#include <atomic>

namespace BPrivate {

namespace {

constexpr int32 kTemporaryCount = 3;

// The three targets live from static start-up to static shutdown. They are
// made after the token space (which has an earlier initialisation priority)
// and retired before it goes.
class TemporaryTargets {
public:
	TemporaryTargets()
	{
		static const char* const kNames[kTemporaryCount] = {"tmp_rport0", "tmp_rport1", "tmp_rport2"};
		for (int32 i = 0; i < kTemporaryCount; i++)
			fTargets[i] = new BSyncReplyTarget(kNames[i]);
	}

	~TemporaryTargets()
	{
		for (BSyncReplyTarget*& target : fTargets) {
			gDefaultTokens.RemoveToken(target->Token());
			target->Cancel();
			target->Release();
			target = nullptr;
		}
	}

	BSyncReplyTarget* Take()
	{
		for (int32 i = 0; i < kTemporaryCount; i++) {
			bool free = false;
			if (fInUse[i].compare_exchange_strong(free, true))
				return fTargets[i];
		}
		return nullptr;
	}

	void Return(BSyncReplyTarget* target)
	{
		for (int32 i = 0; i < kTemporaryCount; i++) {
			if (fTargets[i] == target)
				fInUse[i].store(false);
		}
	}

	TemporaryTargets(const TemporaryTargets&) = delete;
	TemporaryTargets& operator=(const TemporaryTargets&) = delete;

private:
	BSyncReplyTarget* fTargets[kTemporaryCount] = {};
	std::atomic<bool> fInUse[kTemporaryCount] = {};
};

TemporaryTargets gTemporaryTargets;

}  // namespace

BSyncReplyTarget::BSyncReplyTarget(const char*)
	: BDirectMessageTarget(1),
	  fAccess("Message BSyncReplyTarget::fAccess"),
	  fToken(gDefaultTokens.NewToken(kReplyTokenType, nullptr))
{
}

BSyncReplyTarget::~BSyncReplyTarget()
{
	Cancel();
}

status_t BSyncReplyTarget::DeliverMessage(BMessage* message)
{
	fAccess.Lock();
	bool taken = fReplySlot != nullptr;
	if (taken) {
		*fReplySlot = *message;
		fReplied = true;
		// The replied flag tells a waiter that wakes for any other reason.
		if (fWakePort != nullptr)
			(void)WakeThreadLoop(fWakePort, 0);
	}
	fAccess.Unlock();
	delete message;
	return taken ? kOk : kError;
}

void BSyncReplyTarget::Prepare(BMessage* replySlot, ThreadRecord* wakePort)
{
	fAccess.Lock();
	fReplySlot = replySlot;
	fWakePort = wakePort;
	fReplied = false;
	fStatus = kOk;
	fAccess.Unlock();
}

void BSyncReplyTarget::Cancel()
{
	fAccess.Lock();
	fReplySlot = nullptr;
	fWakePort = nullptr;
	fStatus = kNotInitialised;
	fAccess.Unlock();
}

status_t BSyncReplyTarget::Status() const
{
	fAccess.Lock();
	status_t status = fStatus;
	fAccess.Unlock();
	return status;
}

bool BSyncReplyTarget::Replied() const
{
	fAccess.Lock();
	bool replied = fReplied;
	fAccess.Unlock();
	return replied;
}

BSyncReplyTarget* BSyncReplyTarget::TakeTemporary()
{
	return gTemporaryTargets.Take();
}

void BSyncReplyTarget::ReturnTemporary(BSyncReplyTarget* target)
{
	gTemporaryTargets.Return(target);
}

}  // namespace BPrivate
