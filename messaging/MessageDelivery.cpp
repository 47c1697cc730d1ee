// BMessage delivery: the delivery record a send writes, return addresses and
// replies, including the automatic reply of a message that goes unanswered.
#include "messaging/Message.h"

#include "messaging/DirectMessageTarget.h"
#include "messaging/MessageCodes.h"
#include "messaging/Messenger.h"

#include <new>

using namespace BPrivate;

namespace {

constexpr char kPreviousField[] = "_previous_";

}  // namespace

status_t BMessage::DeliverCopy(BDirectMessageTarget* target, bigtime_t when, int32 handlerToken,
	const BMessenger& returnTo, uint32 flags, bool* handedOver) const
{
	*handedOver = false;
	if (target == nullptr)
		return kError;
	BMessageRecord record;
	record.target = handlerToken;
	record.replyLooper = returnTo.LooperToken();
	record.replyHandler = returnTo.HandlerToken();
	record.replyTeam = returnTo.Team();
	record.flags = (flags & ~kReturnPreferredFlag) | (returnTo.IsPreferredTarget() ? kReturnPreferredFlag : 0) |
		kDeliveredFlag;
	BMessage* copy = new (std::nothrow) BMessage(*this);
	if (copy == nullptr)
		return kNoMemory;
	copy->fRecord = record;
	copy->SetWhen(when);
	*handedOver = true;
	return target->DeliverMessage(copy);
}

void BMessage::MarkReplySent()
{
	fRecord.flags |= kReplySentFlag;
}

void BMessage::SendAutomaticReply()
{
	// A sender that has gone cannot be told.
	BMessage reply(kAutomaticReply);
	(void)ReplyToHandler(&reply, nullptr, kInfinite);
}

bool BMessage::IsFromOtherTeam() const
{
	return IsDelivered() && fRecord.replyTeam != CurrentTeam();
}

bool BMessage::IsAddressedTo(const BMessenger& messenger) const
{
	bool toPreferred = (fRecord.flags & kPreferredTargetFlag) != 0;
	return IsDelivered() && messenger.Team() == CurrentTeam() && messenger.HandlerToken() == fRecord.target &&
		messenger.IsPreferredTarget() == toPreferred;
}

BMessenger BMessage::ReplyAddress() const
{
	if (!IsDelivered())
		return BMessenger();
	return BMessenger::FromParts(fRecord.replyLooper, fRecord.replyHandler, fRecord.replyTeam,
		(fRecord.flags & kReturnPreferredFlag) != 0);
}

status_t BMessage::Reply(BMessage* reply, const BMessenger& replyTo, uint32 transportBits, bigtime_t timeout)
{
	if (reply == nullptr)
		return kBadValue;
	BMessenger returnTo = ReplyAddress();
	if (!returnTo.IsValid())
		return kNoReplyAddress;
	uint32 flags = transportBits | kIsReplyFlag;
	status_t status;
	if ((fRecord.flags & kSenderWaitsFlag) != 0) {
		if ((fRecord.flags & kReplySentFlag) != 0)
			return kReplyAlreadySent;
		status = returnTo.Send(reply, replyTo, flags, timeout);
	} else {
		// A sender that does not wait may need to know what the reply answers.
		bool carriesPrevious = reply != this && reply->AddNestedMessage(kPreviousField, this) == kOk;
		status = returnTo.Send(reply, replyTo, flags, timeout);
		// Added just above, so it is there to remove.
		if (carriesPrevious)
			(void)reply->RemoveField(kPreviousField);
	}
	if (status == kOk)
		MarkReplySent();
	return status;
}

status_t BMessage::ReplyToHandler(BMessage* reply, const BHandler* replyTo, bigtime_t timeout)
{
	// Without a handler the messenger stays invalid and the send gives the
	// application as the return address.
	BMessenger replyMessenger;
	if (replyTo != nullptr)
		replyMessenger = BMessenger(replyTo, nullptr);
	return Reply(reply, replyMessenger, kDefaultTransportBits, timeout);
}
