// TopLevelWindowProc: the native messages of top-level windows become
// framework messages, dispatched at once to the window on its own thread.
//
// A first pass handles what needs only the message (creation, activation of
// owned windows, wake-ups); a second pass builds the framework message for
// the window found in the native window's user data and delivers it under the
// window's lock.
#include "interface/NativeWindow.h"

#include "interface/Keyboard.h"
#include "interface/NativeDispatch.h"
#include "interface/NativeNotifications.h"
#include "interface/OwnedWindows.h"
#include "interface/ViewNativeWindow.h"
#include "interface/Window.h"
#include "interface/WindowNative.h"
#include "kernel/Thread.h"
#include "kernel/ThreadLoop.h"
#include "messaging/Application.h"
#include "messaging/Message.h"
#include "messaging/MessageCodes.h"
#include "messaging/Messenger.h"
#include "support/Autolock.h"

using namespace BPrivate;

namespace {

// A window thread runs one step above normal while its window is active.
constexpr int32 kActivePriority = 1;
constexpr int32 kInactivePriority = 0;

// What a native message of a top-level window becomes.
struct window_event : native_event {
	explicit window_event(HWND handle) : native_event(handle) {}

	bool frameChange = false;
};

// A window that owns native windows hands activation to the last of them.
bool ActivateLastOwned(HWND owner)
{
	HWND owned = LastOwnedWindow(owner);
	if (owned == nullptr)
		return false;
	// Activation within a thread; across threads only the foreground moves.
	if (GetWindowThreadProcessId(owned, nullptr) == GetCurrentThreadId())
		SetActiveWindow(owned);
	else
		SetForegroundWindow(owned);
	return true;
}

LRESULT HandleCreation(HWND handle, UINT message, LPARAM lParam)
{
	LRESULT result = message == WM_NCCREATE ? 1 : 0;
	BWindow* window = static_cast<BWindow*>(reinterpret_cast<CREATESTRUCTW*>(lParam)->lpCreateParams);
	SetWindowLongPtrW(handle, GWLP_USERDATA, reinterpret_cast<LONG_PTR>(static_cast<BHandler*>(window)));
	BAutolock lock(window);
	if (!lock.IsLocked())
		return result;
	BNativeWindow* native = WindowNative::NativeWindowOf(window);
	if (native != nullptr)
		native->AttachHandle(handle);
	if (message == WM_CREATE) {
		BMessage created(kNativeWindowCreated);
		window->HandleMessage(&created);
		if (native != nullptr)
			native->CreateSizeBox(handle);
	}
	return result;
}

// The window was moved to a display of another resolution: it takes the
// rectangle the platform suggests there and draws again at the new scale.
void HandleDpiChanged(HWND handle, WPARAM wParam, LPARAM lParam)
{
	BWindow* window = WindowOfNativeWindow(handle);
	const RECT* suggested = reinterpret_cast<const RECT*>(lParam);
	if (window != nullptr && suggested != nullptr)
		WindowNative::ApplyDisplayScale(window, DisplayScale(HIWORD(wParam)), suggested);
}

void SendApplicationActivated(bool active)
{
	if (ProcessApplication() == nullptr)
		return;
	BMessage activated(kAppActivated);
	// Without its flag the message would not say which way the activation went.
	if (activated.AddBool("active", active) != kOk)
		return;
	// The application may be going; then nobody is told.
	(void)ApplicationMessenger().Send(&activated);
}

void RunMenusBeginning(HWND handle)
{
	BWindow* window = WindowOfNativeWindow(handle);
	BAutolock lock(window);
	if (lock.IsLocked())
		window->OnMenusBeginning();
}

// The first pass: true when the message was answered with `*result`.
bool HandleAlone(HWND handle, UINT message, WPARAM wParam, LPARAM lParam, LRESULT* result)
{
	*result = 0;
	switch (message) {
	case WM_NCCREATE:
	case WM_CREATE:
		*result = HandleCreation(handle, message, lParam);
		return true;
	case WM_ACTIVATE:
		// An owner that is being deactivated lets the activation go where it
		// goes; only its own activation is handed to what it owns.
		if (LOWORD(wParam) != WA_INACTIVE && ActivateLastOwned(handle))
			return true;
		// It answers 0 whatever happens: a refused level leaves the thread at the normal one.
		(void)SetPriorityWithFallback(CurrentThreadHandle(),
			LOWORD(wParam) != WA_INACTIVE ? kActivePriority : kInactivePriority);
		return false;
	case WM_ACTIVATEAPP:
		SendApplicationActivated(wParam != 0);
		return true;
	case WM_MOUSEACTIVATE:
		if (!ActivateLastOwned(handle))
			return false;
		*result = MA_NOACTIVATEANDEAT;
		return true;
	case WM_SYSCOMMAND:
		// The menu key alone does not enter the keyboard menu.
		return (wParam & 0xFFF0) == SC_KEYMENU && lParam == 0;
	case WM_INITMENU:
		RunMenusBeginning(handle);
		return true;
	case WM_DPICHANGED:
		HandleDpiChanged(handle, wParam, lParam);
		return true;
	case BWM_WAKEUP:
		// Only reaches a procedure inside a modal loop; the thread's own loop
		// consumes it.
		RunThreadLoopStepNow();
		return true;
	default:
		return false;
	}
}

// The frame change goes to the window; a message to the window or to the
// control it names.
void Deliver(BWindow* window, window_event* event)
{
	NativeDelivery delivery(window);
	if (!delivery.Reach(HandlerOfNativeWindow(event->target)))
		return;
	if (event->frameChange) {
		WindowNative::ReportFrameChange(window);
		return;
	}
	if (event->message.what == kAppActivated)
		WindowNative::SetCurrentModifiers(window, CurrentModifiers(false));
	delivery.Dispatch(event->message);
}

}  // namespace

LRESULT CALLBACK TopLevelWindowProc(HWND handle, UINT message, WPARAM wParam, LPARAM lParam)
{
	LRESULT result = 0;
	if (HandleAlone(handle, message, wParam, lParam, &result))
		return result;
	BWindow* window = WindowOfNativeWindow(handle);
	if (window == nullptr)
		return DefWindowProcW(handle, message, wParam, lParam);

	window_event event(handle);
	bool answeredHere = false;
	switch (message) {
	case WM_SIZE:
		if (BNativeWindow* native = WindowNative::NativeWindowOf(window))
			native->PlaceSizeBox();
		event.frameChange = true;
		break;
	case WM_WINDOWPOSCHANGED:
		event.frameChange = true;
		break;
	case WM_ACTIVATE:
		// Without its flag the activation is not delivered.
		if (event.message.AddBool("active", LOWORD(wParam) != WA_INACTIVE) == kOk)
			event.message.what = kAppActivated;
		answeredHere = true;
		break;
	case WM_CLOSE: {
		// Closing is the window's decision: the close box only asks.
		if (BHandler* handler = HandlerOfNativeWindow(handle)) {
			BMessage request(kQuitRequested);
			// A window that is already going needs no asking.
			(void)BMessenger(handler, nullptr).Send(&request);
		}
		return 1;
	}
	case WM_NOTIFY:
		BuildNotification(lParam, &event);
		break;
	case WM_COMMAND:
		if (!BuildControlCommand(wParam, lParam, &event))
			BuildMenuCommand(wParam, &event);
		break;
	case WM_CTLCOLORBTN:
	case WM_CTLCOLOREDIT:
	case WM_CTLCOLORSTATIC:
	{
		// The root view stands for the window's client area, on which the
		// window's own controls sit.
		BAutolock lock(window);
		if (lock.IsLocked() && AnswerControlColor(message, wParam, lParam, window->RootView(), &result))
			return result;
		break;
	}
	case WM_HSCROLL:
	case WM_VSCROLL:
		return HandleNativeScroll(wParam, lParam);
	case WM_MENUSELECT:
		HandleMenuSelect(handle, wParam, lParam);
		return 0;
	case WM_KEYDOWN:
	case WM_SYSKEYDOWN:
		BuildKey(kKeyDown, wParam, lParam, &event);
		break;
	case WM_KEYUP:
	case WM_SYSKEYUP:
		BuildKey(kKeyUp, wParam, lParam, &event);
		break;
	case WM_MOUSEWHEEL:
		(void)BuildWheelMessage(&event.message, wParam);  // on failure the what code stays 0: nothing goes
		break;
	default:
		break;
	}
	if (event.message.what != 0 || event.frameChange)
		Deliver(window, &event);
	return answeredHere ? 0 : DefWindowProcW(handle, message, wParam, lParam);
}
