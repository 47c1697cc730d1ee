// The replies of scripting: how every scripted object (handler, looper,
// application) answers a request, so that all of them answer alike.
//
// Each reply goes back to the request's return address with no reply-to
// handler and no time limit. A reply that cannot take its result (memory ran
// out) becomes an answer with the error instead, so that no requester is left
// waiting for nothing. Called on the thread that handles the request.
#pragma once

#include "messaging/MessageCodes.h"
#include "support/SupportDefs.h"

class BList;
class BMessage;

namespace BPrivate {

// Sends `reply` back to the request's sender.
void SendScriptingReply(BMessage* request, BMessage* reply);
// Adds `status` as the int32 field "error" to `reply` and sends it.
void SendScriptingAnswer(BMessage* request, BMessage* reply, status_t status);
// 'MNOT' (or `what`) with the text field "message" when a text is given, and
// the int32 field "error".
void ReplyScriptingError(BMessage* request, status_t error, const char* text = nullptr,
	uint32 what = kNotUnderstood);
// 'RPLY' with the int32 field "result".
void ReplyCount(BMessage* request, int32 count);
// 'RPLY' with one messenger "result" per BHandler* of the list, in list order,
// each addressing the handler on its own looper.
void ReplyMessengers(BMessage* request, const BList& handlers);

}  // namespace BPrivate
