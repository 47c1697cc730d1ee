// Native messages of views' native windows turned into the framework's
// events: mouse fields and transits, pointer tracking, keys, dropped files.
#include "interface/ViewInput.h"

#include "interface/Cursor.h"
#include "interface/DragMessage.h"
#include "interface/Keyboard.h"
#include "interface/NativeCoordinates.h"
#include "interface/NativeHandle.h"
#include "interface/View.h"
#include "interface/ViewNative.h"
#include "interface/ViewPlatform.h"
#include "interface/Window.h"
#include "interface/WindowNative.h"
#include "messaging/Message.h"
#include "messaging/MessageCodes.h"

#include <shellapi.h>
#include <windowsx.h>

#include <new>

namespace BPrivate {

int32 ViewInput::TransitOf(BView* view, BPoint point)
{
	BRect bounds = view->Bounds();
	bool inside = bounds.left <= point.x && point.x < bounds.right && bounds.top <= point.y && point.y < bounds.bottom;
	bool wasInside = ViewNative::PlatformOf(view)->inside;
	ViewNative::PlatformOf(view)->inside = inside;
	if (inside)
		return wasInside ? kInsideView : kEnteredView;
	return wasInside ? kExitedView : kOutsideView;
}

// A leave's point is moved just outside the bounds.
int32 ViewInput::ExitForm(BView* view, BPoint* point)
{
	BRect bounds = view->Bounds();
	if (point->x >= bounds.left && point->x <= bounds.right)
		point->x = bounds.left - 1.0f;
	if (point->y >= bounds.top && point->y <= bounds.bottom)
		point->y = bounds.top - 1.0f;
	ViewNative::PlatformOf(view)->inside = false;
	return kExitedView;
}

void ViewInput::ShowCursorOf(const BView* view)
{
	const BCursor* cursor = view->Cursor() != nullptr ? view->Cursor() : CursorAt(kDefaultCursor);
	if (cursor != nullptr)
		SetCursor(cursor->Handle());
}

// The first move since tracking was off arms the leave notification and sets
// the view's cursor; it reports entering without judging the point.
void ViewInput::StartTracking(BView* view, HWND handle)
{
	TRACKMOUSEEVENT track = {sizeof(track), TME_LEAVE, handle, 0};
	TrackMouseEvent(&track);
	ShowCursorOf(view);
	ViewNative::PlatformOf(view)->tracking = true;
}

int32 ButtonsOfMouseKeys(WPARAM keys)
{
	int32 buttons = 0;
	if ((keys & MK_LBUTTON) != 0)
		buttons |= kPrimaryMouseButton;
	if ((keys & MK_RBUTTON) != 0)
		buttons |= kSecondaryMouseButton;
	if ((keys & MK_MBUTTON) != 0)
		buttons |= kTertiaryMouseButton;
	return buttons;
}

namespace {

// The mouse-up over a view ends an in-process drag: the view receives a copy
// of the dragged message with the drop point, and the drag is over. The copy
// keeps the delivery record, so that the view can answer the drag's sender.
void TakeDraggedMessage(BPoint point, std::unique_ptr<BMessage>* dropped)
{
	if (!HasCurrentDragMessage())
		return;
	{
		DragMessageReader reader;
		if (reader.Message() == nullptr)
			return;
		dropped->reset(new (std::nothrow) BMessage(*reader.Message(), true));
	}
	// A copy that cannot take its drop point is no drop.
	if (*dropped != nullptr && (*dropped)->AddPoint("be:drop pt", point) != kOk)
		dropped->reset();
	// Clearing the slot cannot fail in a way that leaves a message to deliver.
	(void)SetCurrentDragMessage(nullptr);
}

}  // namespace

void ViewInput::BuildMouseEvent(BView* view, HWND handle, LPARAM lParam, MouseKind kind, int32 buttons,
	int32 clicks, view_event* event)
{
	BPoint point =
		ViewPointOfClient(POINT{GET_X_LPARAM(lParam), GET_Y_LPARAM(lParam)}, view->ScrollOrigin(), ScaleOf(view));
	int32 transit = kInsideView;
	if (kind == MouseKind::kMove) {
		if (!ViewNative::PlatformOf(view)->tracking) {
			StartTracking(view, handle);
			transit = kEnteredView;
		} else {
			transit = TransitOf(view, point);
		}
	} else if (kind == MouseKind::kLeave) {
		transit = ExitForm(view, &point);
	}
	AddMouseFields(view, point, kind, transit, buttons, clicks, &event->message);
	if (kind == MouseKind::kUp)
		TakeDraggedMessage(point, &event->dropped);
}

void ViewInput::BuildDragMouseMessage(BView* view, POINT client, MouseKind kind, int32 transit,
	int32 buttons, BMessage* message, std::unique_ptr<BMessage>* dropped)
{
	BPoint point = ViewPointOfClient(client, view->ScrollOrigin(), ScaleOf(view));
	if (kind == MouseKind::kLeave)
		transit = ExitForm(view, &point);
	AddMouseFields(view, point, kind, transit, buttons, 0, message);
	if (kind == MouseKind::kUp)
		TakeDraggedMessage(point, dropped);
}

// The fields of a mouse message at `point` (view coordinates).
void ViewInput::AddMouseFields(BView* view, BPoint point, MouseKind kind, int32 transit, int32 buttons,
	int32 clicks, BMessage* message)
{
	HWND handle = NativeHandleOf(view);
	DisplayScale scale = ScaleOf(view);
	// The pixel the point came from, for the fields in other coordinates.
	POINT client = ClientPointOfView(point, view->ScrollOrigin(), scale);
	POINT screen = client;
	ClientToScreen(handle, &screen);
	bool moved = kind == MouseKind::kMove || kind == MouseKind::kLeave;
	BPoint where = point;
	if (moved && view->Window() != nullptr) {
		POINT inWindow = client;
		MapWindowPoints(handle, NativeHandleOf(view->Window()), &inWindow, 1);
		where = FrameworkPoint(inWindow, scale);
	}

	message->what = kind == MouseKind::kDown ? kMouseDown : kind == MouseKind::kUp ? kMouseUp : kMouseMoved;
	status_t status = message->AddPoint("be:view_where", point);
	if (status == kOk)
		status = message->AddPoint("where", where);
	if (status == kOk)
		status = message->AddPoint("screen_where", FrameworkPoint(screen, scale));
	if (status == kOk && moved)
		status = message->AddInt32("be:mm c", transit);
	if (status == kOk)
		status = message->AddInt32("buttons", buttons);
	if (status == kOk && clicks > 0)
		status = message->AddInt32("clicks", clicks);
	// A mouse message without its fields would place the pointer at the
	// origin: none is delivered.
	if (status != kOk)
		message->what = 0;
}

namespace {

void BuildDroppedFiles(BView* view, HDROP drop, view_event* event)
{
	BMessage& message = event->message;
	UINT count = DragQueryFileW(drop, 0xFFFFFFFF, nullptr, 0);
	int32 listed = 0;
	for (UINT i = 0; i < count; i++) {
		wchar_t name[MAX_PATH];
		// Only a name that fits whole is listed.
		if (DragQueryFileW(drop, i, nullptr, 0) >= MAX_PATH || DragQueryFileW(drop, i, name, MAX_PATH) == 0)
			continue;
		BString text(name);
		if (message.AddText("refs", &text) == kOk)
			listed++;
	}
	POINT point = {0, 0};
	DragQueryPoint(drop, &point);
	DragFinish(drop);
	if (listed == 0)
		return;
	// Files dropped nowhere in particular are not delivered.
	if (message.AddPoint("be:drop pt", ViewPointOfClient(point, view->ScrollOrigin(), ScaleOf(view))) != kOk)
		return;
	message.what = kRefsReceived;
}

}  // namespace

// Turns the native message into the view's event; an event without message
// or paint leaves the native message to the previous procedure.
void ViewInput::BuildEvent(BView* view, HWND handle, UINT message, WPARAM wParam, LPARAM lParam,
	view_event* event)
{
	switch (message) {
	case WM_SIZE: {
		BRect asked = ViewNative::StoredFrame(view);
		// A resize without its size is not delivered; the previous procedure still sees it.
		if (event->message.AddPoint("be:size", FrameworkSize(LOWORD(lParam), HIWORD(lParam),
				BPoint(asked.Width(), asked.Height()), ScaleOf(view))) == kOk)
			event->message.what = kViewResized;
		event->callPrevious = true;
		break;
	}
	case WM_PAINT:
		event->paint = (ViewNative::PlatformOf(view)->bits & kPaintsNatively) == 0;
		break;
	case WM_NOTIFY:
		event->callPrevious = true;
		BuildNotification(lParam, event);
		break;
	case WM_KEYDOWN:
	case WM_SYSKEYDOWN:
		BuildKey(kKeyDown, wParam, lParam, event);
		break;
	case WM_KEYUP:
	case WM_SYSKEYUP:
		BuildKey(kKeyUp, wParam, lParam, event);
		break;
	case WM_COMMAND:
		// A view's native window has no menu: only its controls command it.
		event->callPrevious = true;
		(void)BuildControlCommand(wParam, lParam, event);
		break;
	case WM_MOUSEMOVE:
		BuildMouseEvent(view, handle, lParam, MouseKind::kMove, ButtonsOfMouseKeys(wParam), 0, event);
		break;
	case WM_LBUTTONDOWN:
	case WM_RBUTTONDOWN:
	case WM_MBUTTONDOWN:
	case WM_LBUTTONDBLCLK:
	case WM_RBUTTONDBLCLK:
	case WM_MBUTTONDBLCLK: {
		int32 button = message == WM_LBUTTONDOWN || message == WM_LBUTTONDBLCLK ? kPrimaryMouseButton
					   : message == WM_RBUTTONDOWN || message == WM_RBUTTONDBLCLK ? kSecondaryMouseButton
																				  : kTertiaryMouseButton;
		bool twice = message == WM_LBUTTONDBLCLK || message == WM_RBUTTONDBLCLK || message == WM_MBUTTONDBLCLK;
		BuildMouseEvent(view, handle, lParam, MouseKind::kDown, button, twice ? 2 : 1, event);
		break;
	}
	case WM_LBUTTONUP:
	case WM_RBUTTONUP:
	case WM_MBUTTONUP: {
		int32 button = message == WM_LBUTTONUP ? kPrimaryMouseButton
					   : message == WM_RBUTTONUP ? kSecondaryMouseButton
												 : kTertiaryMouseButton;
		BuildMouseEvent(view, handle, lParam, MouseKind::kUp, button, 0, event);
		break;
	}
	case WM_MOUSEWHEEL:
		(void)BuildWheelMessage(&event->message, wParam);  // on failure the what code stays 0: nothing goes
		break;
	case WM_DROPFILES:
		BuildDroppedFiles(view, reinterpret_cast<HDROP>(wParam), event);
		break;
	case WM_MOUSELEAVE:
		StopTracking(view);
		BuildMouseEvent(view, handle, lParam, MouseKind::kLeave, 0, 0, event);
		break;
	default:
		break;
	}
}

// --- drags ---

int32 ViewInput::TrackDrag(BView* view, bool entering)
{
	ViewPlatform* platform = ViewNative::PlatformOf(view);
	// An entry is one even while the view still tracks the pointer's own
	// moves from before the drag, whose leave the drag loop holds back.
	if (!entering && platform->tracking)
		return kInsideView;
	platform->tracking = true;
	ShowCursorOf(view);
	return kEnteredView;
}

void ViewInput::ForgetTracking(BView* view)
{
	if (ViewPlatform* platform = ViewNative::PlatformOf(view))
		platform->tracking = false;
}

void ViewInput::EndDrop(BView* view)
{
	ViewNative::PlatformOf(view)->tracking = false;
	ViewNative::ClearDragState(view);
	ReleaseCapture();
}

void ViewInput::StopTracking(BView* view)
{
	TRACKMOUSEEVENT track = {sizeof(track), TME_CANCEL | TME_LEAVE, NativeHandleOf(view), 0};
	TrackMouseEvent(&track);
	ViewNative::PlatformOf(view)->tracking = false;
}

}  // namespace BPrivate
