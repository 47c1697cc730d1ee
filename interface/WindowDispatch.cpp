// BWindow: dispatch of the system messages the native layer hands over
// (activation, keys, the mouse, the wheel, frame changes) and the modifier
// reports. Keys go on to WindowKeyboard.cpp. All of it runs on the window's
// thread with the window locked.
#include "interface/Window.h"

#include "interface/DragMessage.h"
#include "interface/View.h"
#include "interface/ViewInput.h"
#include "interface/ViewNative.h"
#include "messaging/Message.h"
#include "messaging/MessageCodes.h"
#include "support/Autolock.h"
#include "support/Vector.h"

#include <memory>
#include <new>

namespace {

bool IsKeyMessage(uint32 what)
{
	return what == kKeyDown || what == kKeyUp || what == kUnmappedKeyDown || what == kUnmappedKeyUp;
}

}  // namespace

// Appends the views of the tree under `view` in depth-first order.
void BWindow::CollectViews(BView* view, BList* views)
{
	for (int32 i = 0; BView* child = view->ChildAt(i); i++) {
		views->AddItem(child);
		CollectViews(child, views);
	}
}

// --- dispatch ---

void BWindow::DispatchOne(BMessage* message, BHandler* handler, token_t token, bool preferred)
{
	if (message == nullptr)
		return;
	BAutolock lock(this);
	if (!lock.IsLocked()) {
		delete message;
		return;
	}
	int32 modifiers = 0;
	if (IsKeyMessage(message->what) && message->GetInt32("modifiers", &modifiers) == kOk)
		fCurrentModifiers = static_cast<uint32>(modifiers);
	if (fCurrentModifiers != fPreviousModifiers) {
		if (BMessage* changed = new (std::nothrow) BMessage(kModifiersChanged)) {
			status_t status = changed->AddInt32("modifiers", static_cast<int32>(fCurrentModifiers));
			if (status == kOk)
				status = changed->AddInt32("be:old_modifiers", static_cast<int32>(fPreviousModifiers));
			// A change that cannot be told is told with the next key instead.
			if (status == kOk) {
				fPreviousModifiers = fCurrentModifiers;
				BLooper::DispatchOne(changed, nullptr, kNoToken, true);
			} else {
				delete changed;
			}
		}
	}
	BLooper::DispatchOne(message, handler, token, preferred);
}

void BWindow::DispatchToHandler(BMessage* message, BHandler* handler)
{
	if (!message->IsSystemCode()) {
		handler->HandleMessage(message);
		return;
	}
	BView* view = dynamic_cast<BView*>(handler);
	switch (message->what) {
	case kAppActivated:
		if (handler == this)
			HandleActivation(message);
		else
			handler->HandleMessage(message);
		break;
	case kKeyDown:
	case kKeyUp:
		HandleKey(message, handler);
		break;
	case kMouseDown:
	case kMouseMoved:
	case kMouseUp:
		// Mouse messages are for views; anything else gets them as they are.
		if (view == nullptr)
			handler->HandleMessage(message);
		else if (message->what == kMouseDown)
			HandleMouseDown(message, view);
		else if (message->what == kMouseMoved)
			HandleMouseMoved(message, view);
		else
			HandleMouseUp(message, view);
		break;
	case kMouseWheelChanged:
		HandleWheel(message);
		break;
	case kApplyPendingFrame:
		ApplyPendingFrame();
		break;
	case kWindowMoved:
		if (handler == this) {
			BRect frame = Frame();
			OnFrameMoved(frame.left, frame.top);
		} else {
			handler->HandleMessage(message);
		}
		break;
	case kWindowResized:
		if (handler == this) {
			BRect bounds = Bounds();
			OnFrameResized(bounds.Width(), bounds.Height());
		} else {
			handler->HandleMessage(message);
		}
		break;
	default:
		BLooper::DispatchToHandler(message, handler);
		break;
	}
}

void BWindow::HandleActivation(BMessage* message)
{
	bool active = false;
	message->GetBool("active", &active);
	fActive = active;
	if (active)
		GiveNativeFocus();
	OnWindowActivated(active);
	if (fRootView == nullptr)
		return;
	// Every view hears it, each with its validity noted first: a hook may
	// remove or delete any view, and one that went is passed over.
	BList views(20);
	views.AddItem(fRootView);
	CollectViews(fRootView, &views);
	BVector<sptr<ValidAtom>> validities;
	for (int32 i = 0; i < views.CountItems(); i++) {
		if (validities.AddItem(static_cast<BView*>(views.ItemAtFast(i))->Validity()) < 0)
			return;  // without memory to note them, no view is told
	}
	for (int32 i = 0; i < views.CountItems(); i++) {
		BView* view = static_cast<BView*>(views.ItemAtFast(i));
		if (!validities.ItemAt(i)->IsAlive() || view->Window() != this)
			continue;
		BPrivate::ViewInput::ForgetTracking(view);
		view->OnWindowActivated(active);
	}
}

// --- the mouse ---

void BWindow::HandleMouseDown(BMessage* message, BView* view)
{
	BPoint where;
	if (!BPrivate::ViewNative::RecordMouse(view, *message, &where))
		return;
	fMouseView = view;
	view->OnMouseDown(where);
}

void BWindow::HandleMouseMoved(BMessage* message, BView* view)
{
	BPoint where;
	if (!BPrivate::ViewNative::RecordMouse(view, *message, &where))
		return;
	int32 transit = kEnteredView;
	message->GetInt32("be:mm c", &transit);
	// The platform may report leaving a view after the pointer has already
	// moved over another one; that late exit does not take the mouse view back.
	if (transit != kExitedView || fMouseView == nullptr || fMouseView == view)
		fMouseView = view;
	// The hook gets a copy of the drag message, so that the slot's lock is
	// not held while it runs.
	std::unique_ptr<BMessage> drag = HasCurrentDragMessage() ? CurrentDragMessageCopy() : nullptr;
	view->OnMouseMoved(where, transit, drag.get());
}

void BWindow::HandleMouseUp(BMessage* message, BView* view)
{
	BPoint where;
	if (!BPrivate::ViewNative::RecordMouse(view, *message, &where))
		return;
	fMouseView = view;
	view->OnMouseUp(where);
}

void BWindow::HandleWheel(BMessage* message)
{
	float dx = message->FloatAt("be:wheel_delta_x", 0);
	float dy = message->FloatAt("be:wheel_delta_y", 0);
	if (fMouseView != nullptr && BPrivate::ViewNative::OfferWheel(fMouseView, dx, dy) == 1)
		return;
	if (fFocusView != nullptr)
		BPrivate::ViewNative::OfferWheel(fFocusView, dx, dy);
}
