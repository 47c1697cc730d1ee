// MessageFilter: a test that runs on a message before a handler gets it.
//
// A filter applies to one command or to every command, to dropped messages,
// messages that were not dropped or both, and to messages from this team, from
// another team or both. An applying filter is asked through its hook function
// when it has one, else through its Filter operation; the answer says whether
// the message is dispatched, and the filter may name another handler for it.
//
// A filter belongs to at most one handler or looper list at a time, which sets
// its looper; it runs on that looper's thread with the looper locked.
#pragma once

#include "support/SupportDefs.h"

class BHandler;
class BLooper;
class BMessage;
class MessageFilter;

// 0 skips the message; any other answer dispatches it.
typedef int32 filter_result;
constexpr filter_result kSkipMessage = 0;
constexpr filter_result kDispatchMessage = 1;

enum message_delivery : int32 {
	kAnyDelivery = 0,
	kDroppedDelivery = 1,     // only messages with a "be:drop pt" field
	kProgrammedDelivery = 2,  // only messages without one
};

enum message_source : int32 {
	kAnySource = 0,
	kRemoteSource = 1,  // only messages from another team
	kLocalSource = 2,   // only messages from this team
};

// Called instead of Filter when set; may change *target.
typedef filter_result (*filter_hook)(BMessage* message, BHandler** target, MessageFilter* filter);

class MessageFilter {
public:
	// Applies to `command` from any source and delivery.
	explicit MessageFilter(uint32 command, filter_hook hook = nullptr);
	// Applies to every command.
	MessageFilter(message_delivery delivery, message_source source, filter_hook hook = nullptr);
	MessageFilter(message_delivery delivery, message_source source, uint32 command, filter_hook hook = nullptr);
	virtual ~MessageFilter();
	MessageFilter(const MessageFilter&) = delete;
	MessageFilter& operator=(const MessageFilter&) = delete;

	// Asked for the messages the filter applies to, when there is no hook;
	// dispatches by default.
	virtual filter_result Filter(BMessage* message, BHandler** target);

	// Whether the command, delivery and source criteria all hold; a delivery or
	// source outside the known values never holds.
	bool AppliesTo(const BMessage& message) const;
	// The hook's answer when there is one, else Filter's.
	filter_result Ask(BMessage* message, BHandler** target);

	bool FiltersAnyCommand() const { return fAnyCommand; }
	uint32 Command() const { return fCommand; }
	message_delivery MessageDelivery() const { return static_cast<message_delivery>(fDelivery); }
	message_source MessageSource() const { return static_cast<message_source>(fSource); }
	filter_hook FilterFunction() const { return fHook; }
	// The looper the filter is attached to; non-null while it is in use.
	BLooper* Looper() const { return fLooper; }

private:
	friend class BHandler;
	friend class BLooper;

	void SetLooper(BLooper* looper) { fLooper = looper; }

	bool fAnyCommand;
	uint32 fCommand;
	int32 fDelivery;
	int32 fSource;
	BLooper* fLooper = nullptr;
	filter_hook fHook;
};
