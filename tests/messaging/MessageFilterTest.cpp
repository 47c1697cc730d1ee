#include "messaging/Message.h"
#include "messaging/MessageFilter.h"

#include <gtest/gtest.h>

namespace {

constexpr uint32 kWanted = FourCC("WANT");
constexpr uint32 kOther = FourCC("OTHR");
// The team every messenger of this process records.
constexpr int32 kThisTeam = -1;

BMessage Dropped(uint32 what)
{
	BMessage message(what);
	const float point[2] = {3, 4};
	EXPECT_EQ(message.AddData("be:drop pt", kPointType, point, sizeof(point)), kOk);
	return message;
}

// The delivery record is not copied with a message, so it is set in place.
void MarkDeliveredFrom(BMessage* message, int32 team)
{
	BPrivate::BMessageRecord record;
	record.replyTeam = team;
	record.flags = kDeliveredFlag | 8;
	message->SetDeliveryRecord(record);
}

TEST(MessageFilterCriteria, ACommandFilterTakesOnlyItsCommand)
{
	MessageFilter filter(kWanted);
	EXPECT_FALSE(filter.FiltersAnyCommand());
	EXPECT_EQ(filter.Command(), kWanted);
	EXPECT_TRUE(filter.AppliesTo(BMessage(kWanted)));
	EXPECT_FALSE(filter.AppliesTo(BMessage(kOther)));
	// Dropped or delivered from elsewhere makes no difference to it.
	EXPECT_TRUE(filter.AppliesTo(Dropped(kWanted)));
	BMessage fromThere(kWanted);
	MarkDeliveredFrom(&fromThere, 1234);
	EXPECT_TRUE(filter.AppliesTo(fromThere));

	MessageFilter any(kAnyDelivery, kAnySource);
	EXPECT_TRUE(any.FiltersAnyCommand());
	EXPECT_TRUE(any.AppliesTo(BMessage(kWanted)));
	EXPECT_TRUE(any.AppliesTo(BMessage(0)));
	EXPECT_EQ(any.Looper(), nullptr);
}

TEST(MessageFilterCriteria, DeliveryTellsDroppedMessagesFromOthers)
{
	MessageFilter dropped(kDroppedDelivery, kAnySource);
	MessageFilter programmed(kProgrammedDelivery, kAnySource);
	MessageFilter any(kAnyDelivery, kAnySource);
	BMessage plain(kWanted);
	BMessage drop = Dropped(kWanted);
	EXPECT_TRUE(dropped.AppliesTo(drop));
	EXPECT_FALSE(dropped.AppliesTo(plain));
	EXPECT_TRUE(programmed.AppliesTo(plain));
	EXPECT_FALSE(programmed.AppliesTo(drop));
	EXPECT_TRUE(any.AppliesTo(plain));
	EXPECT_TRUE(any.AppliesTo(drop));
	// A drop point of another type is no drop point.
	BMessage wrongType(kWanted);
	EXPECT_EQ(wrongType.AddInt32("be:drop pt", 1), kOk);
	EXPECT_FALSE(dropped.AppliesTo(wrongType));
	EXPECT_TRUE(programmed.AppliesTo(wrongType));
}

TEST(MessageFilterCriteria, SourceTellsOtherTeamsFromThisOne)
{
	MessageFilter remote(kAnyDelivery, kRemoteSource);
	MessageFilter local(kAnyDelivery, kLocalSource);
	BMessage fromHere(kWanted);
	MarkDeliveredFrom(&fromHere, kThisTeam);
	BMessage fromThere(kWanted);
	MarkDeliveredFrom(&fromThere, 1234);
	EXPECT_TRUE(remote.AppliesTo(fromThere));
	EXPECT_FALSE(remote.AppliesTo(fromHere));
	EXPECT_TRUE(local.AppliesTo(fromHere));
	EXPECT_FALSE(local.AppliesTo(fromThere));
	// A message that was never delivered comes from this team, whatever its record says.
	BMessage undelivered(kWanted);
	BPrivate::BMessageRecord record;
	record.replyTeam = 1234;
	undelivered.SetDeliveryRecord(record);
	EXPECT_TRUE(local.AppliesTo(undelivered));
	EXPECT_FALSE(remote.AppliesTo(undelivered));
	EXPECT_TRUE(local.AppliesTo(BMessage(kWanted)));
}

TEST(MessageFilterCriteria, EveryCriterionMustHoldAndUnknownValuesNeverDo)
{
	MessageFilter filter(kDroppedDelivery, kLocalSource, kWanted);
	EXPECT_EQ(filter.MessageDelivery(), kDroppedDelivery);
	EXPECT_EQ(filter.MessageSource(), kLocalSource);
	EXPECT_TRUE(filter.AppliesTo(Dropped(kWanted)));
	EXPECT_FALSE(filter.AppliesTo(Dropped(kOther)));
	EXPECT_FALSE(filter.AppliesTo(BMessage(kWanted)));
	BMessage droppedFromThere = Dropped(kWanted);
	MarkDeliveredFrom(&droppedFromThere, 1234);
	EXPECT_FALSE(filter.AppliesTo(droppedFromThere));

	BMessage plain(kWanted);
	const BMessage* messages[] = {&plain, &droppedFromThere};

	for (int32 bad : {3, -1}) {
		MessageFilter badDelivery(static_cast<message_delivery>(bad), kAnySource);
		MessageFilter badSource(kAnyDelivery, static_cast<message_source>(bad));
		for (const BMessage* message : messages) {
			EXPECT_FALSE(badDelivery.AppliesTo(*message)) << bad;
			EXPECT_FALSE(badSource.AppliesTo(*message)) << bad;
		}
	}
}

class CountingFilter : public MessageFilter {
public:
	CountingFilter(filter_hook hook, filter_result answer) : MessageFilter(kWanted, hook), fAnswer(answer) {}
	filter_result Filter(BMessage*, BHandler**) override
	{
		fCalls++;
		return fAnswer;
	}
	int32 fCalls = 0;
	filter_result fAnswer;
};

// Handlers are only named here, never reached through.
BHandler* const kFirstHandler = reinterpret_cast<BHandler*>(0x1000);
BHandler* const kSecondHandler = reinterpret_cast<BHandler*>(0x2000);

struct HookCall {
	BMessage* message = nullptr;
	BHandler* targetSeen = nullptr;
	MessageFilter* filter = nullptr;
	int32 count = 0;
};
HookCall gHookCall;

filter_result RedirectingHook(BMessage* message, BHandler** target, MessageFilter* filter)
{
	gHookCall.message = message;
	gHookCall.targetSeen = *target;
	gHookCall.filter = filter;
	gHookCall.count++;
	*target = kSecondHandler;
	return message->what == kWanted ? 7 : kSkipMessage;
}

TEST(MessageFilterHook, TheHookIsAskedInsteadOfFilterAndMayRedirect)
{
	gHookCall = HookCall();
	CountingFilter filter(RedirectingHook, kDispatchMessage);
	EXPECT_EQ(filter.FilterFunction(), &RedirectingHook);
	BMessage message(kWanted);
	BHandler* target = kFirstHandler;
	// Any answer but 0 dispatches; it comes back unchanged.
	EXPECT_EQ(filter.Ask(&message, &target), 7);
	EXPECT_EQ(filter.fCalls, 0);
	EXPECT_EQ(gHookCall.count, 1);
	EXPECT_EQ(gHookCall.message, &message);
	EXPECT_EQ(gHookCall.targetSeen, kFirstHandler);
	EXPECT_EQ(gHookCall.filter, &filter);
	EXPECT_EQ(target, kSecondHandler);

	BMessage other(kOther);
	EXPECT_EQ(filter.Ask(&other, &target), kSkipMessage);
	EXPECT_EQ(gHookCall.count, 2);
}

TEST(MessageFilterHook, WithoutAHookFilterAnswers)
{
	CountingFilter skipping(nullptr, kSkipMessage);
	BMessage message(kWanted);
	BHandler* target = kFirstHandler;
	EXPECT_EQ(skipping.Ask(&message, &target), kSkipMessage);
	EXPECT_EQ(skipping.fCalls, 1);
	EXPECT_EQ(target, kFirstHandler);
	// The class's own Filter lets everything through.
	MessageFilter plain(kWanted);
	EXPECT_EQ(plain.Ask(&message, &target), kDispatchMessage);
}

}  // namespace
