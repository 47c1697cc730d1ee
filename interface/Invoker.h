// BInvoker: a message and a target to send it to on demand.
//
// The invoker owns its message from construction or SetMessage until the
// message is replaced or the invoker goes. Invoke sends a copy, so the held
// message can be invoked again. An invoker is used on the thread of the object
// that holds it (for a control, its window's thread).
#pragma once

#include "messaging/Messenger.h"
#include "support/SupportDefs.h"

class BHandler;
class BLooper;
class BMessage;

class BInvoker {
public:
	// Takes `message` (may be null); the target addresses `handler` in
	// `looper`, and is invalid when neither can be addressed.
	BInvoker(BMessage* message, const BHandler* handler, const BLooper* looper);
	virtual ~BInvoker();

	BInvoker(const BInvoker&) = delete;
	BInvoker& operator=(const BInvoker&) = delete;

	// Takes `message`, deleting the one held before. Answers 0.
	[[nodiscard]] virtual status_t SetMessage(BMessage* message);
	virtual void SetTarget(const BMessenger& messenger);
	// The messenger's construction status.
	[[nodiscard]] virtual status_t SetTarget(BHandler* handler, BLooper* looper);
	virtual void SetReplyHandler(BHandler* handler);
	// Sends `message`, or the held message when it is null, to the target;
	// the caller keeps `message`. kBadValue when there is no message at all,
	// otherwise the send's status.
	[[nodiscard]] virtual status_t Invoke(BMessage* message = nullptr);

	BMessage* Message() const { return fMessage; }
	BMessenger Messenger() const { return fTarget; }
	BHandler* ReplyHandler() const { return fReplyHandler; }
	// -1 (the default) waits for a reply without limit, any other value not at all.
	int32 Timeout() const { return fTimeout; }
	void SetTimeout(int32 timeout) { fTimeout = timeout; }

private:
	BMessage* fMessage;
	BMessenger fTarget;
	BHandler* fReplyHandler = nullptr;
	int32 fTimeout = -1;
};
