// The native window layer: one native top-level window per BWindow.
//
// BNativeWindow creates and destroys the window's native window with the style
// words that follow from the window's look, feel and flags
// (NativeWindowStyle.h), notes it in the owned-window map by which modal
// windows block their owner (OwnedWindows.h), keeps the frame change a window
// has asked for until it is applied, keeps the window's display scale and
// the font of its native controls, the size box of look 11, and the
// off-screen buffer through which every view of the window is painted
// (OffscreenBuffer.h). TopLevelWindowProc turns the native messages of
// top-level windows into framework messages.
//
// A BNativeWindow belongs to its BWindow and is used on the window's thread;
// its native window is created there, so its native messages arrive there. The
// off-screen buffer is used only under the process-wide draw lock.
#pragma once

#include "interface/DisplayScale.h"
#include "interface/Point.h"
#include "interface/Rect.h"
#include "interface/ViewDropTarget.h"
#include "interface/WinGdi.h"
#include "kernel/WinOleInitialization.h"
#include "support/KeyedVector.h"
#include "support/ObjectList.h"
#include "support/SupportDefs.h"
#include "support/Vector.h"

#include <windows.h>

#include <memory>

class BWindow;
class WinGdipGraphics;

namespace BPrivate {
class OffscreenBuffer;
}

class BNativeWindow {
public:
	// For feel 1 the owner is the native window of the window whose looper
	// runs the calling thread, when there is one.
	BNativeWindow(int32 look, int32 feel);
	~BNativeWindow();

	BNativeWindow(const BNativeWindow&) = delete;
	BNativeWindow& operator=(const BNativeWindow&) = delete;

	// Null before creation and after destruction.
	HWND NativeHandle() const { return fHandle; }
	// Whether the calling thread may call the native window: it is the thread
	// that made it, or there is no native window.
	bool IsNativeThread() const { return fHandle == nullptr || GetCurrentThreadId() == fThreadId; }
	// Prepares the off-screen buffer for `update` (client pixels of the
	// native window being painted, which may be any view's child window of
	// this window) and answers graphics that draw into it at those
	// coordinates; null when off-screen drawing is not possible. The graphics
	// stay the buffer's. The buffer only grows: a larger request replaces it
	// by one of exactly the size needed in each direction.
	WinGdipGraphics* BeginOffscreenDraw(BRect update);
	// Ends the drawing and copies the buffer to `target` at the update
	// rectangle's place.
	void EndOffscreenDraw(HDC target);

	// On the window's thread, from its ThreadStartHook, when no native window
	// exists yet. Null when the class, the title or the native window could not
	// be made.
	HWND CreateNativeWindow(BWindow* window);
	// After the thread's wake window was cleared.
	void DestroyNativeWindow();
	// The creation messages of the native window, before CreateWindowExW
	// returns: the handle is known, and look 11 gets its size box.
	void AttachHandle(HWND handle) { fHandle = handle; }
	void CreateSizeBox(HWND parent);
	// Keeps the size box of look 11 in the bottom-right corner.
	void PlaceSizeBox();

	// The scale of the display the window is on: the system's until the
	// native window exists, then the native window's own.
	BPrivate::DisplayScale Scale() const { return fScale; }
	// The window moved to a display of another scale. The control font
	// made for the old scale is handed back, for the caller to release once
	// no control uses it any more.
	WinFont SetScale(BPrivate::DisplayScale scale);
	// The font of the window's native controls: the platform's GUI font at
	// the window's scale, made on first use; the stock font when it cannot
	// be made.
	HFONT ControlFont();

	// The native windows of views that left the window on another thread:
	// they no longer reach their views, and the window's thread revokes their
	// drop targets and destroys them at its next turn, or with the native
	// window.
	void DeferDestruction(HWND handle);
	void DeferRevocation(WinDropTargetRegistration registration);
	// On the window's thread.
	void DestroyDeferred();

	// The procedure each view's native window had before the view's own
	// replaced it, so that the view's procedure can hand a native message on
	// without the view. On the window's thread only, where those native
	// windows are made and destroyed.
	void NoteViewProcedure(HWND handle, WNDPROC previous);
	void ForgetViewProcedure(HWND handle);
	WNDPROC ViewProcedureOf(HWND handle) const;

	// A transform set inside the drawing's graphics container replaces the
	// buffer's translation on GDI+ builds whose containers keep the outer
	// transform rather than compose with it (Wine's): the translation such a
	// transform must add, (0, 0) where containers compose.
	BPoint ContainerOffset() const;

	// The frame change a window asked for while its native window exists.
	bool HasPendingFrame() const { return fPendingFrameValid; }
	BRect PendingFrame() const { return fPendingFrame; }
	void SetPendingFrame(BRect frame);
	void ClearPendingFrame() { fPendingFrameValid = false; }
	// The '_RSN' that applies the pending frame is posted and not handled yet.
	bool IsPendingPostOutstanding() const { return fPendingPost; }
	void SetPendingPostOutstanding(bool outstanding) { fPendingPost = outstanding; }

	// The buffer's pixel size; 0 before the first paint.
	int32 BufferWidth() const;
	int32 BufferHeight() const;

private:
	static BOOL CALLBACK ForgetChildProcedure(HWND child, LPARAM nativeWindow);

	HWND fHandle = nullptr;
	DWORD fThreadId = 0;
	HWND fOwner = nullptr;
	bool fPendingPost = false;
	bool fPendingFrameValid = false;
	BRect fPendingFrame{0.0f, 0.0f, -1.0f, -1.0f};
	std::unique_ptr<BPrivate::OffscreenBuffer> fBuffer;
	// The window's state word as it was when the native window was made.
	uint32 fStateCopy = 0;

	int32 fLook;
	HWND fSizeBox = nullptr;
	// OLE on the window's thread serves the views' drop targets.
	WinOleInitialization fOle;
	BPrivate::DisplayScale fScale = BPrivate::SystemDisplayScale();
	WinFont fControlFont;
	BVector<HWND> fDeferredWindows;
	BObjectList<WinDropTargetRegistration> fDeferredRevocations{4, true};
	BKeyedVector<HWND, WNDPROC> fViewProcedures{nullptr};
};

// The procedure of every top-level window class.
LRESULT CALLBACK TopLevelWindowProc(HWND handle, UINT message, WPARAM wParam, LPARAM lParam);
