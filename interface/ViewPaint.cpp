// The painting of views, and the pump of the paints scrolling leaves waiting.
#include "interface/ViewPaint.h"

#include "interface/GdiPlus.h"
#include "interface/NativeCoordinates.h"
#include "interface/NativeHandle.h"
#include "interface/NativeWindow.h"
#include "interface/Render.h"
#include "interface/View.h"
#include "interface/Window.h"
#include "interface/WindowNative.h"
#include "support/Autolock.h"

#include <memory>

namespace BPrivate {

namespace {

BLocker gDrawLock("WinView:g_drawLock");

// A window's off-screen drawing for one paint: begun when made, ended with
// the copy to the paint's device context when it goes. Without graphics
// (no native window, no buffer) nothing was begun and nothing is copied.
class OffscreenDrawing {
public:
	OffscreenDrawing(BNativeWindow* native, BRect update, HDC target)
		: fNative(native), fTarget(target), fGraphics(native != nullptr ? native->BeginOffscreenDraw(update) : nullptr)
	{
	}
	~OffscreenDrawing()
	{
		if (fGraphics != nullptr)
			fNative->EndOffscreenDraw(fTarget);
	}

	OffscreenDrawing(const OffscreenDrawing&) = delete;
	OffscreenDrawing& operator=(const OffscreenDrawing&) = delete;

	// The buffer's graphics, or null.
	WinGdipGraphics* Graphics() const { return fGraphics; }

private:
	BNativeWindow* fNative;
	HDC fTarget;
	WinGdipGraphics* fGraphics;
};

}  // namespace

BLocker& DrawLock()
{
	return gDrawLock;
}

// The view draws the paint's area through its window's off-screen buffer, or
// straight onto the paint's device context when there is no buffer.
void PaintView(BView* view)
{
	BAutolock drawLock(DrawLock());
	if (!drawLock.IsLocked())
		return;
	WinPaint paint(NativeHandleOf(view));
	if (paint.IsEmpty())
		return;
	RECT area = paint.Area();
	DisplayScale scale = ScaleOf(view);
	BRect update = FrameworkRect(area, scale);
	BWindow* window = view->Window();
	BNativeWindow* native = window != nullptr ? WindowNative::NativeWindowOf(window) : nullptr;
	OffscreenDrawing offscreen(native, PixelRect(area), paint.DC());
	std::unique_ptr<WinGdipGraphics> direct;
	if (offscreen.Graphics() == nullptr)
		direct = WinGdipGraphics::CreateFromDC(paint.DC());
	WinGdipGraphics* graphics = offscreen.Graphics() != nullptr ? offscreen.Graphics() : direct.get();
	if (graphics == nullptr)
		return;
	BPoint origin = view->ScrollOrigin();
	BRect rect(update.left + origin.x, update.top + origin.y, update.right + origin.x, update.bottom + origin.y);
	BRender* render = view->Render();
	BPoint offset = offscreen.Graphics() != nullptr ? native->ContainerOffset() : BPoint();
	RenderTarget target(render, graphics, scale.Factor(), offset, view->Bounds());
	render->FillBackground(rect);
	view->OnDraw(render, rect);
}

// A window that does not validate its update region would be handed its
// WM_PAINT again at once: the pump leaves it to the message loop instead of
// spinning on it.
void DispatchPendingPaints()
{
	HWND previous = nullptr;
	MSG message;
	while (PeekMessageW(&message, nullptr, WM_PAINT, WM_PAINT, PM_REMOVE)) {
		if (message.hwnd == previous && message.hwnd != nullptr && GetUpdateRect(message.hwnd, nullptr, FALSE))
			break;
		DispatchMessageW(&message);
		previous = message.hwnd;
	}
}

}  // namespace BPrivate
