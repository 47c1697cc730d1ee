// BInvoker: a message and a target to send it to on demand.
#include "interface/Invoker.h"

#include "messaging/Message.h"

BInvoker::BInvoker(BMessage* message, const BHandler* handler, const BLooper* looper)
	: fMessage(message), fTarget(handler, looper)
{
}

BInvoker::~BInvoker()
{
	delete fMessage;
}

status_t BInvoker::SetMessage(BMessage* message)
{
	if (message != fMessage) {
		delete fMessage;
		fMessage = message;
	}
	return kOk;
}

void BInvoker::SetTarget(const BMessenger& messenger)
{
	fTarget = messenger;
}

status_t BInvoker::SetTarget(BHandler* handler, BLooper* looper)
{
	status_t status = kOk;
	fTarget = BMessenger(handler, looper, &status);
	return status;
}

void BInvoker::SetReplyHandler(BHandler* handler)
{
	fReplyHandler = handler;
}

status_t BInvoker::Invoke(BMessage* message)
{
	if (message == nullptr)
		message = fMessage;
	if (message == nullptr)
		return kBadValue;
	bigtime_t replyTimeout = fTimeout == -1 ? kInfinite : 0;
	return fTarget.Send(message, fReplyHandler, replyTimeout);
}
