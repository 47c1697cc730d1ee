// The native child windows of views: the "BView" class, child creation, the
// class procedure, the subclass procedure every view's native window gets, the
// delivery of native events to views, and painting. Private to the interface
// layer.
//
// Everything here runs on the window thread of the view concerned, with its
// window locked; painting additionally holds the draw lock "WinView:g_drawLock".
#pragma once

#include "interface/Point.h"
#include "interface/WinGdi.h"
#include "support/Locker.h"

#include <windows.h>

class BView;
class WinViewDropTarget;

namespace BPrivate {

// What a view keeps of its native side besides its handle: the OLE drop
// target that drag and drop registers for it, and the solid brush of its
// background colour that native controls paint with, made on first use.
struct view_native_extras {
	WinViewDropTarget* dropTarget = nullptr;
	uint8 reserved = 0;
	WinBrush brush;
};

// Serialises all painting of the process.
BLocker& DrawLock();

class ViewNativeWindow {
public:
	// Registers "BView" once the application exists; tried again by the next
	// view when it fails. -1 without the application or the module instance.
	static status_t RegisterClass();
	// Makes the view's native child window unless it has one: under the parent
	// view's native window, or else the window's. -1 without a parent window
	// or when the native window could not be made.
	static status_t Create(BView* view);

	static LRESULT CALLBACK ClassWindowProc(HWND handle, UINT message, WPARAM wParam, LPARAM lParam);
	static LRESULT CALLBACK WindowProc(HWND handle, UINT message, WPARAM wParam, LPARAM lParam);

	// Style of a "BView" native window under `view`'s parent.
	static DWORD StyleFor(const BView* view);

	// What a native message of a view becomes.
	struct Event;

private:
	enum class MouseKind { kDown, kUp, kMove, kLeave };

	static void BuildEvent(BView* view, HWND handle, UINT message, WPARAM wParam, LPARAM lParam, Event* event);
	static void BuildMouseEvent(BView* view, HWND handle, LPARAM lParam, MouseKind kind, int32 buttons,
		int32 clicks, Event* event);
	static int32 TransitOf(BView* view, BPoint point);
	static void StartTracking(BView* view, HWND handle);
	static void StopTracking(BView* view, HWND handle);
	static bool Deliver(Event* event, bigtime_t when, LRESULT* result);
};

}  // namespace BPrivate
