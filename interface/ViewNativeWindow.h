// The native child windows of views: the "BView" class, child creation, the
// class procedure, and the subclass procedure every view's native window gets,
// which delivers the native events that ViewInput builds and the paints of
// ViewPaint to the view. Private to the interface layer.
//
// Everything here runs on the window thread of the view concerned; delivery
// locks the view's window (NativeDelivery).
#pragma once

#include "support/SupportDefs.h"

#include <windows.h>

class BView;

namespace BPrivate {

struct view_event;

// The procedure of the "BView" class: creation, erasing and control colours.
LRESULT CALLBACK ViewClassWindowProc(HWND handle, UINT message, WPARAM wParam, LPARAM lParam);
// The procedure every view's native window is subclassed with: native
// messages become framework messages delivered to the view.
LRESULT CALLBACK ViewWindowProc(HWND handle, UINT message, WPARAM wParam, LPARAM lParam);

class ViewNativeWindow {
public:
	// Registers "BView" once the application exists; tried again by the next
	// view when it fails. -1 without the application or the module instance.
	[[nodiscard]] static status_t RegisterClass();
	// Makes the view's native child window unless it has one: under the parent
	// view's native window, or else the window's. -1 without a parent window
	// or when the native window could not be made.
	[[nodiscard]] static status_t Create(BView* view);

	// Style of a "BView" native window under `view`'s parent.
	static DWORD StyleFor(const BView* view);
	// The name of the class views' own native windows have.
	static const wchar_t* ClassName();

private:
	friend LRESULT CALLBACK ViewClassWindowProc(HWND handle, UINT message, WPARAM wParam, LPARAM lParam);
	friend LRESULT CALLBACK ViewWindowProc(HWND handle, UINT message, WPARAM wParam, LPARAM lParam);

	class NativeMessageScope;

	static LRESULT HandleClassMessage(HWND handle, UINT message, WPARAM wParam, LPARAM lParam);
	static LRESULT HandleNativeMessage(HWND handle, UINT message, WPARAM wParam, LPARAM lParam);
	// WM_NCDESTROY, the last message: the native window lets go of the view.
	static LRESULT ReleaseNativeWindow(BView* view, HWND handle, WPARAM wParam, LPARAM lParam);
	static bool Deliver(view_event* event, bigtime_t when, LRESULT* result);
};

}  // namespace BPrivate
