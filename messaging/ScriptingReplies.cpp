// Scripting replies shared by handlers, loopers and the application.
#include "messaging/ScriptingReplies.h"

#include "messaging/Handler.h"
#include "messaging/Message.h"
#include "messaging/Messenger.h"
#include "support/List.h"

namespace BPrivate {

void SendScriptingReply(BMessage* request, BMessage* reply)
{
	// A requester that has gone cannot be told anything.
	(void)request->ReplyToHandler(reply, nullptr, kInfinite);
}

void SendScriptingAnswer(BMessage* request, BMessage* reply, status_t status)
{
	status_t added = reply->AddInt32("error", status);
	if (added != kOk) {
		ReplyScriptingError(request, added, nullptr, kReplyCode);
		return;
	}
	SendScriptingReply(request, reply);
}

void ReplyScriptingError(BMessage* request, status_t error, const char* text, uint32 what)
{
	// An error answer goes even when memory ran out for its fields, so that
	// the requester is not left waiting; what is missing tells it enough.
	BMessage reply(what);
	if (text != nullptr) {
		BString explanation(text);
		(void)reply.AddText("message", &explanation);
	}
	(void)reply.AddInt32("error", error);
	SendScriptingReply(request, &reply);
}

void ReplyCount(BMessage* request, int32 count)
{
	BMessage reply(kReplyCode);
	status_t status = reply.AddInt32("result", count);
	if (status != kOk) {
		ReplyScriptingError(request, status, nullptr, kReplyCode);
		return;
	}
	SendScriptingReply(request, &reply);
}

void ReplyMessengers(BMessage* request, const BList& handlers)
{
	BMessage reply(kReplyCode);
	for (int32 i = 0; i < handlers.CountItems(); i++) {
		BMessenger messenger(static_cast<BHandler*>(handlers.ItemAt(i)), nullptr);
		status_t status = reply.AddMessenger("result", messenger);
		if (status != kOk) {
			ReplyScriptingError(request, status, nullptr, kReplyCode);
			return;
		}
	}
	SendScriptingReply(request, &reply);
}

}  // namespace BPrivate
