// Window lives, one after another, each ended by the window's own handling:
// a queued message whose handler posts '_QRQ' to its window (the uninstall
// window's way after "OK" and "Cancel"), calls Quit or lets an exception
// escape, with messages still waiting behind it; or a native event (the
// window moved) whose handler quits or throws. Busy threads run beside them.
// Every life must end: the window thread gone, the native window destroyed,
// and a messenger to the window refused.
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

enum class Ending {
	kQuitRequestToItself,
	kQuitInHandler,
	kThrowInHandler,
	kQuitOnNativeMove,
	kThrowOnNativeMove,
};

const char* NameOf(Ending ending)
{
	switch (ending) {
	case Ending::kQuitRequestToItself: return "'_QRQ' posted to itself";
	case Ending::kQuitInHandler: return "Quit in its handler";
	case Ending::kThrowInHandler: return "an exception from its handler";
	case Ending::kQuitOnNativeMove: return "Quit when moved";
	case Ending::kThrowOnNativeMove: return "an exception when moved";
	}
	return "?";
}

bool EndsOnNativeMove(Ending ending)
{
	return ending == Ending::kQuitOnNativeMove || ending == Ending::kThrowOnNativeMove;
}

// Keeps the window thread's handle: the thread deletes its window and then
// returns, so its end is the end of the life.
class EndingWindow : public BWindow {
public:
	EndingWindow(Ending ending, HANDLE* thread, HANDLE started)
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
		if (EndsOnNativeMove(fEnding))
			End();
	}

private:
	void End()
	{
		switch (fEnding) {
		case Ending::kQuitRequestToItself:
			EXPECT_EQ(Post(kQuitRequested), kOk);
			break;
		case Ending::kThrowInHandler:
		case Ending::kThrowOnNativeMove:
			throw std::runtime_error("escapes the handler");
		default:
			Quit();
			break;
		}
	}

	Ending fEnding;
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
bool LiveOnce(Ending ending)
{
	HANDLE thread = nullptr;
	WinHandle started(CreateEventW(nullptr, TRUE, FALSE, nullptr));
	EndingWindow* window = new EndingWindow(ending, &thread, started.Get());
	EXPECT_TRUE(ShowAndWait(window));
	WaitForSingleObject(started.Get(), kDeadlineMillis);
	WinHandle threadOwner(thread);
	HWND handle = window->NativeHandle();
	const BMessenger target(window, nullptr);

	if (EndsOnNativeMove(ending)) {
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
	constexpr Ending kEndings[] = {Ending::kQuitRequestToItself, Ending::kQuitInHandler, Ending::kThrowInHandler,
		Ending::kQuitOnNativeMove, Ending::kThrowOnNativeMove};
	constexpr int kLives = 50;
	RecordingApp app;
	CpuLoad load;
	for (int life = 0; life < kLives; life++) {
		Ending ending = kEndings[life % 5];
		ASSERT_TRUE(LiveOnce(ending)) << "life " << life << ", ended by " << NameOf(ending) << ", never ended";
	}
	EXPECT_TRUE(TakeDebuggerReports().empty());
}

}  // namespace
