// The direct targets: a looper's queue target before and after its looper
// goes, and the reply targets with their slot, waiter and cancellation.
#include "kernel/Thread.h"
#include "kernel/ThreadLoop.h"
#include "messaging/LooperTarget.h"
#include "messaging/MessageQueue.h"
#include "messaging/Messenger.h"
#include "messaging/SyncReplyTarget.h"
#include "tests/messaging/ProbeHandler.h"

#include <gtest/gtest.h>

#include <windows.h>

#include <set>
#include <thread>

using BPrivate::BLooperTarget;
using BPrivate::BSyncReplyTarget;
using zeltest::Event;
using zeltest::LiveLooper;
using zeltest::ProbeHandler;

namespace {

BMessage* TimedMessage(uint32 what, bigtime_t when)
{
	BMessage* message = new BMessage(what);
	message->SetWhen(when);
	return message;
}

// Ends the waiter's loop once its reply is there.
bigtime_t StopWhenReplied(void* target, bigtime_t, bool* quit)
{
	*quit = static_cast<BSyncReplyTarget*>(target)->Replied();
	return kInfinite;
}

}  // namespace

TEST(LooperTarget, DeliveriesQueueByTimeAndAfterDetachAreDestroyed)
{
	ProbeHandler collector("collector");
	LiveLooper collectorLooper({&collector}, "collector");
	BMessageQueue queue;
	BLooperTarget* target = new BLooperTarget(&queue, nullptr);
	ASSERT_TRUE(target->Acquire());
	EXPECT_EQ(target->DeliverMessage(TimedMessage(FourCC("late"), 200)), kOk);
	EXPECT_EQ(target->DeliverMessage(TimedMessage(FourCC("erly"), 100)), kOk);
	EXPECT_EQ(queue.CountMessages(), 2);
	EXPECT_EQ(queue.NextWhen(), 100);

	target->Detach();
	// A message whose sender waits shows its destruction by its automatic reply.
	BMessage* orphan = TimedMessage(FourCC("orph"), 300);
	BMessenger toCollector(&collector, nullptr);
	BPrivate::BMessageRecord record;
	record.replyLooper = toCollector.LooperToken();
	record.replyHandler = toCollector.HandlerToken();
	record.replyTeam = CurrentTeam();
	record.flags = kDeliveredFlag | kSenderWaitsFlag;
	orphan->SetDeliveryRecord(record);
	EXPECT_EQ(target->DeliverMessage(orphan), kError);
	EXPECT_EQ(queue.CountMessages(), 2);
	ASSERT_TRUE(collector.WaitFor(1));
	EXPECT_EQ(collector.Codes(), (std::vector<uint32>{kAutomaticReply}));
	target->Release();
}

TEST(SyncReplyTarget, TheThreeTemporaryTargetsGoToOneWaiterAtATime)
{
	std::set<BSyncReplyTarget*> taken;
	for (int i = 0; i < 3; i++) {
		BSyncReplyTarget* target = BSyncReplyTarget::TakeTemporary();
		ASSERT_NE(target, nullptr);
		EXPECT_TRUE(gDefaultTokens.CheckToken(target->Token(), kReplyTokenType));
		EXPECT_EQ(target->Status(), kOk);
		taken.insert(target);
	}
	EXPECT_EQ(taken.size(), 3u);
	EXPECT_EQ(BSyncReplyTarget::TakeTemporary(), nullptr);
	BSyncReplyTarget* returned = *taken.begin();
	BSyncReplyTarget::ReturnTemporary(returned);
	EXPECT_EQ(BSyncReplyTarget::TakeTemporary(), returned);
	for (BSyncReplyTarget* target : taken)
		BSyncReplyTarget::ReturnTemporary(target);
}

TEST(SyncReplyTarget, AReplySentToItsTokenWakesTheWaiter)
{
	BSyncReplyTarget* target = BSyncReplyTarget::TakeTemporary();
	ASSERT_NE(target, nullptr);
	// Nobody waits yet.
	EXPECT_EQ(target->DeliverMessage(new BMessage(FourCC("earl"))), kError);
	EXPECT_FALSE(target->Replied());

	ASSERT_EQ(gDefaultTokens.SetTokenTarget(target->Token(), target), kOk);
	BMessage slot;
	Event ready;
	Event done;
	std::thread waiter([&] {
		// The thread's native queue must exist before a wake-up is posted to it.
		MSG message;
		PeekMessageW(&message, nullptr, 0, 0, PM_NOREMOVE);
		target->Prepare(&slot, RecordForThread(-1));
		ready.Set();
		EXPECT_EQ(RunThreadLoop(StopWhenReplied, target), kOk);
		done.Set();
	});
	ASSERT_TRUE(ready.Wait());
	BMessage reply(kReplyCode);
	EXPECT_EQ(reply.AddInt32("v", 4), kOk);
	BMessenger toTarget = BMessenger::FromParts(target->Token(), target->Token(), CurrentTeam(), false);
	EXPECT_EQ(toTarget.Send(&reply), kOk);
	bool woke = done.Wait();
	if (woke)
		waiter.join();
	else
		waiter.detach();
	ASSERT_TRUE(woke);
	EXPECT_EQ(slot.what, kReplyCode);
	EXPECT_EQ(slot.Int32At("v", 0), 4);

	// Cancelled, it takes no more replies and leaves the slot alone.
	target->Cancel();
	EXPECT_EQ(target->Status(), kNotInitialised);
	BMessage another(FourCC("more"));
	EXPECT_EQ(toTarget.Send(&another), kError);
	EXPECT_EQ(slot.what, kReplyCode);

	EXPECT_EQ(gDefaultTokens.SetTokenTarget(target->Token(), nullptr), kOk);
	target->Prepare(nullptr, nullptr);
	BSyncReplyTarget::ReturnTemporary(target);
}
