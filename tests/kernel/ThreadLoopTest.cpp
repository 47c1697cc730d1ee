// The per-thread loop, run on a real thread with a real hidden wake window:
// wake-ups, timers, steps that ask for a time already past, paint forcing.
#include "kernel/SystemTime.h"
#include "kernel/Thread.h"
#include "kernel/ThreadLoop.h"
#include "kernel/ThreadRecord.h"
#include "tests/harness/Deadline.h"

#include <gtest/gtest.h>

#include <windows.h>

#include <atomic>
#include <functional>
#include <thread>

namespace {

using zeltest::kDeadlineMillis;
// Posted behind everything the loop has queued: once the window has seen it,
// every wake-up posted before it has been handled.
constexpr UINT kMarkerMessage = WM_APP + 1;

// What the loop thread's window and step saw. Written on the loop thread, read
// by the test thread after waiting for a count.
struct Probe {
	std::function<bigtime_t(Probe&, bigtime_t now)> step;
	std::function<void(Probe&)> onAppMessage;
	std::atomic<int> steps{0};
	std::atomic<int> depth{0};
	std::atomic<int> deepestStep{0};
	std::atomic<int> wakeupsDispatched{0};
	std::atomic<int> appMessages{0};
	std::atomic<int> markers{0};
	std::atomic<int> paints{0};
	std::atomic<bool> quit{false};
	ThreadRecord* record = nullptr;
	HWND window = nullptr;
};

bigtime_t RunProbeStep(void* argument, bigtime_t now, bool* quit)
{
	Probe* probe = static_cast<Probe*>(argument);
	int depth = ++probe->depth;
	if (depth > probe->deepestStep)
		probe->deepestStep = depth;
	bigtime_t next = probe->step ? probe->step(*probe, now) : kInfinite;
	*quit = probe->quit.load();
	--probe->depth;
	++probe->steps;
	return next;
}

LRESULT CALLBACK ProbeWindowProc(HWND window, UINT message, WPARAM wParam, LPARAM lParam)
{
	Probe* probe = reinterpret_cast<Probe*>(GetWindowLongPtrW(window, GWLP_USERDATA));
	if (probe != nullptr) {
		if (message == BWM_WAKEUP) {
			++probe->wakeupsDispatched;
			return 0;
		}
		if (message == WM_APP) {
			++probe->appMessages;
			if (probe->onAppMessage)
				probe->onAppMessage(*probe);
			return 0;
		}
		if (message == kMarkerMessage) {
			++probe->markers;
			return 0;
		}
		if (message == WM_PAINT) {
			PAINTSTRUCT paint;
			BeginPaint(window, &paint);
			EndPaint(window, &paint);
			++probe->paints;
			return 0;
		}
	}
	return DefWindowProcW(window, message, wParam, lParam);
}

const wchar_t* ProbeWindowClass()
{
	static const wchar_t* name = [] {
		WNDCLASSW windowClass = {};
		windowClass.lpfnWndProc = ProbeWindowProc;
		windowClass.hInstance = GetModuleHandleW(nullptr);
		windowClass.lpszClassName = L"ZelKernelLoopProbe";
		RegisterClassW(&windowClass);
		return L"ZelKernelLoopProbe";
	}();
	return name;
}

bool WaitUntil(const std::function<bool()>& condition, DWORD millis = kDeadlineMillis)
{
	DWORD start = GetTickCount();
	while (!condition()) {
		if (GetTickCount() - start > millis)
			return false;
		Sleep(1);
	}
	return true;
}

// Waits until the loop has handled everything that was queued before the call:
// a stray wake-up would have run the step by then.
bool DrainLoop(Probe& probe)
{
	int seen = probe.markers;
	return PostMessageW(probe.window, kMarkerMessage, 0, 0) && WaitUntil([&] { return probe.markers > seen; });
}

enum class WakeTarget { kWindow, kThreadQueue };

// A thread that runs the loop with the probe as its step; the loop must end
// within the deadline once the test asks it to quit.
class LoopThread {
public:
	LoopThread(Probe& probe, WakeTarget target, bool showWindow = false)
		: fProbe(probe)
	{
		fThread = std::thread([this, target, showWindow] { Run(target, showWindow); });
		fReady = WaitUntil([this] { return fStarted.load(); });
	}

	~LoopThread()
	{
		if (!fEnded.load())
			Quit();
		if (!WaitUntil([this] { return fEnded.load(); })) {
			ADD_FAILURE() << "the loop did not end";
			PostThreadMessageW(fThreadId, WM_QUIT, 0, 0);
		}
		fThread.join();
	}

	bool Ready() const { return fReady; }

	// Asks the step to set its quit flag and waits for the loop to return.
	bool Quit()
	{
		fProbe.quit = true;
		(void)WakeThreadLoop(fProbe.record, 0);  // a lost wake-up shows as the wait below failing
		return WaitUntil([this] { return fEnded.load(); });
	}

	status_t Result() const { return fResult; }
	// A WM_QUIT was still queued when the loop returned.
	bool QuitLeft() const { return fQuitLeft; }
	// Waits for the loop to return by itself.
	bool WaitForEnd() { return WaitUntil([this] { return fEnded.load(); }); }

private:
	void Run(WakeTarget target, bool showWindow)
	{
		fThreadId = GetCurrentThreadId();
		fProbe.window = CreateWindowExW(0, ProbeWindowClass(), L"probe", WS_OVERLAPPEDWINDOW, 0, 0,
			200, 150, nullptr, nullptr, GetModuleHandleW(nullptr), nullptr);
		SetWindowLongPtrW(fProbe.window, GWLP_USERDATA, reinterpret_cast<LONG_PTR>(&fProbe));
		if (showWindow)
			ShowWindow(fProbe.window, SW_SHOWNA);
		fProbe.record = target == WakeTarget::kWindow ? SetWakeWindow(fProbe.window)
		                                              : RecordForThread(-1);
		MSG message;
		// Makes sure the thread has a queue before anybody posts to it.
		PeekMessageW(&message, nullptr, 0, 0, PM_NOREMOVE);
		fStarted = true;
		fResult = RunThreadLoop(RunProbeStep, &fProbe);
		fQuitLeft = PeekMessageW(&message, nullptr, WM_QUIT, WM_QUIT, PM_NOREMOVE) != FALSE;
		DestroyWindow(fProbe.window);
		fEnded = true;
	}

	Probe& fProbe;
	std::thread fThread;
	DWORD fThreadId = 0;
	std::atomic<bool> fStarted{false};
	std::atomic<bool> fEnded{false};
	bool fReady = false;
	status_t fResult = kError;
	bool fQuitLeft = false;
};

TEST(ThreadLoop, WakeupsRunTheStepAndNeverReachAWindowProcedure)
{
	for (WakeTarget target : {WakeTarget::kWindow, WakeTarget::kThreadQueue}) {
		SCOPED_TRACE(target == WakeTarget::kWindow ? "wake window" : "thread queue");
		Probe probe;
		LoopThread loop(probe, target);
		ASSERT_TRUE(loop.Ready());
		ASSERT_TRUE(WaitUntil([&] { return probe.steps == 1; }));
		for (int i = 2; i <= 6; i++) {
			ASSERT_EQ(WakeThreadLoop(probe.record, 0), kOk);
			ASSERT_TRUE(WaitUntil([&] { return probe.steps >= i; })) << "wake-up " << i;
		}
		// A wake-up that races with the loop's idle check may run the step once
		// more, never more often, and the loop then sleeps again.
		ASSERT_TRUE(DrainLoop(probe));
		int steps = probe.steps;
		EXPECT_LE(steps, 11);
		ASSERT_TRUE(DrainLoop(probe));
		EXPECT_EQ(probe.steps, steps);
		EXPECT_EQ(probe.wakeupsDispatched, 0);
		EXPECT_TRUE(loop.Quit());
		EXPECT_EQ(loop.Result(), kOk);
	}
}

TEST(ThreadLoop, ATimerRunsTheStepNoEarlierThanAskedAndOnlyOnce)
{
	Probe probe;
	std::atomic<bigtime_t> asked{0};
	std::atomic<bigtime_t> ranAt{0};
	probe.step = [&](Probe& self, bigtime_t now) {
		if (self.steps == 0) {
			asked = now + 60000;
			return asked.load();
		}
		ranAt = SystemTimeMicros();
		return kInfinite;
	};
	LoopThread loop(probe, WakeTarget::kWindow);
	ASSERT_TRUE(loop.Ready());
	ASSERT_TRUE(WaitUntil([&] { return probe.steps == 2; }));
	EXPECT_GE(ranAt.load(), asked.load());
	EXPECT_LT(ranAt.load(), asked.load() + 2000000);
	// A timer left running would fire again every 71 ms: it must be gone.
	ASSERT_TRUE(DrainLoop(probe));
	EXPECT_EQ(probe.steps, 2);
	EXPECT_EQ(probe.record->fTimerId, 0u);
}

TEST(ThreadLoop, AStepAnsweringInfiniteSleepsUntilWoken)
{
	Probe probe;
	LoopThread loop(probe, WakeTarget::kWindow);
	ASSERT_TRUE(loop.Ready());
	ASSERT_TRUE(WaitUntil([&] { return probe.steps == 1; }));
	ASSERT_TRUE(DrainLoop(probe));
	EXPECT_EQ(probe.steps, 1);
	EXPECT_EQ(probe.record->fTimerId, 0u);
	EXPECT_EQ(probe.record->fNextWakeTime, kInfinite);
	// Any message wakes GetMessageW; the step runs again only for a wake-up.
	PostMessageW(probe.window, WM_APP, 0, 0);
	ASSERT_TRUE(WaitUntil([&] { return probe.appMessages == 1; }));
	ASSERT_TRUE(DrainLoop(probe));
	EXPECT_EQ(probe.steps, 1);
	// The loop may take the wake-up's pending mark before its message arrives
	// and run the step for both; either way the step runs and sleeps again.
	EXPECT_EQ(WakeThreadLoop(probe.record, 0), kOk);
	ASSERT_TRUE(WaitUntil([&] { return probe.steps >= 2; }));
	ASSERT_TRUE(DrainLoop(probe));
	int woken = probe.steps;
	EXPECT_LE(woken, 3);
	ASSERT_TRUE(DrainLoop(probe));
	EXPECT_EQ(probe.steps, woken);
}

TEST(ThreadLoop, AStepAskingForAPastTimeRunsAgainThroughTheQueueOnce)
{
	Probe probe;
	std::atomic<int> messagesSeenBySecondStep{-1};
	probe.step = [&](Probe& self, bigtime_t now) {
		if (self.steps == 0) {
			// Queued before the wake-up the loop posts for the past time.
			PostMessageW(self.window, WM_APP, 0, 0);
			return now - 1000;
		}
		if (self.steps == 1)
			messagesSeenBySecondStep = self.appMessages.load();
		return kInfinite;
	};
	LoopThread loop(probe, WakeTarget::kWindow);
	ASSERT_TRUE(loop.Ready());
	ASSERT_TRUE(WaitUntil([&] { return probe.steps == 2; }));
	ASSERT_TRUE(DrainLoop(probe));
	EXPECT_EQ(probe.steps, 2);
	EXPECT_EQ(probe.deepestStep, 1) << "the step ran inside itself";
	EXPECT_EQ(messagesSeenBySecondStep, 1) << "the second run did not go through the queue";
	EXPECT_EQ(probe.wakeupsDispatched, 0);
}

TEST(ThreadLoop, WakingOwnThreadIsIgnoredInTheStepAndOtherwiseArmsAnEarlierTimer)
{
	Probe probe;
	std::atomic<bigtime_t> asked{0};
	std::atomic<bigtime_t> ranAt{0};
	probe.step = [&](Probe& self, bigtime_t) {
		if (self.steps == 0)
			(void)WakeThreadLoop(self.record, 0);  // on the loop thread; the step count tells
		else
			ranAt = SystemTimeMicros();
		return kInfinite;
	};
	probe.onAppMessage = [&](Probe& self) {
		asked = SystemTimeMicros() + 50000;
		(void)WakeThreadLoop(self.record, asked);  // on the loop thread; the run time tells
	};
	LoopThread loop(probe, WakeTarget::kWindow);
	ASSERT_TRUE(loop.Ready());
	ASSERT_TRUE(WaitUntil([&] { return probe.steps == 1; }));
	ASSERT_TRUE(DrainLoop(probe));
	EXPECT_EQ(probe.steps, 1) << "a wake-up from inside the step ran it again";

	PostMessageW(probe.window, WM_APP, 0, 0);
	ASSERT_TRUE(WaitUntil([&] { return probe.steps == 2; }));
	// A posted wake-up would have run the step at once, before the asked time.
	EXPECT_GE(ranAt.load(), asked.load());
	EXPECT_EQ(probe.record->fTimerId, 0u);
}

TEST(ThreadLoop, QueuedPaintsAreForcedThroughAFloodOfMessages)
{
	Probe probe;
	std::atomic<bool> flooding{false};
	std::atomic<bool> paintedDuringFlood{false};
	probe.onAppMessage = [&](Probe& self) {
		// Keeps the queue from ever running empty, so WM_PAINT alone would never come.
		if (flooding)
			PostMessageW(self.window, WM_APP, 0, 0);
	};
	LoopThread loop(probe, WakeTarget::kWindow, true);
	ASSERT_TRUE(loop.Ready());
	ASSERT_TRUE(WaitUntil([&] { return probe.paints >= 1; })) << "the shown window was never painted";
	int paintsBefore = probe.paints;

	flooding = true;
	PostMessageW(probe.window, WM_APP, 0, 0);
	ASSERT_TRUE(WaitUntil([&] { return probe.appMessages > 100; }));
	InvalidateRect(probe.window, nullptr, FALSE);
	bool painted = WaitUntil([&] { return probe.paints > paintsBefore; }, 3000);
	paintedDuringFlood = flooding.load();
	int floodMessages = probe.appMessages;
	flooding = false;
	EXPECT_TRUE(painted);
	EXPECT_TRUE(paintedDuringFlood);
	EXPECT_GT(floodMessages, 100);
}

// The step runs inside a window procedure, as a modal loop's wake-up runs it,
// and asks to quit there. What the procedure does next decides where the
// loop's WM_QUIT goes: a handler that dispatches pending paints takes it out of
// the queue; one that returns leaves it queued behind the loop's own look.
TEST(ThreadLoop, AStepThatAsksToQuitEndsTheLoopWhoeverTakesItsQuitMessage)
{
	for (bool taken : {true, false}) {
		SCOPED_TRACE(taken ? "WM_QUIT taken by another loop" : "WM_QUIT left queued");
		Probe probe;
		probe.onAppMessage = [taken](Probe& self) {
			self.quit = true;
			RunThreadLoopStepNow();
			MSG message;
			while (taken && PeekMessageW(&message, nullptr, WM_PAINT, WM_PAINT, PM_REMOVE)) {
			}
		};
		LoopThread loop(probe, WakeTarget::kWindow);
		ASSERT_TRUE(loop.Ready());
		PostMessageW(probe.window, WM_APP, 0, 0);
		EXPECT_TRUE(loop.WaitForEnd()) << "the loop waited on after its step asked to quit";
		EXPECT_EQ(loop.Result(), kOk);
		// A WM_QUIT left over would end the thread's next loop before it began.
		EXPECT_FALSE(loop.QuitLeft());
	}
}

TEST(ThreadLoop, WithoutARecordOfItsOwnAWakeOfNothingFails)
{
	EXPECT_EQ(WakeThreadLoop(nullptr, 0), kError);
}

}  // namespace
