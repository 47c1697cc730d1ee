// BWindow: dispatch of the system messages the native layer hands over
// (activation, keys, the mouse, the wheel, frame changes), the modifier
// reports, shortcuts and keyboard navigation. All of it runs on the window's
// thread with the window locked.
#include "interface/Window.h"

#include "interface/DragMessage.h"
#include "interface/Keyboard.h"
#include "interface/Menu.h"
#include "interface/View.h"
#include "messaging/Application.h"
#include "messaging/Message.h"
#include "messaging/MessageCodes.h"
#include "messaging/Messenger.h"

#include <new>

namespace {

// The modifiers keys and shortcuts are told apart by: shift, control, alt and
// the menu key, without left and right.
constexpr uint32 kShortcutModifiers = kShiftKey | kControlKey | kAltKey | kMenuKey;
constexpr int32 kQuitKey = 'q';
constexpr int32 kKeyLimit = 256;

int32 LowerCase(int32 key)
{
	return key >= 'A' && key <= 'Z' ? key + ('a' - 'A') : key;
}

bool IsKeyMessage(uint32 what)
{
	return what == kKeyDown || what == kKeyUp || what == kUnmappedKeyDown || what == kUnmappedKeyUp;
}

// Appends the views of the tree under `view` in depth-first order.
void CollectViews(BView* view, BList* views)
{
	for (int32 i = 0; BView* child = view->ChildAt(i); i++) {
		views->AddItem(child);
		CollectViews(child, views);
	}
}

// The copy of a view's last mouse message that a scroll sends again is marked
// as such; a copy that cannot be marked would pass for a real move, so it goes.
void MarkScrolledMove(BMessage** copy)
{
	if ((*copy)->AddBool("be:scrolled", true) == kOk)
		return;
	delete *copy;
	*copy = nullptr;
}

}  // namespace

struct BWindow::shortcut_entry {
	int32 key;
	uint32 modifiers;
	// The message goes without an explicit handler: the preferred handler takes it.
	bool preferredTarget;
	BHandler* target;
	BMenuItem* item;
	uint32 what;
};

// --- shortcuts ---

status_t BWindow::AddShortcut(uint32 key, uint32 modifiers, uint32 what, BHandler* target)
{
	shortcut_entry* entry = new (std::nothrow) shortcut_entry{LowerCase(static_cast<int32>(key)),
		modifiers & kShortcutModifiers, target == nullptr, target, nullptr, what};
	if (entry == nullptr || !fShortcuts.AddItem(entry)) {
		delete entry;
		return kNoMemory;
	}
	return kOk;
}

status_t BWindow::AddShortcut(uint32 key, uint32 modifiers, BMenuItem* item)
{
	shortcut_entry* entry = new (std::nothrow)
		shortcut_entry{LowerCase(static_cast<int32>(key)), modifiers & kShortcutModifiers, false, nullptr, item, 0};
	if (entry == nullptr || !fShortcuts.AddItem(entry)) {
		delete entry;
		return kNoMemory;
	}
	return kOk;
}

void BWindow::DeleteShortcuts()
{
	for (int32 i = 0; i < fShortcuts.CountItems(); i++)
		delete static_cast<shortcut_entry*>(fShortcuts.ItemAtFast(i));
	fShortcuts.MakeEmpty();
}

// --- dispatch ---

void BWindow::DispatchOne(BMessage* message, BHandler* handler, token_t token, bool preferred)
{
	if (message == nullptr)
		return;
	if (!Lock()) {
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
	Unlock();
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
	BList views(20);
	views.AddItem(fRootView);
	CollectViews(fRootView, &views);
	for (int32 i = 0; i < views.CountItems(); i++) {
		BView* view = static_cast<BView*>(views.ItemAtFast(i));
		view->ClearTracking();
		view->OnWindowActivated(active);
	}
}

// --- keys ---

void BWindow::HandleKey(BMessage* message, BHandler* target)
{
	int32 key = 0;
	if (message->GetInt32("be:key", &key) != kOk)
		return;
	int32 modifiers = 0;
	message->GetInt32("modifiers", &modifiers);
	uint32 masked = static_cast<uint32>(modifiers) & kShortcutModifiers;
	bool down = message->what == kKeyDown;
	if (down && (masked & kControlKey) != 0) {
		HandleShortcutKey(message, static_cast<uint32>(key), masked);
		return;
	}
	if (key < 0 || key >= kKeyLimit)
		return;
	char bytes[2] = {static_cast<char>(key), 0};
	if (down ? OnKeyDown(bytes, 1) : OnKeyUp(bytes, 1))
		return;
	if (BView* view = dynamic_cast<BView*>(target)) {
		if (down)
			view->OnKeyDown(bytes, 1);
		else
			view->OnKeyUp(bytes, 1);
		return;
	}
	if (down && key == kTabKey)
		NavigateByTab(masked);
}

void BWindow::HandleShortcutKey(BMessage* message, uint32 key, uint32 modifiers)
{
	int32 repeat = 0;
	message->GetInt32("be:key_repeat", &repeat);
	// An auto-repeated shortcut acts on every second repeat.
	if (repeat % 2 == 1)
		return;
	fShortcutRepeat = repeat;
	if (key == kQuitKey && modifiers == kControlKey && (fFeel < kOwnedFeel || fFeel > kLastModalFeel)) {
		BMessage quit(kQuitRequested);
		// The application may be going; then nobody is asked.
		if (quit.AddBool("shortcut", true) == kOk && ProcessApplication() != nullptr)
			(void)ApplicationMessenger().Send(&quit);
		fShortcutRepeat = -1;
		return;
	}
	OnMenusBeginning();
	shortcut_entry* found = nullptr;
	int32 wanted = LowerCase(static_cast<int32>(key));
	for (int32 i = 0; i < fShortcuts.CountItems() && found == nullptr; i++) {
		shortcut_entry* entry = static_cast<shortcut_entry*>(fShortcuts.ItemAtFast(i));
		if (entry->key == wanted && entry->modifiers == modifiers)
			found = entry;
	}
	if (found != nullptr && found->item != nullptr) {
		found->item->Invoke();
	} else if (found != nullptr) {
		BMessage shortcut(found->what);
		// The shortcut acts without its repeat count when that cannot be added.
		if (fShortcutRepeat >= 0)
			(void)shortcut.AddInt32("be:key_repeat", fShortcutRepeat);
		// A target that has left the window misses the shortcut, as a click on a
		// control that has gone would.
		(void)Post(&shortcut, found->preferredTarget ? nullptr : found->target);
	}
	OnMenusEnded();
	fShortcutRepeat = -1;
}

// --- keyboard navigation ---

// Tab moves forward, Shift+Tab back, and with Control by groups.
void BWindow::NavigateByTab(uint32 modifiers)
{
	uint32 mode = (modifiers & kShiftKey) != 0 ? 0 : kNavigateForward;
	if ((modifiers & kControlKey) != 0)
		mode |= kNavigateGroups;
	NavigateKeyboard(mode);
}

void BWindow::NavigateKeyboard(uint32 mode)
{
	fTransientBits |= kNavigating;
	BView* start = fFocusView;
	BView* current = start;
	BView* first = nullptr;
	for (;;) {
		BView* next = NextNavigationTarget(current, mode);
		if (next == nullptr || next == start || next == first)
			break;
		if (first == nullptr)
			first = next;
		next->SetFocused(true);
		if (next->IsFocus()) {
			ShowFocusCues();
			break;
		}
		current = next;
	}
	fTransientBits &= ~kNavigating;
}

BView* BWindow::NextNavigationTarget(BView* from, uint32 mode)
{
	if (fRootView == nullptr)
		return nullptr;
	BList views(20);
	CollectViews(fRootView, &views);
	int32 count = views.CountItems();
	if (count == 0)
		return nullptr;
	bool forward = (mode & kNavigateForward) != 0;
	int32 step = forward ? 1 : -1;
	int32 index = from != nullptr ? views.IndexOf(from) : -1;
	int32 position = index >= 0 ? index : (forward ? -1 : count);
	auto viewAt = [&](int32 at) { return static_cast<BView*>(views.ItemAtFast(((at % count) + count) % count)); };

	if ((mode & kNavigateGroups) != 0) {
		// The search goes on from the next group, the group's own view included.
		bool grouped = false;
		for (int32 k = 1; k <= count && !grouped; k++) {
			BView* view = viewAt(position + k * step);
			if (!view->IsHidden() && (view->ViewFlags() & kNavigableGroup) != 0) {
				position += (k - 1) * step;
				grouped = true;
			}
		}
		if (!grouped)
			return nullptr;
	}
	for (int32 k = 1; k <= count; k++) {
		BView* view = viewAt(position + k * step);
		if (!view->IsHidden() && (view->ViewFlags() & kNavigable) != 0)
			return view;
	}
	return nullptr;
}

// --- the mouse ---

void BWindow::HandleMouseDown(BMessage* message, BView* view)
{
	BPoint where;
	int32 buttons = 0;
	int32 clicks = 0;
	if (message->GetPoint("be:view_where", &where) != kOk || message->GetInt32("buttons", &buttons) != kOk ||
		message->GetInt32("clicks", &clicks) != kOk)
		return;
	BPoint screen;
	message->GetPoint("screen_where", &screen);
	BPoint origin = view->ScrollOrigin();
	view->fLastMousePoint = BPoint(where.x - origin.x, where.y - origin.y);
	view->fButtons = buttons;
	view->fClicks = clicks;
	view->fLastScreenPoint = screen;
	delete view->fLastMouseMessage;
	view->fLastMouseMessage = new (std::nothrow) BMessage(*message);
	if (view->fLastMouseMessage != nullptr) {
		view->fLastMouseMessage->what = kMouseMoved;
		MarkScrolledMove(&view->fLastMouseMessage);
	}
	view->fWantsScrolledMove = false;
	fMouseView = view;
	view->OnMouseDown(where);
}

void BWindow::HandleMouseMoved(BMessage* message, BView* view)
{
	BPoint where;
	int32 buttons = 0;
	if (message->GetPoint("be:view_where", &where) != kOk || message->GetInt32("buttons", &buttons) != kOk)
		return;
	int32 transit = kEnteredView;
	message->GetInt32("be:mm c", &transit);
	bool scrolled = false;
	message->GetBool("be:scrolled", &scrolled);
	BPoint origin = view->ScrollOrigin();
	if (scrolled) {
		// A scrolled move is taken once, for the scrolling that sent it.
		if (!view->fWantsScrolledMove)
			return;
		view->fWantsScrolledMove = false;
		where = BPoint(view->fLastMousePoint.x + origin.x, view->fLastMousePoint.y + origin.y);
	} else {
		view->fLastMousePoint = BPoint(where.x - origin.x, where.y - origin.y);
		view->fButtons = buttons;
		view->fClicks = 0;
		delete view->fLastMouseMessage;
		view->fLastMouseMessage = new (std::nothrow) BMessage(*message);
		if (view->fLastMouseMessage != nullptr)
			MarkScrolledMove(&view->fLastMouseMessage);
	}
	BPoint screen;
	if (message->GetPoint("screen_where", &screen) == kOk)
		view->fLastScreenPoint = screen;
	// The platform may report leaving a view after the pointer has already
	// moved over another one; that late exit does not take the mouse view back.
	if (transit != kExitedView || fMouseView == nullptr || fMouseView == view)
		fMouseView = view;
	if (!HasCurrentDragMessage()) {
		view->OnMouseMoved(where, transit, nullptr);
		return;
	}
	DragMessageReader drag;
	view->OnMouseMoved(where, transit, drag.Message());
}

void BWindow::HandleMouseUp(BMessage* message, BView* view)
{
	BPoint where;
	int32 buttons = 0;
	if (message->GetPoint("be:view_where", &where) != kOk || message->GetInt32("buttons", &buttons) != kOk)
		return;
	BPoint origin = view->ScrollOrigin();
	view->fLastMousePoint = BPoint(where.x - origin.x, where.y - origin.y);
	view->fButtons &= ~buttons;
	view->fClicks = 0;
	BPoint screen;
	if (message->GetPoint("screen_where", &screen) == kOk)
		view->fLastScreenPoint = screen;
	delete view->fLastMouseMessage;
	view->fLastMouseMessage = nullptr;
	view->fWantsScrolledMove = false;
	fMouseView = view;
	view->OnMouseUp(where);
}

void BWindow::HandleWheel(BMessage* message)
{
	float dx = message->FloatAt("be:wheel_delta_x", 0);
	float dy = message->FloatAt("be:wheel_delta_y", 0);
	if (fMouseView != nullptr && fMouseView->OfferWheel(dx, dy) == 1)
		return;
	if (fFocusView != nullptr)
		fFocusView->OfferWheel(dx, dy);
}
