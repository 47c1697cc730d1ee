// What the top-level window procedure, the views' window procedure and the
// views' drop targets share: the one way to find the window or view of a
// native window, the one delivery of a native event to it, and the
// translations both procedures make: control commands and notifications, menu
// and accelerator commands, keys, native scroll bars, menu selection, and the
// colours native controls ask their parent for.
//
// A native control sits under a view's native window or directly under the
// window's own; either parent turns what the control reports into the same
// framework message for the control's view. Private to the interface layer;
// called on the window thread of the native window concerned.
#pragma once

#include "messaging/Handler.h"
#include "messaging/Message.h"
#include "support/Autolock.h"
#include "support/StrongPointer.h"

#include <windows.h>

#include <memory>

class BLooper;
class BView;
class BWindow;

namespace BPrivate {

// Identifiers of native controls: their commands go to the control's view.
constexpr WORD kFirstControlId = 500;
constexpr WORD kLastControlId = 799;

// A framework message built from a native message, and the native window
// whose window or view receives it. A what code of 0 means nothing to deliver.
struct native_event {
	explicit native_event(HWND handle) : target(handle) {}

	BMessage message;
	HWND target;
};

// The window or view whose native window `handle` is, or null for a native
// window that is not the framework's. Only the framework's procedures put
// handlers into a native window's user data.
BHandler* HandlerOfNativeWindow(HWND handle);
BView* ViewOfNativeWindow(HWND handle);
BWindow* WindowOfNativeWindow(HWND handle);

// The delivery of a native event, on the thread that runs the native window:
// for the length of the scope the looper of that thread is locked on this
// thread, and the handler the messages go to, read from a native window with
// the looper locked, is known to be alive. Within it, messages go to the
// handler at once, on this thread, through the looper's DispatchOne, so the
// framework's hooks run inside the native procedure. When the scope ends, the
// window applies the frame change and the native state its hooks asked for,
// the looper is unlocked, and the work that runs with the looper unlocked
// runs, unless this thread still holds the lock (a delivery inside a hook).
//
// Nothing of a view or a window is read before the lock is held: another
// thread removes and deletes views only while it holds that lock.
class NativeDelivery {
public:
	// Locks `looper`: LooperFor the native window being handled.
	explicit NativeDelivery(BLooper* looper);
	~NativeDelivery();

	NativeDelivery(const NativeDelivery&) = delete;
	NativeDelivery& operator=(const NativeDelivery&) = delete;

	// The messages go to `handler`, read from a native window with the
	// looper locked: false when the lock could not be taken or the looper
	// does not run the handler (null included).
	bool Reach(BHandler* handler);
	// The looper is locked and the handler alive: delivery may go on.
	bool IsOpen() const { return fOpen; }
	// The handler is still alive and still run by the looper: a hook of an
	// earlier message may have removed or deleted it.
	bool StillReaches() const;
	// The window whose looper is locked; null for another looper.
	BWindow* Window() const { return fWindow; }

	// Dispatches a copy of `message` to the handler.
	void Dispatch(const BMessage& message);
	// Dispatches `message` itself, which the looper deletes.
	void Dispatch(std::unique_ptr<BMessage> message);

	// The looper that runs the native windows of the calling thread: its
	// window, whose thread makes every native window of the window and its
	// views. On a thread without a window, the looper of the handler the
	// native window names.
	static BLooper* LooperFor(HWND handle);
	// Handles the messages queued to `looper` up to `when`, so that an input
	// event comes after what was posted before it. Called before the event's
	// delivery locks the looper, so that the work those messages leave to
	// run unlocked runs so.
	static void RunDueWork(BLooper* looper, bigtime_t when);

private:
	BLooper* fLooper;
	BHandler* fHandler = nullptr;
	BWindow* fWindow;
	BAutolock<BLooper> fLock;
	sptr<BHandler::ValidAtom> fValidity;
	bool fOpen = false;
};

// WM_COMMAND from a native control (lParam): true when it came from one. A
// framework control's click, selection change or edit change becomes 'BVBC',
// 'BSCh' or 'BChg' for the control; other notifications become nothing.
bool BuildControlCommand(WPARAM wParam, LPARAM lParam, native_event* event);
// WM_COMMAND from a menu or an accelerator: 'BWnC' with its identifier in
// "be:command", for the receiving window.
void BuildMenuCommand(WPARAM wParam, native_event* event);
// WM_NOTIFY: the notifying control's selection change or click.
void BuildNotification(LPARAM lParam, native_event* event);
// WM_KEYDOWN and WM_KEYUP (`what` kKeyDown or kKeyUp); nothing for a key
// without a character code.
void BuildKey(uint32 what, WPARAM wParam, LPARAM lParam, native_event* event);

// WM_HSCROLL and WM_VSCROLL from a scroll bar (lParam): the scroll bar
// handles the notification, then the paints it caused are dispatched. The
// scroll bar's result, 0 without one.
LRESULT HandleNativeScroll(WPARAM wParam, LPARAM lParam);
// WM_MENUSELECT: a popup item about to open lets its submenu fill itself.
// 0, or -1 when the item, its data or its submenu is missing.
int HandleMenuSelect(HWND handle, WPARAM wParam, LPARAM lParam);

// WM_CTLCOLORBTN, WM_CTLCOLOREDIT and WM_CTLCOLORSTATIC: a button is painted
// on the background of `receiver`, the view whose native window is its
// parent; an edit or static control in its own view's colours. False when the
// message is none of these or no view gives the colours; `*result` is then
// left alone.
bool AnswerControlColor(UINT message, WPARAM wParam, LPARAM lParam, BView* receiver, LRESULT* result);

}  // namespace BPrivate
