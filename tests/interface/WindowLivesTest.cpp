// Window lives, one after another, each ended by the window's own handling:
// a queued message whose handler posts '_QRQ' to its window (the uninstall
// window's way after "OK" and "Cancel"), calls Quit or lets an exception
// escape, with messages still waiting behind it; or a native event (the
// window moved) whose handler quits or throws. Busy threads run beside them.
// Every life must end: the window thread gone, the native window destroyed,
// and a messenger to the window refused.
#include "interface/NativeHandle.h"
#include "kernel/WinOwner.h"
#include "tests/harness/CpuLoad.h"
#include "tests/harness/DebuggerSeam.h"
#include "tests/interface/WindowTestSupport.h"

#include <gtest/gtest.h>

#include <windows.h>

#include <stdexcept>

namespace {

using namespace zeltest;

constexpr uint32 kEndCode = FourCC("tEND");
constexpr uint32 kWaitingCode = FourCC("tWAI");
constexpr int kWaiting = 20;

// How a life ends: what the handler does, and whether a queued message or a
// native move (reported from the window procedure, outside the loop's step)
// makes it do so.
struct Ending {
	enum Action { kPostQuitRequest, kQuit, kThrow };
	const char* name;
	Action action;
	bool onNativeMove;
};
const Ending kEndings[] = {
	{"'_QRQ' posted to itself", Ending::kPostQuitRequest, false},
	{"Quit in its handler", Ending::kQuit, false},
	{"an exception from its handler", Ending::kThrow, false},
	{"Quit when moved", Ending::kQuit, true},
	{"an exception when moved", Ending::kThrow, true},
};

// Keeps the window thread's handle: the thread deletes its window and then
// returns, so its end is the end of the life.
class EndingWindow : public BWindow {
public:
	EndingWindow(const Ending& ending, HANDLE* thread, HANDLE started)
		: BWindow(BRect(60, 60, 260, 180), BString("Ending"), 0, kNormalFeel, 0),
		  fEnding(ending),
		  fThread(thread),
		  fStarted(started)
	{
	}

	void ThreadStartHook() override
	{
		BWindow::ThreadStartHook();
		DuplicateHandle(GetCurrentProcess(), GetCurrentThread(), GetCurrentProcess(), fThread, SYNCHRONIZE,
			FALSE, 0);
		SetEvent(fStarted);
	}

	void HandleMessage(BMessage* message) override
	{
		if (message->what == kEndCode)
			End();
		else if (message->what != kWaitingCode)
			BWindow::HandleMessage(message);
	}

	// Runs from the window procedure, not from the loop's step.
	void OnFrameMoved(float, float) override
	{
		if (fEnding.onNativeMove)
			End();
	}

private:
	void End()
	{
		switch (fEnding.action) {
		case Ending::kPostQuitRequest:
			EXPECT_EQ(Post(kQuitRequested), kOk);
			break;
		case Ending::kQuit:
			Quit();
			break;
		case Ending::kThrow:
			throw std::runtime_error("escapes the handler");
		}
	}

	const Ending& fEnding;
	HANDLE* fThread;
	HANDLE fStarted;
};

// Waits for the thread to end, dispatching this thread's messages meanwhile:
// a window thread may send to the application's window, which this thread owns.
bool WaitForThreadEnd(HANDLE thread)
{
	DWORD start = GetTickCount();
	for (;;) {
		DWORD elapsed = GetTickCount() - start;
		if (elapsed >= kDeadlineMillis)
			return false;
		DWORD woken = MsgWaitForMultipleObjects(1, &thread, FALSE, kDeadlineMillis - elapsed, QS_ALLINPUT);
		if (woken == WAIT_OBJECT_0)
			return true;
		MSG message;
		while (PeekMessageW(&message, nullptr, 0, 0, PM_REMOVE))
			DispatchMessageW(&message);
	}
}

// One life; false when the window never ended.
bool LiveOnce(const Ending& ending)
{
	HANDLE thread = nullptr;
	WinHandle started(CreateEventW(nullptr, TRUE, FALSE, nullptr));
	EndingWindow* window = new EndingWindow(ending, &thread, started.Get());
	EXPECT_TRUE(ShowAndWait(window));
	WaitForSingleObject(started.Get(), kDeadlineMillis);
	WinHandle threadOwner(thread);
	HWND handle = BPrivate::NativeHandleOf(window);
	const BMessenger target(window, nullptr);

	if (ending.onNativeMove) {
		// Moved by the platform: the window procedure reports the move.
		SetWindowPos(handle, nullptr, 90, 90, 0, 0, SWP_NOSIZE | SWP_NOZORDER | SWP_NOACTIVATE);
	} else {
		// Held while the messages go in, so that all of them wait behind the
		// one that ends the window.
		if (!window->Lock())
			return false;
		BMessage end(kEndCode);
		EXPECT_EQ(target.Send(&end), kOk);
		for (int i = 0; i < kWaiting; i++) {
			BMessage waiting(kWaitingCode);
			EXPECT_EQ(target.Send(&waiting), kOk);
		}
		window->Unlock();
	}
	if (!WaitForThreadEnd(threadOwner.Get()))
		return false;
	EXPECT_FALSE(IsWindow(handle));
	EXPECT_FALSE(target.IsValid());
	BMessage late(kWaitingCode);
	EXPECT_EQ(target.Send(&late), kBadTarget);
	return true;
}

TEST(WindowLives, EveryWindowThatEndsItselfEndsUnderLoad)
{
	constexpr int kLives = 50;
	RecordingApp app;
	CpuLoad load;
	for (int life = 0; life < kLives; life++) {
		const Ending& ending = kEndings[life % 5];
		ASSERT_TRUE(LiveOnce(ending)) << "life " << life << ", ended by " << ending.name << ", never ended";
	}
	EXPECT_TRUE(TakeDebuggerReports().empty());
}

}  // namespace
