// BMessenger: construction statuses, equality and printing, sends to live,
// idle and vanished loopers, and messengers inside messages.
#include "messaging/Messenger.h"
#include "kernel/SystemTime.h"
#include "support/DataIO.h"
#include "tests/messaging/ProbeHandler.h"
#include "tests/harness/StringOutput.h"

#include <gtest/gtest.h>

#include <cstdint>
#include <string>

using zeltest::LiveLooper;
using zeltest::ProbeHandler;
using zeltest::WatchedLooper;

namespace {

std::string FormOf(const BMessenger& messenger)
{
	zeltest::StringOutput out;
	messenger.PrintTo(&out);
	return out.fText;
}

}  // namespace

TEST(MessengerConstruction, StatusesSayWhyAMessengerIsInvalid)
{
	status_t status = kOk;
	BHandler loose("loose");
	BMessenger fromLoose(&loose, nullptr, &status);
	EXPECT_EQ(status, kMismatchedValues);
	EXPECT_FALSE(fromLoose.IsValid());
	EXPECT_EQ(fromLoose.LooperToken(), kNoToken);
	EXPECT_EQ(fromLoose.HandlerToken(), kNoToken);

	BMessenger fromNothing(nullptr, nullptr, &status);
	EXPECT_EQ(status, kBadValue);
	EXPECT_FALSE(fromNothing.IsValid());

	// A handler named with a looper it does not belong to.
	WatchedLooper* first = new WatchedLooper("first");
	WatchedLooper* second = new WatchedLooper("second");
	BHandler attached("attached");
	first->AddHandler(&attached);
	BMessenger crossed(&attached, second, &status);
	EXPECT_EQ(status, kMismatchedValues);
	EXPECT_FALSE(crossed.IsValid());
	EXPECT_EQ(crossed.HandlerToken(), kNoToken);

	BMessenger direct(&attached, first, &status);
	EXPECT_EQ(status, kOk);
	EXPECT_TRUE(direct.IsValid());
	EXPECT_EQ(direct.HandlerToken(), attached.Token());
	EXPECT_EQ(direct.LooperToken(), first->LooperToken());
	EXPECT_EQ(direct.Team(), CurrentTeam());
	EXPECT_FALSE(direct.IsPreferredTarget());

	// A looper alone addresses whatever handler it prefers, through its own
	// handler token.
	BMessenger preferred(nullptr, second, &status);
	EXPECT_EQ(status, kOk);
	EXPECT_TRUE(preferred.IsPreferredTarget());
	EXPECT_EQ(preferred.HandlerToken(), second->Token());
	EXPECT_EQ(preferred.LooperToken(), second->LooperToken());
	BLooper* looper = nullptr;
	EXPECT_EQ(preferred.Target(&looper), nullptr);
	EXPECT_EQ(looper, second);
	EXPECT_EQ(direct.Target(&looper), &attached);
	EXPECT_EQ(looper, first);

	first->RemoveHandler(&attached);
	// Loopers that never ran are destroyed by Quit; their pointers are then
	// no loopers any more.
	first->Quit();
	second->Quit();
	status = kOk;
	BMessenger afterwards(nullptr, second, &status);
	EXPECT_EQ(status, kNotALooper);
	EXPECT_FALSE(afterwards.IsValid());
	EXPECT_FALSE(preferred.IsValid());
	EXPECT_EQ(preferred.Target(&looper), nullptr);
	EXPECT_EQ(looper, nullptr);
}

TEST(MessengerValue, EqualityIgnoresTheTeamAndTheFormShowsEveryField)
{
	BMessenger invalid;
	EXPECT_EQ(FormOf(invalid), "BMessenger(ltoken=FFFFFFFF, team=FFFFFFFF, target=direct:NONE)");
	EXPECT_EQ(invalid.Send(nullptr), kBadTarget);
	EXPECT_EQ(invalid.Target(nullptr), nullptr);

	BMessenger a = BMessenger::FromParts(0x10002, 0x20003, 7, false);
	BMessenger b = BMessenger::FromParts(0x10002, 0x20003, 8, false);
	EXPECT_TRUE(a == b);
	EXPECT_FALSE(a == BMessenger::FromParts(0x10002, 0x20003, 7, true));
	EXPECT_FALSE(a == BMessenger::FromParts(0x10002, 0x20004, 7, false));
	EXPECT_FALSE(a == BMessenger::FromParts(0x10001, 0x20003, 7, false));
	EXPECT_EQ(FormOf(a), "BMessenger(ltoken=00010002, team=00000007, target=direct:00020003)");
	EXPECT_EQ(FormOf(BMessenger::FromParts(5, 6, -1, true)),
		"BMessenger(ltoken=00000005, team=FFFFFFFF, target=preferred:00000006)");
	// The team of this process is the current-process value, -1 everywhere.
	EXPECT_EQ(CurrentTeam(), -1);
}

TEST(MessengerField, MessengersTravelAsTwentyFourBytesAndDumpInTheirForm)
{
	BMessenger stored = BMessenger::FromParts(3, 4, -1, false);
	BMessage message(FourCC("MSGR"));
	ASSERT_EQ(message.AddMessenger("to", stored), kOk);
	ASSERT_EQ(message.AddMessenger("to", BMessenger()), kOk);
	const void* data;
	int32 size;
	ASSERT_EQ(message.GetData("to", kMessengerType, 0, &data, &size), kOk);
	EXPECT_EQ(size, 24);
	BMessenger read;
	EXPECT_EQ(message.GetMessenger("to", &read), kOk);
	EXPECT_TRUE(read == stored);
	EXPECT_EQ(message.GetMessenger("to", 1, &read), kOk);
	EXPECT_EQ(read.LooperToken(), kNoToken);
	read = stored;
	EXPECT_EQ(message.GetMessenger("missing", &read), kNameNotFound);
	EXPECT_EQ(read.LooperToken(), kNoToken);
	EXPECT_EQ(read.HandlerToken(), kNoToken);

	zeltest::StringOutput out;
	message.Dump(&out);
	EXPECT_EQ(out.fText,
		"BMessage('MSGR') {\r\n"
		"\tto[0] = BMessenger(ltoken=00000003, team=FFFFFFFF, target=direct:00000004)\r\n"
		"\tto[1] = BMessenger(ltoken=FFFFFFFF, team=FFFFFFFF, target=direct:NONE)\r\n"
		"}");
}

TEST(MessengerSend, DeliveredCopiesCarryTargetReturnAddressAndTime)
{
	ProbeHandler receiver("receiver");
	ProbeHandler replies("replies");
	LiveLooper target({&receiver}, "target");
	LiveLooper source({&replies}, "source");
	BMessenger toReceiver(&receiver, nullptr);
	BMessenger toReplies(&replies, nullptr);
	ASSERT_TRUE(toReceiver.IsValid());

	bool addressed = false;
	bool fromOtherTeam = true;
	receiver.fProbe = [&](BMessage* message) {
		addressed = message->IsAddressedTo(toReceiver);
		fromOtherTeam = message->IsFromOtherTeam();
	};
	BMessage message(FourCC("ping"));
	EXPECT_EQ(message.AddInt32("n", 7), kOk);
	bigtime_t before = SystemTimeMicros();
	ASSERT_EQ(toReceiver.Send(&message, &replies), kOk);
	ASSERT_TRUE(receiver.WaitFor(1));
	// The sender keeps its message untouched.
	EXPECT_FALSE(message.IsDelivered());
	EXPECT_FALSE(message.HasWhen());

	BMessage received = receiver.MessageAt(0);
	BPrivate::BMessageRecord record = receiver.RecordAt(0);
	EXPECT_EQ(received.what, FourCC("ping"));
	EXPECT_EQ(received.Int32At("n", 0), 7);
	EXPECT_GE(received.When(), before);
	EXPECT_EQ(record.target, receiver.Token());
	EXPECT_EQ(record.replyLooper, toReplies.LooperToken());
	EXPECT_EQ(record.replyHandler, replies.Token());
	EXPECT_EQ(record.replyTeam, CurrentTeam());
	// Delivered, with the transport bits every send passes; nobody waits.
	EXPECT_EQ(record.flags, kDeliveredFlag | 8u);
	EXPECT_TRUE(addressed);
	EXPECT_FALSE(fromOtherTeam);
}

TEST(MessengerSend, AMessageForALooperThatDoesNotRunYetWaitsInItsQueue)
{
	ProbeHandler receiver("late");
	WatchedLooper* looper = new WatchedLooper("not yet");
	looper->AddHandler(&receiver);
	BMessenger messenger(&receiver, nullptr);
	BMessage message(FourCC("wait"));
	ASSERT_EQ(messenger.Send(&message), kOk);
	ASSERT_EQ(messenger.Send(&message), kOk);
	EXPECT_EQ(receiver.Codes().size(), 0u);
	EXPECT_GT(looper->Run(), 0);
	ASSERT_TRUE(receiver.WaitFor(2));
	EXPECT_EQ(receiver.Codes(), (std::vector<uint32>{FourCC("wait"), FourCC("wait")}));
	ASSERT_TRUE(looper->Lock());
	looper->Quit();
	EXPECT_TRUE(zeltest::WaitUntilUnlisted(looper));
}

TEST(MessengerSend, MessengersOfRemovedHandlersAndVanishedLoopersFailWithoutFaulting)
{
	ProbeHandler kept("kept");
	ProbeHandler removed("removed");
	BMessenger toKept;
	BMessenger toRemoved;
	BMessenger toLooper;
	{
		LiveLooper looper({&kept, &removed}, "vanishing");
		toKept = BMessenger(&kept, nullptr);
		toRemoved = BMessenger(&removed, nullptr);
		toLooper = BMessenger(nullptr, looper.Get());
		ASSERT_TRUE(looper.Get()->Lock());
		looper.Get()->RemoveHandler(&removed);
		looper.Get()->Unlock();
		BMessage message(FourCC("gone"));
		EXPECT_EQ(toRemoved.Send(&message), kBadTarget);
		// The looper itself still answers.
		EXPECT_TRUE(toRemoved.IsValid());
		EXPECT_EQ(toKept.Send(&message), kOk);
		ASSERT_TRUE(kept.WaitFor(1));
	}
	BMessage message(FourCC("late"));
	for (const BMessenger* messenger : {&toKept, &toRemoved, &toLooper}) {
		EXPECT_FALSE(messenger->IsValid());
		EXPECT_EQ(messenger->Send(&message), kBadTarget);
		// Filled with something else first, so that the answer is seen to be written.
		BLooper* looper = reinterpret_cast<BLooper*>(static_cast<uintptr_t>(0x10));
		messenger->Target(&looper);
		EXPECT_EQ(looper, nullptr);
	}
	// The handlers outlive their looper, and their tokens still name them.
	EXPECT_EQ(toKept.Target(nullptr), &kept);
	EXPECT_EQ(toLooper.Target(nullptr), nullptr);
}

TEST(MessengerSend, ASendWithoutReturnAddressGivesTheApplicationMessenger)
{
	ProbeHandler receiver("receiver");
	ProbeHandler application("application");
	LiveLooper target({&receiver}, "target");
	LiveLooper standIn({&application}, "stand-in");
	BMessenger previous = ApplicationMessenger();
	SetApplicationMessenger(BMessenger(&application, nullptr));

	BMessage message(FourCC("anon"));
	ASSERT_EQ(BMessenger(&receiver, nullptr).Send(&message), kOk);
	// A reply-to handler without a looper gives no return address either.
	BHandler detached("detached");
	ASSERT_EQ(BMessenger(&receiver, nullptr).Send(&message, &detached), kOk);
	ASSERT_TRUE(receiver.WaitFor(2));
	SetApplicationMessenger(previous);
	for (size_t i = 0; i < 2; i++) {
		BPrivate::BMessageRecord record = receiver.RecordAt(i);
		EXPECT_EQ(record.replyHandler, application.Token());
		EXPECT_EQ(record.replyLooper, BMessenger(&application, nullptr).LooperToken());
	}
}
