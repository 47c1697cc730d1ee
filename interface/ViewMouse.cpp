// BView: the mouse. What the window's mouse messages leave on the view (its
// last point, buttons, clicks and the move a scroll sends again), the cursor
// shown over it, and a drag started from one of its mouse hooks.
#include "interface/View.h"

#include "interface/DropSource.h"
#include "interface/ViewPlatform.h"
#include "interface/WindowLockCheck.h"
#include "interface/WindowNative.h"
#include "messaging/Message.h"
#include "messaging/MessageCodes.h"

#include <new>

namespace {

// The copy of a view's last mouse message that a scroll sends again is marked
// as such; a copy that cannot be marked would pass for a real move, so it goes.
BMessage* ScrolledMoveOf(const BMessage& message)
{
	BMessage* copy = new (std::nothrow) BMessage(message);
	if (copy == nullptr)
		return nullptr;
	copy->what = kMouseMoved;
	if (copy->AddBool("be:scrolled", true) == kOk)
		return copy;
	delete copy;
	return nullptr;
}

}  // namespace

bool BView::RecordMouse(const BMessage& message, BPoint* where)
{
	int32 buttons = 0;
	int32 clicks = 0;
	if (message.GetPoint("be:view_where", where) != kOk || message.GetInt32("buttons", &buttons) != kOk)
		return false;
	if (message.what == kMouseDown && message.GetInt32("clicks", &clicks) != kOk)
		return false;
	bool scrolled = false;
	if (message.what == kMouseMoved && message.GetBool("be:scrolled", &scrolled) == kOk && scrolled) {
		// A scrolled move is taken once, for the scrolling that sent it.
		if (!fWantsScrolledMove)
			return false;
		fWantsScrolledMove = false;
		*where = BPoint(fLastMousePoint.x + fOrigin.x, fLastMousePoint.y + fOrigin.y);
	} else {
		fLastMousePoint = BPoint(where->x - fOrigin.x, where->y - fOrigin.y);
		// A release takes its buttons away; a press or a move tells them all.
		fButtons = message.what == kMouseUp ? fButtons & ~buttons : buttons;
		fClicks = clicks;
		delete fLastMouseMessage;
		fLastMouseMessage = message.what == kMouseUp ? nullptr : ScrolledMoveOf(message);
		if (message.what != kMouseMoved)
			fWantsScrolledMove = false;
	}
	BPoint screen;
	// A press always tells where on the screen it was, if only as (0, 0).
	if (message.GetPoint("screen_where", &screen) == kOk || message.what == kMouseDown)
		fLastScreenPoint = screen;
	return true;
}

void BView::MouseState(BPoint* where, int32* buttons, int32* clicks) const
{
	if (where != nullptr)
		*where = BPoint(fLastMousePoint.x + fOrigin.x, fLastMousePoint.y + fOrigin.y);
	if (buttons != nullptr)
		*buttons = fButtons;
	if (clicks != nullptr)
		*clicks = fClicks;
}

void BView::SetCursor(const BCursor* cursor)
{
	BPrivate::WindowLockCheck check(fWindow, "SetCursor");
	fCursor = cursor;
}

status_t BView::StartDrag(const BMessage& message)
{
	BPrivate::WindowLockCheck check(fWindow, "StartDrag");
	if (fWindow == nullptr || NativeHandle() == nullptr)
		return kError;
	// The drag's loop takes the pointer of the window's thread.
	if (!BPrivate::CheckWindowThread(fWindow, "StartDrag"))
		return kNotAllowed;
	// Without a button held the drag loop would find every button of the
	// drag still down and never drop.
	if (fButtons == 0)
		return kNotAllowed;
	std::unique_ptr<BPrivate::PendingDrag> request = BPrivate::MakeDragRequest(this, message);
	if (request == nullptr)
		return kNoMemory;
	fDragState |= kDragStarted;
	BPrivate::WindowNative::SetDragView(fWindow, this);
	// One asked for earlier and not yet run goes.
	fPlatform->pendingDrag = std::move(request);
	return kOk;
}
