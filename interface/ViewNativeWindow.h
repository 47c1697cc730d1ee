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

#include <memory>

class BMessage;
class BView;
class WinViewDropTarget;

namespace BPrivate {

// What a view keeps of its native side besides its handle: the OLE drop
// target that drag and drop registers for it, and the solid brush of its
// background colour that native controls paint with, made on first use.
struct view_native_extras {
	WinViewDropTarget* dropTarget = nullptr;
	WinBrush brush;
	// The colour the brush was made in.
	COLORREF brushColour = 0;
};

// Serialises all painting of the process.
BLocker& DrawLock();

// The framework's mouse buttons held in the platform's mouse-key bits.
int32 ButtonsOfMouseKeys(WPARAM keys);

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
	// The solid brush of the view's background colour that native controls
	// paint with; owned by the view. Null when it cannot be made.
	static HBRUSH BackgroundBrushOf(BView* view);

	// What a native message of a view becomes.
	struct Event;

	enum class MouseKind { kDown, kUp, kMove, kLeave };

	// The mouse message a drag makes over `view` at `client` (client
	// coordinates of its native window), with the fields a native one has:
	// a kMove with the transit given, a kLeave in the exit form, a kUp that
	// takes the current drag message into `dropped` with the drop point.
	static void BuildDragMouseMessage(BView* view, POINT client, MouseKind kind, int32 transit, int32 buttons,
		BMessage* message, std::unique_ptr<BMessage>* dropped);
	// Shows the view's cursor, or the default arrow.
	static void ShowCursorOf(const BView* view);

private:
	friend LRESULT CALLBACK ViewClassWindowProc(HWND handle, UINT message, WPARAM wParam, LPARAM lParam);
	friend LRESULT CALLBACK ViewWindowProc(HWND handle, UINT message, WPARAM wParam, LPARAM lParam);

	static LRESULT HandleClassMessage(HWND handle, UINT message, WPARAM wParam, LPARAM lParam);
	static LRESULT HandleNativeMessage(HWND handle, UINT message, WPARAM wParam, LPARAM lParam);

	class NativeMessageScope;

	static void BuildEvent(BView* view, HWND handle, UINT message, WPARAM wParam, LPARAM lParam, Event* event);
	static void BuildMouseEvent(BView* view, HWND handle, LPARAM lParam, MouseKind kind, int32 buttons,
		int32 clicks, Event* event);
	static void AddMouseFields(BView* view, BPoint point, MouseKind kind, int32 transit, int32 buttons,
		int32 clicks, BMessage* message);
	static int32 TransitOf(BView* view, BPoint point);
	static int32 ExitForm(BView* view, BPoint* point);
	static void StartTracking(BView* view, HWND handle);
	static void StopTracking(BView* view, HWND handle);
	static bool Deliver(Event* event, bigtime_t when, LRESULT* result);
};

}  // namespace BPrivate
