// BWindow with real native windows and real input: showing and hiding, the
// deferred frame change, the minimised frame, the misuse report of Quit,
// activation reaching every view, modifier changes reported before the input
// that revealed them, typed keys, Tab navigation, the quit shortcut and
// auto-repeated shortcuts.
#include "interface/Keyboard.h"
#include "interface/NativeHandle.h"
#include "tests/harness/DebugOutputCapture.h"
#include "tests/interface/WindowTestSupport.h"

#include <cstdio>
#include <string>

namespace {

using namespace zeltest;

constexpr uint32 kShortcutMessage = FourCC("tSHK");

class WindowTest : public ::testing::Test {
protected:
	void TearDown() override { ReleaseInjectedKeys(); }

	// Focuses a view on its window's thread, where the native focus lives.
	static void Focus(BView* view)
	{
		RunOnWindowThread(view->Window(), [view] { view->SetFocused(true); });
	}
	static BView* FocusOf(BWindow* window)
	{
		BView* focus = nullptr;
		RunOnWindowThread(window, [&] { focus = window->CurrentFocus(); });
		return focus;
	}

	RecordingApp fApp;
};

TEST_F(WindowTest, ShowHideAndTheFrameChangesOnTheWindowsThread)
{
	ProbeWindow* window = new ProbeWindow(BRect(100, 120, 300, 220), "Lifecycle");
	EXPECT_EQ(window->Thread(), -1);
	ASSERT_TRUE(ShowAndWait(window));
	HWND handle = BPrivate::NativeHandleOf(window);
	EXPECT_NE(window->Thread(), -1);
	wchar_t title[32] = {};
	GetWindowTextW(handle, title, 32);
	EXPECT_STREQ(title, L"Lifecycle");

	window->Hide();
	EXPECT_TRUE(WaitFor([&] { return !IsWindowVisible(handle); }));
	window->Show();
	EXPECT_TRUE(WaitFor([&] { return IsWindowVisible(handle) != FALSE; }));

	// Sizes asked for while the window thread cannot run its queue move the
	// native window once, to the last of them. What showing reported is
	// cleared once the window has handled it.
	ASSERT_TRUE(RunOnWindowThread(window, [&] { window->log.Take(); }));
	window->Lock();
	EXPECT_EQ(window->SetSize(250, 150), kOk);
	EXPECT_EQ(window->SetSize(260, 160), kOk);
	EXPECT_EQ(window->SetSize(270, 170), kOk);
	window->Unlock();
	ASSERT_TRUE(WaitFor([&] { return window->log.Count(kFrameResized) > 0; }));
	ASSERT_TRUE(DrainWindow(window));
	EXPECT_EQ(window->log.Count(kFrameResized), 1u);
	window->Lock();
	EXPECT_EQ(window->Bounds(), BRect(0, 0, 270, 170));
	EXPECT_EQ(window->Frame(), BRect(100, 120, 370, 290));
	window->Unlock();

	// Minimised, the window answers with the frame it had.
	ShowWindow(handle, SW_MINIMIZE);
	ASSERT_TRUE(WaitFor([&] { return IsIconic(handle) != FALSE; }));
	window->Lock();
	EXPECT_EQ(window->Frame(), BRect(100, 120, 370, 290));
	EXPECT_EQ(window->Bounds(), BRect(0, 0, 270, 170));
	window->Unlock();

	// Quit without the lock is reported and goes on.
	DebugOutputCapture output;
	std::atomic<bool> gone{false};
	window->destroyed = &gone;
	char expected[128];
	snprintf(expected, sizeof(expected),
		"ERROR - you must Lock a window before calling Quit(), team=%p, window=Lifecycle\r\n",
		static_cast<void*>(GetCurrentProcess()));
	window->Quit();
	EXPECT_TRUE(gone);
	EXPECT_TRUE(output.Contains(expected));
}

TEST_F(WindowTest, ActivationReachesEveryViewAndModifierChangesComeFirst)
{
	ProbeWindow* first = new ProbeWindow(BRect(50, 50, 250, 170), "First");
	ProbeView* outer = new ProbeView(BRect(0, 0, 150, 100), "outer");
	ProbeView* inner = new ProbeView(BRect(10, 10, 60, 60), "inner");
	EXPECT_EQ(outer->AddChild(inner), kOk);
	EXPECT_EQ(first->AddChild(outer), kOk);
	ASSERT_TRUE(ShowAndActivate(first));
	EXPECT_TRUE(WaitFor([&] { return first->log.Count(kActivated) > 0 && inner->log.Count(kActivated) > 0; }));
	EXPECT_EQ(outer->log.Last(kActivated), 1);

	ProbeWindow* second = new ProbeWindow(BRect(400, 50, 600, 170), "Second");
	ProbeView* typing = new ProbeView(BRect(0, 0, 150, 100), "typing");
	EXPECT_EQ(second->AddChild(typing), kOk);
	outer->log.Take();
	ASSERT_TRUE(ShowAndActivate(second));
	ASSERT_TRUE(WaitFor([&] { return outer->log.Count(kActivated) > 0; }));
	EXPECT_EQ(outer->log.Last(kActivated), 0);
	EXPECT_EQ(inner->log.Last(kActivated), 0);
	EXPECT_EQ(first->log.Last(kActivated), 0);

	// Shift alone changes the modifiers: '_MCH' is dispatched right before
	// the key that revealed it, in both directions.
	Focus(typing);
	second->order.Take();
	second->log.Take();
	PressKey(KeyStroke{VK_LSHIFT});
	ReleaseKey(KeyStroke{VK_LSHIFT});
	ASSERT_TRUE(WaitFor([&] { return second->order.Count(kUnmappedKeyUp) > 0; }));
	std::vector<uint32> order;
	for (const Event& event : second->order.Take()) {
		if (event.what == kModifiersChanged || event.what == kUnmappedKeyDown || event.what == kUnmappedKeyUp)
			order.push_back(event.what);
	}
	EXPECT_EQ(order, (std::vector<uint32>{kModifiersChanged, kUnmappedKeyDown, kModifiersChanged, kUnmappedKeyUp}));
	std::vector<int32> reported;
	for (const Event& event : second->log.Take()) {
		if (event.what == kModifiersChanged)
			reported.push_back(event.value);
	}
	EXPECT_EQ(reported, (std::vector<int32>{0x101, 0}));
	QuitWindow(second);
	QuitWindow(first);
}

TEST_F(WindowTest, KeysReachTheFocusAndTabNavigatesTheNavigableViews)
{
	ProbeWindow* window = new ProbeWindow(BRect(60, 60, 360, 200), "Keys");
	ProbeView* one = new ProbeView(BRect(0, 0, 90, 50), "one");
	ProbeView* plain = new ProbeView(BRect(100, 0, 190, 50), "plain", kFollowLeftTop, 0);
	ProbeView* two = new ProbeView(BRect(200, 0, 290, 50), "two");
	ProbeView* three = new ProbeView(BRect(0, 10, 40, 40), "three");
	EXPECT_EQ(window->AddChild(one), kOk);
	EXPECT_EQ(window->AddChild(plain), kOk);
	EXPECT_EQ(window->AddChild(two), kOk);
	EXPECT_EQ(plain->AddChild(three), kOk);
	ASSERT_TRUE(ShowAndActivate(window));
	Focus(one);
	EXPECT_EQ(GetFocus(), nullptr);
	TapKey(KeyStroke{'A'});
	TapKey(KeyStroke{VK_SPACE});
	ASSERT_TRUE(WaitFor([&] { return one->log.Count(kKeyTyped) == 2; }));
	// The view may also have seen the pointer or a paint meanwhile.
	std::vector<int32> typed;
	for (const Event& event : one->log.Take()) {
		if (event.what == kKeyTyped)
			typed.push_back(event.value);
	}
	EXPECT_EQ(typed, (std::vector<int32>{'a', ' '}));

	// Depth first over the navigable views, wrapping; backwards with shift.
	const struct {
		bool shift;
		BView* focus;
	} steps[] = {{false, three}, {false, two}, {false, one}, {true, two}, {true, three}};
	for (const auto& step : steps) {
		if (step.shift)
			PressKey(KeyStroke{VK_LSHIFT});
		TapKey(KeyStroke{VK_TAB});
		if (step.shift)
			ReleaseKey(KeyStroke{VK_LSHIFT});
		EXPECT_TRUE(WaitFor([&] { return FocusOf(window) == step.focus; })) << step.focus->Name().ToUtf8();
	}
	QuitWindow(window);
}

TEST_F(WindowTest, ControlQAsksTheApplicationToQuitExceptFromAModalWindow)
{
	auto pressControlQ = [] {
		PressKey(KeyStroke{VK_LCONTROL});
		TapKey(KeyStroke{'Q'});
		ReleaseKey(KeyStroke{VK_LCONTROL});
	};
	ProbeWindow* normal = new ProbeWindow(BRect(60, 60, 260, 160), "Normal");
	ASSERT_TRUE(ShowAndActivate(normal));
	pressControlQ();
	EXPECT_TRUE(WaitFor([&] {
		fApp.DispatchQueued();
		return fApp.QuitRequests() == std::vector<bool>{true};
	}));
	QuitWindow(normal);

	ProbeWindow* modal = new ProbeWindow(BRect(60, 60, 260, 160), "Modal", 0, kLastModalFeel);
	ASSERT_TRUE(ShowAndActivate(modal));
	modal->order.Take();
	pressControlQ();
	// A request would have been posted while the window handled the key-down
	// of "Q", before the release of Control (a key without a character).
	ASSERT_TRUE(WaitFor([&] { return modal->order.Count(kUnmappedKeyUp) == 1; }));
	fApp.DispatchQueued();
	EXPECT_EQ(fApp.QuitRequests().size(), 1u);
	QuitWindow(modal);
}

TEST_F(WindowTest, AnAutoRepeatedShortcutActsOnEverySecondRepeat)
{
	ProbeWindow* window = new ProbeWindow(BRect(60, 60, 260, 160), "Shortcuts");
	ASSERT_EQ(window->AddShortcut('K', kControlKey, kShortcutMessage, window), kOk);
	ASSERT_TRUE(ShowAndActivate(window));
	window->log.Take();
	window->order.Take();
	PressKey(KeyStroke{VK_LCONTROL});
	for (int i = 0; i < 5; i++)
		PressKey(KeyStroke{'K'});
	ReleaseInjectedKeys();
	// The shortcuts are posted while the key-downs are handled; once the
	// release of Control (a key without a character) came, the window's queue
	// holds the last of them.
	ASSERT_TRUE(WaitFor([&] { return window->order.Count(kUnmappedKeyUp) == 1; }));
	ASSERT_TRUE(DrainWindow(window));
	std::vector<int32> repeats;
	for (const Event& event : window->log.Take()) {
		if (event.what == kShortcutMessage)
			repeats.push_back(event.value);
	}
	EXPECT_EQ(repeats, (std::vector<int32>{0, 2, 4}));
	QuitWindow(window);
}

TEST_F(WindowTest, TheApplicationKnowsItsWindowsAndAsksThemInTurnToQuit)
{
	ProbeWindow* agreeing = new ProbeWindow(BRect(60, 60, 200, 140), "Agreeing");
	ProbeWindow* refusing = new ProbeWindow(BRect(260, 60, 400, 140), "Refusing");
	refusing->consentsToQuit = false;
	ASSERT_TRUE(ShowAndWait(agreeing));
	ASSERT_TRUE(ShowAndWait(refusing));
	EXPECT_EQ(fApp.CountWindows(), 2);
	EXPECT_EQ(fApp.WindowAt(0), agreeing);
	EXPECT_EQ(fApp.WindowAt(1), refusing);
	EXPECT_EQ(fApp.WindowAt(2), nullptr);
	EXPECT_GT(fApp.CountLoopers(), 2);

	EXPECT_FALSE(fApp.ConfirmQuit());
	EXPECT_EQ(refusing->quitAsked.load(), 1);
	EXPECT_EQ(fApp.CountWindows(), 1);
	EXPECT_EQ(fApp.WindowAt(0), refusing);
	refusing->consentsToQuit = true;
	EXPECT_TRUE(fApp.ConfirmQuit());
	EXPECT_EQ(fApp.CountWindows(), 0);
}

}  // namespace
