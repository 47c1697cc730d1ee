#include "messaging/MessageFilter.h"

#include "messaging/Message.h"

#include <windows.h>

#include <cstdint>

namespace {

// Messengers record a team as the value of the current-process call, the same
// in every process.
int32 CurrentTeam()
{
	return static_cast<int32>(reinterpret_cast<intptr_t>(GetCurrentProcess()));
}

bool IsFromOtherTeam(const BMessage& message)
{
	return message.IsDelivered() && message.DeliveryRecord().replyTeam != CurrentTeam();
}

bool DeliveryHolds(int32 delivery, const BMessage& message)
{
	switch (delivery) {
		case kAnyDelivery:
			return true;
		case kDroppedDelivery:
			return message.HasDropPoint();
		case kProgrammedDelivery:
			return !message.HasDropPoint();
		default:
			return false;
	}
}

bool SourceHolds(int32 source, const BMessage& message)
{
	switch (source) {
		case kAnySource:
			return true;
		case kRemoteSource:
			return IsFromOtherTeam(message);
		case kLocalSource:
			return !IsFromOtherTeam(message);
		default:
			return false;
	}
}

}  // namespace

MessageFilter::MessageFilter(uint32 command, filter_hook hook)
	: fAnyCommand(false),
	  fCommand(command),
	  fDelivery(kAnyDelivery),
	  fSource(kAnySource),
	  fHook(hook)
{
}

MessageFilter::MessageFilter(message_delivery delivery, message_source source, filter_hook hook)
	: fAnyCommand(true),
	  fCommand(0),
	  fDelivery(delivery),
	  fSource(source),
	  fHook(hook)
{
}

MessageFilter::MessageFilter(message_delivery delivery, message_source source, uint32 command, filter_hook hook)
	: fAnyCommand(false),
	  fCommand(command),
	  fDelivery(delivery),
	  fSource(source),
	  fHook(hook)
{
}

MessageFilter::~MessageFilter() = default;

filter_result MessageFilter::Filter(BMessage*, BHandler**)
{
	return kDispatchMessage;
}

bool MessageFilter::AppliesTo(const BMessage& message) const
{
	return (fAnyCommand || fCommand == message.what) && DeliveryHolds(fDelivery, message) &&
		SourceHolds(fSource, message);
}

filter_result MessageFilter::Ask(BMessage* message, BHandler** target)
{
	if (fHook != nullptr)
		return fHook(message, target, this);
	return Filter(message, target);
}
