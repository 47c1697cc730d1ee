// Windows and views for tests that record what reaches them, an application
// that keeps the quit requests it receives, and waiting for window threads.
//
// A window's hooks run on its own thread; they record under a mutex, and the
// test reads the records once WaitFor has seen what it waits for.
#pragma once

#include "interface/NativeHandle.h"
#include "interface/WindowNative.h"
#include "interface/Render.h"
#include "interface/View.h"
#include "interface/Window.h"
#include "kernel/SystemTime.h"
#include "messaging/Message.h"
#include "messaging/MessageCodes.h"
#include "messaging/Messenger.h"
#include "messaging/TypeCodes.h"
#include "tests/harness/InjectedInput.h"
#include "tests/harness/TestApplication.h"

#include <gtest/gtest.h>

#include <windows.h>

#include <atomic>
#include <functional>
#include <memory>
#include <mutex>
#include <string>
#include <vector>

namespace zeltest {

// Dispatches the calling thread's messages and looks at `done` every few
// milliseconds (it watches other threads) until it holds; false when the
// deadline passed first.
inline bool WaitFor(const std::function<bool()>& done, DWORD deadlineMillis = 5000)
{
	constexpr DWORD kLookEveryMillis = 5;
	DWORD start = GetTickCount();
	while (!PumpUntil(done, kLookEveryMillis)) {
		if (GetTickCount() - start >= deadlineMillis)
			return false;
	}
	return true;
}

// Lets the window threads run for a while.
inline void Settle(DWORD millis = 100)
{
	PumpUntil([] { return false; }, millis);
}

// An application whose loop the test runs step by step, keeping the quit
// requests it receives instead of quitting.
class RecordingApp : public TestApp {
public:
	void DispatchToHandler(BMessage* message, BHandler* handler) override
	{
		if (message->what == kQuitRequested && handler == this) {
			bool shortcut = false;
			message->GetBool("shortcut", &shortcut);
			std::lock_guard<std::mutex> hold(mutex);
			quitRequests.push_back(shortcut);
			return;
		}
		TestApp::DispatchToHandler(message, handler);
	}
	// Dispatches what reached the application so far, on the test's thread.
	void DispatchQueued()
	{
		bool quit = false;
		DispatchDueWork(SystemTimeMicros(), &quit);
	}
	std::vector<bool> QuitRequests()
	{
		std::lock_guard<std::mutex> hold(mutex);
		return quitRequests;
	}

	std::mutex mutex;
	std::vector<bool> quitRequests;
};

// One thing that reached a view or a window.
struct Event {
	uint32 what;
	BPoint where;
	int32 value = 0;  // transit, clicks, key, modifiers or activation
	float dx = 0.0f;
	float dy = 0.0f;
	BPoint screen = BPoint();  // a mouse message's "screen_where"
};

class EventLog {
public:
	void Add(const Event& event)
	{
		std::lock_guard<std::mutex> hold(fMutex);
		fEvents.push_back(event);
	}
	std::vector<Event> Take()
	{
		std::lock_guard<std::mutex> hold(fMutex);
		std::vector<Event> events;
		events.swap(fEvents);
		return events;
	}
	std::vector<Event> Peek()
	{
		std::lock_guard<std::mutex> hold(fMutex);
		return fEvents;
	}
	// The value of the latest event of that kind, or -1.
	int32 Last(uint32 what)
	{
		std::lock_guard<std::mutex> hold(fMutex);
		for (auto event = fEvents.rbegin(); event != fEvents.rend(); ++event) {
			if (event->what == what)
				return event->value;
		}
		return -1;
	}
	size_t Count(uint32 what)
	{
		std::lock_guard<std::mutex> hold(fMutex);
		size_t count = 0;
		for (const Event& event : fEvents)
			count += event.what == what ? 1 : 0;
		return count;
	}

private:
	std::mutex fMutex;
	std::vector<Event> fEvents;
};

// Codes of the hooks that have no message of their own.
constexpr uint32 kDrawn = FourCC("tDRW");
constexpr uint32 kKeyTyped = FourCC("tKEY");
constexpr uint32 kWheelOffered = FourCC("tWHL");
constexpr uint32 kActivated = FourCC("tACT");
constexpr uint32 kFrameResized = FourCC("tRSZ");
constexpr uint32 kFrameMoved = FourCC("tMOV");
constexpr uint32 kAttached = FourCC("tATT");
// Runs the function in the pointer field "work" on the window's thread.
constexpr uint32 kRunWork = FourCC("tRUN");

// The BPoint field of the message being dispatched, or (-999, -999).
inline BPoint CurrentPoint(BHandler* handler, const char* name)
{
	BPoint point(-999.0f, -999.0f);
	BMessage* message = handler->Looper() != nullptr ? handler->Looper()->CurrentMessage() : nullptr;
	if (message != nullptr)
		message->GetPoint(name, &point);
	return point;
}

// A view that records its hooks; `inner` (when set) is painted in the
// secondary colour over the background.
class ProbeView : public BView {
public:
	ProbeView(BRect frame, const char* name, uint32 followMode = kFollowLeftTop, uint32 flags = kNavigable)
		: BView(frame, name, followMode, flags)
	{
	}

	// Mouse events record the hook's point, the message's "where" in dx, dy
	// and its "screen_where".
	void OnMouseDown(BPoint where) override
	{
		BPoint field = CurrentPoint(this, "where");
		log.Add({kMouseDown, where, Clicks(), field.x, field.y, CurrentPoint(this, "screen_where")});
		if (onMouseDown)
			onMouseDown(where);
		BView::OnMouseDown(where);
	}
	void OnMouseMoved(BPoint where, int32 transit, const BMessage* drag) override
	{
		BPoint field = CurrentPoint(this, "where");
		bool scrolled = false;
		if (BMessage* message = Looper()->CurrentMessage())
			message->GetBool("be:scrolled", &scrolled);
		if (scrolled) {
			lastScrolledWhere = where;
			scrolledMoves++;
		}
		log.Add({kMouseMoved, where, transit, field.x, field.y, CurrentPoint(this, "screen_where")});
		BView::OnMouseMoved(where, transit, drag);
	}
	void OnMouseUp(BPoint where) override
	{
		BPoint field = CurrentPoint(this, "where");
		log.Add({kMouseUp, where, 0, field.x, field.y, CurrentPoint(this, "screen_where")});
		BView::OnMouseUp(where);
	}
	void OnKeyDown(const char* bytes, int32 numBytes) override
	{
		if (numBytes == 1)
			log.Add({kKeyTyped, BPoint(), static_cast<uint8>(bytes[0])});
		BView::OnKeyDown(bytes, numBytes);
	}
	int32 OnWheel(float dx, float dy) override
	{
		log.Add({kWheelOffered, BPoint(), 0, dx, dy});
		if (wheelLog != nullptr)
			wheelLog->Add({kWheelOffered, BPoint(), wheelId, dx, dy});
		return takesWheel ? 1 : BView::OnWheel(dx, dy);
	}
	void OnWindowActivated(bool active) override { log.Add({kActivated, BPoint(), active ? 1 : 0}); }
	void OnFrameResized(float width, float height) override
	{
		log.Add({kFrameResized, BPoint(width, height), 0});
	}
	void OnAttached() override { log.Add({kAttached, BPoint(), BPrivate::NativeHandleOf(this) != nullptr ? 1 : 0}); }
	void OnDraw(BRender* render, BRect update) override
	{
		if (inner.Width() > 0.0f) {
			rgb_color background = render->Color(kBackgroundColorIndex);
			rgb_color secondary = render->Color(kSecondaryColorIndex);
			render->SetColor(kBackgroundColorIndex, secondary.red, secondary.green, secondary.blue, 255);
			render->FillBackground(inner);
			render->SetColor(kBackgroundColorIndex, background.red, background.green, background.blue,
				background.alpha);
		}
		if (onDraw)
			onDraw(render, update);
		log.Add({kDrawn, BPoint(update.left, update.top), 0, update.right, update.bottom});
	}
	void HandleMessage(BMessage* message) override
	{
		if (message->what == kRefsReceived)
			refs.push_back(*message);
		else
			BView::HandleMessage(message);
	}

	int32 Clicks()
	{
		int32 clicks = 0;
		MouseState(nullptr, nullptr, &clicks);
		return clicks;
	}

	EventLog log;
	BRect inner{0.0f, 0.0f, -1.0f, -1.0f};
	bool takesWheel = false;
	// Moves sent again by scrolling, and where the last of them was.
	std::atomic<int> scrolledMoves{0};
	BPoint lastScrolledWhere;
	// Wheel offers of several views in the order they came.
	EventLog* wheelLog = nullptr;
	int32 wheelId = 0;
	std::function<void(BRender*, BRect)> onDraw;
	std::function<void(BPoint)> onMouseDown;
	std::vector<BMessage> refs;
};

// Work for a window's thread, shared by the test's thread and the message
// that carries it: a caller that gives up waiting must not leave the window a
// pointer into its stack, nor return while its work still runs there.
struct WindowTask {
	enum State { kQueued, kRunning, kDone, kAbandoned };

	explicit WindowTask(const std::function<void()>& body) : work(body) {}

	// On the window's thread; false when the caller has given up.
	bool Begin()
	{
		std::lock_guard<std::mutex> hold(mutex);
		if (state == kAbandoned)
			return false;
		state = kRunning;
		return true;
	}
	void Finish()
	{
		std::lock_guard<std::mutex> hold(mutex);
		state = kDone;
	}
	State Current()
	{
		std::lock_guard<std::mutex> hold(mutex);
		return state;
	}
	// On the caller's thread after its deadline: a task not yet begun never
	// runs. False when it is running, and the caller must wait for its end.
	bool Abandon()
	{
		std::lock_guard<std::mutex> hold(mutex);
		if (state == kQueued)
			state = kAbandoned;
		return state != kRunning;
	}

	std::function<void()> work;
	std::mutex mutex;
	State state = kQueued;
};

// The handler's side of RunOnWindowThread: the message carries a heap copy of
// the caller's reference to the task, which the handler takes over. (A window
// destroyed before it handles the message leaves that one reference behind.)
inline void RunWindowTask(BMessage* message)
{
	void* pointer = nullptr;
	if (message->GetPointer("work", &pointer) != kOk || pointer == nullptr)
		return;
	std::unique_ptr<std::shared_ptr<WindowTask>> carried(static_cast<std::shared_ptr<WindowTask>*>(pointer));
	WindowTask& task = **carried;
	if (!task.Begin())
		return;
	task.work();
	task.Finish();
}

// A window that records its hooks and can refuse to quit.
class ProbeWindow : public BWindow {
public:
	ProbeWindow(BRect frame, const char* title, int32 look = 0, int32 feel = kNormalFeel, uint32 flags = 0)
		: BWindow(frame, BString(title), look, feel, flags)
	{
	}
	~ProbeWindow() override
	{
		if (destroyed != nullptr)
			*destroyed = true;
	}

	bool ConfirmQuit() override
	{
		quitAsked++;
		return consentsToQuit;
	}
	void OnWindowActivated(bool active) override { log.Add({kActivated, BPoint(), active ? 1 : 0}); }
	void OnFrameResized(float width, float height) override
	{
		log.Add({kFrameResized, BPoint(width, height), 0});
	}
	void OnFrameMoved(float x, float y) override { log.Add({kFrameMoved, BPoint(x, y), 0}); }
	void HandleMessage(BMessage* message) override
	{
		if (message->what == kModifiersChanged) {
			int32 modifiers = 0;
			message->GetInt32("modifiers", &modifiers);
			log.Add({kModifiersChanged, BPoint(), modifiers});
			return;
		}
		if (message->what == kRunWork) {
			RunWindowTask(message);
			return;
		}
		int32 repeat = -1;
		message->GetInt32("be:key_repeat", &repeat);
		log.Add({message->what, BPoint(), repeat});
		BWindow::HandleMessage(message);
	}
	void DispatchToHandler(BMessage* message, BHandler* handler) override
	{
		// The order in which messages reach dispatch, whatever their target.
		order.Add({message->what, BPoint(), 0});
		BWindow::DispatchToHandler(message, handler);
	}

	EventLog log;
	EventLog order;
	std::atomic<int> quitAsked{0};
	std::atomic<bool> consentsToQuit{true};
	std::atomic<bool>* destroyed = nullptr;
};

// Runs `work` on the window's thread, with the window locked, and waits for
// it. Everything queued to the window before it has been handled when it
// runs. False when it could not be sent or did not come within the deadline;
// it then never runs.
inline bool RunOnWindowThread(BWindow* window, const std::function<void()>& work)
{
	auto task = std::make_shared<WindowTask>(work);
	auto carried = std::make_unique<std::shared_ptr<WindowTask>>(task);
	void* pointer = carried.get();
	BMessage message(kRunWork);
	if (message.AddData("work", kPointerType, &pointer, sizeof(pointer)) != kOk)
		return false;
	if (BMessenger(window, window).Send(&message) != kOk)
		return false;
	carried.release();  // the queued copy of the message holds it now
	if (WaitFor([&] { return task->Current() == WindowTask::kDone; }))
		return true;
	if (!task->Abandon())
		WaitFor([&] { return task->Current() == WindowTask::kDone; }, INFINITE);
	return false;
}

// Waits until the window has handled everything queued to it so far.
inline bool DrainWindow(BWindow* window)
{
	return RunOnWindowThread(window, [] {});
}

// Shows a window and waits until its native window is up and shown.
inline bool ShowAndWait(BWindow* window)
{
	window->Show();
	return WaitFor([window] {
		HWND handle = BPrivate::NativeHandleOf(window);
		return handle != nullptr && IsWindowVisible(handle);
	});
}

// Shows a window and waits until it is the active foreground window, which
// keyboard input needs. Activity is a state of the window's thread, so it is
// asked there.
inline bool ShowAndActivate(BWindow* window)
{
	if (!ShowAndWait(window))
		return false;
	HWND handle = BPrivate::NativeHandleOf(window);
	if (GetForegroundWindow() != handle)
		SetForegroundWindow(handle);
	return WaitFor([window, handle] {
		bool active = false;
		return GetForegroundWindow() == handle && RunOnWindowThread(window, [&] { active = window->IsActive(); }) &&
			   active;
	});
}

// Quits a window from the test's thread; returns once it is gone.
inline void QuitWindow(BWindow* window)
{
	if (window->Lock())
		window->Quit();
}

// The screen pixel of a view point (in the view's coordinates): screen
// coordinates come in units, which the display's scale makes pixels.
inline POINT ScreenPointOf(BView* view, BPoint where)
{
	BWindow* window = view->Window();
	window->Lock();
	EXPECT_EQ(view->ConvertToScreen(&where), kOk);
	BPrivate::DisplayScale scale = BPrivate::ScaleOf(view);
	window->Unlock();
	return POINT{static_cast<LONG>(scale.ToNative(where.x)), static_cast<LONG>(scale.ToNative(where.y))};
}

// 0xRRGGBB of a pixel as the screen shows it.
inline uint32 ScreenPixel(POINT point)
{
	HDC screen = GetDC(nullptr);
	COLORREF colour = GetPixel(screen, point.x, point.y);
	ReleaseDC(nullptr, screen);
	return (GetRValue(colour) << 16) | (GetGValue(colour) << 8) | GetBValue(colour);
}

}  // namespace zeltest
