// BPrivate::BSyncReplyTarget: the direct target that receives the single
// reply a waiting sender expects.
//
// A reply target has a type-3 token of its own, the return address of the
// request. A waiting thread gives it a slot for the reply and its thread
// record; the arriving reply is assigned into the slot and the thread is
// woken. Cancel (also the first step of destruction) makes later replies
// fall on the floor.
//
// The process keeps three of them, "tmp_rport0" to "tmp_rport2", made at
// static start-up and retired at static shutdown; TakeTemporary and
// ReturnTemporary hand them out one waiter at a time. Any thread may call.
#pragma once

#include "messaging/DirectMessageTarget.h"
#include "messaging/TokenSpace.h"
#include "support/Locker.h"

struct ThreadRecord;

namespace BPrivate {

class BSyncReplyTarget : public BDirectMessageTarget {
public:
	// The name only tells the targets apart to a reader; it is not kept.
	explicit BSyncReplyTarget(const char* name);

	// Assigns the reply into the slot and wakes the waiter: 0. Without a slot
	// (nobody waits, or cancelled): -1. The message is destroyed either way.
	[[nodiscard]] status_t DeliverMessage(BMessage* message) override;

	// Where the next reply goes and whom it wakes; clears the replied flag.
	void Prepare(BMessage* replySlot, ThreadRecord* wakePort);
	// No slot and no waiter any more; the status becomes kNotInitialised.
	void Cancel();

	token_t Token() const { return fToken; }
	[[nodiscard]] status_t Status() const;
	bool Replied() const;

	// One of the three process-wide targets not in use, marked as in use;
	// null when all three are taken.
	static BSyncReplyTarget* TakeTemporary();
	static void ReturnTemporary(BSyncReplyTarget* target);

	BSyncReplyTarget(const BSyncReplyTarget&) = delete;
	BSyncReplyTarget& operator=(const BSyncReplyTarget&) = delete;

private:
	~BSyncReplyTarget() override;

	mutable BLocker fAccess;
	status_t fStatus = kOk;
	ThreadRecord* fWakePort = nullptr;
	token_t fToken;
	BMessage* fReplySlot = nullptr;
	bool fReplied = false;
};

}  // namespace BPrivate
