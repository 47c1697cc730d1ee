#include "messaging/MessageFilter.h"

#include "messaging/Message.h"

namespace {

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
			return message.IsFromOtherTeam();
		case kLocalSource:
			return !message.IsFromOtherTeam();
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
