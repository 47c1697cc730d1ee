// A real pointer move, through the system's input queue, until a view's
// OnMouseMoved has run, beside the same moves until a bare window procedure
// on a thread of its own has received them: once on a thread that carries a
// pass-through WH_CALLWNDPROC hook like the one every framework thread carries
// (bench/BenchHook.h), and once on a thread without it. The platform sends a
// window WM_NCHITTEST and WM_SETCURSOR for every move, and under Wine each
// message sent to a hooked thread costs the hook chain's round trips to the
// wine server. The windows are on the screen together; the pointer moves
// between points inside the one measured.
//
//   MouseDispatchBench.exe                 rounds of every side and the result lines
//   MouseDispatchBench.exe --count-moves N one round of N moves on each side, for
//                                          bench/server-requests.sh to count the
//                                          requests each side's thread makes
#include "BenchClock.h"
#include "BenchHook.h"
#include "BenchPinning.h"
#include "BenchResult.h"

#include "interface/NativeHandle.h"
#include "interface/View.h"
#include "interface/Window.h"
#include "kernel/ProcessSlots.h"
#include "messaging/Application.h"
#include "tests/harness/InjectedInput.h"

#include <windows.h>

#include <atomic>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <memory>
#include <thread>
#include <vector>

namespace {

constexpr int kMoves = 300;
constexpr DWORD kEventDeadlineMillis = 1000;

// Set by whichever side has handled a move.
HANDLE gHandled = CreateEventW(nullptr, FALSE, FALSE, nullptr);

class CountingView : public BView {
public:
	explicit CountingView(BRect frame) : BView(frame, "counting", kFollowLeftTop, 0) {}
	void OnMouseMoved(BPoint where, int32 transit, const BMessage* drag) override
	{
		BView::OnMouseMoved(where, transit, drag);
		SetEvent(gHandled);
	}
};

LRESULT CALLBACK BareProcedure(HWND window, UINT message, WPARAM wParam, LPARAM lParam)
{
	if (message == WM_MOUSEMOVE)
		SetEvent(gHandled);
	return DefWindowProcW(window, message, wParam, lParam);
}

// The bare side: a plain window with its own thread and message loop.
class BareWindow {
public:
	BareWindow(int x, int y, int width, int height, bool hooked)
	{
		fThread = std::thread([=] {
			std::unique_ptr<BenchThreadHook> hook(hooked ? new BenchThreadHook : nullptr);
			WNDCLASSW windowClass = {};
			windowClass.lpfnWndProc = DefWindowProcW;
			windowClass.hInstance = GetModuleHandleW(nullptr);
			windowClass.hCursor = LoadCursorW(nullptr, MAKEINTRESOURCEW(32512));
			windowClass.lpszClassName = L"bare mouse window";
			RegisterClassW(&windowClass);
			windowClass.lpfnWndProc = BareProcedure;
			windowClass.lpszClassName = L"bare mouse child";
			RegisterClassW(&windowClass);
			// The same native structure as a window with one view: a top-level
			// window and a child window over its client area.
			HWND window = CreateWindowExW(0, L"bare mouse window", L"Bare", WS_OVERLAPPEDWINDOW | WS_VISIBLE, x, y,
				width, height, nullptr, nullptr, windowClass.hInstance, nullptr);
			CreateWindowExW(0, L"bare mouse child", L"", WS_CHILD | WS_VISIBLE, 0, 0, width, height, window, nullptr,
				windowClass.hInstance, nullptr);
			fThreadId.store(GetCurrentThreadId());
			fWindow.store(window);
			MSG message;
			while (GetMessageW(&message, nullptr, 0, 0) > 0)
				DispatchMessageW(&message);
			DestroyWindow(window);
		});
		while (fWindow.load() == nullptr)
			Sleep(1);
	}
	~BareWindow()
	{
		PostThreadMessageW(fThreadId.load(), WM_QUIT, 0, 0);
		fThread.join();
	}

	DWORD ThreadId() const { return fThreadId.load(); }

	POINT ClientOrigin() const
	{
		POINT origin = {0, 0};
		ClientToScreen(fWindow.load(), &origin);
		return origin;
	}

private:
	std::thread fThread;
	std::atomic<HWND> fWindow{nullptr};
	std::atomic<DWORD> fThreadId{0};
};

// Microseconds per move, each move waited for until it has been handled.
double Round(POINT origin, int moves = kMoves)
{
	ResetEvent(gHandled);
	double start = NowSeconds();
	for (int i = 0; i < moves; i++) {
		// Never back to an earlier point: the display server reports the
		// pointer's warps back late, and a move to where it already is makes none.
		zeltest::MovePointer(POINT{origin.x + 10 + i % 180, origin.y + 20 + (i / 180) * 30});
		// A move that never arrives costs the deadline, which shows in the figures.
		WaitForSingleObject(gHandled, kEventDeadlineMillis);
	}
	return (NowSeconds() - start) * 1e6 / moves;
}

// The moves of `--count-moves N`, or 0 for the measured rounds.
int CountedMoves(int argc, char** argv)
{
	if (argc == 3 && std::strcmp(argv[1], "--count-moves") == 0)
		return std::atoi(argv[2]);
	return 0;
}

}  // namespace

int main(int argc, char** argv)
{
	int counted = CountedMoves(argc, argv);
	PinToOneProcessor();
	SetProcessModuleHandle(GetModuleHandleW(nullptr));
	BString name("MouseDispatchBench");
	BApplication application(nullptr, &name);
	BWindow* window = new BWindow(BRect(100, 100, 300, 200), BString("Framework"), 0, 0, 0);
	CountingView* view = new CountingView(BRect(0, 0, 200, 100));
	Require(window->AddChild(view), "AddChild");
	window->Show();
	while (BPrivate::NativeHandleOf(window) == nullptr || !IsWindowVisible(BPrivate::NativeHandleOf(window)))
		Sleep(5);
	BareWindow bare(400, 100, 200, 100, false);
	BareWindow hookedBare(700, 100, 200, 100, true);
	Sleep(200);

	POINT framework = {100, 100};
	POINT raw = bare.ClientOrigin();
	POINT hooked = hookedBare.ClientOrigin();
	if (counted > 0) {
		// Each side's window thread, as the server's log names threads.
		std::printf("THREAD|framework|%04lx\nTHREAD|bare, hooked thread|%04lx\nTHREAD|bare|%04lx\n",
			GetWindowThreadProcessId(BPrivate::NativeHandleOf(window), nullptr), hookedBare.ThreadId(),
			bare.ThreadId());
		Round(framework, counted);
		Round(hooked, counted);
		Round(raw, counted);
		std::printf("EVENTS|%d\n", counted);
		if (window->Lock())
			window->Quit();
		return 0;
	}
	const POINT origins[3] = {framework, hooked, raw};
	for (POINT origin : origins)
		Round(origin);
	// The three take turns at going first, so that all see the same machine load.
	std::vector<double> timings[3];
	for (int round = 0; round < kStableRounds; round++) {
		for (int turn = 0; turn < 3; turn++) {
			int side = (round + turn) % 3;
			timings[side].push_back(Round(origins[side]));
		}
	}
	std::printf("%d rounds of %d moves each\n", kStableRounds, kMoves);
	PrintResultLine("Mouse move to a view's OnMouseMoved / bare window procedure, hooked thread", "us/event",
		timings[0], timings[1], "<= 1.1");
	PrintResultLine("Mouse move to a view's OnMouseMoved / bare window procedure", "us/event", timings[0], timings[2],
		"-");

	if (window->Lock())
		window->Quit();
	return 0;
}
