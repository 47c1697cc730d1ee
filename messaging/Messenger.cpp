// BMessenger: resolving tokens to direct targets and handing them message copies.
#include "messaging/Messenger.h"

#include "kernel/SystemTime.h"
#include "messaging/DirectMessageTarget.h"
#include "messaging/Looper.h"
#include "messaging/Message.h"
#include "support/DebugFormat.h"

#include <windows.h>

#include <cstdint>

using BPrivate::BDirectMessageTarget;

namespace {

// The caller's bits a send passes on: all but the preferred-target bit, which
// the messenger sets. A forwarded message keeps its own reply duty, so the
// caller's sender-waits and reply-required bits give way to the message's.
constexpr uint32 kTransportMask = ~kPreferredTargetFlag;
constexpr uint32 kForwardedTransportMask = ~(kPreferredTargetFlag | kSenderWaitsFlag | kReplyRequiredFlag);

// Constant-initialised, so that it is invalid before any start-up code runs.
BMessenger gApplicationMessenger;

// The return address of a send on behalf of `handler`: its token, and its
// looper's token and this team while the looper is listed; otherwise invalid,
// so that the send falls back to the application messenger.
BMessenger ReplyMessengerFor(const BHandler* handler)
{
	if (handler == nullptr)
		return BMessenger();
	token_t looperToken = kNoToken;
	BLooper* looper = handler->Looper();
	if (looper == nullptr || BPrivate::ListedLooperToken(looper, &looperToken) != kOk)
		return BMessenger();
	return BMessenger::FromParts(looperToken, handler->Token(), CurrentTeam(), false);
}

}  // namespace

int32 CurrentTeam()
{
	// The current-process call answers a pseudo-handle, the same in every
	// process; it is read once and kept.
	static const int32 team = static_cast<int32>(reinterpret_cast<intptr_t>(GetCurrentProcess()));
	return team;
}

const BMessenger& ApplicationMessenger()
{
	return gApplicationMessenger;
}

void SetApplicationMessenger(const BMessenger& messenger)
{
	gApplicationMessenger = messenger;
}

BMessenger::BMessenger(const BHandler* handler, const BLooper* looper, status_t* status)
	: BMessenger()
{
	status_t result;
	if (handler != nullptr) {
		const BLooper* owner = handler->Looper();
		if (owner == nullptr || (looper != nullptr && looper != owner)) {
			result = kMismatchedValues;
		} else {
			fHandlerToken = handler->Token();
			result = AddressLooper(owner);
		}
	} else if (looper == nullptr) {
		result = kBadValue;
	} else {
		// Listed first: a looper that is gone must not be read.
		result = AddressLooper(looper);
		if (result == kOk) {
			fHandlerToken = looper->Token();
			fPreferred = 1;
		}
	}
	if (result != kOk)
		*this = BMessenger();
	if (status != nullptr)
		*status = result;
}

status_t BMessenger::AddressLooper(const BLooper* looper)
{
	token_t looperToken = kNoToken;
	status_t status = BPrivate::ListedLooperToken(looper, &looperToken);
	if (status != kOk)
		return kNotALooper;
	fLooperToken = looperToken;
	fTeam = CurrentTeam();
	return kOk;
}

bool BMessenger::operator==(const BMessenger& other) const
{
	return fLooperToken == other.fLooperToken && fHandlerToken == other.fHandlerToken &&
		fPreferred == other.fPreferred;
}

bool BMessenger::IsValid() const
{
	return fLooperToken != kNoToken && gDefaultTokens.CheckToken(fLooperToken, kAnyTokenType);
}

BHandler* BMessenger::Target(BLooper** looper) const
{
	BHandler* handler = nullptr;
	void* object = nullptr;
	if (!fPreferred && fHandlerToken != kNoToken &&
		gDefaultTokens.GetToken(fHandlerToken, kHandlerTokenType, &object) == kOk)
		handler = static_cast<BHandler*>(object);
	if (looper != nullptr)
		*looper = fLooperToken == kNoToken ? nullptr : BPrivate::ListedLooperWithToken(fLooperToken);
	return handler;
}

status_t BMessenger::Send(BMessage* message, const BMessenger& replyTo, uint32 transportBits,
	bigtime_t timeout) const
{
	return SendAt(message, replyTo, transportBits, timeout, 0);
}

status_t BMessenger::Send(BMessage* message, const BHandler* replyTo, bigtime_t timeout) const
{
	return SendAt(message, ReplyMessengerFor(replyTo), kDefaultTransportBits, timeout, 0);
}

// Direct delivery never blocks, so the timeout has nothing to limit.
status_t BMessenger::SendAt(BMessage* message, const BMessenger& replyTo, uint32 transportBits, bigtime_t,
	bigtime_t earliest) const
{
	if (fLooperToken == kNoToken)
		return kBadTarget;
	if (message == nullptr)
		return kBadValue;
	bigtime_t now = SystemTimeMicros();
	bigtime_t when = earliest > now ? earliest : now;

	// Only a target of this team can be reached directly; the reference keeps
	// it alive through the delivery even while its looper is being destroyed.
	BDirectMessageTarget* target = nullptr;
	if (fTeam == CurrentTeam()) {
		target = gDefaultTokens.GetTokenTarget(fHandlerToken, kAnyTokenType);
		if (target == nullptr)
			return kBadTarget;
	}

	uint32 flags = fPreferred ? kPreferredTargetFlag : 0;
	bool forwarding = message->IsDelivered();
	BMessenger returnTo;
	if (forwarding) {
		// A received message passed on keeps its return address, and the duty
		// to reply goes with it to the new receiver.
		returnTo = message->ReplyAddress();
		flags |= transportBits & kForwardedTransportMask;
		if (message->SenderWaits())
			flags |= kSenderWaitsFlag;
		else if (message->NeedsReply())
			flags |= kReplyRequiredFlag;
	} else {
		returnTo = replyTo.IsValid() ? replyTo : ApplicationMessenger();
		flags |= transportBits & kTransportMask;
	}

	bool handedOver = false;
	status_t status = message->DeliverCopy(target, when, fHandlerToken, returnTo, flags, &handedOver);
	// The copy carries the duty to reply from here on: the new receiver
	// answers, or, when its looper went away during the send, the copy's own
	// destruction already sent the automatic reply. Either way the forwarded
	// message must not answer a second time.
	if (handedOver && forwarding)
		message->MarkReplySent();
	if (target != nullptr)
		target->Release();
	return status;
}

void BMessenger::PrintTo(BDataIO* stream) const
{
	using BPrivate::Hex32;
	BPrivate::DebugOut out(stream);
	out << "BMessenger(ltoken=" << Hex32{static_cast<uint32>(fLooperToken)} << ", team="
		<< Hex32{static_cast<uint32>(fTeam)} << (fPreferred ? ", target=preferred:" : ", target=direct:");
	if (fHandlerToken == kNoToken)
		out << "NONE";
	else
		out << Hex32{static_cast<uint32>(fHandlerToken)};
	out << ")";
}
