// The native child windows of views: registration, creation, the class and
// subclass procedures, delivery of native events to views, and painting.
#include "interface/ViewNativeWindow.h"

#include "interface/Cursor.h"
#include "interface/DragMessage.h"
#include "interface/GdiPlus.h"
#include "interface/Keyboard.h"
#include "interface/NativeDispatch.h"
#include "interface/NativeNotifications.h"
#include "interface/NativeWindow.h"
#include "interface/View.h"
#include "interface/ViewDropTarget.h"
#include "interface/Window.h"
#include "kernel/ProcessSlots.h"
#include "kernel/SystemTime.h"
#include "messaging/Application.h"
#include "messaging/Message.h"
#include "messaging/MessageCodes.h"

#include <shellapi.h>
#include <windowsx.h>

#include <memory>

namespace BPrivate {

namespace {

constexpr wchar_t kViewClassName[] = L"BView";
constexpr DWORD kViewStyle = WS_CHILD | WS_VISIBLE | WS_CLIPCHILDREN;

BLocker gDrawLock("WinView:g_drawLock");
BLocker gViewClassLock("WinView:gViewClassLock");
bool gViewClassRegistered = false;

// Clicks and the wheel take the keys held with them as the window's
// modifiers. Moves do not: reading the key state costs a round trip to the
// platform's input server per key, far more than the move itself.
bool TakesModifiers(uint32 what)
{
	return what == kMouseDown || what == kMouseUp || what == kMouseWheelChanged;
}

}  // namespace

struct ViewNativeWindow::Event : native_event {
	explicit Event(HWND handle) : native_event(handle), receiver(handle) {}

	bool HasMessage() const { return message.what != 0 || paint; }
	// A control's command or notification goes to the control's view, which
	// owes it no default handling: the receiver's previous procedure gets it.
	bool ForReceiver() const { return target == receiver; }

	// The native window whose message this is.
	HWND receiver;
	// Made for the mouse-up that ends an in-process drag.
	std::unique_ptr<BMessage> dropped;
	bool input = false;
	bool callPrevious = false;
	bool paint = false;
};

BLocker& DrawLock()
{
	return gDrawLock;
}

// Native controls paint with the brush between the view's colour changes; a
// change, through SetBackgroundColor or taken from the parent, remakes it at
// the next paint.
HBRUSH ViewNativeWindow::BackgroundBrushOf(BView* view)
{
	view_native_extras* extras = view->fNativeExtras;
	if (extras == nullptr)
		return nullptr;
	rgb_color background = view->BackgroundColor();
	COLORREF colour = RGB(background.red, background.green, background.blue);
	if (!extras->brush || extras->brushColour != colour) {
		extras->brush.Reset(CreateSolidBrush(colour));
		extras->brushColour = colour;
	}
	return extras->brush.Get();
}

// The native message a view is handling, kept on the view for its hooks'
// default handling. A message that arrives while another is handled (a hook
// that takes the focus, a paint that scrolling pumps) has its own, and gives
// the outer one back when it is done, with the default still owed if it was:
// the outer hook's default handling then runs the outer message.
class ViewNativeWindow::NativeMessageScope {
public:
	NativeMessageScope(BView* view, HWND handle, UINT message, WPARAM wParam, LPARAM lParam)
		: fView(view),
		  fValidity(view->Validity()),
		  fWindow(view->fNativeMessageWindow),
		  fMessage(view->fNativeMessage),
		  fWParam(view->fNativeWParam),
		  fLParam(view->fNativeLParam),
		  fResult(view->fNativeResult),
		  fOwed(view->fNativeBits & BView::kDefaultHandlingOwed)
	{
		view->fNativeMessageWindow = handle;
		view->fNativeMessage = message;
		view->fNativeWParam = wParam;
		view->fNativeLParam = lParam;
		view->fNativeResult = 0;
		// Owed once this message is delivered, not before.
		view->fNativeBits &= ~BView::kDefaultHandlingOwed;
	}

	// A view that left its window meanwhile (or is gone) is not touched.
	~NativeMessageScope()
	{
		if (fValidity == nullptr || !fValidity->IsValid())
			return;
		fView->fNativeMessageWindow = fWindow;
		fView->fNativeMessage = fMessage;
		fView->fNativeWParam = fWParam;
		fView->fNativeLParam = fLParam;
		fView->fNativeResult = fResult;
		fView->fNativeBits = static_cast<uint8>((fView->fNativeBits & ~BView::kDefaultHandlingOwed) | fOwed);
	}

	NativeMessageScope(const NativeMessageScope&) = delete;
	NativeMessageScope& operator=(const NativeMessageScope&) = delete;

private:
	BView* fView;
	sptr<BHandler::ValidAtom> fValidity;
	HWND fWindow;
	UINT fMessage;
	WPARAM fWParam;
	LPARAM fLParam;
	LRESULT fResult;
	uint8 fOwed;
};

// --- registration and creation ---

status_t ViewNativeWindow::RegisterClass()
{
	if (!gViewClassLock.Lock())
		return kError;
	status_t status = kOk;
	if (!gViewClassRegistered) {
		HINSTANCE instance = ProcessModuleHandle();
		status = kError;
		if (ProcessApplication() != nullptr && instance != nullptr) {
			WNDCLASSEXW windowClass = {};
			windowClass.cbSize = sizeof(windowClass);
			windowClass.style = CS_HREDRAW | CS_VREDRAW | CS_DBLCLKS;
			windowClass.lpfnWndProc = ViewClassWindowProc;
			windowClass.hInstance = instance;
			windowClass.lpszClassName = kViewClassName;
			if (RegisterClassExW(&windowClass) != 0 || GetLastError() == ERROR_CLASS_ALREADY_EXISTS) {
				gViewClassRegistered = true;
				status = kOk;
			}
		}
	}
	gViewClassLock.Unlock();
	return status;
}

DWORD ViewNativeWindow::StyleFor(const BView* view)
{
	const BView* parent = view->Parent();
	if (parent == nullptr || (parent->ViewFlags() & kChildrenClipSiblings) != 0)
		return kViewStyle | WS_CLIPSIBLINGS;
	return kViewStyle;
}

status_t ViewNativeWindow::Create(BView* view)
{
	if (view->fNativeHandle != nullptr)
		return kOk;
	HWND parent = view->fParent != nullptr ? view->fParent->fNativeHandle : nullptr;
	if (parent == nullptr && view->fWindow != nullptr)
		parent = view->fWindow->NativeHandle();
	if (parent == nullptr)
		return kError;
	if (RegisterClass() != kOk)
		return kError;
	HINSTANCE instance = reinterpret_cast<HINSTANCE>(GetWindowLongPtrW(parent, GWLP_HINSTANCE));
	view->fNativeBits |= BView::kPaintsNatively;
	view->fDragState = 0;
	HWND handle = view->CreateNativeView(parent, instance);
	if (handle == nullptr)
		return kError;
	view->fNativeHandle = handle;
	SetWindowLongPtrW(handle, GWLP_USERDATA, reinterpret_cast<LONG_PTR>(static_cast<BHandler*>(view)));
	view->fPreviousProc =
		reinterpret_cast<WNDPROC>(SetWindowLongPtrW(handle, GWLP_WNDPROC, reinterpret_cast<LONG_PTR>(ViewWindowProc)));
	SendMessageW(handle, WM_SETFONT, reinterpret_cast<WPARAM>(GetStockObject(DEFAULT_GUI_FONT)), FALSE);
	if ((view->fViewFlags & kAcceptsDroppedFiles) != 0)
		DragAcceptFiles(handle, TRUE);
	return kOk;
}

}  // namespace BPrivate

HWND BView::CreateNativeView(HWND parent, HINSTANCE instance)
{
	fNativeBits &= ~kPaintsNatively;
	return CreateWindowExW(0, BPrivate::kViewClassName, BPrivate::kViewClassName,
		BPrivate::ViewNativeWindow::StyleFor(this), static_cast<int>(fFrame.left), static_cast<int>(fFrame.top),
		static_cast<int>(fFrame.Width()), static_cast<int>(fFrame.Height()), parent, nullptr, instance, this);
}

LRESULT BView::CallPreviousWindowProc(HWND handle, UINT message, WPARAM wParam, LPARAM lParam)
{
	if (fPreviousProc == nullptr)
		return DefWindowProcW(handle, message, wParam, lParam);
	return CallWindowProcW(fPreviousProc, handle, message, wParam, lParam);
}

void BView::RunDefaultNativeHandling()
{
	if ((fNativeBits & kDefaultHandlingOwed) == 0)
		return;
	fNativeBits &= ~kDefaultHandlingOwed;
	fNativeResult = CallPreviousWindowProc(fNativeMessageWindow, fNativeMessage, fNativeWParam, fNativeLParam);
}

namespace BPrivate {

// --- the class procedure ---

LRESULT ViewNativeWindow::HandleClassMessage(HWND handle, UINT message, WPARAM wParam, LPARAM lParam)
{
	switch (message) {
	case WM_NCCREATE:
	case WM_CREATE: {
		BView* view = static_cast<BView*>(reinterpret_cast<CREATESTRUCTW*>(lParam)->lpCreateParams);
		SetWindowLongPtrW(handle, GWLP_USERDATA, reinterpret_cast<LONG_PTR>(static_cast<BHandler*>(view)));
		if (view != nullptr) {
			view->fNativeHandle = handle;
			// Once the window is made, so that a failed creation leaves
			// nothing registered that WM_DESTROY would not revoke.
			if (message == WM_CREATE)
				WinViewDropTarget::RegisterFor(view);
		}
		return message == WM_NCCREATE ? 1 : 0;
	}
	case WM_ERASEBKGND:
		// The paint fills the background itself, through the off-screen buffer.
		return 0;
	case WM_CTLCOLORBTN:
	case WM_CTLCOLOREDIT:
	case WM_CTLCOLORSTATIC: {
		LRESULT brush = 0;
		if (AnswerControlColor(message, wParam, lParam, ViewOfNativeWindow(handle), &brush))
			return brush;
		break;
	}
	default:
		break;
	}
	return DefWindowProcW(handle, message, wParam, lParam);
}

// --- events ---

int32 ViewNativeWindow::TransitOf(BView* view, BPoint point)
{
	BRect bounds = view->Bounds();
	bool inside = bounds.left <= point.x && point.x < bounds.right && bounds.top <= point.y && point.y < bounds.bottom;
	bool wasInside = view->fInside;
	view->fInside = inside;
	if (inside)
		return wasInside ? kInsideView : kEnteredView;
	return wasInside ? kExitedView : kOutsideView;
}

// A leave's point is moved just outside the bounds.
int32 ViewNativeWindow::ExitForm(BView* view, BPoint* point)
{
	BRect bounds = view->Bounds();
	if (point->x >= bounds.left && point->x <= bounds.right)
		point->x = bounds.left - 1.0f;
	if (point->y >= bounds.top && point->y <= bounds.bottom)
		point->y = bounds.top - 1.0f;
	view->fInside = false;
	return kExitedView;
}

void ViewNativeWindow::ShowCursorOf(const BView* view)
{
	const BCursor* cursor = view->fCursor != nullptr ? view->fCursor : CursorAt(kDefaultCursor);
	if (cursor != nullptr)
		SetCursor(cursor->Handle());
}

// The first move since tracking was off arms the leave notification and sets
// the view's cursor; it reports entering without judging the point.
void ViewNativeWindow::StartTracking(BView* view, HWND handle)
{
	TRACKMOUSEEVENT track = {sizeof(track), TME_LEAVE, handle, 0};
	TrackMouseEvent(&track);
	ShowCursorOf(view);
	view->fTracking = true;
}

void ViewNativeWindow::StopTracking(BView* view, HWND handle)
{
	TRACKMOUSEEVENT track = {sizeof(track), TME_CANCEL | TME_LEAVE, handle, 0};
	TrackMouseEvent(&track);
	view->fTracking = false;
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

void ViewNativeWindow::BuildMouseEvent(BView* view, HWND handle, LPARAM lParam, MouseKind kind, int32 buttons,
	int32 clicks, Event* event)
{
	BPoint origin = view->ScrollOrigin();
	BPoint point(GET_X_LPARAM(lParam) + origin.x, GET_Y_LPARAM(lParam) + origin.y);
	int32 transit = kInsideView;
	if (kind == MouseKind::kMove) {
		if (!view->fTracking) {
			StartTracking(view, handle);
			transit = kEnteredView;
		} else {
			transit = TransitOf(view, point);
		}
	} else if (kind == MouseKind::kLeave) {
		transit = ExitForm(view, &point);
	}
	AddMouseFields(view, point, kind, transit, buttons, clicks, &event->message);
	event->input = true;
	if (kind == MouseKind::kUp)
		TakeDraggedMessage(point, &event->dropped);
}

void ViewNativeWindow::BuildDragMouseMessage(BView* view, POINT client, MouseKind kind, int32 transit,
	int32 buttons, BMessage* message, std::unique_ptr<BMessage>* dropped)
{
	BPoint origin = view->ScrollOrigin();
	BPoint point(client.x + origin.x, client.y + origin.y);
	if (kind == MouseKind::kLeave)
		transit = ExitForm(view, &point);
	AddMouseFields(view, point, kind, transit, buttons, 0, message);
	if (kind == MouseKind::kUp)
		TakeDraggedMessage(point, dropped);
}

// The fields of a mouse message at `point` (view coordinates).
void ViewNativeWindow::AddMouseFields(BView* view, BPoint point, MouseKind kind, int32 transit, int32 buttons,
	int32 clicks, BMessage* message)
{
	HWND handle = view->fNativeHandle;
	BPoint origin = view->ScrollOrigin();
	POINT client = {static_cast<LONG>(point.x - origin.x), static_cast<LONG>(point.y - origin.y)};
	POINT screen = client;
	ClientToScreen(handle, &screen);
	bool moved = kind == MouseKind::kMove || kind == MouseKind::kLeave;
	BPoint where = point;
	if (moved && view->Window() != nullptr) {
		POINT inWindow = client;
		MapWindowPoints(handle, view->Window()->NativeHandle(), &inWindow, 1);
		where = BPoint(inWindow.x, inWindow.y);
	}

	message->what = kind == MouseKind::kDown ? kMouseDown : kind == MouseKind::kUp ? kMouseUp : kMouseMoved;
	status_t status = message->AddPoint("be:view_where", point);
	if (status == kOk)
		status = message->AddPoint("where", where);
	if (status == kOk)
		status = message->AddPoint("screen_where", BPoint(screen.x, screen.y));
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

void BuildDroppedFiles(BView* view, HDROP drop, ViewNativeWindow::Event* event)
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
	BPoint origin = view->ScrollOrigin();
	// Files dropped nowhere in particular are not delivered.
	if (message.AddPoint("be:drop pt", BPoint(point.x + origin.x, point.y + origin.y)) != kOk)
		return;
	message.what = kRefsReceived;
}

void BuildKeyEvent(uint32 what, WPARAM wParam, LPARAM lParam, ViewNativeWindow::Event* event)
{
	event->input = true;
	BuildKey(what, wParam, lParam, event);
}

}  // namespace

// Turns the native message into the view's event; an event without message
// or paint leaves the native message to the previous procedure.
void ViewNativeWindow::BuildEvent(BView* view, HWND handle, UINT message, WPARAM wParam, LPARAM lParam,
	Event* event)
{
	switch (message) {
	case WM_SIZE:
		// A resize without its size is not delivered; the previous procedure still sees it.
		if (event->message.AddPoint("be:size", BPoint(LOWORD(lParam), HIWORD(lParam))) == kOk)
			event->message.what = kViewResized;
		event->callPrevious = true;
		break;
	case WM_PAINT:
		event->paint = (view->NativeBits() & BView::kPaintsNatively) == 0;
		break;
	case WM_NOTIFY:
		event->callPrevious = true;
		BuildNotification(lParam, event);
		break;
	case WM_KEYDOWN:
	case WM_SYSKEYDOWN:
		BuildKeyEvent(kKeyDown, wParam, lParam, event);
		break;
	case WM_KEYUP:
	case WM_SYSKEYUP:
		BuildKeyEvent(kKeyUp, wParam, lParam, event);
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
		event->input = true;
		(void)BuildWheelMessage(&event->message, wParam);  // on failure the what code stays 0: nothing goes
		break;
	case WM_DROPFILES:
		BuildDroppedFiles(view, reinterpret_cast<HDROP>(wParam), event);
		break;
	case WM_MOUSELEAVE:
		StopTracking(view, handle);
		BuildMouseEvent(view, handle, lParam, MouseKind::kLeave, 0, 0, event);
		break;
	default:
		break;
	}
}

namespace {

void Paint(BView* view)
{
	BLocker& drawLock = DrawLock();
	if (!drawLock.Lock())
		return;
	HWND handle = view->NativeHandle();
	PAINTSTRUCT paint;
	HDC dc = BeginPaint(handle, &paint);
	if (dc != nullptr && !IsRectEmpty(&paint.rcPaint)) {
		BRect update(paint.rcPaint.left, paint.rcPaint.top, paint.rcPaint.right, paint.rcPaint.bottom);
		BWindow* window = view->Window();
		BNativeWindow* native = window != nullptr ? window->NativeWindow() : nullptr;
		WinGdipGraphics* offscreen = native != nullptr ? native->BeginOffscreenDraw(update) : nullptr;
		BPoint origin = view->ScrollOrigin();
		BRect rect(update.left + origin.x, update.top + origin.y, update.right + origin.x, update.bottom + origin.y);
		WinGdipGraphics* graphics = offscreen != nullptr ? offscreen : WinGdipGraphics::CreateFromDC(dc);
		if (graphics != nullptr) {
			BRender* render = view->Render();
			(void)render->SetGraphics(graphics);  // fails only without graphics
			if (offscreen != nullptr) {
				BPoint offset = native->ContainerOffset();
				if (offset.x != 0.0f || offset.y != 0.0f)
					graphics->SetTranslation(offset.x - origin.x, offset.y - origin.y);
			}
			render->FillBackground(rect);
			view->OnDraw(render, rect);
			// The buffer's graphics stay with the window; the paint DC's go now.
			WinGdipGraphics* detached = render->DetachGraphics();
			if (offscreen != nullptr)
				native->EndOffscreenDraw(dc);
			else
				delete detached;
		}
	}
	EndPaint(handle, &paint);
	drawLock.Unlock();
}

}  // namespace

// Hands the event to the view whose native window is the event's target, on
// this thread, with its window locked. False when it was not delivered.
bool ViewNativeWindow::Deliver(Event* event, bigtime_t when, LRESULT* result)
{
	BView* target = ViewOfNativeWindow(event->target);
	BLooper* looper = target != nullptr ? target->Looper() : nullptr;
	if (looper == nullptr || !looper->Lock())
		return false;
	sptr<BHandler::ValidAtom> validity = target->Validity();
	std::unique_ptr<BPendingDrag> drag;
	bool delivered = validity != nullptr && validity->IsValid();
	if (delivered) {
		if (event->input) {
			// What was queued before the input is handled first.
			bool quit = false;
			looper->DispatchDueWork(when, &quit);
		}
		BWindow* window = dynamic_cast<BWindow*>(looper);
		// A change of the keys held is reported before the click that revealed it.
		if (window != nullptr && TakesModifiers(event->message.what))
			window->SetCurrentModifiers(CurrentModifiers(false));
		bool owesDefault = event->ForReceiver();
		if (owesDefault)
			target->fNativeBits |= BView::kDefaultHandlingOwed;
		if (event->dropped != nullptr)
			looper->DispatchOne(event->dropped.release(), target, kNoToken, false);
		if (event->paint)
			Paint(target);
		else if (BMessage* copy = new (std::nothrow) BMessage(event->message))
			looper->DispatchOne(copy, target, kNoToken, false);
		if (owesDefault) {
			*result = target->fNativeResult;
			target->fNativeBits &= ~BView::kDefaultHandlingOwed;
		}
		if (window != nullptr)
			window->ApplyPendingFrame();
		drag.reset(target->fPendingDrag);
		target->fPendingDrag = nullptr;
		if (event->message.what == kMouseUp) {
			target->fDragState = 0;
			ReleaseCapture();
		}
	}
	looper->Unlock();
	looper->RunUnlockedWork();
	if (drag != nullptr)
		drag->Run();
	return delivered;
}

// --- the subclass procedure ---

LRESULT ViewNativeWindow::HandleNativeMessage(HWND handle, UINT message, WPARAM wParam, LPARAM lParam)
{
	BView* view = ViewOfNativeWindow(handle);
	if (view == nullptr)
		return DefWindowProcW(handle, message, wParam, lParam);
	if (message == WM_NCDESTROY) {
		// The last message: the native window lets go of the view.
		WNDPROC previous = view->fPreviousProc;
		SetWindowLongPtrW(handle, GWLP_USERDATA, 0);
		SetWindowLongPtrW(handle, GWLP_WNDPROC, reinterpret_cast<LONG_PTR>(previous));
		if (view->fNativeHandle == handle)
			view->fNativeHandle = nullptr;
		return CallWindowProcW(previous, handle, message, wParam, lParam);
	}

	if (message == WM_DESTROY)
		WinViewDropTarget::RevokeFor(view, handle);

	NativeMessageScope current(view, handle, message, wParam, lParam);
	bigtime_t when = SystemTimeMicros();

	switch (message) {
	case WM_SETFOCUS:
	case WM_KILLFOCUS:
		HandleNativeFocus(view, message == WM_SETFOCUS ? kNativeFocusGained : kNativeFocusLost);
		return view->CallPreviousWindowProc(handle, message, wParam, lParam);
	case WM_HSCROLL:
	case WM_VSCROLL:
		HandleNativeScroll(wParam, lParam);
		return view->CallPreviousWindowProc(handle, message, wParam, lParam);
	case WM_MENUSELECT:
		HandleMenuSelect(handle, wParam, lParam);
		return view->CallPreviousWindowProc(handle, message, wParam, lParam);
	case WM_MEASUREITEM:
		if (MeasureMenuItem(lParam))
			return TRUE;
		return view->CallPreviousWindowProc(handle, message, wParam, lParam);
	default:
		break;
	}

	Event event(handle);
	BuildEvent(view, handle, message, wParam, lParam, &event);
	LRESULT result = 0;
	bool delivered = event.HasMessage() && Deliver(&event, when, &result);
	if (event.callPrevious || !delivered)
		return view->CallPreviousWindowProc(handle, message, wParam, lParam);
	return result;
}

LRESULT CALLBACK ViewClassWindowProc(HWND handle, UINT message, WPARAM wParam, LPARAM lParam)
{
	return ViewNativeWindow::HandleClassMessage(handle, message, wParam, lParam);
}

LRESULT CALLBACK ViewWindowProc(HWND handle, UINT message, WPARAM wParam, LPARAM lParam)
{
	return ViewNativeWindow::HandleNativeMessage(handle, message, wParam, lParam);
}

}  // namespace BPrivate
