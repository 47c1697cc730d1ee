// Loopers under real concurrency: many senders into one queue, targets that go
// away while senders send, two loopers trading messages while a third thread
// takes their locks, and a looper destroyed under lockers and posters. Every
// wait has a deadline so that a lost message or a stuck thread fails the test
// instead of hanging it; nothing is timed.
#include "messaging/Looper.h"
#include "messaging/Message.h"
#include "messaging/MessageFilter.h"
#include "messaging/Messenger.h"
#include "tests/messaging/ConcurrencySupport.h"
#include "tests/harness/DebuggerSeam.h"
#include "tests/messaging/ProbeHandler.h"

#include <gtest/gtest.h>

#include <atomic>
#include <vector>

using namespace zeltest;

namespace {

constexpr uint32 kTaggedCode = FourCC("Ctag");
constexpr uint32 kPingCode = FourCC("Cpin");
constexpr uint32 kBulkCode = FourCC("Cbul");
constexpr uint32 kMarkCode = FourCC("Cmrk");

// What a send from any thread may answer while its target goes away.
bool IsCleanSendStatus(status_t status)
{
	return status == kOk || status == kError || status == kBadTarget;
}

// Senders outrun a looper that records what it gets; slowed down while far
// ahead, they keep the queue short without ever waiting for the looper.
void KeepBacklogShort(int posted, RecordingHandler& receiver)
{
	if (static_cast<size_t>(posted) > receiver.Count() + 256)
		Sleep(1);
}

// The thread library keeps records of ended threads for reuse, some with an
// event, up to a limit of its own. Rounds of more threads than any test runs
// at once fill that store before the census, which is then left to what the
// test's own threads leave behind.
void WarmUpThreads()
{
	for (int round = 0; round < 4; round++) {
		ThreadGroup threads(16, [](int) { gDefaultTokens.CountLiveTokens(); });
		threads.Join();
	}
}

TEST(ConcurrentSends, EveryMessageArrivesOnceAndInItsSendersOrder)
{
	constexpr int kSenders = 4;
	constexpr int32 kPerSender = 3000;
	RecordingHandler sink("sink");
	LiveLooper looper({&sink}, "sink");
	BMessenger target(&sink, nullptr);

	std::atomic<int> failures{0};
	ThreadGroup senders(kSenders, [&](int sender) {
		for (int32 sequence = 0; sequence < kPerSender; sequence++) {
			BMessage message = Tagged(kTaggedCode, sender, sequence);
			if (target.Send(&message) != kOk)
				failures++;
		}
	});
	ASSERT_TRUE(senders.Join());
	EXPECT_EQ(failures.load(), 0);
	ASSERT_TRUE(WaitForAll(sink, kSenders * kPerSender));
	looper.Quit();

	std::vector<BMessage> received = sink.Messages();
	ASSERT_EQ(received.size(), static_cast<size_t>(kSenders * kPerSender));
	std::vector<int32> expected(kSenders, 0);
	int misplaced = 0;
	for (const BMessage& message : received) {
		int32 sender = Int32Of(message, "sender");
		ASSERT_TRUE(sender >= 0 && sender < kSenders);
		if (Int32Of(message, "seq") != expected[sender]++)
			misplaced++;
	}
	EXPECT_EQ(misplaced, 0) << "messages lost, doubled or out of their sender's order";
	EXPECT_TRUE(TakeDebuggerReports().empty());
}

// A common filter is destroyed as its looper goes away, after the looper's
// target was detached and before the handlers lose it. Holding the
// destruction there until senders were refused makes sure that path is taken.
class LingeringFilter : public MessageFilter {
public:
	explicit LingeringFilter(Event* refused) : MessageFilter(kMarkCode), fRefused(refused) {}
	~LingeringFilter() override { EXPECT_TRUE(fRefused->Wait()) << "no send was refused"; }

private:
	Event* fRefused;
};

TEST(ConcurrentDetach, SendsWhileTheLooperGoesAwayFailCleanlyAndLoseNoMessage)
{
	constexpr int kSenders = 4;
	WarmUpThreads();
	ProcessCensus before = ProcessCensus::Take();
	// Everything of the test's own (threads, events, the handlers' waits) goes
	// with this scope, before the census.
	{
		ReplyCollector replies;
		RecordingHandler doomedHandler("doomed");
		Event destroyed, refusedByAll;
		WatchedLooper* doomed = new WatchedLooper("doomed", &destroyed);
		doomed->AddHandler(&doomedHandler);
		doomed->AddCommonFilter(new LingeringFilter(&refusedByAll));
		ASSERT_GT(doomed->Run(), 0);
		BMessenger target(&doomedHandler, nullptr);
		BMessenger replyTo(replies.Handler(), nullptr);

		std::atomic<int> queued{0}, refused{0}, gone{0}, unclean{0};
		std::atomic<bool> giveUp{false};
		ThreadGroup senders(kSenders, [&](int sender) {
			for (int32 sequence = 0; !giveUp; sequence++) {
				BMessage message = Tagged(kTaggedCode, sender, sequence);
				// A message that requires a reply sends the automatic one when it
				// is destroyed unanswered: dispatched, left in a queue or refused.
				status_t status = target.Send(&message, replyTo, kReplyRequiredFlag, kInfinite);
				(status == kOk ? queued : status == kError ? refused : status == kBadTarget ? gone : unclean)++;
				if (status == kError && refused == kSenders)
					refusedByAll.Set();
				// Once the handler's target is cleared nothing will take a message again.
				if (status == kBadTarget || !IsCleanSendStatus(status))
					return;
				KeepBacklogShort(queued, doomedHandler);
			}
		});
		EXPECT_TRUE(doomedHandler.WaitFor(500));
		bool quit = RunOnOtherThread([&] {
			if (doomed->Lock())
				doomed->Quit();
		});
		giveUp = !quit;
		ASSERT_TRUE(quit) << "Quit from another thread did not return";
		ASSERT_TRUE(senders.Join());
		EXPECT_TRUE(destroyed.IsSet());
		EXPECT_EQ(unclean.load(), 0);
		EXPECT_EQ(gone.load(), kSenders);
		EXPECT_LE(doomedHandler.Count(), static_cast<size_t>(queued.load()));

		// Every copy made was destroyed once, and each destruction answered: the
		// copies handled, those still queued at destruction and those refused by
		// the detached target. The mark, sent last, arrives after all of them.
		size_t answers = static_cast<size_t>(queued + refused);
		BMessage mark(kMarkCode);
		EXPECT_EQ(BMessenger(replies.Handler(), nullptr).Send(&mark), kOk);
		ASSERT_TRUE(WaitForAll(replies.Recorder(), answers + 1));
		std::vector<uint32> codes = replies.Recorder().Codes();
		EXPECT_EQ(codes.size(), answers + 1);
		EXPECT_EQ(codes.back(), kMarkCode) << "more answers than messages";
	}
	ExpectCensus(CensusOnceSettledAt(before), before);
	EXPECT_TRUE(TakeDebuggerReports().empty());
}

// Passes pings to its peer until the last one, and now and then a burst of
// other messages with them. Counts how often it is inside a dispatch, which
// nobody else may see while holding its looper's lock.
class VolleyHandler : public ProbeHandler {
public:
	static constexpr int32 kVolleys = 2000;
	static constexpr int32 kBurst = 50;
	static constexpr size_t kExpected = kVolleys / 2 + (kVolleys / 100) * kBurst;

	explicit VolleyHandler(const char* name) : ProbeHandler(name)
	{
		fProbe = [this](BMessage* message) {
			fInside++;
			if (message->what == kPingCode)
				Volley(Int32Of(*message, "seq"));
			fInside--;
		};
	}

	void Volley(int32 ping)
	{
		BMessenger peer(fPeer, nullptr);
		// Each side bursts after every hundredth ping it gets.
		for (int32 i = 0; ping % 100 < 2 && i < kBurst; i++) {
			BMessage bulk = Tagged(kBulkCode, ping, i);
			if (peer.Send(&bulk) != kOk)
				fFailures++;
		}
		BMessage next = Tagged(kPingCode, 0, ping + 1);
		if (ping + 1 < kVolleys && peer.Send(&next) != kOk)
			fFailures++;
	}

	BHandler* fPeer = nullptr;
	std::atomic<int> fInside{0};
	std::atomic<int> fFailures{0};
};

TEST(ConcurrentExchange, TwoLoopersTradeEveryMessageWhileAThirdThreadTakesTheirLocks)
{
	VolleyHandler left("left"), right("right");
	left.fPeer = &right;
	right.fPeer = &left;
	LiveLooper leftLooper({&left}, "left");
	LiveLooper rightLooper({&right}, "right");

	std::atomic<bool> done{false};
	std::atomic<int> rounds{0}, intrusions{0}, lockFailures{0};
	// One looper at a time, so the test cannot make a deadlock of its own.
	ThreadGroup locker(1, [&](int) {
		while (!done) {
			for (std::pair<BLooper*, VolleyHandler*> side :
				{std::make_pair(leftLooper.Get(), &left), std::make_pair(rightLooper.Get(), &right)}) {
				if (!side.first->Lock()) {
					lockFailures++;
					continue;
				}
				if (side.second->fInside != 0 || !side.first->IsLocked())
					intrusions++;
				side.first->Unlock();
			}
			rounds++;
		}
	});
	BMessage first = Tagged(kPingCode, 0, 0);
	EXPECT_EQ(BMessenger(&left, nullptr).Send(&first), kOk);
	bool leftDone = WaitForAll(left, VolleyHandler::kExpected);
	bool rightDone = WaitForAll(right, VolleyHandler::kExpected);
	done = true;
	ASSERT_TRUE(locker.Join());
	leftLooper.Quit();
	rightLooper.Quit();

	EXPECT_TRUE(leftDone && rightDone);
	EXPECT_EQ(left.Count(), VolleyHandler::kExpected);
	EXPECT_EQ(right.Count(), VolleyHandler::kExpected);
	// Each side got every other ping, in order.
	for (VolleyHandler* side : {&left, &right}) {
		int32 expected = side == &left ? 0 : 1;
		for (const BMessage& message : side->Messages()) {
			if (message.what == kPingCode) {
				EXPECT_EQ(Int32Of(message, "seq"), expected);
				expected += 2;
			}
		}
		EXPECT_EQ(side->fFailures.load(), 0);
	}
	EXPECT_GT(rounds.load(), 0);
	EXPECT_EQ(intrusions.load(), 0) << "a locker and a dispatch held a looper at once";
	EXPECT_EQ(lockFailures.load(), 0);
	EXPECT_TRUE(TakeDebuggerReports().empty());
}

// Counts the threads inside Lock. The looper is destroyed on its own thread,
// which holds the lock throughout; the destruction goes on only once every
// locker is inside Lock, so that all of them wait while the lock is
// invalidated and must be woken.
struct LockWaiters {
	static constexpr int kLockers = 4;
	std::atomic<bool> dying{false};
	std::atomic<int> inside{0};
	Event allInside;

	void Enter()
	{
		if (++inside == kLockers && dying)
			allInside.Set();
	}
	void Leave() { inside--; }
	bool WaitForAll()
	{
		dying = true;
		return inside == kLockers || allInside.Wait();
	}
};

class LingeringLooper : public WatchedLooper {
public:
	LingeringLooper(Event* destroyed, LockWaiters* waiters)
		: WatchedLooper("doomed", destroyed), fWaiters(waiters)
	{
	}
	~LingeringLooper() override { EXPECT_TRUE(fWaiters->WaitForAll()) << "lockers did not come"; }

private:
	LockWaiters* fWaiters;
};

TEST(ConcurrentDestruction, LockersAndPostersFailCleanlyOnceTheLooperIsDestroyed)
{
	constexpr int kWorkers = 8;
	WarmUpThreads();
	ProcessCensus before = ProcessCensus::Take();
	// Everything of the test's own (threads, events, the handler's waits) goes
	// with this scope, before the census.
	{
		ProbeHandler handler("doomed");
		std::atomic<int> holders{0}, overlaps{0};
		// The looper thread holds the lock while it dispatches: one more holder.
		handler.fProbe = [&](BMessage*) {
			if (++holders != 1)
				overlaps++;
			holders--;
		};
		Event destroyed;
		LockWaiters waiters;
		LingeringLooper* doomed = new LingeringLooper(&destroyed, &waiters);
		doomed->AddHandler(&handler);
		ASSERT_GT(doomed->Run(), 0);
		const BMessenger toHandler(&handler, nullptr);
		const BMessenger toPreferred(nullptr, doomed);

		std::atomic<bool> giveUp{false};
		std::atomic<int> unclean{0}, heldLocks{0}, posted{0};
		// Posters through messengers, lockers that post while they hold the lock,
		// and timed lockers; each goes on until the looper refuses it.
		ThreadGroup workers(kWorkers, [&](int worker) {
			BMessage message(kTaggedCode);
			for (int32 round = 0; !giveUp; round++) {
				KeepBacklogShort(posted, handler);
				if (worker % 4 == 0) {
					status_t status = (round % 2 == 0 ? toHandler : toPreferred).Send(&message);
					posted++;
					if (!IsCleanSendStatus(status))
						unclean++;
					if (status == kBadTarget)
						return;
					continue;
				}
				status_t status;
				if (worker % 4 != 3) {
					waiters.Enter();
					status = doomed->Lock() ? kOk : kBadValue;
					waiters.Leave();
				} else {
					status = doomed->LockTimed(round % 2 == 0 ? 0 : 1000);
				}
				if (status == kBadValue)
					return;
				if (status != kOk) {
					if (status != kTimedOut && status != kWouldBlock)
						unclean++;
					continue;
				}
				if (++holders != 1)
					overlaps++;
				heldLocks++;
				if (!doomed->IsLocked())
					unclean++;
				if (round % 8 == 0) {
					posted++;
					if (!IsCleanSendStatus(doomed->Post(&message)))
						unclean++;
				}
				holders--;
				doomed->Unlock();
				// The semaphore hands the lock to whoever asks first, so a thread
				// that asks again at once would keep the looper thread out.
				SwitchToThread();
			}
		});
		EXPECT_TRUE(handler.WaitFor(200));
		bool quit = RunOnOtherThread([&] {
			if (doomed->Lock())
				doomed->Quit();
		});
		giveUp = !quit;
		ASSERT_TRUE(quit) << "Quit from another thread did not return";
		EXPECT_TRUE(workers.Join()) << "a thread stayed blocked on the destroyed looper";
		EXPECT_TRUE(destroyed.IsSet());
		EXPECT_EQ(unclean.load(), 0);
		EXPECT_EQ(overlaps.load(), 0) << "two threads held the looper's lock at once";
		EXPECT_GT(heldLocks.load(), 0);

		// The pointer is stale now: every way in is refused without touching it.
		EXPECT_FALSE(doomed->Lock());
		EXPECT_EQ(doomed->LockTimed(0), kBadValue);
		EXPECT_EQ(doomed->LockTimed(1000), kBadValue);
		EXPECT_FALSE(doomed->IsLocked());
		BMessage late(kTaggedCode);
		EXPECT_EQ(toHandler.Send(&late), kBadTarget);
		EXPECT_EQ(toPreferred.Send(&late), kBadTarget);
		EXPECT_FALSE(toPreferred.IsValid());
	}
	// The lock object went with its last holder: its semaphore and event are
	// closed, as are the looper thread's handle and the looper's token.
	ExpectCensus(CensusOnceSettledAt(before), before);
	EXPECT_TRUE(TakeDebuggerReports().empty());
}

}  // namespace
