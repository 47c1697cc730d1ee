// Running loopers on real threads: the order of queued messages, targets,
// filters, running twice, quitting from inside and outside and what an
// escaping exception does.
#include "tests/harness/DebuggerSeam.h"
#include "tests/messaging/LooperTestSupport.h"

#include "kernel/SystemTime.h"
#include "messaging/LooperList.h"
#include "messaging/MessageFilter.h"
#include "messaging/Messenger.h"

#include <gtest/gtest.h>

#include <stdexcept>

using zeltest::Event;
using zeltest::RecordingHandler;
using zeltest::TakeDebuggerReports;
using zeltest::WatchedLooper;

namespace {

constexpr uint32 kDone = FourCC("done");

BMessage* Stamped(uint32 what, bigtime_t when)
{
	BMessage* message = new BMessage(what);
	message->SetWhen(when);
	return message;
}

// Runs a looper whose destruction the test waits for at the end.
class RunningLooper {
public:
	RunningLooper() : fLooper(new WatchedLooper("running", &fDestroyed)) {}
	~RunningLooper() { Stop(); }

	WatchedLooper* operator->() { return fLooper; }
	WatchedLooper* Get() { return fLooper; }
	void Run() { EXPECT_GT(fLooper->Run(), 0); }
	// Quits from the test thread, which returns once the looper is destroyed.
	void Stop()
	{
		if (fDestroyed.IsSet()) {
			EXPECT_TRUE(zeltest::WaitUntilUnlisted(fLooper));
			return;
		}
		if (fLooper->Lock())
			fLooper->Quit();
		EXPECT_TRUE(fDestroyed.IsSet());
	}
	// Waits until a looper that quits on its own thread is entirely gone.
	bool WaitUntilGone() { return fDestroyed.Wait() && zeltest::WaitUntilUnlisted(fLooper); }

private:
	Event fDestroyed;
	WatchedLooper* fLooper;
};

// Throws out of HandleMessage for 'thro'.
class ThrowingHandler : public RecordingHandler {
protected:
	void Received(BMessage* message) override
	{
		if (message->what == FourCC("thro"))
			throw std::runtime_error("escaped");
	}
};

// Sends every message of one code on to another handler.
filter_result RedirectHook(BMessage* /*message*/, BHandler** target, MessageFilter* filter);
BHandler* gRedirectTarget = nullptr;

filter_result RedirectHook(BMessage* /*message*/, BHandler** target, MessageFilter* /*filter*/)
{
	*target = gRedirectTarget;
	return kDispatchMessage;
}

filter_result SkipHook(BMessage* /*message*/, BHandler** /*target*/, MessageFilter* /*filter*/)
{
	return kSkipMessage;
}

}  // namespace

TEST(LooperDispatch, QueuedMessagesGoInDeliveryTimeThenArrivalOrder)
{
	RunningLooper looper;
	RecordingHandler handler;
	looper->AddHandler(&handler);
	// Queued before the loop runs, so that the order is the queue's alone; the
	// posts below are stamped with the clock, later than all three.
	bigtime_t now = SystemTimeMicros();
	BMessage* first = Stamped(FourCC("1st "), now - 1000);
	BMessage* second = Stamped(FourCC("2nd "), now - 1000);
	BMessage* earlier = Stamped(FourCC("erly"), now - 2000);
	for (BMessage* message : {first, second, earlier}) {
		BPrivate::BMessageRecord record;
		record.target = handler.Token();
		message->SetDeliveryRecord(record);
		looper->EnqueueBeforeRunning(message);
	}
	BMessage posted(FourCC("post"));
	EXPECT_EQ(looper->Post(&posted, &handler), kOk);
	EXPECT_EQ(looper->Post(&posted, &handler), kOk);
	looper.Run();
	ASSERT_TRUE(handler.WaitFor(5));
	EXPECT_EQ(handler.Codes(), (std::vector<uint32>{FourCC("erly"), FourCC("1st "), FourCC("2nd "),
		FourCC("post"), FourCC("post")}));
	EXPECT_TRUE(handler.AlwaysLockedAndCurrent());
	looper.Stop();
}

TEST(LooperDispatch, MessagesPostedToARunningLooperArriveInPostingOrder)
{
	RunningLooper looper;
	RecordingHandler handler;
	looper->AddHandler(&handler);
	looper.Run();
	std::vector<uint32> posted;
	for (uint32 i = 0; i < 50; i++) {
		BMessage message(FourCC("m000") + i);
		ASSERT_EQ(looper->Post(&message, &handler), kOk);
		posted.push_back(message.what);
	}
	ASSERT_TRUE(handler.WaitFor(posted.size()));
	EXPECT_EQ(handler.Codes(), posted);
	// Dispatch ran on the looper thread, not here.
	EXPECT_EQ(looper->CurrentMessage(), nullptr);
	looper.Stop();
}

TEST(LooperDispatch, EnqueuedMessageWithoutTargetGoesToTheLooper)
{
	class Recorder : public WatchedLooper {
	public:
		explicit Recorder(Event* destroyed) : WatchedLooper("enqueue", destroyed) {}
		void HandleMessage(BMessage* message) override
		{
			if (message->what == FourCC("frst"))
				fFirst.Set();
			WatchedLooper::HandleMessage(message);
		}
		Event fFirst;
	};
	Event destroyed;
	Recorder* looper = new Recorder(&destroyed);
	looper->EnqueueBeforeRunning(new BMessage(FourCC("frst")));
	looper->Run();
	EXPECT_TRUE(looper->fFirst.Wait());
	looper->Lock();
	looper->Quit();
	EXPECT_TRUE(destroyed.IsSet());
}

TEST(LooperDispatch, MessageForARemovedHandlerIsDroppedWithoutDispatch)
{
	RunningLooper looper;
	RecordingHandler removed;
	RecordingHandler kept;
	looper->AddHandler(&removed);
	looper->AddHandler(&kept);
	BMessage message(FourCC("lost"));
	EXPECT_EQ(looper->Post(&message, &removed), kOk);
	{
		// Deleted after queuing: the token no longer resolves either.
		RecordingHandler deleted;
		looper->AddHandler(&deleted);
		EXPECT_EQ(looper->Post(&message, &deleted), kOk);
		looper->RemoveHandler(&deleted);
	}
	looper->RemoveHandler(&removed);
	BMessage done(kDone);
	EXPECT_EQ(looper->Post(&done, &kept), kOk);
	looper.Run();
	ASSERT_TRUE(kept.WaitFor(1));
	EXPECT_EQ(kept.Codes(), std::vector<uint32>{kDone});
	EXPECT_EQ(removed.Count(), 0u);
	// Nor did the message fall through to the looper's next handlers.
	looper.Stop();
	EXPECT_TRUE(TakeDebuggerReports().empty());
}

TEST(LooperDispatch, PreferredHandlerOrTheLooperReceivesPreferredMessages)
{
	class Recorder : public WatchedLooper {
	public:
		explicit Recorder(Event* destroyed) : WatchedLooper("preferred", destroyed) {}
		void HandleMessage(BMessage* message) override
		{
			if (message->what == FourCC("pref"))
				fReceived.Set();
			WatchedLooper::HandleMessage(message);
		}
		Event fReceived;
	};
	Event destroyed;
	Recorder* looper = new Recorder(&destroyed);
	RecordingHandler focus;
	looper->AddHandler(&focus);
	looper->Run();

	BMessage message(FourCC("pref"));
	ASSERT_TRUE(looper->Lock());
	EXPECT_EQ(looper->Post(&message, nullptr), kOk);
	looper->Unlock();
	EXPECT_TRUE(looper->fReceived.Wait());
	EXPECT_EQ(focus.Count(), 0u);

	ASSERT_TRUE(looper->Lock());
	looper->SetPreferredHandler(&focus);
	EXPECT_EQ(looper->Post(&message, nullptr), kOk);
	looper->Unlock();
	ASSERT_TRUE(focus.WaitFor(1));
	EXPECT_EQ(focus.Codes(), std::vector<uint32>{FourCC("pref")});

	looper->Lock();
	looper->Quit();
	EXPECT_TRUE(destroyed.IsSet());
}

TEST(LooperDispatch, RunTwiceIsReportedAndFails)
{
	RunningLooper looper;
	looper.Run();
	ASSERT_TRUE(looper->Lock());
	EXPECT_EQ(looper->Run(), -1);
	EXPECT_EQ(TakeDebuggerReports(), std::vector<std::string>{"can't call BLooper::Run twice!"});
	looper->Unlock();
	looper.Stop();
}

TEST(LooperDispatch, RunWithoutTheLockIsReported)
{
	Event destroyed;
	WatchedLooper* looper = new WatchedLooper("unlocked run", &destroyed);
	looper->Unlock();
	// Run hands the creator's hold to the new thread, so it takes one first.
	EXPECT_TRUE(zeltest::RunOnOtherThread([&] { looper->Run(); }));
	std::vector<std::string> reports = TakeDebuggerReports();
	ASSERT_FALSE(reports.empty());
	EXPECT_EQ(reports.front(), "looper must be locked before proceeding\n");
	if (looper->Lock())
		looper->Quit();
	EXPECT_TRUE(destroyed.IsSet());
	TakeDebuggerReports();
}

TEST(LooperQuit, FromAnotherThreadReturnsOnceTheLooperIsDestroyed)
{
	Event destroyed;
	WatchedLooper* looper = new WatchedLooper("quit from outside", &destroyed);
	RecordingHandler handler;
	looper->AddHandler(&handler);
	looper->Run();
	ASSERT_TRUE(looper->Lock());
	looper->Quit();
	EXPECT_TRUE(destroyed.IsSet());
	EXPECT_EQ(BPrivate::ListedLooperToken(looper, nullptr), kNotALooper);
	EXPECT_EQ(handler.Looper(), nullptr);
	EXPECT_TRUE(TakeDebuggerReports().empty());
}

TEST(LooperQuit, QuitRequestAskedOfTheLooperEndsIt)
{
	RunningLooper looper;
	looper.Run();
	EXPECT_EQ(looper->Post(kQuitRequested), kOk);
	ASSERT_TRUE(looper.WaitUntilGone());
	EXPECT_TRUE(TakeDebuggerReports().empty());
}

TEST(LooperQuit, QuitRequestForAnotherHandlerIsAnOrdinaryMessage)
{
	RunningLooper looper;
	RecordingHandler handler;
	looper->AddHandler(&handler);
	looper.Run();
	BMessage request(kQuitRequested);
	EXPECT_EQ(looper->Post(&request, &handler), kOk);
	ASSERT_TRUE(handler.WaitFor(1));
	EXPECT_EQ(handler.Codes(), std::vector<uint32>{kQuitRequested});
	EXPECT_EQ(BPrivate::ListedLooperToken(looper.Get(), nullptr), kOk);
	looper.Stop();
}

TEST(LooperQuit, QuitNowFromInsideEndsTheLoopWithoutAnyHandlerSeeingIt)
{
	class QuitOnRequest : public RecordingHandler {
	protected:
		void Received(BMessage* message) override
		{
			if (message->what == FourCC("quit"))
				Looper()->Quit();
		}
	};
	RunningLooper looper;
	QuitOnRequest handler;
	looper->AddHandler(&handler);
	looper.Run();
	BMessage quit(FourCC("quit"));
	BMessage after(FourCC("aftr"));
	ASSERT_TRUE(looper->Lock());
	EXPECT_EQ(looper->Post(&quit, &handler), kOk);
	EXPECT_EQ(looper->Post(&after, &handler), kOk);
	looper->Unlock();
	ASSERT_TRUE(looper.WaitUntilGone());
	// The loop ended before the message queued behind the quit.
	EXPECT_EQ(handler.Codes(), std::vector<uint32>{FourCC("quit")});
	EXPECT_EQ(handler.Looper(), nullptr);
	EXPECT_TRUE(TakeDebuggerReports().empty());
}

TEST(LooperQuit, ForcedQuitCodeQuitsOnTheLooperThread)
{
	RunningLooper looper;
	looper.Run();
	EXPECT_EQ(looper->Post(kForceQuit), kOk);
	ASSERT_TRUE(looper.WaitUntilGone());
}

TEST(LooperQuit, DeletingARunningLooperIsReported)
{
	// A loop that only waits, so that the looper can be deleted from under it
	// without the loop touching it meanwhile.
	class IdleLooper : public WatchedLooper {
	public:
		IdleLooper(Event* destroyed, Event* started, Event* release)
			: WatchedLooper("deleted while running", destroyed), fStarted(started), fRelease(release)
		{
		}

	protected:
		void ThreadLoop() override
		{
			Event* release = fRelease;
			Unlock();
			fStarted->Set();
			release->Wait();
		}

	private:
		Event* fStarted;
		Event* fRelease;
	};
	Event destroyed;
	Event started;
	Event release;
	IdleLooper* looper = new IdleLooper(&destroyed, &started, &release);
	HANDLE thread = nullptr;
	ASSERT_TRUE(DuplicateHandle(GetCurrentProcess(), reinterpret_cast<HANDLE>(static_cast<intptr_t>(looper->Run())),
		GetCurrentProcess(), &thread, 0, FALSE, DUPLICATE_SAME_ACCESS));
	ASSERT_TRUE(started.Wait());
	ASSERT_TRUE(looper->Lock());
	delete looper;
	EXPECT_EQ(TakeDebuggerReports(),
		std::vector<std::string>{"You can't call delete on a BLooper object once it is running.\n"});
	EXPECT_TRUE(destroyed.IsSet());
	// The thread, once its loop ends, finds the looper gone and leaves it alone.
	release.Set();
	EXPECT_EQ(WaitForSingleObject(thread, zeltest::kDeadlineMillis), WAIT_OBJECT_0);
	CloseHandle(thread);
	EXPECT_TRUE(TakeDebuggerReports().empty());
}

TEST(LooperQuit, EscapingExceptionEndsTheLoop)
{
	RunningLooper looper;
	ThrowingHandler handler;
	looper->AddHandler(&handler);
	looper.Run();
	BMessage thrower(FourCC("thro"));
	BMessage after(FourCC("aftr"));
	ASSERT_TRUE(looper->Lock());
	EXPECT_EQ(looper->Post(&thrower, &handler), kOk);
	EXPECT_EQ(looper->Post(&after, &handler), kOk);
	looper->Unlock();
	ASSERT_TRUE(looper.WaitUntilGone());
	EXPECT_EQ(handler.Codes(), std::vector<uint32>{FourCC("thro")});
	EXPECT_EQ(handler.Looper(), nullptr);
	EXPECT_TRUE(TakeDebuggerReports().empty());
}

TEST(LooperFilters, CommonFiltersCanRedirectOrSkip)
{
	RunningLooper looper;
	RecordingHandler addressed;
	RecordingHandler redirected;
	looper->AddHandler(&addressed);
	looper->AddHandler(&redirected);
	gRedirectTarget = &redirected;
	looper->AddCommonFilter(new MessageFilter(FourCC("redi"), RedirectHook));
	looper->AddCommonFilter(new MessageFilter(FourCC("skip"), SkipHook));
	looper.Run();
	for (uint32 what : {FourCC("redi"), FourCC("skip"), kDone}) {
		BMessage message(what);
		EXPECT_EQ(looper->Post(&message, &addressed), kOk);
	}
	ASSERT_TRUE(addressed.WaitFor(1));
	ASSERT_TRUE(redirected.WaitFor(1));
	looper.Stop();
	EXPECT_EQ(addressed.Codes(), std::vector<uint32>{kDone});
	EXPECT_EQ(redirected.Codes(), std::vector<uint32>{FourCC("redi")});
}

TEST(LooperFilters, HandlerFiltersFollowRedirections)
{
	RunningLooper looper;
	RecordingHandler first;
	RecordingHandler second;
	looper->AddHandler(&first);
	looper->AddHandler(&second);
	gRedirectTarget = &second;
	first.AddFilter(new MessageFilter(FourCC("redi"), RedirectHook));
	// The handler redirected to is filtered in turn.
	second.AddFilter(new MessageFilter(FourCC("redi"), SkipHook));
	first.AddFilter(new MessageFilter(FourCC("pass"), RedirectHook));
	looper.Run();
	for (uint32 what : {FourCC("redi"), FourCC("pass")}) {
		BMessage message(what);
		EXPECT_EQ(looper->Post(&message, &first), kOk);
	}
	ASSERT_TRUE(second.WaitFor(1));
	looper.Stop();
	EXPECT_EQ(first.Count(), 0u);
	EXPECT_EQ(second.Codes(), std::vector<uint32>{FourCC("pass")});
}

TEST(LooperFilters, FiltersThatPickAHandlerOfAnotherLooperAreReported)
{
	BLooper* other = new BLooper("other");
	RecordingHandler foreign;
	other->AddHandler(&foreign);
	gRedirectTarget = &foreign;

	RunningLooper looper;
	RecordingHandler handler;
	looper->AddHandler(&handler);
	looper->AddCommonFilter(new MessageFilter(FourCC("comm"), RedirectHook));
	handler.AddFilter(new MessageFilter(FourCC("hand"), RedirectHook));
	looper.Run();
	for (uint32 what : {FourCC("comm"), FourCC("hand"), kDone}) {
		BMessage message(what);
		EXPECT_EQ(looper->Post(&message, &handler), kOk);
	}
	ASSERT_TRUE(handler.WaitFor(1));
	looper.Stop();
	EXPECT_EQ(handler.Codes(), std::vector<uint32>{kDone});
	EXPECT_EQ(foreign.Count(), 0u);
	EXPECT_EQ(TakeDebuggerReports(), (std::vector<std::string>{
		"Handler returned by (L) FilterMessage does not belong to the looper",
		"Handler returned by (H) FilterMessage does not belong to the looper",
	}));
	other->Quit();
}

TEST(LooperWork, PendingExecutionsRunLockedAtTheNextStep)
{
	RunningLooper looper;
	looper.Run();
	struct Probe {
		BLooper* looper = nullptr;
		Event ran;
		bool locked = false;
	} probe;
	probe.looper = looper.Get();
	ASSERT_TRUE(looper->Lock());
	looper->AddPendingExecution({[](void* data, void* argument) {
		Probe* p = static_cast<Probe*>(data);
		p->locked = p->looper->IsLocked() && argument == p;
		p->ran.Set();
	}, &probe, &probe});
	looper->Unlock();
	ASSERT_TRUE(probe.ran.Wait());
	EXPECT_TRUE(probe.locked);
	looper.Stop();
}

TEST(LooperWork, UnlockedWorkRunsAfterTheMessageWithTheLooperFree)
{
	class Work : public UnlockedDispatcher {
	public:
		explicit Work(BLooper* looper) : fLooper(looper) {}
		void Dispatch() override
		{
			fWasLocked = fLooper->IsLocked();
			fRan.Set();
		}
		BLooper* fLooper;
		bool fWasLocked = true;
		Event fRan;
	};
	class Queuer : public RecordingHandler {
	public:
		sptr<UnlockedDispatcher> fWork;

	protected:
		void Received(BMessage* /*message*/) override { Looper()->AddUnlockedWork(fWork); }
	};
	RunningLooper looper;
	Queuer handler;
	sptr<Work> work = new Work(looper.Get());
	handler.fWork = work;
	looper->AddHandler(&handler);
	looper.Run();
	BMessage message(FourCC("work"));
	EXPECT_EQ(looper->Post(&message, &handler), kOk);
	ASSERT_TRUE(work->fRan.Wait());
	EXPECT_FALSE(work->fWasLocked);
	looper.Stop();
}

TEST(LooperDispatch, LooperCanRunOnTheThreadThatCallsRun)
{
	// The application looper's way: the loop runs inside Run, which returns
	// once the loop has ended, with the looper still there and locked.
	class InlineLooper : public WatchedLooper {
	public:
		explicit InlineLooper(Event* destroyed) : WatchedLooper("inline", destroyed)
		{
			fRunFlags = kRunOnCallingThread;
		}
		void HandleMessage(BMessage* message) override
		{
			if (message->what == FourCC("stop")) {
				fSawCurrent = CurrentMessage() == message;
				Quit();
				return;
			}
			WatchedLooper::HandleMessage(message);
		}
		bool fSawCurrent = false;
	};
	Event destroyed;
	bool finished = zeltest::RunOnOtherThread([&] {
		InlineLooper* looper = new InlineLooper(&destroyed);
		// Queued before running: found by the loop's first step.
		EXPECT_EQ(looper->Post(FourCC("stop")), kOk);
		int32 thread = looper->Run();
		EXPECT_EQ(thread, looper->Thread());
		EXPECT_NE(thread, -1);
		EXPECT_TRUE(looper->fSawCurrent);
		EXPECT_TRUE(looper->IsLocked());
		EXPECT_FALSE(destroyed.IsSet());
		delete looper;
	});
	EXPECT_TRUE(finished);
	EXPECT_TRUE(destroyed.IsSet());
	EXPECT_TRUE(TakeDebuggerReports().empty());
}
