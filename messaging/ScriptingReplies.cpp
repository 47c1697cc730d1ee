// Scripting replies shared by handlers, loopers and the application.
#include "messaging/ScriptingReplies.h"

#include "messaging/Handler.h"
#include "messaging/Message.h"
#include "messaging/Messenger.h"
#include "support/List.h"

namespace BPrivate {

void SendScriptingReply(BMessage* request, BMessage* reply)
{
	request->ReplyToHandler(reply, nullptr, kInfinite);
}

void ReplyScriptingError(BMessage* request, status_t error, const char* text, uint32 what)
{
	BMessage reply(what);
	if (text != nullptr) {
		BString explanation(text);
		reply.AddText("message", &explanation);
	}
	reply.AddInt32("error", error);
	SendScriptingReply(request, &reply);
}

void ReplyCount(BMessage* request, int32 count)
{
	BMessage reply(kReplyCode);
	reply.AddInt32("result", count);
	SendScriptingReply(request, &reply);
}

void ReplyMessengers(BMessage* request, const BList& handlers)
{
	BMessage reply(kReplyCode);
	for (int32 i = 0; i < handlers.CountItems(); i++)
		reply.AddMessenger("result", BMessenger(static_cast<BHandler*>(handlers.ItemAt(i)), nullptr));
	SendScriptingReply(request, &reply);
}

}  // namespace BPrivate
