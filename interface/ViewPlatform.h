// ViewPlatform: what a view keeps of its native side.
//
// The native child window and the procedure it replaced, the native message
// being handled and what its default handling answered, the native bits, the
// native move that waits for the window's pending-frame application, the
// pointer tracking, the registration of the view's OLE drop target, the brush
// native controls paint with, and a drag asked for during a mouse hook. BView
// holds one and forward-declares it, so that its public header names no
// platform type beyond the handles of WinTypes.h.
//
// Reached by BView's own members and, through ViewNative::PlatformOf, by the
// view's native units: ViewNativeWindow and ViewInput. Everything else asks
// them or ViewNative for the one thing it needs. Used on the view's window
// thread with the window locked.
#pragma once

#include "interface/PendingDrag.h"
#include "interface/Rect.h"
#include "interface/ViewDropTarget.h"
#include "interface/WinGdi.h"
#include "support/String.h"

#include <windows.h>

#include <memory>

namespace BPrivate {

// Native bits.
// The default native handling of the message being delivered is still owed.
constexpr uint8 kDefaultHandlingOwed = 0x1;
// The native window is a native control that paints itself.
constexpr uint8 kPaintsNatively = 0x4;
// A native move to the pending frame waits for the window.
constexpr uint8 kNativeMovePending = 0x10;

// Native state that a thread other than the window's changed in the
// framework and that the window's thread gives the native window at its next
// turn (the view's `pendingSync` bits): visibility, enabling, the window text
// and the acceptance of dropped files.
constexpr uint8 kSyncVisibility = 0x1;
constexpr uint8 kSyncEnabled = 0x2;
constexpr uint8 kSyncText = 0x4;
constexpr uint8 kSyncDroppedFiles = 0x8;

// A native message as a window procedure receives it.
struct native_message {
	HWND window = nullptr;
	UINT message = 0;
	WPARAM wParam = 0;
	LPARAM lParam = 0;
};

struct ViewPlatform {
	HWND handle = nullptr;
	WNDPROC previousProc = nullptr;
	// The native message being handled, kept for the hooks' default handling,
	// and what that handling answered.
	native_message current;
	LRESULT result = 0;
	uint8 bits = 0;
	BRect pendingFrame;
	// What the native window still has to be given (kSync bits), and the
	// window text it is to show.
	uint8 pendingSync = 0;
	BString pendingText;
	// Leave tracking is armed and the cursor was set.
	bool tracking = false;
	// The pointer was inside the bounds at the last computed move.
	bool inside = false;
	// The drop target, registered while the native window lives.
	WinDropTargetRegistration dropTarget;
	// The solid brush of the background colour that native controls paint
	// with, made on first use, and the colour it was made in.
	WinBrush brush;
	COLORREF brushColour = 0;
	std::unique_ptr<PendingDrag> pendingDrag;

	// The native window is destroyed or handed over to the window's thread:
	// nothing of it is moved, synced or tracked any more.
	void ForgetNativeWindow()
	{
		handle = nullptr;
		previousProc = nullptr;
		bits &= ~kNativeMovePending;
		pendingSync = 0;
		tracking = false;
		inside = false;
	}
};

}  // namespace BPrivate
