// WindowNative: the operations of a window that only the interface layer's
// own units use.
//
// The window procedures, the views' native windows, painting and drag and
// drop reach the window's native window, its frame report, its input
// modifiers, its focus following and its drag bookkeeping through this one
// struct; the window's views reach the few parts of their window they keep
// up to date (the views it knows as focus, mouse or drag view, the attach
// pass and the native update a change on another thread leaves to the
// window's thread, Tab's navigation). BWindow befriends this one struct: its
// public interface keeps what any user of a window may call. Private to the
// interface layer; used on the window's thread, or by a thread that holds the
// window's lock.
#pragma once

#include "interface/DisplayScale.h"
#include "interface/Window.h"

#include <windows.h>

namespace BPrivate {

struct WindowNative {
	// Null only when it could not be allocated.
	static BNativeWindow* NativeWindowOf(const BWindow* window) { return window->fNativeWindow; }
	// The native window procedures report the window's frame changes here.
	static void ReportFrameChange(BWindow* window) { window->ReportFrameChange(); }
	// The modifiers of the latest input, reported as '_MCH' before the input
	// that revealed a change.
	static void SetCurrentModifiers(BWindow* window, uint32 modifiers) { window->fCurrentModifiers = modifiers; }
	// While a native focus change is handled, SetFocus does not move the
	// native focus back.
	static bool IsHandlingNativeFocus(const BWindow* window) { return window->IsHandlingNativeFocus(); }
	static void SetHandlingNativeFocus(BWindow* window, bool handling) { window->SetHandlingNativeFocus(handling); }
	// The view under a drag started in the window, or null.
	static void SetDragView(BWindow* window, BView* view) { window->fDragView = view; }
	// A frame change or native work left to the window's thread: one '_RSN'
	// asks for it.
	static void RequestNativeUpdate(BWindow* window) { window->RequestPendingFrame(); }
	// A view was added on another thread: the window's thread runs the
	// attach pass at its next turn.
	static void RequestAttachPass(BWindow* window) { window->RequestAttachPass(); }
	// A view leaves the window: the window forgets it as focus, mouse or
	// drag view.
	static void ForgetView(BWindow* window, BView* view) { window->ForgetView(view); }
	// Tab typed in a view: the focus moves on (back with shift, by groups
	// with control).
	static void NavigateByTab(BWindow* window, uint32 modifiers) { window->NavigateByTab(modifiers); }
	// The frame as the window keeps it, whatever its native window shows.
	static BRect StoredFrame(const BWindow* window) { return window->fFrame; }
	static drop_hand_over& DropHandOver(BWindow* window) { return window->fDropHandOver; }
	// The window is now on a display of `scale`: its native window takes
	// `suggested` (the platform's outer rectangle for it there), or, given
	// null, its frame at the new scale; every view's native window moves to
	// its frame at that scale and gets the control font made for it, and
	// the whole window is drawn again. On the window's thread; locks it.
	static void ApplyDisplayScale(BWindow* window, DisplayScale scale, const RECT* suggested);
	// Null before the native window is made and after it goes.
	static HWND NativeHandle(const BWindow* window) { return window->NativeHandle(); }
};

// Whether the calling thread may act on the window's native windows at once:
// it is the thread that made them, or they do not exist yet (null window
// included). Another thread changes the framework's state and leaves the
// native side to the window's thread, which gives it at its next turn.
bool OnWindowThread(const BWindow* window);

// The scale the window's native windows are at: its native window's, or the
// system's for a window without one.
DisplayScale ScaleOf(const BWindow* window);
// The scale of the view's window; the system's for a view without a window.
DisplayScale ScaleOf(const BView* view);
// The font a view's native window is given: its window's control font.
HFONT ControlFontOf(const BView* view);

}  // namespace BPrivate
