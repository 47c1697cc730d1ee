// Replies: the duty to reply, the automatic 'NONE' reply, "_previous_" for
// senders that do not wait, and forwarding, which hands the duty on.
//
// Absence is proved by order, not by waiting: after the message under test,
// the sender's side posts a 'DONE' through the same looper, whose thread sends
// any automatic reply before it handles the next message.
#include "messaging/LooperTarget.h"
#include "messaging/Messenger.h"
#include "messaging/TokenSpace.h"
#include "tests/messaging/ProbeHandler.h"

#include <gtest/gtest.h>

#include <algorithm>

using zeltest::LiveLooper;
using zeltest::ProbeHandler;

namespace {

constexpr uint32 kDone = FourCC("DONE");

// Passes 'DONE' on to the collector; everything else goes to the probe.
class Receiver : public ProbeHandler {
public:
	explicit Receiver(ProbeHandler* collector) : ProbeHandler("receiver"), fCollector(collector) {}

	void HandleMessage(BMessage* message) override
	{
		if (message->what != kDone) {
			ProbeHandler::HandleMessage(message);
			return;
		}
		BMessage done(kDone);
		(void)BMessenger(fCollector, nullptr).Send(&done);  // on the looper thread; a lost one shows as a wait that times out
	}

private:
	ProbeHandler* fCollector;
};

// A receiver on one looper and a collector for its replies on another.
class ReplyBench {
public:
	ReplyBench()
		: fReceiverLooper({&fReceiver}, "receiver"),
		  fCollectorLooper({&fCollector}, "collector")
	{
	}

	// Sends `message` to the receiver with the collector as return address.
	status_t SendWith(BMessage* message, uint32 transportBits)
	{
		return BMessenger(&fReceiver, nullptr).Send(message, BMessenger(&fCollector, nullptr), transportBits,
			kInfinite);
	}
	// Follows the messages under test through the receiver's looper.
	void Finish()
	{
		BMessage done(kDone);
		EXPECT_EQ(BMessenger(&fReceiver, nullptr).Send(&done), kOk);
	}

	ProbeHandler fCollector{"collector"};
	Receiver fReceiver{&fCollector};

private:
	LiveLooper fReceiverLooper;
	LiveLooper fCollectorLooper;
};

// A looper whose target was detached, as its destruction does, while its
// handler's token still leads to that target: a send finds the target and then
// cannot queue. The looper never runs, so nothing else needs its queue.
class GoneLooper {
public:
	GoneLooper()
		: fLooper(new BLooper("gone"))
	{
		fLooper->AddHandler(&fHandler);
		BPrivate::BDirectMessageTarget* target = gDefaultTokens.GetTokenTarget(fHandler.Token());
		EXPECT_NE(target, nullptr);
		if (target == nullptr)
			return;
		static_cast<BPrivate::BLooperTarget*>(target)->Detach();
		target->Release();
	}
	// A looper that never ran is deleted by its Quit.
	~GoneLooper()
	{
		if (fLooper->Lock())
			fLooper->Quit();
	}
	GoneLooper(const GoneLooper&) = delete;
	GoneLooper& operator=(const GoneLooper&) = delete;

	ProbeHandler fHandler{"gone"};

private:
	BLooper* fLooper;
};

}  // namespace

TEST(Reply, AWaitingSenderGetsOneReplyAndASecondIsRefused)
{
	ReplyBench bench;
	status_t first = kError;
	status_t second = kError;
	bool waitsBefore = false;
	bool waitsAfter = true;
	bench.fReceiver.fProbe = [&](BMessage* message) {
		waitsBefore = message->SenderWaits();
		BMessage reply(kReplyCode);
		first = message->ReplyToHandler(&reply);
		second = message->ReplyToHandler(&reply);
		waitsAfter = message->SenderWaits();
	};
	BMessage request(FourCC("ask "));
	ASSERT_EQ(bench.SendWith(&request, kSenderWaitsFlag | 8), kOk);
	bench.Finish();
	ASSERT_TRUE(bench.fCollector.WaitFor(2));
	EXPECT_EQ(first, kOk);
	EXPECT_EQ(second, kReplyAlreadySent);
	EXPECT_TRUE(waitsBefore);
	EXPECT_FALSE(waitsAfter);
	EXPECT_EQ(bench.fCollector.Codes(), (std::vector<uint32>{kReplyCode, kDone}));
	BPrivate::BMessageRecord record = bench.fCollector.RecordAt(0);
	EXPECT_EQ(record.flags, kDeliveredFlag | kIsReplyFlag | 8u);
	EXPECT_EQ(record.target, bench.fCollector.Token());
	// A waiting sender does not need its own request back.
	const void* data;
	int32 size;
	EXPECT_EQ(bench.fCollector.MessageAt(0).GetData("_previous_", kMessageType, 0, &data, &size),
		kNameNotFound);
}

TEST(Reply, AnUnansweredMessageSendsOneNoneReply)
{
	ReplyBench bench;
	BMessage request(FourCC("ask "));
	EXPECT_EQ(request.AddInt32("n", 3), kOk);
	ASSERT_EQ(bench.SendWith(&request, kSenderWaitsFlag | 8), kOk);
	ASSERT_EQ(bench.SendWith(&request, kReplyRequiredFlag | 8), kOk);
	// Nobody asked for an answer here: nothing comes back.
	ASSERT_EQ(bench.SendWith(&request, 8), kOk);
	bench.Finish();
	ASSERT_TRUE(bench.fCollector.WaitFor(3));
	EXPECT_EQ(bench.fCollector.Codes(), (std::vector<uint32>{kAutomaticReply, kAutomaticReply, kDone}));
	// The sender that does not wait learns what the reply answers.
	BMessage previous;
	EXPECT_NE(bench.fCollector.MessageAt(0).GetNestedMessage("_previous_", 0, &previous), kOk);
	ASSERT_EQ(bench.fCollector.MessageAt(1).GetNestedMessage("_previous_", 0, &previous), kOk);
	EXPECT_EQ(previous.what, FourCC("ask "));
	EXPECT_EQ(previous.Int32At("n", 0), 3);
}

TEST(Reply, ASenderThatDoesNotWaitGetsItsMessageBackAndMayHearMoreThanOnce)
{
	ReplyBench bench;
	status_t statuses[2] = {kError, kError};
	bool replyKeptPrevious = true;
	bench.fReceiver.fProbe = [&](BMessage* message) {
		BMessage reply(kReplyCode);
		EXPECT_EQ(reply.AddInt32("answer", 42), kOk);
		statuses[0] = message->ReplyToHandler(&reply);
		statuses[1] = message->ReplyToHandler(&reply);
		const void* data;
		int32 size;
		replyKeptPrevious = reply.GetData("_previous_", kAnyType, 0, &data, &size) == kOk;
	};
	BMessage request(FourCC("tell"));
	ASSERT_EQ(bench.SendWith(&request, 8), kOk);
	bench.Finish();
	ASSERT_TRUE(bench.fCollector.WaitFor(3));
	EXPECT_EQ(statuses[0], kOk);
	EXPECT_EQ(statuses[1], kOk);
	EXPECT_FALSE(replyKeptPrevious);
	EXPECT_EQ(bench.fCollector.Codes(), (std::vector<uint32>{kReplyCode, kReplyCode, kDone}));
	BMessage reply = bench.fCollector.MessageAt(0);
	BMessage previous;
	ASSERT_EQ(reply.GetNestedMessage("_previous_", 0, &previous), kOk);
	EXPECT_EQ(previous.what, FourCC("tell"));
	EXPECT_EQ(reply.Int32At("answer", 0), 42);
}

TEST(Reply, WithoutAReturnAddressThereIsNobodyToAnswer)
{
	BMessage local(FourCC("locl"));
	BMessage reply(kReplyCode);
	EXPECT_FALSE(local.ReplyAddress().IsValid());
	EXPECT_EQ(local.ReplyToHandler(&reply), kNoReplyAddress);
	EXPECT_EQ(local.Reply(&reply, BMessenger(), 8, kInfinite), kNoReplyAddress);

	// Delivered, but the return looper has gone since.
	BPrivate::BMessageRecord record;
	record.target = 5;
	record.replyLooper = 0x7FFF0000;
	record.replyHandler = 0x7FFF0001;
	record.replyTeam = CurrentTeam();
	record.flags = kDeliveredFlag | kSenderWaitsFlag;
	local.SetDeliveryRecord(record);
	EXPECT_EQ(local.ReplyToHandler(&reply), kNoReplyAddress);
	// Nobody can be answered, so destroying it must not try again either.
	local.Clear();
	EXPECT_FALSE(local.IsDelivered());
}

TEST(Reply, ForwardingHandsTheDutyToReplyToTheNewReceiver)
{
	ReplyBench bench;
	ProbeHandler final("final");
	LiveLooper finalLooper({&final}, "final");
	BMessenger toFinal(&final, nullptr);
	status_t forwarded = kError;
	bool forwarderStillOwes = true;
	bench.fReceiver.fProbe = [&](BMessage* message) {
		forwarded = toFinal.Send(message);
		forwarderStillOwes = message->NeedsReply();
	};
	bool finalOwes = false;
	bool finalSenderWaits = false;
	final.fProbe = [&](BMessage* message) {
		finalOwes = message->NeedsReply();
		finalSenderWaits = message->SenderWaits();
		BMessage reply(kReplyCode);
		(void)message->ReplyToHandler(&reply);  // on the looper thread; the collector tells
	};
	BMessage request(FourCC("fwd "));
	ASSERT_EQ(bench.SendWith(&request, kSenderWaitsFlag | 8), kOk);
	bench.Finish();
	ASSERT_TRUE(final.WaitFor(1));
	ASSERT_TRUE(bench.fCollector.WaitFor(2));
	EXPECT_EQ(forwarded, kOk);
	EXPECT_FALSE(forwarderStillOwes);
	EXPECT_TRUE(finalOwes);
	EXPECT_TRUE(finalSenderWaits);
	// The reply comes from the final receiver's thread, so only the set is
	// fixed; an automatic reply of the forwarder would have come before 'DONE'.
	std::vector<uint32> codes = bench.fCollector.Codes();
	EXPECT_EQ(codes.size(), 2u);
	EXPECT_EQ(std::count(codes.begin(), codes.end(), kAutomaticReply), 0);
	EXPECT_EQ(std::count(codes.begin(), codes.end(), kReplyCode), 1);

	// The forwarded copy keeps the first sender's return address.
	BPrivate::BMessageRecord record = final.RecordAt(0);
	EXPECT_EQ(record.target, final.Token());
	EXPECT_EQ(record.replyHandler, bench.fCollector.Token());
	EXPECT_EQ(record.flags & (kSenderWaitsFlag | kDeliveredFlag), kSenderWaitsFlag | kDeliveredFlag);
}

TEST(Reply, AForwardToALooperGoneDuringTheSendIsAnsweredOnce)
{
	ReplyBench bench;
	GoneLooper gone;
	BMessenger toGone(&gone.fHandler, nullptr);
	status_t forwarded = kOk;
	bool forwarderStillOwes = true;
	bench.fReceiver.fProbe = [&](BMessage* message) {
		forwarded = toGone.Send(message);
		forwarderStillOwes = message->NeedsReply();
	};
	BMessage request(FourCC("fwd "));
	ASSERT_EQ(bench.SendWith(&request, kSenderWaitsFlag | 8), kOk);
	bench.Finish();
	ASSERT_TRUE(bench.fCollector.WaitFor(2));
	EXPECT_EQ(forwarded, kError);
	EXPECT_FALSE(forwarderStillOwes);
	// The copy that could not be queued answered; the forwarded message, which
	// the receiver's looper destroys before it handles 'DONE', did not again.
	EXPECT_EQ(bench.fCollector.Codes(), (std::vector<uint32>{kAutomaticReply, kDone}));
	EXPECT_EQ(gone.fHandler.Count(), 0u);
}
