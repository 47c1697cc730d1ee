// BMessageQueue: time order, arrival order among equal times, moves and refusals.
#include "kernel/SystemTime.h"
#include "messaging/Message.h"
#include "messaging/MessageQueue.h"
#include "messaging/Messenger.h"

#include <gtest/gtest.h>

#include <thread>
#include <vector>

namespace {

BMessage* Timed(uint32 what, bigtime_t when)
{
	BMessage* message = new BMessage(what);
	message->SetWhen(when);
	return message;
}

std::vector<uint32> Drain(BMessageQueue& queue)
{
	std::vector<uint32> order;
	while (BMessage* message = queue.NextMessage()) {
		order.push_back(message->what);
		delete message;
	}
	return order;
}

TEST(MessageQueue, KeepsDeliveryTimeOrderAndArrivalOrderAmongEqualTimes)
{
	BMessageQueue queue;
	EXPECT_EQ(queue.NextWhen(), kInfinite);
	EXPECT_EQ(queue.NextMessage(), nullptr);
	EXPECT_EQ(queue.AddMessage(Timed(1, 300)), 1);
	EXPECT_EQ(queue.AddMessage(Timed(2, 100)), 2);
	EXPECT_EQ(queue.AddMessage(Timed(3, 300)), 3);
	EXPECT_EQ(queue.AddMessage(Timed(4, 200)), 4);
	BMessage* fifth = Timed(5, 100);
	EXPECT_EQ(queue.AddMessage(fifth), 5);
	EXPECT_EQ(queue.NextWhen(), 100);
	EXPECT_FALSE(queue.IsNextMessage(fifth));
	EXPECT_EQ(Drain(queue), (std::vector<uint32>{2, 5, 4, 1, 3}));
}

TEST(MessageQueue, UntimedMessagesAreStampedWithTheCurrentTime)
{
	BMessageQueue queue;
	bigtime_t before = SystemTimeMicros();
	BMessage* message = new BMessage(7);
	ASSERT_FALSE(message->HasWhen());
	queue.AddMessage(message);
	EXPECT_TRUE(message->HasWhen());
	EXPECT_GE(message->When(), before);
	EXPECT_LE(message->When(), SystemTimeMicros());
	EXPECT_TRUE(queue.IsNextMessage(message));
	queue.AddMessage(Timed(8, message->When() + 1000000));
	EXPECT_EQ(Drain(queue), (std::vector<uint32>{7, 8}));
}

TEST(MessageQueue, AMessageQueuedElsewhereIsRefused)
{
	BMessageQueue first;
	BMessageQueue second;
	BMessage* head = Timed(1, 10);
	BMessage* middle = Timed(2, 20);
	first.AddMessage(head);
	first.AddMessage(middle);
	first.AddMessage(Timed(3, 30));
	EXPECT_EQ(second.AddMessage(middle), 0);
	EXPECT_EQ(first.AddMessage(head), 3);
	EXPECT_EQ(second.CountMessages(), 0);
	EXPECT_EQ(Drain(first), (std::vector<uint32>{1, 2, 3}));
}

TEST(MessageQueue, CountsAndRemovesByCommand)
{
	BMessageQueue queue;
	BMessageQueue destination;
	for (int i = 0; i < 6; ++i)
		queue.AddMessage(Timed(i % 2 == 0 ? FourCC("even") : FourCC("odd "), 100 + i));
	EXPECT_EQ(queue.CountMessages(), 6);
	EXPECT_EQ(queue.CountMessages(FourCC("even")), 3);
	EXPECT_EQ(queue.CountMessages(FourCC("none")), 0);

	EXPECT_EQ(queue.RemoveMessages(FourCC("even"), nullptr, &destination), 3);
	EXPECT_EQ(queue.CountMessages(), 3);
	EXPECT_EQ(destination.CountMessages(FourCC("even")), 3);
	EXPECT_EQ(destination.NextWhen(), 100);
	EXPECT_EQ(queue.RemoveMessages(FourCC("odd ")), 3);
	EXPECT_EQ(queue.NextMessage(), nullptr);
	EXPECT_EQ(queue.RemoveMessages(FourCC("even")), 0);
}

// A message as a send leaves it in a queue: delivered to a handler token,
// directly or through the looper's preferred handler.
BMessage* DeliveredTo(uint32 what, token_t handler, bool preferred, bigtime_t when)
{
	BMessage* message = Timed(what, when);
	BPrivate::BMessageRecord record;
	record.target = handler;
	record.flags = kDeliveredFlag | (preferred ? kPreferredTargetFlag : 0);
	message->SetDeliveryRecord(record);
	return message;
}

TEST(MessageQueue, RemovesOnlyWhatWasDeliveredToTheMessengersHandler)
{
	BMessageQueue queue;
	BMessageQueue destination;
	queue.AddMessage(DeliveredTo(FourCC("move"), 7, false, 100));
	queue.AddMessage(DeliveredTo(FourCC("move"), 8, false, 101));
	queue.AddMessage(DeliveredTo(FourCC("move"), 7, true, 102));
	queue.AddMessage(DeliveredTo(FourCC("keep"), 7, false, 103));
	queue.AddMessage(Timed(FourCC("move"), 104));  // never delivered

	BMessenger direct = BMessenger::FromParts(1, 7, CurrentTeam(), false);
	EXPECT_EQ(queue.RemoveMessages(FourCC("move"), &direct, &destination), 1);
	EXPECT_EQ(destination.NextWhen(), 100);
	BMessenger preferred = BMessenger::FromParts(1, 7, CurrentTeam(), true);
	EXPECT_EQ(queue.RemoveMessages(FourCC("move"), &preferred), 1);
	BMessenger elsewhere = BMessenger::FromParts(1, 8, CurrentTeam() + 1, false);
	EXPECT_EQ(queue.RemoveMessages(FourCC("move"), &elsewhere), 0);
	EXPECT_EQ(Drain(queue), (std::vector<uint32>{FourCC("move"), FourCC("keep"), FourCC("move")}));
	EXPECT_EQ(Drain(destination), std::vector<uint32>{FourCC("move")});
}

TEST(MessageQueue, SendersOnManyThreadsAndOneReaderLoseNothing)
{
	BMessageQueue queue;
	constexpr int kSenders = 4;
	constexpr int kEach = 500;
	std::vector<std::thread> senders;
	for (int s = 0; s < kSenders; ++s)
		senders.emplace_back([&queue, s] {
			for (int i = 0; i < kEach; ++i)
				queue.AddMessage(Timed(uint32(s), (i * 7919) % 1000));
		});
	int taken = 0;
	bigtime_t last = -1;
	bool ordered = true;
	auto takeOne = [&] {
		BMessage* message = queue.NextMessage();
		if (message == nullptr)
			return false;
		++taken;
		delete message;
		return true;
	};
	// Take some while senders run, then check the rest comes out in order.
	for (int i = 0; i < 200; ++i)
		takeOne();
	for (auto& sender : senders)
		sender.join();
	while (BMessage* message = queue.NextMessage()) {
		ordered = ordered && message->When() >= last;
		last = message->When();
		++taken;
		delete message;
	}
	EXPECT_TRUE(ordered);
	EXPECT_EQ(taken, kSenders * kEach);
}

int sDestroyed = 0;

class CountedMessage : public BMessage {
public:
	explicit CountedMessage(bigtime_t when) { SetWhen(when); }
	~CountedMessage() override { ++sDestroyed; }
};

TEST(MessageQueue, QueueDestroysWhatItRemovesAndWhatIsStillQueued)
{
	sDestroyed = 0;
	auto* queue = new BMessageQueue;
	for (int i = 0; i < 10; ++i)
		queue->AddMessage(new CountedMessage(i));
	queue->RemoveMessages(0);
	EXPECT_EQ(sDestroyed, 10);
	for (int i = 0; i < 4; ++i)
		queue->AddMessage(new CountedMessage(i));
	delete queue;
	EXPECT_EQ(sDestroyed, 14);
}

}  // namespace
