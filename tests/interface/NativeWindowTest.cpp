// The native window layer with real native windows under Xvfb: window classes
// and their extra window bytes, the style words read back from the native windows, the outer rectangle, the
// off-screen buffer read back by pixels, the close box, owned windows blocking
// their owner, wake-ups inside a modal loop, and windows and applications that
// come and go without leaving anything behind.
#include "interface/GdiPlusFlat.h"
#include "interface/NativeHandle.h"
#include "interface/NativeWindow.h"
#include "interface/WinClassRegistry.h"
#include "tests/harness/ResourceCounts.h"
#include "tests/interface/PixelCanvas.h"
#include "tests/interface/WindowTestSupport.h"

#include <cwchar>
#include <string>
#include <thread>

namespace {

using BPrivate::_WinClassRegistry;
using namespace zeltest;

int ClassNumber(const BString& name)
{
	const wchar_t* chars = name.Chars();
	return chars != nullptr && std::wcsncmp(chars, L"zel-", 4) == 0 ? static_cast<int>(std::wcstol(chars + 4, nullptr, 10))
																   : -1;
}

std::wstring ClassOf(HWND handle)
{
	wchar_t name[64] = {};
	GetClassNameW(handle, name, 64);
	return name;
}

// Starts a window's thread, which makes its native window, without showing it.
HWND StartHidden(BWindow* window)
{
	window->Run();
	WaitFor([window] { return BPrivate::NativeHandleOf(window) != nullptr; });
	return BPrivate::NativeHandleOf(window);
}

TEST(NativeWindowClasses, OneRegistryPerApplicationAndOneClassPerColourAndFlags)
{
	RecordingApp app;
	// Threads that race for the registry's first use all get the one registry.
	std::atomic<bool> go{false};
	std::vector<_WinClassRegistry*> seen(6, nullptr);
	std::vector<std::thread> threads;
	for (size_t i = 0; i < seen.size(); i++) {
		threads.emplace_back([&, i] {
			while (!go)
				std::this_thread::yield();
			seen[i] = _WinClassRegistry::Get();
		});
	}
	go = true;
	for (std::thread& thread : threads)
		thread.join();
	ASSERT_NE(seen[0], nullptr);
	for (_WinClassRegistry* registry : seen)
		EXPECT_EQ(registry, seen[0]);

	BString grey, greyAgain, white, fixed;
	ASSERT_EQ(seen[0]->FindOrRegisterClass(grey, 0xFFDCDCDC, 0), kOk);
	ASSERT_EQ(seen[0]->FindOrRegisterClass(greyAgain, 0xFFDCDCDC, 0), kOk);
	ASSERT_EQ(seen[0]->FindOrRegisterClass(white, 0xFFFFFFFF, 0), kOk);
	ASSERT_EQ(seen[0]->FindOrRegisterClass(fixed, 0xFFDCDCDC, kNotResizable), kOk);
	EXPECT_EQ(grey, greyAgain);
	EXPECT_EQ(ClassNumber(white), ClassNumber(grey) + 1);
	EXPECT_EQ(ClassNumber(fixed), ClassNumber(grey) + 2);

	// Windows of one colour and flags share the class; a flag makes another.
	ProbeWindow* first = new ProbeWindow(BRect(10, 10, 110, 60), "first");
	ProbeWindow* second = new ProbeWindow(BRect(10, 10, 110, 60), "second");
	ProbeWindow* other = new ProbeWindow(BRect(10, 10, 110, 60), "other", 0, kNormalFeel, kNotResizable);
	std::wstring firstClass = ClassOf(StartHidden(first));
	EXPECT_EQ(ClassOf(StartHidden(second)), firstClass);
	EXPECT_NE(ClassOf(StartHidden(other)), firstClass);
	for (BWindow* window : {first, second, other})
		QuitWindow(window);
}

// Every native window of the framework, a window's and a view's alike, has
// a word of its own beside the framework's user data: zeroed when it is made,
// and the caller's to keep anything in.
TEST(NativeWindowClasses, WindowsAndViewsHaveFourExtraBytesZeroedForTheCaller)
{
	RecordingApp app;
	ProbeWindow* window = new ProbeWindow(BRect(10, 10, 110, 60), "extra bytes");
	ProbeView* view = new ProbeView(BRect(0, 0, 40, 20), "view");
	ASSERT_EQ(window->AddChild(view), kOk);
	ASSERT_TRUE(ShowAndWait(window));
	for (HWND handle : {BPrivate::NativeHandleOf(window), BPrivate::NativeHandleOf(view)}) {
		SCOPED_TRACE(ClassOf(handle).c_str());
		EXPECT_EQ(GetClassLongPtrW(handle, GCL_CBWNDEXTRA), 4u);
		EXPECT_EQ(GetWindowLongW(handle, 0), 0);
		SetLastError(0);
		EXPECT_EQ(SetWindowLongW(handle, 0, 0x5A5A1234), 0);
		EXPECT_EQ(GetLastError(), 0u);
		EXPECT_EQ(GetWindowLongW(handle, 0), 0x5A5A1234);
		EXPECT_EQ(reinterpret_cast<BHandler*>(GetWindowLongPtrW(handle, GWLP_USERDATA)),
			handle == BPrivate::NativeHandleOf(view) ? static_cast<BHandler*>(view) : window);
	}
	QuitWindow(window);
}

struct StyleCase {
	const char* what;
	int32 look;
	int32 feel;
	uint32 flags;
	bool colourKey;
	DWORD style;
	DWORD exStyle;
	bool dropShadow;
};

constexpr DWORD kFramed = WS_CAPTION | WS_THICKFRAME | WS_MINIMIZEBOX | WS_MAXIMIZEBOX;
constexpr DWORD kClip = WS_CLIPCHILDREN | WS_CLIPSIBLINGS;
constexpr DWORD kStyleBits = kFramed | WS_SYSMENU | WS_POPUP | kClip;
constexpr DWORD kExStyleBits = WS_EX_CONTROLPARENT | WS_EX_LAYERED | WS_EX_NOACTIVATE | WS_EX_TOPMOST |
							   WS_EX_TOOLWINDOW;

TEST(NativeWindowStyles, LooksFeelsAndFlagsReadBackFromTheNativeWindow)
{
	RecordingApp app;
	const StyleCase cases[] = {
		{"plain", 0, kNormalFeel, 0, false, kFramed | WS_SYSMENU | kClip, WS_EX_CONTROLPARENT, false},
		{"tool window, not resizable", 7, kNormalFeel, kNotResizable, false,
			WS_CAPTION | WS_MINIMIZEBOX | WS_SYSMENU | kClip, WS_EX_CONTROLPARENT | WS_EX_TOOLWINDOW, false},
		{"size box, no system menu", 11, kNormalFeel, kNoSystemMenu, false, kFramed | kClip, WS_EX_CONTROLPARENT,
			false},
		{"borderless", 19, kNormalFeel, kNotResizable | kNoSystemMenu, false, WS_POPUP | kClip,
			WS_EX_CONTROLPARENT, false},
		{"not minimisable", 0, kNormalFeel, kNotMinimizable, false,
			WS_CAPTION | WS_THICKFRAME | WS_MAXIMIZEBOX | WS_SYSMENU | kClip, WS_EX_CONTROLPARENT, false},
		{"opacity", 0, kNormalFeel, kUsesOpacity, false, kFramed | WS_SYSMENU | kClip,
			WS_EX_CONTROLPARENT | WS_EX_LAYERED, false},
		{"colour key", 0, kNormalFeel, 0, true, kFramed | WS_SYSMENU | kClip, WS_EX_CONTROLPARENT | WS_EX_LAYERED,
			false},
		{"drop shadow", 0, kNormalFeel, kDropShadow, false, kFramed | WS_SYSMENU | kClip, WS_EX_CONTROLPARENT, true},
		{"owned", 0, kOwnedFeel, 0, false, kFramed | WS_SYSMENU | kClip, WS_EX_CONTROLPARENT, false},
		{"floating 4", 0, 4, 0, false, kFramed | WS_SYSMENU | kClip,
			WS_EX_CONTROLPARENT | WS_EX_NOACTIVATE | WS_EX_TOPMOST, false},
		{"floating 5", 0, 5, 0, false, kFramed | WS_SYSMENU | kClip,
			WS_EX_CONTROLPARENT | WS_EX_NOACTIVATE | WS_EX_TOPMOST, false},
		{"floating 6", 0, 6, 0, false, kFramed | WS_SYSMENU | kClip,
			WS_EX_CONTROLPARENT | WS_EX_NOACTIVATE | WS_EX_TOPMOST, false},
	};
	const BRect frame(120, 90, 420, 290);
	for (const StyleCase& c : cases) {
		SCOPED_TRACE(c.what);
		ProbeWindow* window = new ProbeWindow(frame, c.what, c.look, c.feel, c.flags);
		if (c.colourKey)
			window->SetColorKey(RGB(1, 2, 3));
		HWND handle = StartHidden(window);
		ASSERT_NE(handle, nullptr);
		EXPECT_EQ(static_cast<DWORD>(GetWindowLongPtrW(handle, GWL_STYLE)) & kStyleBits, c.style);
		EXPECT_EQ(static_cast<DWORD>(GetWindowLongPtrW(handle, GWL_EXSTYLE)) & kExStyleBits, c.exStyle);
		EXPECT_EQ((GetClassLongPtrW(handle, GCL_STYLE) & CS_DROPSHADOW) != 0, c.dropShadow);

		// The outer rectangle is the frame plus the platform's adjustment.
		RECT adjustment = {0, 0, 0, 0};
		AdjustWindowRectEx(&adjustment, c.style, FALSE, c.exStyle);
		RECT outer;
		GetWindowRect(handle, &outer);
		EXPECT_EQ(outer.left, 120 + adjustment.left);
		EXPECT_EQ(outer.top, 90 + adjustment.top);
		EXPECT_EQ(outer.right, 420 + adjustment.right);
		EXPECT_EQ(outer.bottom, 290 + adjustment.bottom);
		window->Lock();
		EXPECT_EQ(window->Frame(), frame);
		window->Unlock();

		// Look 11 keeps a size box in the bottom-right corner of the client area.
		HWND sizeBox = FindWindowExW(handle, nullptr, L"SCROLLBAR", L"Size Box");
		EXPECT_EQ(sizeBox != nullptr, c.look == 11);
		if (sizeBox != nullptr) {
			RECT box;
			GetWindowRect(sizeBox, &box);
			EXPECT_EQ(box.right, 420);
			EXPECT_EQ(box.bottom, 290);
		}
		QuitWindow(window);
	}

	// A frame far to the left opens at the platform's default place and size.
	ProbeWindow* lost = new ProbeWindow(BRect(-32000, 50, -31800, 150), "lost");
	HWND handle = StartHidden(lost);
	RECT outer;
	GetWindowRect(handle, &outer);
	EXPECT_EQ(outer.left, 0);
	EXPECT_EQ(outer.top, 0);
	EXPECT_EQ(outer.right - outer.left, 600);
	EXPECT_EQ(outer.bottom - outer.top, 400);
	QuitWindow(lost);
}

TEST(OffscreenBuffer, DrawsOnceAtATimeGrowsOnlyAndCopiesToTheRectanglesPlace)
{
	BNativeWindow native(0, kNormalFeel);
	EXPECT_EQ(native.BeginOffscreenDraw(BRect(10, 20, 10, 60)), nullptr);
	EXPECT_EQ(native.BeginOffscreenDraw(BRect(10, 20, 50, 20)), nullptr);

	WinGdipGraphics* graphics = native.BeginOffscreenDraw(BRect(10, 20, 50, 60));
	ASSERT_NE(graphics, nullptr);
	EXPECT_EQ(native.BeginOffscreenDraw(BRect(0, 0, 5, 5)), nullptr);
	// Drawn at client coordinates; the buffer holds the rectangle from its origin.
	WinGdipSolidBrush red;
	red.SetColor(0xFFFF0000);
	WinGdipSolidBrush blue;
	blue.SetColor(0xFF0000FF);
	gdip::GdipFillRectangle(graphics->Native(), blue.Native(), 10, 20, 40, 40);
	gdip::GdipFillRectangle(graphics->Native(), red.Native(), 14, 24, 8, 8);
	PixelCanvas canvas(80, 80);
	native.EndOffscreenDraw(canvas.DC());
	EXPECT_EQ(canvas.Pixel(14, 24), 0xFF0000u);
	EXPECT_EQ(canvas.Pixel(21, 31), 0xFF0000u);
	EXPECT_EQ(canvas.Pixel(22, 32), 0x0000FFu);
	EXPECT_EQ(canvas.Pixel(49, 59), 0x0000FFu);
	EXPECT_EQ(canvas.Pixel(9, 30), 0xFFFFFFu);
	EXPECT_EQ(canvas.Pixel(50, 30), 0xFFFFFFu);
	EXPECT_EQ(canvas.Pixel(30, 60), 0xFFFFFFu);
	EXPECT_EQ(native.BufferWidth(), 40);
	EXPECT_EQ(native.BufferHeight(), 40);

	// A taller request grows the buffer in height and keeps its width.
	ASSERT_NE(native.BeginOffscreenDraw(BRect(0, 0, 20, 70)), nullptr);
	native.EndOffscreenDraw(canvas.DC());
	EXPECT_EQ(native.BufferWidth(), 40);
	EXPECT_EQ(native.BufferHeight(), 70);
	ASSERT_NE(native.BeginOffscreenDraw(BRect(0, 0, 5, 5)), nullptr);
	native.EndOffscreenDraw(canvas.DC());
	EXPECT_EQ(native.BufferWidth(), 40);
	EXPECT_EQ(native.BufferHeight(), 70);
}

class NativeWindowProcedure : public ::testing::Test {
protected:
	void TearDown() override { ReleaseInjectedKeys(); }

	RecordingApp fApp;
};

TEST_F(NativeWindowProcedure, TheCloseBoxOnlyAsksTheWindowToQuit)
{
	std::atomic<bool> gone{false};
	ProbeWindow* window = new ProbeWindow(BRect(100, 100, 300, 200), "Closing");
	window->destroyed = &gone;
	window->consentsToQuit = false;
	ASSERT_TRUE(ShowAndActivate(window));
	HWND handle = BPrivate::NativeHandleOf(window);

	// Alt+F4 goes the platform's way: system command, then WM_CLOSE.
	PressKey(KeyStroke{VK_MENU});
	TapKey(KeyStroke{VK_F4});
	ReleaseKey(KeyStroke{VK_MENU});
	ASSERT_TRUE(WaitFor([&] { return window->quitAsked.load() == 1; }));
	// A window that went on to quit would not answer.
	EXPECT_TRUE(DrainWindow(window));
	EXPECT_TRUE(IsWindow(handle));
	EXPECT_FALSE(gone);

	window->consentsToQuit = true;
	PressKey(KeyStroke{VK_MENU});
	TapKey(KeyStroke{VK_F4});
	ReleaseKey(KeyStroke{VK_MENU});
	// The window object goes first, then its native window.
	EXPECT_TRUE(WaitFor([&] { return gone.load() && !IsWindow(handle); }));
}

TEST_F(NativeWindowProcedure, AnOwnedWindowTakesTheActivationAndTheClickOfItsOwner)
{
	ProbeWindow* owner = new ProbeWindow(BRect(60, 60, 260, 200), "Owner");
	ProbeView* view = new ProbeView(BRect(0, 0, 200, 140), "owner view");
	EXPECT_EQ(owner->AddChild(view), kOk);
	ASSERT_TRUE(ShowAndActivate(owner));

	// Made on the owner's thread, as a modal window is.
	ProbeWindow* owned = nullptr;
	ASSERT_TRUE(RunOnWindowThread(owner, [&] {
		owned = new ProbeWindow(BRect(400, 300, 560, 400), "Owned", 0, kOwnedFeel);
		owned->Show();
	}));
	ASSERT_TRUE(WaitFor([&] { return BPrivate::NativeHandleOf(owned) != nullptr && IsWindowVisible(BPrivate::NativeHandleOf(owned)); }));
	EXPECT_EQ(GetWindow(BPrivate::NativeHandleOf(owned), GW_OWNER), BPrivate::NativeHandleOf(owner));

	view->log.Take();
	SetForegroundWindow(BPrivate::NativeHandleOf(owner));
	ClickAt(ScreenPointOf(view, BPoint(50, 50)));
	EXPECT_TRUE(WaitFor([&] { return GetForegroundWindow() == BPrivate::NativeHandleOf(owned); }));
	// The press is taken for the activation; the release that follows it
	// still reaches the view, and marks the click as handled.
	EXPECT_TRUE(WaitFor([&] { return view->log.Count(kMouseUp) == 1; }));
	EXPECT_EQ(view->log.Count(kMouseDown), 0u);

	// Without the owned window the click reaches the owner's view again.
	QuitWindow(owned);
	ClickAt(ScreenPointOf(view, BPoint(60, 60)));
	EXPECT_TRUE(WaitFor([&] { return view->log.Count(kMouseDown) == 1; }));
	QuitWindow(owner);
}

TEST_F(NativeWindowProcedure, WakeUpsInsideAModalLoopRunTheDueMessages)
{
	ProbeWindow* window = new ProbeWindow(BRect(80, 80, 280, 220), "Modal");
	ProbeView* view = new ProbeView(BRect(0, 0, 200, 140), "modal view");
	std::atomic<bool> inModalLoop{false};
	std::atomic<bool> leave{false};
	// A mouse hook that runs a loop of its own, as a drag or a menu does.
	view->onMouseDown = [&](BPoint) {
		inModalLoop = true;
		DWORD start = GetTickCount();
		while (!leave && GetTickCount() - start < 3000) {
			MSG message;
			while (PeekMessageW(&message, nullptr, 0, 0, PM_REMOVE))
				DispatchMessageW(&message);
			MsgWaitForMultipleObjects(0, nullptr, FALSE, 20, QS_ALLINPUT);
		}
		inModalLoop = false;
	};
	EXPECT_EQ(window->AddChild(view), kOk);
	ASSERT_TRUE(ShowAndActivate(window));
	ClickAt(ScreenPointOf(view, BPoint(40, 40)));
	ASSERT_TRUE(WaitFor([&] { return inModalLoop.load(); }));

	bool ranInsideTheLoop = false;
	EXPECT_TRUE(RunOnWindowThread(window, [&] {
		ranInsideTheLoop = inModalLoop;
		leave = true;
	}));
	EXPECT_TRUE(ranInsideTheLoop);
	QuitWindow(window);
}

// One life of a window with a painted view, shown and quit. The view sits
// under the root view without being top-level: a top-level view registers a
// drop target, and under Wine every window thread that does keeps an RPC
// endpoint (two handles) open for the rest of the process, and the RPC server
// takes no more than about sixty of them.
void LiveOneWindow(int look)
{
	ProbeWindow* window = new ProbeWindow(BRect(40, 40, 240, 160), "Cycle", look);
	ProbeView* view = new ProbeView(BRect(5, 5, 150, 100), "cycle view");
	view->SetBackgroundColor(rgb_color{0, 128, 0, 255});
	EXPECT_EQ(window->RootView()->AddChild(view), kOk);
	ASSERT_TRUE(ShowAndWait(window));
	ASSERT_TRUE(WaitFor([&] { return view->log.Count(kDrawn) > 0; }));
	QuitWindow(window);
}

TEST(NativeWindowLeaks, WindowLivesLeaveNothingBehind)
{
	RecordingApp app;
	// The platform keeps what the first windows of each kind make; a cached
	// object now and then comes only with a later life.
	for (int i = 0; i < 10; i++)
		LiveOneWindow(i % 2 == 0 ? 0 : kSizeBoxLook);
	ResourceCensus before = ResourceCensus::TakeSteady();
	constexpr int kLives = 200;
	for (int i = 0; i < kLives; i++)
		LiveOneWindow(i % 2 == 0 ? 0 : kSizeBoxLook);
	EXPECT_TRUE(LeftNothingBehind(before, ResourceCensus::TakeSteady(), kLives));
}

TEST(NativeWindowLeaks, ApplicationLivesLeaveNothingBehind)
{
	auto applicationLife = [] {
		RecordingApp app;
		LiveOneWindow(kToolWindowLook);
	};
	applicationLife();
	applicationLife();
	ResourceCensus before = ResourceCensus::TakeSteady();
	constexpr int kLives = 20;
	for (int i = 0; i < kLives; i++)
		applicationLife();
	EXPECT_TRUE(LeftNothingBehind(before, ResourceCensus::TakeSteady(), kLives));
}

}  // namespace
