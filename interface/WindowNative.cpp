// The native-only operations of a window that need more than a field: its
// native handle for the few callers outside the layer, its display scale, the
// font of its controls, and a move to a display of another scale.
#include "interface/WindowNative.h"

#include "interface/NativeCoordinates.h"
#include "interface/NativeHandle.h"
#include "interface/NativeWindow.h"
#include "interface/NativeWindowStyle.h"
#include "interface/View.h"
#include "interface/ViewNative.h"
#include "support/Autolock.h"

namespace BPrivate {

HWND NativeHandleOf(const BWindow* window)
{
	return WindowNative::NativeHandle(window);
}

bool OnWindowThread(const BWindow* window)
{
	const BNativeWindow* native = window != nullptr ? WindowNative::NativeWindowOf(window) : nullptr;
	return native == nullptr || native->IsNativeThread();
}

DisplayScale ScaleOf(const BWindow* window)
{
	const BNativeWindow* native = window != nullptr ? WindowNative::NativeWindowOf(window) : nullptr;
	return native != nullptr ? native->Scale() : SystemDisplayScale();
}

DisplayScale ScaleOf(const BView* view)
{
	return ScaleOf(view->Window());
}

HFONT ControlFontOf(const BView* view)
{
	BNativeWindow* native = view->Window() != nullptr ? WindowNative::NativeWindowOf(view->Window()) : nullptr;
	return native != nullptr ? native->ControlFont() : static_cast<HFONT>(GetStockObject(DEFAULT_GUI_FONT));
}

void WindowNative::ApplyDisplayScale(BWindow* window, DisplayScale scale, const RECT* suggested)
{
	BNativeWindow* native = NativeWindowOf(window);
	HWND handle = NativeHandle(window);
	BAutolock lock(window);
	if (native == nullptr || handle == nullptr || !lock.IsLocked())
		return;
	// Read at the old scale, before the window takes the new one.
	BRect frame = window->Frame();
	// The controls keep the old font until each has the new one.
	WinFont previousFont = native->SetScale(scale);
	RECT outer;
	if (suggested != nullptr) {
		outer = *suggested;
	} else {
		BRect pixels = OuterRectFromFrame(frame, FrameAdjustment(window), scale);
		outer = RECT{WholePixels(pixels.left), WholePixels(pixels.top), WholePixels(pixels.right),
			WholePixels(pixels.bottom)};
	}
	window->RescaleViews();
	SetWindowPos(handle, nullptr, outer.left, outer.top, outer.right - outer.left, outer.bottom - outer.top,
		SWP_NOZORDER | SWP_NOACTIVATE);
	RedrawWindow(handle, nullptr, nullptr, RDW_INVALIDATE | RDW_ALLCHILDREN);
}

}  // namespace BPrivate
