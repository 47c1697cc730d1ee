// BLooper: dispatching one message, filters, specifier resolution, the quit
// request and the looper's own scripting. All of it runs on the looper's
// thread (or a thread that holds the looper's lock).
#include "messaging/Looper.h"

#include "kernel/DebuggerHook.h"
#include "messaging/Message.h"
#include "messaging/MessageFilter.h"
#include "messaging/PropertyInfo.h"
#include "messaging/ScriptingReplies.h"

#include <cstdlib>

namespace {

constexpr char kLooperSuite[] = "suite/vnd.Be-looper";
// The extra data of the "Handler" entry reached by index.
constexpr uint32 kHandlerByIndex = 1;

const property_info kLooperProperties[] = {
	{"Handler", {}, {kIndexSpecifier, kReverseIndexSpecifier}, nullptr, kHandlerByIndex, {}, {}, {}},
	{"Handlers", {kGetProperty}, {kDirectSpecifier}, nullptr, 0, {kMessengerType}, {}, {}},
	{"Handler", {kCountProperties}, {kDirectSpecifier}, nullptr, 0, {kInt32Type}, {}, {}},
	{},
};

}  // namespace

// --- dispatch ---

void BLooper::DispatchOne(BMessage* message, BHandler* handler, token_t token, bool preferred)
{
	if (message == nullptr)
		return;
	if (!Lock()) {
		delete message;
		return;
	}
	BMessage* previous = fCurrentMessage;
	fCurrentMessage = message;
	try {
		BHandler* target = FindTarget(handler, token, preferred);
		bool attached = target == nullptr || fHandlers.HasItem(target);
		if (attached && ResolveSpecifiers(message, &target))
			DispatchFiltered(message, target);
	} catch (...) {
		// The loop ends at its next look at the quit flag; the lock stays held
		// until the looper is destroyed.
		fCurrentMessage = previous;
		SetQuitFlag();
		delete message;
		return;
	}
	fCurrentMessage = previous;
	Unlock();
	delete message;
}

BHandler* BLooper::FindTarget(BHandler* handler, token_t token, bool preferred)
{
	if (preferred)
		return fPreferred != nullptr ? fPreferred : this;
	if (handler != nullptr)
		return handler;
	void* object = nullptr;
	if (token == kNoToken || gDefaultTokens.GetToken(token, kHandlerTokenType, &object) != kOk)
		return nullptr;
	return static_cast<BHandler*>(object);
}

void BLooper::DispatchFiltered(BMessage* message, BHandler* handler)
{
	handler = ApplyFilters(nullptr, message, handler);
	if (handler == nullptr)
		return;
	if (handler->Looper() != this) {
		DebuggerHook("Handler returned by (L) FilterMessage does not belong to the looper");
		return;
	}
	handler = ApplyHandlerFilters(message, handler);
	if (handler != nullptr)
		DispatchToHandler(message, handler);
}

BHandler* BLooper::ApplyFilters(const BHandler* owner, BMessage* message, BHandler* handler)
{
	// The list is read again at every step, so that filters a filter adds or
	// removes are taken into account.
	for (int32 i = 0;; i++) {
		BList* filters = owner != nullptr ? owner->FilterList() : fCommonFilters;
		if (filters == nullptr || i >= filters->CountItems())
			return handler;
		MessageFilter* filter = static_cast<MessageFilter*>(filters->ItemAtFast(i));
		filter->SetLooper(this);
		if (filter->AppliesTo(*message) && filter->Ask(message, &handler) == kSkipMessage)
			return nullptr;
	}
}

BHandler* BLooper::ApplyHandlerFilters(BMessage* message, BHandler* handler)
{
	while (handler != nullptr) {
		BHandler* result = ApplyFilters(handler, message, handler);
		if (result == nullptr)
			return nullptr;
		if (result->Looper() != this) {
			DebuggerHook("Handler returned by (H) FilterMessage does not belong to the looper");
			return nullptr;
		}
		if (result == handler)
			return handler;
		handler = result;
	}
	return nullptr;
}

void BLooper::DispatchToHandler(BMessage* message, BHandler* handler)
{
	switch (message->what) {
	case kQuitRequested:
	case kNoDocuments:
		if (handler == this)
			ProcessQuitRequest(message);
		else
			handler->HandleMessage(message);
		break;
	case kQuitNow:
		SetQuitFlag();
		break;
	case kForceQuit:
		Quit();
		break;
	default:
		handler->HandleMessage(message);
		break;
	}
}

void BLooper::ProcessQuitRequest(BMessage* message)
{
	bool wantsReply = message->SenderWaits();
	if (!wantsReply) {
		bool asked = false;
		wantsReply = message->GetBool("wants_reply", &asked) == kOk && asked;
	}
	bool quit = ConfirmQuit();
	if (wantsReply) {
		BMessage reply(kReplyCode);
		status_t status = reply.AddBool("result", quit);
		if (status == kOk)
			status = reply.AddInt32("thread", fThread);
		if (status == kOk)
			BPrivate::SendScriptingReply(message, &reply);
		else
			BPrivate::ReplyScriptingError(message, status, nullptr, kReplyCode);
	}
	if (quit)
		Quit();
}

// --- specifier resolution ---

bool BLooper::ResolveSpecifiers(BMessage* message, BHandler** handler)
{
	if (!message->HasSpecifiers())
		return true;
	// Only the index is wanted here; -1 means no specifier is left.
	int32 index = -1;
	(void)message->CurrentSpecifier(&index);
	if (index < 0)
		return true;
	BHandler* resolved = ResolveFrom(*handler != nullptr ? *handler : this, message);
	if (resolved == nullptr)
		return false;
	*handler = resolved;
	return true;
}

BHandler* BLooper::ResolveFrom(BHandler* start, BMessage* message)
{
	for (;;) {
		int32 index = -1;
		BMessage specifier;
		uint32 form = 0;
		BString property;
		status_t status = message->CurrentSpecifier(&index, &specifier, &form, &property);
		if (status != kOk) {
			BPrivate::ReplyScriptingError(message, status, nullptr, kReplyCode);
			return nullptr;
		}
		char* name = property.ToUtf8();
		BHandler* result = start->ResolveSpecifier(message, index, &specifier, static_cast<int32>(form),
			name != nullptr ? name : "");
		free(name);
		if (result != nullptr && !fHandlers.HasItem(result)) {
			DebuggerHook("Handler returned by ResolveSpecifier does not belong to this looper");
			result = nullptr;
		}
		// The resolver may have stepped the index on, or back.
		(void)message->CurrentSpecifier(&index);
		if (result == nullptr || result == start || index < 0)
			return result;
		start = result;
	}
}

// --- the looper's own scripting ---

BHandler* BLooper::ResolveSpecifier(BMessage* message, int32 index, BMessage* specifier, int32 form,
	const char* property)
{
	BPropertyInfo info(kLooperProperties);
	uint32 extra = 0;
	if (info.MatchRequest(message, index, specifier, static_cast<uint32>(form), property, &extra) < 0)
		return BHandler::ResolveSpecifier(message, index, specifier, form, property);
	if (extra != kHandlerByIndex)
		return this;
	int32 handlerIndex = 0;
	if (specifier == nullptr || specifier->GetInt32("index", &handlerIndex) != kOk)
		handlerIndex = 0;
	if (static_cast<uint32>(form) == kReverseIndexSpecifier)
		handlerIndex = CountHandlers() - handlerIndex;
	BHandler* target = HandlerAt(handlerIndex);
	if (target == nullptr) {
		BPrivate::ReplyScriptingError(message, kBadIndex, "handler index out of range");
		return nullptr;
	}
	// The request is being resolved, so it has a current specifier to drop.
	(void)message->DropSpecifier();
	return target;
}

void BLooper::HandleMessage(BMessage* message)
{
	int32 index = -1;
	BMessage specifier;
	uint32 form = 0;
	BString property;
	if (message->CurrentSpecifier(&index, &specifier, &form, &property) != kOk) {
		BHandler::HandleMessage(message);
		return;
	}
	if (message->what == kCountProperties && property == "Handler")
		BPrivate::ReplyCount(message, CountHandlers());
	else if (message->what == kGetProperty && property == "Handlers")
		BPrivate::ReplyMessengers(message, fHandlers);
	else
		BHandler::HandleMessage(message);
}

status_t BLooper::AddSuitesToReply(BMessage* reply)
{
	BString suite(kLooperSuite);
	status_t status = reply->AddText("suites", &suite);
	BPropertyInfo info(kLooperProperties);
	if (status == kOk)
		status = reply->AddFlattenable("messages", &info);
	if (status != kOk)
		return status;
	return BHandler::AddSuitesToReply(reply);
}
