// WindowNative: the operations of a window that only the native layer uses.
//
// The window procedures, the views' native windows, painting and drag and
// drop reach the window's native window, its frame report, its input
// modifiers, its focus following and its drag bookkeeping through this one
// struct, which the window befriends; the window's public interface keeps
// what any user of a window may call. Private to the interface layer; used on
// the window's thread with the window locked.
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
	static void SetHandlingNativeFocus(BWindow* window, bool handling) { window->SetHandlingNativeFocus(handling); }
	static void SetDragView(BWindow* window, BView* view) { window->fDragView = view; }
	// Another thread left native work to the window's: one '_RSN' asks for it.
	static void RequestNativeUpdate(BWindow* window) { window->RequestPendingFrame(); }
	static drop_hand_over& DropHandOver(BWindow* window) { return window->fDropHandOver; }
	// The window is now on a display of `scale`: its native window takes
	// `suggested` (the platform's outer rectangle for it there), or, given
	// null, its frame at the new scale; every view's native window moves to
	// its frame at that scale and gets the control font made for it, and
	// the whole window is drawn again. On the window's thread; locks it.
	static void ApplyDisplayScale(BWindow* window, DisplayScale scale, const RECT* suggested);
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
