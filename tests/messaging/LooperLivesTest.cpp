// Looper lives, one after another, each ended one of the ways a looper ends:
// on its own thread (Quit inside a handler, an escaped exception, '_QIT',
// '_QRQ') or from another thread, while messages that require replies wait in
// its queue or keep arriving. Busy threads run beside them, so that the
// looper thread is preempted at any point of its loop. Every life must end:
// its thread gone, every message that required a reply answered once, and a
// messenger to it refused afterwards.
#include "kernel/WinOwner.h"
#include "messaging/Looper.h"
#include "messaging/Message.h"
#include "messaging/MessageCodes.h"
#include "messaging/Messenger.h"
#include "tests/harness/CpuLoad.h"
#include "tests/harness/DebuggerSeam.h"
#include "tests/messaging/ConcurrencySupport.h"

#include <gtest/gtest.h>

#include <windows.h>

#include <atomic>
#include <stdexcept>

using namespace zeltest;

namespace {

constexpr uint32 kTriggerCode = FourCC("Ltrg");
constexpr uint32 kWaitingCode = FourCC("Lwai");
constexpr uint32 kMarkCode = FourCC("Lmrk");
constexpr int kLives = 200;

// How a life ends: the message that ends it, or none for Quit from another
// thread; the trigger code makes the handler quit or throw.
struct Ending {
	const char* name;
	uint32 trigger;
	bool throws;
};
constexpr uint32 kNoTrigger = 0;
const Ending kEndings[] = {
	{"Quit in its handler", kTriggerCode, false},
	{"an exception from its handler", kTriggerCode, true},
	{"'_QIT'", kQuitNow, false},
	{"'_QRQ'", kQuitRequested, false},
	{"Quit from another thread", kNoTrigger, false},
};

// What the test keeps of a looper beyond its life: its thread, whose end is
// the end of the life (the thread deletes the looper and then returns).
struct LifeWatch {
	Event started;
	WinHandle thread;
};

class LifeLooper : public BLooper {
public:
	LifeLooper(bool throws, LifeWatch* watch) : BLooper("life"), fThrows(throws), fWatch(watch) {}

	void ThreadStartHook() override
	{
		HANDLE thread = nullptr;
		DuplicateHandle(GetCurrentProcess(), GetCurrentThread(), GetCurrentProcess(), &thread, SYNCHRONIZE,
			FALSE, 0);
		fWatch->thread.Reset(thread);
		fWatch->started.Set();
	}

	void HandleMessage(BMessage* message) override
	{
		if (message->what != kTriggerCode)
			return;
		if (fThrows)
			throw std::runtime_error("escapes the handler");
		Quit();
	}

private:
	bool fThrows;
	LifeWatch* fWatch;
};

// Sends that the looper took answer once each: handled, or destroyed with
// the queue, or refused by its detached target. Only a target that is gone
// takes nothing, and must say so.
struct SendTally {
	std::atomic<int> answered{0};
	std::atomic<int> gone{0};
	std::atomic<int> unclean{0};

	void Count(status_t status)
	{
		if (status == kOk || status == kError)
			answered++;
		else if (status == kBadTarget)
			gone++;
		else
			unclean++;
	}
};

// One life: the trigger and `waiting` messages requiring replies are queued
// with the looper held, so that all of them wait when the trigger is
// handled; with `racing`, more keep arriving from another thread meanwhile.
// False when the looper never ended.
bool LiveOnce(const Ending& ending, int waiting, bool racing, const BMessenger& replyTo, SendTally& tally)
{
	LifeWatch watch;
	LifeLooper* looper = new LifeLooper(ending.throws, &watch);
	const BMessenger target(looper, nullptr);
	EXPECT_GT(looper->Run(), 0);
	EXPECT_TRUE(watch.started.Wait());
	if (!looper->Lock())
		return false;
	auto send = [&](uint32 what) {
		BMessage message(what);
		tally.Count(target.Send(&message, replyTo, kReplyRequiredFlag, kInfinite));
	};
	if (ending.trigger != kNoTrigger)
		send(ending.trigger);
	for (int i = 0; i < waiting; i++)
		send(kWaitingCode);

	std::atomic<bool> stop{false};
	ThreadGroup racer(racing ? 1 : 0, [&](int) {
		while (!stop) {
			BMessage message(kWaitingCode);
			status_t status = target.Send(&message, replyTo, kReplyRequiredFlag, kInfinite);
			tally.Count(status);
			if (status == kBadTarget)
				return;
		}
	});
	if (ending.trigger == kNoTrigger)
		looper->Quit();
	else
		looper->Unlock();
	bool ended = WaitForSingleObject(watch.thread.Get(), kDeadlineMillis) == WAIT_OBJECT_0;
	stop = true;
	EXPECT_TRUE(racer.Join());
	if (ended) {
		BMessage late(kWaitingCode);
		EXPECT_FALSE(target.IsValid());
		EXPECT_EQ(target.Send(&late, replyTo, kReplyRequiredFlag, kInfinite), kBadTarget);
	}
	return ended;
}

TEST(ConcurrentLooperLives, EveryLifeEndsAndAnswersEveryMessageUnderLoad)
{
	CpuLoad load;
	ASSERT_GT(load.CountThreads(), 0u);
	ReplyCollector replies;
	const BMessenger replyTo(replies.Handler(), nullptr);
	SendTally tally;
	for (int life = 0; life < kLives; life++) {
		const Ending& ending = kEndings[life % 5];
		int waiting = (life / 5) % 2 == 0 ? 30 : 10;
		bool racing = (life / 10) % 2 == 1;
		ASSERT_TRUE(LiveOnce(ending, waiting, racing, replyTo, tally))
			<< "life " << life << ", ended by " << ending.name << " with " << waiting
			<< " messages waiting" << (racing ? " and more arriving" : "") << ", never ended";
	}
	EXPECT_EQ(tally.unclean.load(), 0);

	// Each message taken answered exactly once: the mark, sent last, comes
	// after all the answers and nothing follows it.
	size_t answers = static_cast<size_t>(tally.answered.load());
	BMessage mark(kMarkCode);
	ASSERT_EQ(replyTo.Send(&mark), kOk);
	ASSERT_TRUE(WaitForAll(replies.Recorder(), answers + 1));
	std::vector<uint32> codes = replies.Recorder().Codes();
	EXPECT_EQ(codes.size(), answers + 1);
	EXPECT_EQ(codes.back(), kMarkCode) << "a message answered more than once";
	EXPECT_TRUE(TakeDebuggerReports().empty());
}

}  // namespace

