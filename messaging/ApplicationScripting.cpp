// BApplication's scripting: the windows and loopers of the process by index,
// name or id, their counts and messengers, and the application's name. Runs
// on the application thread with the application locked.
#include "messaging/Application.h"

#include "messaging/LooperList.h"
#include "messaging/Message.h"
#include "messaging/Messenger.h"
#include "messaging/PropertyInfo.h"
#include "messaging/ScriptingReplies.h"

namespace {

// The extra data of each row says how the request is resolved.
enum ApplicationProperty : uint32 {
	kWindowByIndex = 0,
	kWindowByName = 1,
	kLooperByIndex = 2,
	kLooperById = 3,
	kLooperByName = 4,
	kApplicationItself = 5,
};

const property_info kApplicationProperties[] = {
	{"Window", {}, {kIndexSpecifier, kReverseIndexSpecifier}, nullptr, kWindowByIndex, {}, {}, {}},
	{"Window", {}, {kNameSpecifier}, nullptr, kWindowByName, {}, {}, {}},
	{"Looper", {}, {kIndexSpecifier, kReverseIndexSpecifier}, nullptr, kLooperByIndex, {}, {}, {}},
	{"Looper", {}, {kIdSpecifier}, nullptr, kLooperById, {}, {}, {}},
	{"Looper", {}, {kNameSpecifier}, nullptr, kLooperByName, {}, {}, {}},
	{"Name", {kGetProperty}, {kDirectSpecifier}, nullptr, kApplicationItself, {kUtf8Type}, {}, {}},
	{"Window", {kCountProperties}, {kDirectSpecifier}, nullptr, kApplicationItself, {kInt32Type}, {}, {}},
	{"Loopers", {kGetProperty}, {kDirectSpecifier}, nullptr, kApplicationItself, {kMessengerType}, {}, {}},
	{"Windows", {kGetProperty}, {kDirectSpecifier}, nullptr, kApplicationItself, {kMessengerType}, {}, {}},
	{"Looper", {kCountProperties}, {kDirectSpecifier}, nullptr, kApplicationItself, {kInt32Type}, {}, {}},
	{},
};

// Steps past the current specifier and sends the request on to `target`.
status_t SendOn(BMessage* message, const BHandler* handler, const BLooper* looper)
{
	status_t status = kOk;
	BMessenger target(handler, looper, &status);
	if (status != kOk)
		return status;
	status = message->DropSpecifier();
	if (status != kOk)
		return status;
	return target.Send(message);
}

}  // namespace

BHandler* BApplication::ResolveSpecifier(BMessage* message, int32 index, BMessage* specifier, int32 form,
	const char* property)
{
	BPropertyInfo info(kApplicationProperties);
	uint32 resolution = 0;
	if (info.MatchRequest(message, index, specifier, form, property, &resolution) < 0)
		return BLooper::ResolveSpecifier(message, index, specifier, form, property);

	status_t status = kOk;
	switch (resolution) {
	case kWindowByIndex:
	case kLooperByIndex:
		status = ResolveByIndex(message, specifier, form, resolution == kWindowByIndex);
		break;
	case kWindowByName:
	case kLooperByName:
		status = ResolveByName(message, specifier, resolution == kWindowByName);
		break;
	case kLooperById:
		status = ResolveById(message, specifier);
		break;
	default:
		return this;
	}
	if (status != kOk) {
		bool outOfRange = status == kBadIndex && (resolution == kWindowByIndex || resolution == kLooperByIndex);
		BPrivate::ReplyScriptingError(message, status, outOfRange ? "window/looper index out of range" : nullptr);
	}
	return nullptr;
}

status_t BApplication::ResolveByIndex(BMessage* message, BMessage* specifier, int32 form, bool windows)
{
	int32 index = 0;
	specifier->GetInt32("index", &index);
	if (form == static_cast<int32>(kReverseIndexSpecifier))
		index = (windows ? CountWindows() : CountLoopers()) - index;
	BLooper* target = windows ? WindowAt(index) : LooperAt(index);
	if (target == nullptr)
		return kBadIndex;
	return SendOn(message, target, target);
}

status_t BApplication::ResolveByName(BMessage* message, BMessage* specifier, bool windows)
{
	BString name;
	specifier->GetText("name", &name);
	if (name.IsEmpty())
		return kBadScriptRequest;
	for (;;) {
		int32 changes = BPrivate::LooperListChanges();
		BList loopers(10);
		SnapshotLoopers(&loopers, windows);
		for (int32 i = 0; i < loopers.CountItems(); i++) {
			BLooper* looper = static_cast<BLooper*>(loopers.ItemAt(i));
			// A window's name is its title.
			if (!looper->Lock())
				break;
			bool matches = looper->Name().Compare(name) == 0;
			looper->Unlock();
			if (matches)
				return SendOn(message, looper, looper);
		}
		// A looper created or destroyed meanwhile may be the one asked for.
		if (BPrivate::LooperListChanges() == changes)
			return kNameNotFound;
	}
}

status_t BApplication::ResolveById(BMessage* message, BMessage* specifier)
{
	int32 id = kNoToken;
	specifier->GetInt32("id", &id);
	void* handler = nullptr;
	if (gDefaultTokens.GetToken(id, kHandlerTokenType, &handler) != kOk)
		return kNoSuchHandler;
	return SendOn(message, static_cast<BHandler*>(handler), nullptr);
}

bool BApplication::HandlePropertyRequest(BMessage* message, int32, BMessage*, uint32, const BString& property)
{
	switch (message->what) {
	case kCountProperties:
		if (property == "Window") {
			BPrivate::ReplyCount(message, CountWindows());
			return true;
		}
		if (property == "Looper") {
			BPrivate::ReplyCount(message, CountLoopers());
			return true;
		}
		return false;
	case kGetProperty:
		if (property == "Name") {
			ReplyName(message);
			return true;
		}
		if (property == "Loopers" || property == "Windows") {
			ReplyMessengersOf(message, property == "Windows");
			return true;
		}
		return false;
	default:
		return false;
	}
}

void BApplication::ReplyMessengersOf(BMessage* message, bool windowsOnly)
{
	BList loopers(10);
	SnapshotLoopers(&loopers, windowsOnly);
	BPrivate::ReplyMessengers(message, loopers);
}

void BApplication::ReplyName(BMessage* message)
{
	// The table promises a string; the application's name is the one it has.
	BMessage reply(kReplyCode);
	status_t status = reply.AddText("result", &fApplicationName);
	if (status != kOk) {
		BPrivate::ReplyScriptingError(message, status, nullptr, kReplyCode);
		return;
	}
	BPrivate::SendScriptingReply(message, &reply);
}

status_t BApplication::AddSuitesToReply(BMessage* reply)
{
	BString suite("suite/vnd.Be-application");
	status_t status = reply->AddText("suites", &suite);
	BPropertyInfo info(kApplicationProperties);
	if (status == kOk)
		status = reply->AddFlattenable("messages", &info);
	if (status != kOk)
		return status;
	return BLooper::AddSuitesToReply(reply);
}
