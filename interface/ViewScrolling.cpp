// BView: scrolling. The scroll origin, which moves the contents and the
// children's frames with it, the move a scroll sends again to the view under
// the pointer, the wheel and the scroll bars it drives.
#include "interface/View.h"

#include "interface/Keyboard.h"
#include "interface/NativeCoordinates.h"
#include "interface/ScrollBar.h"
#include "interface/ViewPaint.h"
#include "interface/Window.h"
#include "interface/WindowLockCheck.h"
#include "interface/WindowNative.h"
#include "messaging/Message.h"
#include "messaging/Messenger.h"

#include <cmath>

namespace {

// The wheel moves a scroll bar three small steps per notch.
constexpr float kWheelStepsPerNotch = 3.0f;

}  // namespace

void BView::SetScrollOrigin(BPoint origin)
{
	BPrivate::WindowLockCheck check(fWindow, "SetScrollOrigin");
	origin = BPoint(std::floor(origin.x), std::floor(origin.y));
	float dx = origin.x - fOrigin.x;
	float dy = origin.y - fOrigin.y;
	fRender.SetOrigin(origin);
	for (BView* child = fFirstChild; child != nullptr; child = child->fNextSibling) {
		BRect frame = child->fFrame;
		child->ApplyFrameChange(BRect(frame.left - dx, frame.top - dy, frame.right - dx, frame.bottom - dy),
			FrameSource::kScrolling);
	}
	bool onWindowThread = BPrivate::OnWindowThread(fWindow);
	if (HWND handle = NativeHandle()) {
		BPrivate::DisplayScale scale = BPrivate::ScaleOf(this);
		// Contents that moved by part of a pixel cannot be copied, nor can
		// another thread scroll them: then all of them are drawn again.
		if (onWindowThread)
			ScrollWindowEx(handle, BPrivate::NativeUnits(-dx, scale), BPrivate::NativeUnits(-dy, scale), nullptr,
				nullptr, nullptr, nullptr, SW_SCROLLCHILDREN | SW_INVALIDATE);
		if (!onWindowThread || !BPrivate::IsWholeNativeLength(dx, scale) ||
			!BPrivate::IsWholeNativeLength(dy, scale))
			InvalidateRect(handle, nullptr, FALSE);
	}
	fOrigin = origin;
	if (fFirstChild != nullptr && fWindow != nullptr && onWindowThread)
		BPrivate::DispatchPendingPaints();
	if (fWindow != nullptr && fWindow->MouseView() == this && fLastMouseMessage != nullptr)
		SendScrolledMouseMove();
}

void BView::SendScrolledMouseMove()
{
	// A move that cannot say where the pointer now is in the view is not sent.
	if (fLastMouseMessage->OverwritePoint("be:view_where",
			BPoint(fLastMousePoint.x + fOrigin.x, fLastMousePoint.y + fOrigin.y)) != kOk)
		return;
	fWantsScrolledMove = true;
	// Queued to this window; a failed send only loses the scrolled move.
	(void)BMessenger(this, fWindow).Send(fLastMouseMessage);
}

int32 BView::OnWheel(float dx, float dy)
{
	if (fWindow != nullptr && (fWindow->PreviousModifiers() & kAltKey) != 0) {
		float swapped = dx;
		dx = dy;
		dy = swapped;
	}
	BScrollBar* bar = dy == 0.0f ? fHorizontalBar : fVerticalBar;
	float delta = dy == 0.0f ? dx : dy;
	if (bar == nullptr) {
		bar = dy == 0.0f ? fVerticalBar : fHorizontalBar;
		delta = dy == 0.0f ? dy : dx;
	}
	if (bar == nullptr)
		return 0;
	float step = std::fmax(bar->SmallStep(), 1.0f);
	// SetValue keeps the value within the bar's range.
	bar->SetValue(bar->Value() + step * delta * kWheelStepsPerNotch);
	return 1;
}

int32 BView::OfferWheel(float dx, float dy)
{
	for (BView* view = this; view != nullptr; view = view->Parent()) {
		if (view->OnWheel(dx, dy) == 1)
			return 1;
	}
	return 0;
}

// A view has one bar per axis. The bar it replaces scrolls nothing from now
// on, so that it cannot reach this view once the view is gone.
void BView::AttachScrollBar(BScrollBar* bar, bool vertical)
{
	BScrollBar*& slot = vertical ? fVerticalBar : fHorizontalBar;
	if (slot != nullptr && slot != bar)
		slot->ClearTarget();
	slot = bar;
}

void BView::DetachScrollBar(BScrollBar* bar)
{
	if (fVerticalBar == bar)
		fVerticalBar = nullptr;
	if (fHorizontalBar == bar)
		fHorizontalBar = nullptr;
}
