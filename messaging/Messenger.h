// BMessenger: the address of a handler by looper and handler tokens.
//
// A messenger is a plain value that any thread may copy, store in a message
// ('MSNG', 24 bytes, the layout below) and send through. It holds no pointers,
// so it stops working without faulting once its looper or handler is gone:
// every use resolves the tokens again in the token space.
#pragma once
#include "messaging/DeliveryFlags.h"
#include "messaging/TokenSpace.h"
#include "support/SupportDefs.h"

class BDataIO;
class BHandler;
class BLooper;
class BMessage;

class BMessenger {
public:
	// An invalid messenger: both tokens and the team -1. Constant, so that a
	// static messenger is invalid before any start-up code runs.
	constexpr BMessenger()
		: fLooperToken(kNoToken), fHandlerToken(kNoToken), fTeam(-1), fReserved{}, fPreferred(0), fPadding{}
	{
	}
	// Addresses `handler`, or with a null handler the preferred handler of
	// `looper`. *status (optional) receives 0, kBadValue, kMismatchedValues or
	// kNotALooper; on failure the messenger is invalid.
	BMessenger(const BHandler* handler, const BLooper* looper, status_t* status = nullptr);

	bool operator==(const BMessenger& other) const;
	bool operator!=(const BMessenger& other) const { return !(*this == other); }

	// The looper token is not -1 and still resolves.
	bool IsValid() const;
	// The handler named by the handler token (null for a preferred messenger or
	// a stale token); *looper (optional) receives the listed looper with the
	// messenger's looper token, or null.
	BHandler* Target(BLooper** looper) const;

	// Sends a heap copy of `message`; the caller keeps `message`.
	[[nodiscard]] status_t Send(BMessage* message, const BMessenger& replyTo, uint32 transportBits, bigtime_t timeout) const;
	[[nodiscard]] status_t Send(BMessage* message, const BHandler* replyTo = nullptr, bigtime_t timeout = kInfinite) const;

	// "BMessenger(ltoken=..., team=..., target=preferred:|direct:...)" on
	// `stream`, the numbers in eight upper-case hexadecimal digits.
	void PrintTo(BDataIO* stream) const;

	token_t LooperToken() const { return fLooperToken; }
	token_t HandlerToken() const { return fHandlerToken; }
	int32 Team() const { return fTeam; }
	bool IsPreferredTarget() const { return fPreferred != 0; }

	// Builds a messenger from raw fields (reply addresses, stored messengers).
	static BMessenger FromParts(token_t looperToken, token_t handlerToken, int32 team, bool preferred)
	{
		BMessenger messenger;
		messenger.fLooperToken = looperToken;
		messenger.fHandlerToken = handlerToken;
		messenger.fTeam = team;
		messenger.fPreferred = preferred ? 1 : 0;
		return messenger;
	}

private:
	// The send with an earliest delivery time; the later of it and now wins.
	[[nodiscard]] status_t SendAt(BMessage* message, const BMessenger& replyTo, uint32 transportBits, bigtime_t timeout,
		bigtime_t earliest) const;
	// Fills in the looper token and team of a listed looper; kNotALooper otherwise.
	[[nodiscard]] status_t AddressLooper(const BLooper* looper);

	int32 fLooperToken;
	int32 fHandlerToken;
	int32 fTeam;
	uint8 fReserved[8];
	uint8 fPreferred;
	uint8 fPadding[3];
};

static_assert(sizeof(BMessenger) == 24, "a messenger travels as 24 bytes");

// The team value stored in messengers of this process: the platform's
// current-process value, the same constant in every process.
int32 CurrentTeam();

// The messenger addressing the application looper; invalid until one exists.
// Sends without a valid reply-to messenger give it as their return address.
// Set by the application object while it is the only looper of the process.
const BMessenger& ApplicationMessenger();
void SetApplicationMessenger(const BMessenger& messenger);
