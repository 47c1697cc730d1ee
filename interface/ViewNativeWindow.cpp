// The native child windows of views: registration, creation, the class and
// subclass procedures, the delivery of native events to views, and the
// hand-over of a view's native windows to the window's thread.
#include "interface/ViewNativeWindow.h"

#include "interface/Keyboard.h"
#include "interface/NativeCoordinates.h"
#include "interface/NativeDispatch.h"
#include "interface/NativeHandle.h"
#include "interface/NativeNotifications.h"
#include "interface/NativeWindow.h"
#include "interface/View.h"
#include "interface/ViewDropTarget.h"
#include "interface/ViewInput.h"
#include "interface/ViewNative.h"
#include "interface/ViewPaint.h"
#include "interface/ViewPlatform.h"
#include "interface/Window.h"
#include "interface/WindowLockCheck.h"
#include "interface/WindowNative.h"
#include "kernel/ProcessSlots.h"
#include "kernel/SystemTime.h"
#include "messaging/Application.h"
#include "messaging/Message.h"
#include "messaging/MessageCodes.h"
#include "support/Autolock.h"

#include <shellapi.h>

#include <memory>

namespace BPrivate {

namespace {

constexpr wchar_t kViewClassName[] = L"BView";
constexpr DWORD kViewStyle = WS_CHILD | WS_VISIBLE | WS_CLIPCHILDREN;
// Every view's native window has a word of its own beside the framework's
// user data, which the platform zeroes and a caller may keep anything in.
constexpr int kExtraWindowBytes = 4;

BLocker gViewClassLock("WinView:gViewClassLock");
bool gViewClassRegistered = false;

// Clicks and the wheel take the keys held with them as the window's
// modifiers. Moves do not: reading the key state costs a round trip to the
// platform's input server per key, far more than the move itself.
bool TakesModifiers(uint32 what)
{
	return what == kMouseDown || what == kMouseUp || what == kMouseWheelChanged;
}

// Input: what was posted before it is handled first.
bool IsInput(UINT message)
{
	switch (message) {
	case WM_KEYDOWN:
	case WM_SYSKEYDOWN:
	case WM_KEYUP:
	case WM_SYSKEYUP:
	case WM_MOUSEMOVE:
	case WM_LBUTTONDOWN:
	case WM_RBUTTONDOWN:
	case WM_MBUTTONDOWN:
	case WM_LBUTTONDBLCLK:
	case WM_RBUTTONDBLCLK:
	case WM_MBUTTONDBLCLK:
	case WM_LBUTTONUP:
	case WM_RBUTTONUP:
	case WM_MBUTTONUP:
	case WM_MOUSEWHEEL:
	case WM_MOUSELEAVE:
		return true;
	default:
		return false;
	}
}

// The native messages a view's procedure makes something of. Every other one
// goes to the previous procedure at once, without the view and without its
// window's lock, so that another thread holding that lock may still send
// them (a read of the window text, say) without waiting for this thread.
bool IsTranslated(UINT message)
{
	switch (message) {
	case WM_NCDESTROY:
	case WM_DESTROY:
	case WM_SETFOCUS:
	case WM_KILLFOCUS:
	case WM_HSCROLL:
	case WM_VSCROLL:
	case WM_MENUSELECT:
	case WM_MEASUREITEM:
	case WM_SIZE:
	case WM_PAINT:
	case WM_NOTIFY:
	case WM_COMMAND:
	case WM_DROPFILES:
		return true;
	default:
		return IsInput(message);
	}
}

// The procedure the view's own replaced, found without the view: noted by the
// window of this thread when the view's native window was subclassed. A
// native window that a view left on another thread has its own procedure
// back, and a message already on its way here still reaches that.
LRESULT CallReplacedProcedure(HWND handle, UINT message, WPARAM wParam, LPARAM lParam)
{
	BWindow* window = BWindow::ThreadWindow();
	BNativeWindow* native = window != nullptr ? WindowNative::NativeWindowOf(window) : nullptr;
	WNDPROC previous = native != nullptr ? native->ViewProcedureOf(handle) : nullptr;
	if (previous == nullptr) {
		WNDPROC current = reinterpret_cast<WNDPROC>(GetWindowLongPtrW(handle, GWLP_WNDPROC));
		if (current != ViewNativeWindow::ViewWindowProc)
			previous = current;
	}
	if (previous == nullptr)
		return DefWindowProcW(handle, message, wParam, lParam);
	return CallWindowProcW(previous, handle, message, wParam, lParam);
}

}  // namespace

// The native message a view is handling, kept on the view for its hooks'
// default handling. A message that arrives while another is handled (a hook
// that takes the focus, a paint that scrolling pumps) has its own, and gives
// the outer one back when it is done, with the default still owed if it was:
// the outer hook's default handling then runs the outer message.
class ViewNativeWindow::NativeMessageScope {
public:
	NativeMessageScope(BView* view, ViewPlatform* platform, HWND handle, UINT message, WPARAM wParam, LPARAM lParam)
		: fValidity(view->Validity()),
		  fPlatform(platform),
		  fMessage(fPlatform->current),
		  fResult(fPlatform->result),
		  fOwed(fPlatform->bits & kDefaultHandlingOwed)
	{
		fPlatform->current = native_message{handle, message, wParam, lParam};
		fPlatform->result = 0;
		// Owed once this message is delivered, not before.
		fPlatform->bits &= ~kDefaultHandlingOwed;
	}

	// A view that left its window meanwhile (or is gone) is not touched.
	~NativeMessageScope()
	{
		if (!Reaches())
			return;
		fPlatform->current = fMessage;
		fPlatform->result = fResult;
		fPlatform->bits = static_cast<uint8>((fPlatform->bits & ~kDefaultHandlingOwed) | fOwed);
	}

	NativeMessageScope(const NativeMessageScope&) = delete;
	NativeMessageScope& operator=(const NativeMessageScope&) = delete;

	// The view is still in its window: a hook of the message may have removed
	// or deleted it.
	bool Reaches() const { return fValidity != nullptr && fValidity->IsValid(); }

private:
	sptr<BHandler::ValidAtom> fValidity;
	ViewPlatform* fPlatform;
	native_message fMessage;
	LRESULT fResult;
	uint8 fOwed;
};

// --- registration and creation ---

status_t ViewNativeWindow::RegisterClass()
{
	BAutolock lock(gViewClassLock);
	if (!lock.IsLocked())
		return kError;
	if (gViewClassRegistered)
		return kOk;
	HINSTANCE instance = ProcessModuleHandle();
	if (ProcessApplication() == nullptr || instance == nullptr)
		return kError;
	WNDCLASSEXW windowClass = {};
	windowClass.cbSize = sizeof(windowClass);
	windowClass.style = CS_HREDRAW | CS_VREDRAW | CS_DBLCLKS;
	windowClass.lpfnWndProc = ViewClassWindowProc;
	windowClass.cbWndExtra = kExtraWindowBytes;
	windowClass.hInstance = instance;
	windowClass.lpszClassName = kViewClassName;
	if (RegisterClassExW(&windowClass) == 0 && GetLastError() != ERROR_CLASS_ALREADY_EXISTS)
		return kError;
	gViewClassRegistered = true;
	return kOk;
}

DWORD ViewNativeWindow::StyleFor(const BView* view)
{
	const BView* parent = view->Parent();
	if (parent == nullptr || (parent->ViewFlags() & kChildrenClipSiblings) != 0)
		return kViewStyle | WS_CLIPSIBLINGS;
	return kViewStyle;
}

const wchar_t* ViewNativeWindow::ClassName()
{
	return kViewClassName;
}

status_t ViewNativeWindow::Create(BView* view)
{
	ViewPlatform* platform = ViewNative::PlatformOf(view);
	if (platform == nullptr)
		return kError;
	if (platform->handle != nullptr)
		return kOk;
	// A native window made here would belong to this thread, and its
	// messages would never reach the window's.
	BWindow* window = view->Window();
	if (!CheckWindowThread(window, "AddChild"))
		return kError;
	// A view added through the window has the window's client area as its
	// parent: the root view has no native window of its own.
	HWND parent = view->Parent() != nullptr ? NativeHandleOf(view->Parent()) : nullptr;
	if (parent == nullptr && window != nullptr)
		parent = NativeHandleOf(window);
	if (parent == nullptr)
		return kError;
	if (RegisterClass() != kOk)
		return kError;
	HINSTANCE instance = reinterpret_cast<HINSTANCE>(GetWindowLongPtrW(parent, GWLP_HINSTANCE));
	ViewNative::ClearDragState(view);
	HWND handle = view->CreateNativeView(parent, instance);
	if (handle == nullptr)
		return kError;
	platform->handle = handle;
	platform->pendingSync = 0;
	WNDPROC previous = reinterpret_cast<WNDPROC>(GetWindowLongPtrW(handle, GWLP_WNDPROC));
	// A native window of the "BView" class is painted by the framework; any
	// other is a native control, which paints itself.
	if (previous == ViewClassWindowProc)
		platform->bits &= ~kPaintsNatively;
	else
		platform->bits |= kPaintsNatively;
	if (BNativeWindow* native = WindowNative::NativeWindowOf(window))
		native->NoteViewProcedure(handle, previous);
	platform->previousProc = previous;
	SetWindowLongPtrW(handle, GWLP_USERDATA, reinterpret_cast<LONG_PTR>(static_cast<BHandler*>(view)));
	SetWindowLongPtrW(handle, GWLP_WNDPROC, reinterpret_cast<LONG_PTR>(ViewWindowProc));
	SendMessageW(handle, WM_SETFONT, reinterpret_cast<WPARAM>(ControlFontOf(view)), FALSE);
	if ((view->ViewFlags() & kAcceptsDroppedFiles) != 0)
		DragAcceptFiles(handle, TRUE);
	return kOk;
}

// The native windows stay until the window's thread destroys them; from now
// on they reach no view: each has its own procedure back and no view in its
// user data, and each drop target has let go of its view.
void ViewNativeWindow::LeaveToWindowThread(BView* view)
{
	BWindow* window = view->Window();
	BNativeWindow* native = window != nullptr ? WindowNative::NativeWindowOf(window) : nullptr;
	HWND handle = NativeHandleOf(view);
	if (native == nullptr || handle == nullptr)
		return;
	Unhook(view, native);
	native->DeferDestruction(handle);
	WindowNative::RequestNativeUpdate(window);
}

void ViewNativeWindow::Unhook(BView* view, BNativeWindow* native)
{
	ViewPlatform* platform = ViewNative::PlatformOf(view);
	if (platform != nullptr && platform->handle != nullptr) {
		HWND handle = platform->handle;
		SetWindowLongPtrW(handle, GWLP_USERDATA, 0);
		SetWindowLongPtrW(handle, GWLP_WNDPROC, reinterpret_cast<LONG_PTR>(platform->previousProc));
		if (platform->dropTarget) {
			platform->dropTarget.Target()->ForgetView();
			native->DeferRevocation(std::move(platform->dropTarget));
		}
		platform->ForgetNativeWindow();
	}
	for (int32 i = 0; BView* child = view->ChildAt(i); i++)
		Unhook(child, native);
}

status_t ViewNativeWindow::ShowText(BView* view, const BString& text)
{
	ViewPlatform* platform = ViewNative::PlatformOf(view);
	if (platform == nullptr || platform->handle == nullptr)
		return kError;
	platform->pendingText = text;
	ViewNative::SyncNative(view, kSyncText);
	return kOk;
}

WinViewDropTarget* ViewNativeWindow::DropTargetOf(const BView* view)
{
	const ViewPlatform* platform = ViewNative::PlatformOf(view);
	return platform != nullptr ? platform->dropTarget.Target() : nullptr;
}

// Native controls paint with the brush between the view's colour changes; a
// change, through SetBackgroundColor or taken from the parent, remakes it at
// the next paint.
HBRUSH ViewNativeWindow::BackgroundBrushOf(BView* view)
{
	ViewPlatform* platform = ViewNative::PlatformOf(view);
	if (platform == nullptr)
		return nullptr;
	rgb_color background = view->BackgroundColor();
	COLORREF colour = RGB(background.red, background.green, background.blue);
	if (!platform->brush || platform->brushColour != colour) {
		platform->brush.Reset(CreateSolidBrush(colour));
		platform->brushColour = colour;
	}
	return platform->brush.Get();
}

}  // namespace BPrivate

HWND BView::CreateNativeView(HWND parent, HINSTANCE instance)
{
	const wchar_t* className = BPrivate::ViewNativeWindow::ClassName();
	BPrivate::DisplayScale scale = BPrivate::ScaleOf(this);
	return CreateWindowExW(0, className, className, BPrivate::ViewNativeWindow::StyleFor(this),
		BPrivate::NativeUnits(fFrame.left, scale), BPrivate::NativeUnits(fFrame.top, scale),
		BPrivate::NativeUnits(fFrame.Width(), scale), BPrivate::NativeUnits(fFrame.Height(), scale), parent, nullptr,
		instance, this);
}

LRESULT BView::CallPreviousWindowProc(HWND handle, UINT message, WPARAM wParam, LPARAM lParam)
{
	WNDPROC previous = fPlatform != nullptr ? fPlatform->previousProc : nullptr;
	if (previous == nullptr)
		return DefWindowProcW(handle, message, wParam, lParam);
	return CallWindowProcW(previous, handle, message, wParam, lParam);
}

void BView::RunDefaultNativeHandling()
{
	if (fPlatform == nullptr || (fPlatform->bits & BPrivate::kDefaultHandlingOwed) == 0)
		return;
	fPlatform->bits &= ~BPrivate::kDefaultHandlingOwed;
	BPrivate::native_message current = fPlatform->current;
	sptr<ValidAtom> validity = Validity();
	LRESULT result = CallPreviousWindowProc(current.window, current.message, current.wParam, current.lParam);
	// The native handling runs hooks of its own (a press takes the focus),
	// which may have deleted the view.
	if (validity->IsAlive())
		fPlatform->result = result;
}

namespace BPrivate {

// --- the class procedure ---

LRESULT CALLBACK ViewNativeWindow::ViewClassWindowProc(HWND handle, UINT message, WPARAM wParam, LPARAM lParam)
{
	switch (message) {
	case WM_NCCREATE:
	case WM_CREATE: {
		// Sent by the creation, which runs with the window locked.
		BView* view = static_cast<BView*>(reinterpret_cast<CREATESTRUCTW*>(lParam)->lpCreateParams);
		SetWindowLongPtrW(handle, GWLP_USERDATA, reinterpret_cast<LONG_PTR>(static_cast<BHandler*>(view)));
		ViewPlatform* platform = view != nullptr ? ViewNative::PlatformOf(view) : nullptr;
		if (platform != nullptr) {
			platform->handle = handle;
			// Once the window is made, so that a failed creation leaves
			// nothing registered that WM_DESTROY would not revoke.
			// Views that take dropped files, and every view added to the window
			// itself, get an OLE drop target with their native window.
			bool acceptsDrops = (view->ViewFlags() & kAcceptsDroppedFiles) != 0 || ViewNative::IsTopLevel(view);
			if (message == WM_CREATE && !platform->dropTarget && acceptsDrops)
				platform->dropTarget = WinDropTargetRegistration::Register(view, handle);
		}
		return message == WM_NCCREATE ? 1 : 0;
	}
	case WM_ERASEBKGND:
		// The paint fills the background itself, through the off-screen buffer.
		return 0;
	case WM_SETCURSOR:
		// The pointer over the view's own area: the view showed its cursor when
		// the pointer entered, and the default would only ask every parent in
		// turn, each answering no (the class cursor it would set is this
		// class's, and it has none). Each ask is a sent message, which the
		// thread's hook sees: round trips to Wine's server on every move.
		// Over a native control the control's own procedure decides.
		if (reinterpret_cast<HWND>(wParam) == handle && LOWORD(lParam) == HTCLIENT)
			return FALSE;
		break;
	case WM_CTLCOLORBTN:
	case WM_CTLCOLOREDIT:
	case WM_CTLCOLORSTATIC: {
		LRESULT brush = 0;
		BAutolock lock(NativeDelivery::LooperFor(handle));
		if (lock.IsLocked() && AnswerControlColor(message, wParam, lParam, ViewOfNativeWindow(handle), &brush))
			return brush;
		break;
	}
	default:
		break;
	}
	return DefWindowProcW(handle, message, wParam, lParam);
}

// --- delivery ---

// Hands the event to the view whose native window is the event's target, on
// this thread, with its window locked (the receiving procedure already holds
// that lock). False when it was not delivered.
bool ViewNativeWindow::Deliver(view_event* event, LRESULT* result, std::unique_ptr<PendingDrag>* drag)
{
	NativeDelivery delivery(NativeDelivery::LooperFor(event->target));
	BView* target = ViewOfNativeWindow(event->target);
	if (!delivery.Reach(target))
		return false;
	BWindow* window = delivery.Window();
	// A change of the keys held is reported before the click that revealed it.
	if (window != nullptr && TakesModifiers(event->message.what))
		WindowNative::SetCurrentModifiers(window, CurrentModifiers(false));
	ViewPlatform* platform = ViewNative::PlatformOf(target);
	bool owesDefault = event->ForReceiver();
	if (owesDefault)
		platform->bits |= kDefaultHandlingOwed;
	delivery.Dispatch(std::move(event->dropped));
	if (event->paint)
		PaintView(target);
	else
		delivery.Dispatch(event->message);
	// A hook may have deleted the view: then nothing of it is touched.
	if (!delivery.StillReaches())
		return true;
	if (owesDefault) {
		*result = platform->result;
		platform->bits &= ~kDefaultHandlingOwed;
	}
	*drag = std::move(platform->pendingDrag);
	if (event->message.what == kMouseUp) {
		ViewNative::ClearDragState(target);
		ReleaseCapture();
	}
	return true;
}

// --- the subclass procedure ---

LRESULT ViewNativeWindow::ReleaseNativeWindow(BView* view, HWND handle, WPARAM wParam, LPARAM lParam)
{
	ViewPlatform* platform = ViewNative::PlatformOf(view);
	WNDPROC previous = platform->previousProc;
	SetWindowLongPtrW(handle, GWLP_USERDATA, 0);
	SetWindowLongPtrW(handle, GWLP_WNDPROC, reinterpret_cast<LONG_PTR>(previous));
	if (BNativeWindow* native = WindowNative::NativeWindowOf(view->Window()))
		native->ForgetViewProcedure(handle);
	if (platform->handle == handle)
		platform->handle = nullptr;
	return CallWindowProcW(previous, handle, WM_NCDESTROY, wParam, lParam);
}

// With the window locked and the view known to be in it. Whenever a hook may
// have run, the view is asked for again before anything of it is used: a hook
// may remove or delete it, and then the message gets no default handling
// either, since the view's native window is gone with it.
LRESULT ViewNativeWindow::HandleReceived(BView* view, HWND handle, UINT message, WPARAM wParam, LPARAM lParam,
	std::unique_ptr<PendingDrag>* drag)
{
	if (message == WM_NCDESTROY)
		return ReleaseNativeWindow(view, handle, wParam, lParam);
	ViewPlatform* platform = ViewNative::PlatformOf(view);
	if (message == WM_DESTROY)
		platform->dropTarget.Revoke();

	NativeMessageScope current(view, platform, handle, message, wParam, lParam);
	switch (message) {
	case WM_SETFOCUS:
	case WM_KILLFOCUS:
		HandleNativeFocus(view, message == WM_SETFOCUS ? NativeFocus::kGained : NativeFocus::kLost);
		return current.Reaches() ? view->CallPreviousWindowProc(handle, message, wParam, lParam) : 0;
	case WM_HSCROLL:
	case WM_VSCROLL:
		HandleNativeScroll(wParam, lParam);
		return current.Reaches() ? view->CallPreviousWindowProc(handle, message, wParam, lParam) : 0;
	case WM_MENUSELECT:
		HandleMenuSelect(handle, wParam, lParam);
		return current.Reaches() ? view->CallPreviousWindowProc(handle, message, wParam, lParam) : 0;
	case WM_MEASUREITEM:
		if (MeasureMenuItem(lParam))
			return TRUE;
		return view->CallPreviousWindowProc(handle, message, wParam, lParam);
	default:
		break;
	}

	view_event event(handle);
	ViewInput::BuildEvent(view, handle, message, wParam, lParam, &event);
	LRESULT result = 0;
	bool delivered = event.HasMessage() && Deliver(&event, &result, drag);
	if (!current.Reaches())
		return result;
	if (event.callPrevious || !delivered)
		return view->CallPreviousWindowProc(handle, message, wParam, lParam);
	return result;
}

LRESULT CALLBACK ViewNativeWindow::ViewWindowProc(HWND handle, UINT message, WPARAM wParam, LPARAM lParam)
{
	if (!IsTranslated(message))
		return CallReplacedProcedure(handle, message, wParam, lParam);
	BLooper* looper = NativeDelivery::LooperFor(handle);
	// What was posted before an input event is handled first, before the
	// lock is taken, so that the work it leaves to run unlocked runs so.
	if (IsInput(message))
		NativeDelivery::RunDueWork(looper, SystemTimeMicros());
	std::unique_ptr<PendingDrag> drag;
	LRESULT result = 0;
	bool reached = false;
	{
		NativeDelivery receiving(looper);
		BView* view = ViewOfNativeWindow(handle);
		reached = receiving.Reach(view);
		if (reached)
			result = HandleReceived(view, handle, message, wParam, lParam, &drag);
	}
	if (!reached)
		return CallReplacedProcedure(handle, message, wParam, lParam);
	// With the window unlocked: the drag's own loop runs the window's messages.
	if (drag != nullptr)
		drag->Run();
	return result;
}

}  // namespace BPrivate
