// BHandler: token, looper and next handler, filters, observers and the
// handler's scripting suite.
#include "messaging/Handler.h"

#include "kernel/DebuggerHook.h"
#include "messaging/Looper.h"
#include "messaging/Message.h"
#include "messaging/MessageFilter.h"
#include "messaging/Messenger.h"
#include "messaging/ObserverList.h"
#include "messaging/PropertyInfo.h"
#include "messaging/ScriptingReplies.h"

#include <new>

namespace {

constexpr char kHandlerSuite[] = "suite/vnd.Be-handler";
constexpr char kNotUnderstoodText[] = "Didn't understand the specifier(s)";

const property_info kHandlerProperties[] = {
	{"Suites", {kGetProperty}, {kDirectSpecifier}, nullptr, 0, {},
		{{{{"suites", kUtf8Type}, {"messages", kPropertyInfoType}}}}, {}},
	{"Messenger", {kGetProperty}, {kDirectSpecifier}, nullptr, 0, {kMessengerType}, {}, {}},
	{"InternalName", {kGetProperty}, {kDirectSpecifier}, nullptr, 0, {kUtf8Type}, {}, {}},
	{},
};

// The 'MNOT' answer to a scripting request that no handler understood.
void ReplySpecifiersNotUnderstood(BMessage* message)
{
	BPrivate::ReplyScriptingError(message, kBadScriptRequest, kNotUnderstoodText);
}

// The observer and code of a start- or stop-observing request; false without
// an observer. A missing code means 0.
bool ReadObserverRequest(const BMessage* message, BMessenger* observer, uint32* what)
{
	if (message->GetMessenger(kObserveTargetField, observer) != kOk)
		return false;
	int32 code;
	message->GetInt32(kObserveChangeField, &code);
	*what = static_cast<uint32>(code);
	return true;
}

}  // namespace

BHandler::BHandler(const char* name)
	: BHandler(BString(name))
{
}

BHandler::BHandler(const BString& name)
	: fToken(gDefaultTokens.NewToken(kHandlerTokenType, this)),
	  fName(name),
	  fValidity(new ValidAtom)
{
}

BHandler::~BHandler()
{
	// A looper that is gone no longer lets itself be locked; then there is
	// nothing to detach from.
	if (BLooper* looper = fLooper) {
		if (looper->Lock()) {
			looper->RemoveHandler(this);
			looper->Unlock();
		}
	}
	fName = BString();
	gDefaultTokens.RemoveToken(fToken);
	// Not SetFilterList: the filters go even when a vanished looper left the
	// lock check nothing to test.
	DeleteOwnFilters();
	delete fObservers;
	fObservers = nullptr;
	if (fValidity) {
		fValidity->fValid.store(false, std::memory_order_release);
		fValidity->fAlive.store(false, std::memory_order_release);
	}
	fValidity.Clear();
}

void BHandler::_ReservedHandler1() {}
void BHandler::_ReservedHandler2() {}
void BHandler::_ReservedHandler3() {}
void BHandler::_ReservedHandler4() {}
void BHandler::_ReservedHandler5() {}
void BHandler::_ReservedHandler6() {}

status_t BHandler::Archive(BMessage* archive, bool deep) const
{
	status_t status = BArchivable::Archive(archive, deep);
	if (status == kOk && !fName.IsEmpty())
		status = archive->AddText("_name", &fName);
	return status;
}

void BHandler::SetLooper(BLooper* looper)
{
	fLooper = looper;
	if (fValidity)
		fValidity->fValid.store(looper != nullptr, std::memory_order_release);
	for (int32 i = 0; fFilters != nullptr && i < fFilters->CountItems(); i++)
		static_cast<MessageFilter*>(fFilters->ItemAtFast(i))->SetLooper(looper);
}

bool BHandler::LooperLockedFor(const char* report) const
{
	if (fLooper == nullptr || fLooper->IsLocked())
		return true;
	DebuggerHook(report);
	return false;
}

// --- next handler and filters ---

void BHandler::SetNextHandler(BHandler* next)
{
	if (fLooper == nullptr) {
		DebuggerHook("handler must belong to looper before setting NextHandler");
		return;
	}
	if (!fLooper->IsLocked()) {
		DebuggerHook("The handler's looper must be locked before setting NextHandler");
		return;
	}
	if (next != nullptr && next->Looper() != fLooper) {
		DebuggerHook("The handler and it's NextHandler must have the same looper");
		return;
	}
	fNextHandler = next;
}

void BHandler::AddFilter(MessageFilter* filter)
{
	if (!LooperLockedFor("Owning Looper must be locked before calling AddFilter") || filter == nullptr)
		return;
	if (filter->Looper() != nullptr) {
		DebuggerHook("A MessageFilter can only be used once.");
		return;
	}
	if (fFilters == nullptr)
		fFilters = new (std::nothrow) BList;
	if (fFilters == nullptr || !fFilters->AddItem(filter))
		return;
	filter->SetLooper(fLooper);
}

bool BHandler::RemoveFilter(MessageFilter* filter)
{
	if (!LooperLockedFor("Owning Looper must be locked before calling RemoveFilter"))
		return false;
	if (fFilters == nullptr || !fFilters->RemoveItem(static_cast<void*>(filter)))
		return false;
	filter->SetLooper(nullptr);
	return true;
}

void BHandler::SetFilterList(BList* filters)
{
	if (!LooperLockedFor("Owning Looper must be locked before calling SetFilterList"))
		return;
	if (filters == fFilters)
		return;
	DeleteOwnFilters();
	fFilters = filters;
	for (int32 i = 0; fFilters != nullptr && i < fFilters->CountItems(); i++)
		static_cast<MessageFilter*>(fFilters->ItemAtFast(i))->SetLooper(fLooper);
}

void BHandler::DeleteOwnFilters()
{
	if (fFilters == nullptr)
		return;
	for (int32 i = 0; i < fFilters->CountItems(); i++)
		delete static_cast<MessageFilter*>(fFilters->ItemAtFast(i));
	delete fFilters;
	fFilters = nullptr;
}

// --- observers ---

void BHandler::StartObserving(const BMessage* message)
{
	BMessenger observer;
	uint32 what;
	if (!ReadObserverRequest(message, &observer, &what))
		return;
	if (fObservers == nullptr)
		fObservers = new (std::nothrow) BPrivate::_ObserverList;
	if (fObservers != nullptr)
		fObservers->Add(observer, what);
}

void BHandler::StopObserving(const BMessage* message)
{
	BMessenger observer;
	uint32 what;
	if (fObservers != nullptr && ReadObserverRequest(message, &observer, &what))
		fObservers->Remove(observer, what);
}

void BHandler::NotifyObservers(uint32 what, const BMessage* message)
{
	if (fObservers != nullptr)
		fObservers->Notify(what, message);
}

// --- messages and scripting ---

void BHandler::HandleMessage(BMessage* message)
{
	switch (message->what) {
		case kStartObserving:
			StartObserving(message);
			return;
		case kStopObserving:
			StopObserving(message);
			return;
		case kGetProperty:
			if (AnswerProperty(message))
				return;
			break;
		case kGetSuites:
			AnswerSuites(message);
			return;
		default:
			break;
	}
	HandleUnclaimed(message);
}

bool BHandler::AnswerProperty(BMessage* message)
{
	// The index and property tell: -1 means no specifier, and a specifier
	// that cannot be read leaves the property empty, which no entry matches.
	int32 index;
	BString property;
	(void)message->CurrentSpecifier(&index, nullptr, nullptr, &property);
	BMessage reply(kReplyCode);
	status_t status;
	if (index < 0 || property == "Messenger")
		status = reply.AddMessenger("result", BMessenger(this, nullptr));
	else if (property == "InternalName")
		status = reply.AddText("result", &fName);
	else if (property == "Suites")
		status = AddSuitesToReply(&reply);
	else
		return false;
	BPrivate::SendScriptingAnswer(message, &reply, status);
	return true;
}

void BHandler::AnswerSuites(BMessage* message)
{
	BMessage reply(kReplyCode);
	BPrivate::SendScriptingAnswer(message, &reply, AddSuitesToReply(&reply));
}

void BHandler::HandleUnclaimed(BMessage* message)
{
	if (fNextHandler != nullptr) {
		// The next handler's own filters run first, as in dispatch.
		BLooper* looper = fNextHandler->Looper();
		BHandler* target = looper != nullptr ? looper->ApplyHandlerFilters(message, fNextHandler) : fNextHandler;
		if (target != nullptr)
			target->HandleMessage(message);
	} else if (message->HasDropPoint() && message->what != kNotUnderstood) {
		ReplyDropped(message);
	} else if (message->HasSpecifiers()) {
		ReplySpecifiersNotUnderstood(message);
	}
}

// A drop nobody took goes back to the sender with the drop point and offset,
// so that the drag source can tell where it ended; the answer names the
// handler it was dropped on.
void BHandler::ReplyDropped(BMessage* message)
{
	BPoint dropPoint;
	BPoint dropOffset;
	message->GetPoint("be:drop pt", &dropPoint);
	message->GetPoint("_drop_offset_", &dropOffset);
	BMessage reply(kNotUnderstood);
	status_t status = reply.AddPoint("_old_drop_point_", dropPoint);
	if (status == kOk)
		status = reply.AddPoint("_old_drop_offset_", dropOffset);
	// Without the points the sender could not tell where its drag ended.
	if (status != kOk) {
		BPrivate::ReplyScriptingError(message, status);
		return;
	}
	// A target that no longer resolves leaves the reply-to handler null: the
	// reply's own replies then go to the application.
	void* target = nullptr;
	(void)gDefaultTokens.GetToken(message->DeliveryRecord().target, kHandlerTokenType, &target);
	// A sender that has gone cannot be told.
	(void)message->ReplyToHandler(&reply, static_cast<BHandler*>(target), kInfinite);
}

BHandler* BHandler::ResolveSpecifier(BMessage* message, int32 index, BMessage* specifier, int32 form,
	const char* property)
{
	BPropertyInfo info(kHandlerProperties);
	if (info.MatchRequest(message, index, specifier, static_cast<uint32>(form), property) >= 0)
		return this;
	ReplySpecifiersNotUnderstood(message);
	return nullptr;
}

status_t BHandler::AddSuitesToReply(BMessage* reply)
{
	BString suite(kHandlerSuite);
	status_t status = reply->AddText("suites", &suite);
	BPropertyInfo info(kHandlerProperties);
	if (status == kOk)
		status = reply->AddFlattenable("messages", &info);
	return status;
}
