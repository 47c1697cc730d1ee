// The native child windows of views: the "BView" class, child creation, the
// class procedure, and the subclass procedure every view's native window gets,
// which delivers the native events that ViewInput builds and the paints of
// ViewPaint to the view; and the parts of a view's native side that others
// ask for: its registered drop target and the brush its native controls paint
// with. One of the two units that reach a view's ViewPlatform (ViewNative.h).
// Private to the interface layer.
//
// Everything here runs on the window thread of the view concerned, with the
// view's window locked (NativeDelivery) before anything of the view is read;
// LeaveToWindowThread and ShowText run on any thread that holds that lock.
#pragma once

#include "support/String.h"
#include "support/SupportDefs.h"

#include <windows.h>

#include <memory>

class BNativeWindow;
class BView;
class WinViewDropTarget;

namespace BPrivate {

class PendingDrag;
struct view_event;

class ViewNativeWindow {
public:
	// The procedure of the "BView" class: creation, erasing and control colours.
	static LRESULT CALLBACK ViewClassWindowProc(HWND handle, UINT message, WPARAM wParam, LPARAM lParam);
	// The procedure every view's native window is subclassed with: native
	// messages become framework messages delivered to the view.
	static LRESULT CALLBACK ViewWindowProc(HWND handle, UINT message, WPARAM wParam, LPARAM lParam);

	// Registers "BView" once the application exists; tried again by the next
	// view when it fails. -1 without the application or the module instance.
	[[nodiscard]] static status_t RegisterClass();
	// Makes the view's native child window unless it has one: under the parent
	// view's native window, or else the window's. -1 without a parent window
	// or when the native window could not be made.
	[[nodiscard]] static status_t Create(BView* view);

	// The view leaves its window on a thread other than the window's: its
	// native windows and those of its subtree stop reaching their views at
	// once, and the window's thread destroys them at its next turn.
	static void LeaveToWindowThread(BView* view);
	// The window text of the view's native window, for assistive technology:
	// set at once on the window's thread, else at its next turn. -1 without
	// a native window.
	[[nodiscard]] static status_t ShowText(BView* view, const BString& text);

	// The drop target registered for the view's native window, or null.
	static WinViewDropTarget* DropTargetOf(const BView* view);
	// The solid brush of the view's background colour that native controls
	// paint with; owned by the view. Null when it cannot be made.
	static HBRUSH BackgroundBrushOf(BView* view);

	// Style of a "BView" native window under `view`'s parent.
	static DWORD StyleFor(const BView* view);
	// The name of the class views' own native windows have.
	static const wchar_t* ClassName();

private:
	class NativeMessageScope;

	static LRESULT HandleReceived(BView* view, HWND handle, UINT message, WPARAM wParam, LPARAM lParam,
		std::unique_ptr<PendingDrag>* drag);
	// WM_NCDESTROY, the last message: the native window lets go of the view.
	static LRESULT ReleaseNativeWindow(BView* view, HWND handle, WPARAM wParam, LPARAM lParam);
	static bool Deliver(view_event* event, LRESULT* result, std::unique_ptr<PendingDrag>* drag);
	static void Unhook(BView* view, BNativeWindow* native);
};

}  // namespace BPrivate
