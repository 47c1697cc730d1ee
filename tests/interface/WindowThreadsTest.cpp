// The interface layer's thread and re-entrancy contract, through real windows
// and real input under CPU load: hooks that delete views while the native
// layer still delivers to them or walks over them; another thread that adds,
// removes and changes views of a shown window while it holds the window's
// lock; the work that runs unlocked; and the window thread's lock wait, which
// answers what other threads send to its windows.
#include "interface/Button.h"
#include "interface/StringView.h"
#include "tests/harness/CpuLoad.h"
#include "tests/harness/Deadline.h"
#include "tests/harness/DebuggerSeam.h"
#include "tests/interface/WindowTestSupport.h"

#include <algorithm>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <string>
#include <thread>

namespace {

using namespace zeltest;

constexpr uint32 kPressed = FourCC("prsd");
constexpr uint32 kQueued = FourCC("queu");

// Views that the tests delete under the native layer are poisoned when they
// go, and their memory is kept from reuse (a few hundred bytes a test): a use
// after the deletion then reads the poison and fails at once, instead of
// finding the old values that freed memory still holds.
void PoisonAndKeep(void* memory, size_t size)
{
	std::memset(memory, 0xDD, size);
}

class PoisonedView : public BView {
public:
	PoisonedView(BRect frame, const char* name) : BView(frame, name, kFollowLeftTop, 0) {}
	static void operator delete(void* memory, size_t size) { PoisonAndKeep(memory, size); }
};

// A button whose click runs `onClicked` inside the native delivery of the
// click, in place of the invocation (the hook may delete the button).
class HookedButton : public BButton {
public:
	HookedButton(BRect frame, const char* label, uint32 what)
		: BButton(frame, nullptr, BString(label), new BMessage(what), kFollowLeftTop, kNavigable)
	{
	}
	static void operator delete(void* memory, size_t size) { PoisonAndKeep(memory, size); }
	status_t OnClicked() override
	{
		if (!onClicked)
			return BButton::OnClicked();
		onClicked();
		return kOk;
	}
	std::function<void()> onClicked;
};

// A view whose activation hook runs `onActivated` and notes its name.
class ActivatedView : public BView {
public:
	ActivatedView(BRect frame, const char* name, EventLog* log, int32 id)
		: BView(frame, name, kFollowLeftTop, 0), fLog(log), fId(id)
	{
	}
	static void operator delete(void* memory, size_t size) { PoisonAndKeep(memory, size); }
	void OnWindowActivated(bool active) override
	{
		fLog->Add({kActivated, BPoint(), fId, active ? 1.0f : 0.0f});
		if (onActivated)
			onActivated();
	}
	std::function<void()> onActivated;

private:
	EventLog* fLog;
	int32 fId;
};

// A window that runs `onFocus` when its focus view changes.
class FocusWindow : public ProbeWindow {
public:
	using ProbeWindow::ProbeWindow;
	void OnFocusChanged(BView* focus) override
	{
		if (onFocus)
			onFocus(focus);
	}
	std::function<void(BView*)> onFocus;
};

// Runs `work` on a thread of its own and waits for it; a call that has not
// returned by the deadline has deadlocked, and the test program ends at once
// with the reason, since the stuck thread holds what every later test needs.
void RunWithinDeadline(const char* what, const std::function<void()>& work)
{
	std::atomic<bool> done{false};
	std::thread runner([&] {
		work();
		done = true;
	});
	if (!WaitFor([&] { return done.load(); }, kDeadlineMillis)) {
		std::fprintf(stderr, "DEADLOCK: %s did not return within %lu ms\n", what, kDeadlineMillis);
		std::fflush(stderr);
		std::_Exit(3);
	}
	runner.join();
}

std::wstring TextOf(HWND handle)
{
	wchar_t text[64] = {};
	GetWindowTextW(handle, text, 64);
	return text;
}

DWORD ThreadOf(HWND handle)
{
	return GetWindowThreadProcessId(handle, nullptr);
}

class WindowThreadsTest : public ::testing::Test {
protected:
	void SetUp() override { TakeDebuggerReports(); }
	void TearDown() override
	{
		ReleaseInjectedKeys();
		EXPECT_TRUE(TakeDebuggerReports().empty());
	}

	RecordingApp fApp;
	CpuLoad fLoad;
};

// --- hooks that delete views ---

// The click reaches the button through its panel's native window; the hook
// deletes the panel, the button with it, while that native window's procedure
// and the button's default handling are still under way.
TEST_F(WindowThreadsTest, AClickThatDeletesItsPanelLeavesTheWindowWorking)
{
	ProbeWindow* window = new ProbeWindow(BRect(100, 100, 340, 220), "Click deletes");
	BView* panel = new PoisonedView(BRect(0, 0, 240, 120), "panel");
	HookedButton* button = new HookedButton(BRect(20, 20, 120, 50), "Delete", kPressed);
	std::atomic<int> clicks{0};
	button->onClicked = [&] {
		clicks++;
		(void)panel->RemoveSelf();  // on the window's thread, holding its lock
		delete panel;
	};
	ASSERT_EQ(panel->AddChild(button), kOk);
	ASSERT_EQ(window->AddChild(panel), kOk);
	ASSERT_TRUE(ShowAndWait(window));
	HWND buttonHandle = BPrivate::NativeHandleOf(button);
	POINT spot = ScreenPointOf(button, BPoint(50, 15));

	ClickAt(spot);
	ASSERT_TRUE(WaitFor([&] { return clicks.load() == 1; }));
	ASSERT_TRUE(DrainWindow(window));
	EXPECT_FALSE(IsWindow(buttonHandle));
	// The invocation queued before the deletion finds no button, and the window goes on.
	ClickAt(spot);
	EXPECT_TRUE(DrainWindow(window));
	EXPECT_EQ(clicks.load(), 1);
	EXPECT_EQ(window->log.Count(kPressed), 0u);
	QuitWindow(window);
}

// The button takes the native focus when it is pressed; the window's focus
// hook deletes the panel it sits on inside that focus change, which comes in
// the middle of the button's own default handling of the press.
TEST_F(WindowThreadsTest, AFocusHookThatDeletesTheViewEndsItsNativeHandling)
{
	FocusWindow* window = new FocusWindow(BRect(100, 100, 340, 220), "Focus deletes");
	BView* panel = new PoisonedView(BRect(0, 0, 240, 120), "panel");
	HookedButton* button = new HookedButton(BRect(20, 20, 120, 50), "Focus", kPressed);
	std::atomic<bool> deleted{false};
	window->onFocus = [&](BView* focus) {
		if (focus != button || deleted)
			return;
		deleted = true;
		(void)panel->RemoveSelf();
		delete panel;
	};
	ASSERT_EQ(panel->AddChild(button), kOk);
	ASSERT_EQ(window->AddChild(panel), kOk);
	ASSERT_TRUE(ShowAndActivate(window));

	ClickAt(ScreenPointOf(button, BPoint(50, 15)));
	ASSERT_TRUE(WaitFor([&] { return deleted.load(); }));
	EXPECT_TRUE(DrainWindow(window));
	EXPECT_EQ(window->CurrentFocus(), nullptr);
	QuitWindow(window);
}

// Every view hears the activation, in tree order; a hook that deletes views
// later in the walk (a sibling, and a parent with its child) spares them the
// hook, and the views before it and after them still hear it.
TEST_F(WindowThreadsTest, AnActivationHookThatDeletesLaterViewsSkipsThem)
{
	EventLog heard;
	ProbeWindow* window = new ProbeWindow(BRect(100, 100, 340, 220), "Activation deletes");
	ActivatedView* first = new ActivatedView(BRect(0, 0, 50, 50), "first", &heard, 1);
	ActivatedView* deleter = new ActivatedView(BRect(60, 0, 110, 50), "deleter", &heard, 2);
	ActivatedView* sibling = new ActivatedView(BRect(120, 0, 170, 50), "sibling", &heard, 3);
	ActivatedView* parent = new ActivatedView(BRect(0, 60, 100, 110), "parent", &heard, 4);
	ActivatedView* child = new ActivatedView(BRect(0, 0, 20, 20), "child", &heard, 5);
	ActivatedView* last = new ActivatedView(BRect(180, 0, 230, 50), "last", &heard, 6);
	bool deleted = false;
	deleter->onActivated = [&] {
		if (deleted)
			return;
		deleted = true;
		for (BView* doomed : {static_cast<BView*>(sibling), static_cast<BView*>(parent)}) {
			(void)doomed->RemoveSelf();
			delete doomed;
		}
	};
	ASSERT_EQ(parent->AddChild(child), kOk);
	for (BView* view : {static_cast<BView*>(first), static_cast<BView*>(deleter), static_cast<BView*>(sibling),
			 static_cast<BView*>(parent), static_cast<BView*>(last)})
		ASSERT_EQ(window->AddChild(view), kOk);
	ASSERT_TRUE(ShowAndActivate(window));
	ASSERT_TRUE(DrainWindow(window));

	// The first activation, up to the first view heard twice.
	std::vector<int32> once;
	for (const Event& event : heard.Take()) {
		if (std::find(once.begin(), once.end(), event.value) != once.end())
			break;
		once.push_back(event.value);
	}
	EXPECT_EQ(once, (std::vector<int32>{1, 2, 6}));
	EXPECT_EQ(window->RootView()->CountChildren(), 3);
	QuitWindow(window);
}

// --- another thread holding the lock ---

// A button added by the test's thread while the window is shown gets its
// native window on the window's thread, where a real click reaches it; removed
// and deleted by the test's thread, its native window goes at the window
// thread's next turn and nothing reaches the deleted view.
TEST_F(WindowThreadsTest, AButtonAddedAndRemovedByAnotherThreadLivesOnTheWindowsThread)
{
	ProbeWindow* window = new ProbeWindow(BRect(100, 100, 340, 220), "Foreign button");
	BView* panel = new BView(BRect(0, 0, 240, 120), "panel", kFollowLeftTop, 0);
	ASSERT_EQ(window->AddChild(panel), kOk);
	ASSERT_TRUE(ShowAndWait(window));
	DWORD windowThread = ThreadOf(BPrivate::NativeHandleOf(window));

	BButton* button = new BButton(BRect(20, 20, 120, 50), nullptr, BString("Foreign"), new BMessage(kPressed),
		kFollowLeftTop, kNavigable);
	ASSERT_TRUE(window->Lock());
	ASSERT_EQ(panel->AddChild(button), kOk);
	window->Unlock();
	ASSERT_TRUE(DrainWindow(window));
	HWND buttonHandle = BPrivate::NativeHandleOf(button);
	ASSERT_NE(buttonHandle, nullptr);
	EXPECT_EQ(ThreadOf(buttonHandle), windowThread);
	POINT spot = ScreenPointOf(button, BPoint(50, 15));
	ClickAt(spot);
	ASSERT_TRUE(WaitFor([&] { return window->log.Count(kPressed) == 1; })) << "the click never reached the window";

	ASSERT_TRUE(window->Lock());
	EXPECT_EQ(button->RemoveSelf(), kOk);
	delete button;
	window->Unlock();
	ASSERT_TRUE(DrainWindow(window));
	EXPECT_FALSE(IsWindow(buttonHandle));
	ClickAt(spot);
	EXPECT_TRUE(DrainWindow(window));
	EXPECT_EQ(window->log.Count(kPressed), 1u);
	QuitWindow(window);
}

// The test's thread holds the lock while real pointer moves make the window's
// thread wait for it in a native delivery, and changes a view's native state:
// no call waits for the window's thread, the view's state changes at once,
// and the native windows follow at the window thread's next turn. A read of a
// native window text, which the platform sends to the window's thread, is
// answered while that thread waits for the lock.
TEST_F(WindowThreadsTest, ChangesFromAThreadHoldingTheLockNeverWaitForTheWindowsThread)
{
	ProbeWindow* window = new ProbeWindow(BRect(100, 100, 400, 240), "Foreign changes");
	ProbeView* panel = new ProbeView(BRect(0, 0, 300, 140), "panel");
	BButton* button = new BButton(BRect(10, 10, 110, 40), nullptr, BString("Label 0"), new BMessage(kPressed),
		kFollowLeftTop, kNavigable);
	BStringView* text = new BStringView(BRect(10, 60, 200, 80), nullptr, "Text 0", kFollowLeftTop, 0);
	ASSERT_EQ(panel->AddChild(button), kOk);
	ASSERT_EQ(panel->AddChild(text), kOk);
	ASSERT_EQ(window->AddChild(panel), kOk);
	ASSERT_TRUE(ShowAndWait(window));
	HWND buttonHandle = BPrivate::NativeHandleOf(button);
	HWND textHandle = BPrivate::NativeHandleOf(text);
	POINT spots[] = {ScreenPointOf(panel, BPoint(250, 100)), ScreenPointOf(panel, BPoint(260, 110))};

	constexpr int kRounds = 12;
	for (int round = 1; round <= kRounds; round++) {
		SCOPED_TRACE(round);
		std::wstring label = L"Label " + std::to_wstring(round);
		std::wstring shown = L"Text " + std::to_wstring(round);
		bool visible = round % 2 == 0;
		RunWithinDeadline("a change made while the window's thread waits for the lock", [&] {
			if (!window->Lock())
				return;
			MovePointer(spots[round % 2]);
			button->SetLabel(BString(label.c_str()));
			text->SetText(BString(shown.c_str()));
			button->SetEnabled(visible, false);
			if (visible)
				text->Show();
			else
				text->Hide();
			EXPECT_EQ(text->IsHidden(), !visible);
			EXPECT_EQ(button->IsEnabled(), visible);
			EXPECT_FALSE(TextOf(buttonHandle).empty());
			window->Unlock();
		});
		ASSERT_TRUE(DrainWindow(window));
		EXPECT_EQ(TextOf(buttonHandle), label);
		EXPECT_EQ(TextOf(textHandle), shown);
		EXPECT_EQ(IsWindowVisible(textHandle) != FALSE, visible);
		EXPECT_EQ(IsWindowEnabled(buttonHandle) != FALSE, visible);
	}
	EXPECT_GT(panel->log.Count(kMouseMoved), 0u);
	QuitWindow(window);
}

// What another thread may not do, it is told: a drag needs the window's own
// pointer and loop.
TEST_F(WindowThreadsTest, ADragStartedOnAnotherThreadIsRefusedAndReported)
{
	ProbeWindow* window = new ProbeWindow(BRect(100, 100, 300, 200), "Foreign drag");
	ProbeView* view = new ProbeView(BRect(0, 0, 200, 100), "view");
	ASSERT_EQ(window->AddChild(view), kOk);
	ASSERT_TRUE(ShowAndWait(window));
	ASSERT_TRUE(window->Lock());
	EXPECT_EQ(view->StartDrag(BMessage(kQueued)), kNotAllowed);
	window->Unlock();
	EXPECT_EQ(TakeDebuggerReports(), std::vector<std::string>{"StartDrag must be called on the window's thread"});
	EXPECT_EQ(view->DragState(), 0u);
	QuitWindow(window);
}

// --- work that runs unlocked ---

// A hook that runs a native loop of its own (as a menu, a scroll bar's thumb
// or a message box does) keeps the window locked, and the messages queued
// meanwhile are dispatched inside that loop; the work they leave to run
// unlocked waits until the hook has returned and the window is unlocked.
TEST_F(WindowThreadsTest, WorkLeftInsideAHooksNativeLoopRunsUnlockedAfterIt)
{
	std::atomic<bool> inLoop{false};
	std::atomic<bool> leave{false};
	std::atomic<bool> handledInLoop{false};
	std::atomic<bool> ran{false};
	std::atomic<bool> ranInLoop{true};
	std::atomic<bool> ranLocked{true};

	class RecordingWork : public UnlockedDispatcher {
	public:
		explicit RecordingWork(const std::function<void()>& body) : fBody(body) {}
		void Dispatch() override { fBody(); }

	private:
		std::function<void()> fBody;
	};
	// Queues the work when it handles the message.
	class WorkWindow : public ProbeWindow {
	public:
		using ProbeWindow::ProbeWindow;
		void HandleMessage(BMessage* message) override
		{
			if (message->what != kQueued) {
				ProbeWindow::HandleMessage(message);
				return;
			}
			onQueued();
			AddUnlockedWork(work);
		}
		std::function<void()> onQueued;
		sptr<UnlockedDispatcher> work;
	};

	WorkWindow* window = new WorkWindow(BRect(100, 100, 300, 200), "Unlocked work");
	ProbeView* view = new ProbeView(BRect(0, 0, 200, 100), "view");
	view->onMouseDown = [&](BPoint) {
		inLoop = true;
		DWORD start = GetTickCount();
		while (!leave && GetTickCount() - start < kDeadlineMillis) {
			MSG message;
			while (PeekMessageW(&message, nullptr, 0, 0, PM_REMOVE))
				DispatchMessageW(&message);
			MsgWaitForMultipleObjects(0, nullptr, FALSE, 20, QS_ALLINPUT);
		}
		inLoop = false;
	};
	window->onQueued = [&] {
		handledInLoop = inLoop.load();
		leave = true;
	};
	window->work = new RecordingWork([&] {
		ranInLoop = inLoop.load();
		ranLocked = window->IsLocked();
		ran = true;
	});
	ASSERT_EQ(window->AddChild(view), kOk);
	ASSERT_TRUE(ShowAndActivate(window));
	ClickAt(ScreenPointOf(view, BPoint(40, 40)));
	ASSERT_TRUE(WaitFor([&] { return inLoop.load(); }));

	BMessage queued(kQueued);
	ASSERT_EQ(BMessenger(window, window).Send(&queued), kOk);
	ASSERT_TRUE(WaitFor([&] { return ran.load(); }, kDeadlineMillis));
	EXPECT_TRUE(handledInLoop.load());
	EXPECT_FALSE(ranInLoop.load());
	EXPECT_FALSE(ranLocked.load());
	QuitWindow(window);
}

}  // namespace
