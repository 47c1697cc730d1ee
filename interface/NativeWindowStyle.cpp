// The style words of native windows, their layered attributes, and the frame
// conversions.
#include "interface/NativeWindowStyle.h"

#include "interface/NativeCoordinates.h"
#include "interface/Window.h"

namespace {

constexpr uint32 kPopupStyle = WS_POPUP;
constexpr uint32 kFramedStyle = WS_CAPTION | WS_THICKFRAME | WS_MINIMIZEBOX | WS_MAXIMIZEBOX;
constexpr uint32 kClipStyle = WS_CLIPCHILDREN | WS_CLIPSIBLINGS;
constexpr uint32 kFloatingExStyle = WS_EX_NOACTIVATE | WS_EX_TOPMOST;

}  // namespace

uint32 ComputeWindowStyle(const BWindow* window)
{
	uint32 style = kPopupStyle;
	if (window->Look() != kBorderlessLook) {
		style = kFramedStyle;
		if ((window->Flags() & kNoSystemMenu) == 0)
			style |= WS_SYSMENU;
		if ((window->Flags() & kNotMinimizable) != 0)
			style &= ~static_cast<uint32>(WS_MINIMIZEBOX);
		if ((window->Flags() & kNotResizable) != 0)
			style &= ~static_cast<uint32>(WS_THICKFRAME | WS_MAXIMIZEBOX);
	}
	return style | kClipStyle;
}

uint32 ComputeWindowExStyle(const BWindow* window)
{
	uint32 exStyle = WS_EX_CONTROLPARENT;
	if ((window->State() & kUsesColorKey) != 0 || (window->Flags() & kUsesOpacity) != 0)
		exStyle |= WS_EX_LAYERED;
	if (window->Feel() >= kFirstFloatingFeel && window->Feel() <= kLastFloatingFeel)
		exStyle |= kFloatingExStyle;
	if (window->Look() == kToolWindowLook)
		exStyle |= WS_EX_TOOLWINDOW;
	return exStyle;
}

void ApplyLayeredAttributes(const BWindow* window, HWND handle)
{
	DWORD mode = 0;
	if ((window->Flags() & kUsesOpacity) != 0)
		mode |= LWA_ALPHA;
	if ((window->State() & kUsesColorKey) != 0)
		mode |= LWA_COLORKEY;
	if (mode == 0)
		return;
	BYTE alpha = static_cast<BYTE>(window->Opacity() * 255.0f);
	SetLayeredWindowAttributes(handle, window->ColorKey(), alpha, mode);
}

RECT FrameAdjustment(const BWindow* window)
{
	RECT adjustment = {0, 0, 0, 0};
	AdjustWindowRectEx(&adjustment, ComputeWindowStyle(window), window->MenuBar() != nullptr,
		ComputeWindowExStyle(window));
	return adjustment;
}

BRect OuterRectFromFrame(BRect frame, const RECT& adjustment, BPrivate::DisplayScale scale)
{
	return BRect(scale.ToNative(frame.left) + adjustment.left, scale.ToNative(frame.top) + adjustment.top,
		scale.ToNative(frame.right) + adjustment.right, scale.ToNative(frame.bottom) + adjustment.bottom);
}

BRect FrameFromOuterRect(const RECT& outer, const RECT& adjustment, BPrivate::DisplayScale scale)
{
	return BRect(scale.ToFramework(outer.left - adjustment.left), scale.ToFramework(outer.top - adjustment.top),
		scale.ToFramework(outer.right - adjustment.right), scale.ToFramework(outer.bottom - adjustment.bottom));
}

native_placement PlacementOfFrame(BRect frame, const RECT& adjustment, BPrivate::DisplayScale scale)
{
	return native_placement{BPrivate::WholePixels(scale.ToNative(frame.left) + adjustment.left),
		BPrivate::WholePixels(scale.ToNative(frame.top) + adjustment.top),
		BPrivate::WholePixels(scale.ToNative(frame.Width()) - adjustment.left + adjustment.right),
		BPrivate::WholePixels(scale.ToNative(frame.Height()) - adjustment.top + adjustment.bottom)};
}
