// BWindow: construction and destruction, showing, the native frame and the
// pending frame change, focus, the views' attachment and the window's own
// messages. Dispatch of the system messages and the mouse are in
// WindowDispatch.cpp; keys, shortcuts and keyboard navigation in
// WindowKeyboard.cpp.
#include "interface/Window.h"

#include "interface/Menu.h"
#include "interface/NativeCoordinates.h"
#include "interface/NativeWindow.h"
#include "interface/NativeWindowStyle.h"
#include "interface/View.h"
#include "interface/ViewNative.h"
#include "interface/WindowLockCheck.h"
#include "interface/WindowNative.h"
#include "kernel/ThreadLoop.h"
#include "messaging/Message.h"
#include "messaging/MessageCodes.h"
#include "messaging/MessageQueue.h"
#include "support/Autolock.h"
#include "support/DebugDataIO.h"
#include "support/DebugFormat.h"

#include <cstdio>
#include <cstdlib>
#include <new>

namespace {

constexpr int32 kWindowPriority = 1;
constexpr int32 kWindowCapacity = 100;
// WM_CHANGEUISTATE's request to show focus rectangles and keyboard cues.
constexpr WPARAM kShowFocusCues = 3;

thread_local BWindow* tThreadWindow = nullptr;

// A window's name as the looper's UTF-8 name, for the length of one expression.
class Utf8Name {
public:
	explicit Utf8Name(const BString& name) : fText(name.ToUtf8()) {}
	~Utf8Name() { free(fText); }
	Utf8Name(const Utf8Name&) = delete;
	Utf8Name& operator=(const Utf8Name&) = delete;
	const char* Get() const { return fText; }

private:
	char* fText;
};

}  // namespace

// --- construction and destruction ---

BWindow::BWindow(BRect frame, const BString& name, int32 look, int32 feel, uint32 flags)
	: BLooper(Utf8Name(name).Get(), kWindowPriority, kWindowCapacity),
	  fFrame(frame),
	  fLook(look),
	  fFeel(feel),
	  fFlags(flags),
	  fState(kWindowHidden)
{
	fNativeWindow = new (std::nothrow) BNativeWindow(look, feel);
	fRootView = new (std::nothrow) BView(BRect(0.0f, 0.0f, frame.Width(), frame.Height()), nullptr,
		kFollowAllSides, 0);
	if (fRootView != nullptr)
		BPrivate::ViewNative::AttachToWindow(fRootView, this);
}

BWindow::~BWindow()
{
	Lock();
	if (fRootView != nullptr) {
		// This thread holds the window's lock, so removing a view cannot fail.
		while (BView* child = fRootView->ChildAt(0)) {
			(void)child->RemoveSelf();
			delete child;
		}
		(void)fRootView->RemoveSelf();
		delete fRootView;
		fRootView = nullptr;
	}
	if (tThreadWindow == this) {
		SetWakeWindow(nullptr);
		tThreadWindow = nullptr;
	}
	if (fNativeWindow != nullptr)
		fNativeWindow->DestroyNativeWindow();
	delete fNativeWindow;
	fNativeWindow = nullptr;
	DeleteShortcuts();
}

BWindow* BWindow::ThreadWindow()
{
	return tThreadWindow;
}

HWND BWindow::NativeHandle() const
{
	return fNativeWindow != nullptr ? fNativeWindow->NativeHandle() : nullptr;
}

void BWindow::SetColorKey(uint32 key)
{
	BPrivate::WindowLockCheck check(this, "SetColorKey");
	fColorKey = key;
	fState |= kUsesColorKey;
}

void BWindow::SetBackgroundColor(rgb_color colour)
{
	BPrivate::WindowLockCheck check(this, "SetBackgroundColor");
	fBackgroundColor = colour;
}

void BWindow::SetOpacity(float opacity)
{
	BPrivate::WindowLockCheck check(this, "SetOpacity");
	fOpacity = opacity;
}

void BWindow::SetMenuBar(BMenuBar* menuBar)
{
	BPrivate::WindowLockCheck check(this, "SetMenuBar");
	fMenuBar = menuBar;
}

void BWindow::SetHandlingNativeFocus(bool handling)
{
	if (handling)
		fTransientBits |= kHandlingNativeFocus;
	else
		fTransientBits &= ~kHandlingNativeFocus;
}

// --- running, showing, quitting ---

int32 BWindow::Run()
{
	fStarted = true;
	return BLooper::Run();
}

void BWindow::ThreadStartHook()
{
	tThreadWindow = this;
	if (fNativeWindow == nullptr || fNativeWindow->NativeHandle() != nullptr)
		return;
	// The native window is made on this thread, so its native messages, the
	// wake-ups of this looper and its painting all arrive here.
	if (HWND handle = fNativeWindow->CreateNativeWindow(this))
		SetWakeWindow(handle);
}

void BWindow::Show()
{
	{
		BAutolock lock(this);
		fState &= ~kWindowHidden;
	}
	if (!fStarted)
		Run();
	// Posting fails only for a window already quitting or without memory;
	// either way it stays as it is.
	(void)Post(kShowNativeWindow);
}

void BWindow::Hide()
{
	{
		BAutolock lock(this);
		fState |= kWindowHidden;
	}
	(void)Post(kHideNativeWindow);  // as for Show
}

void BWindow::Quit()
{
	if (!IsLocked()) {
		char line[160];
		char* name = Name().ToUtf8();
		snprintf(line, sizeof(line), "ERROR - you must Lock a window before calling Quit(), team=%p, window=%s",
			static_cast<void*>(GetCurrentProcess()), name != nullptr ? name : "no-name");
		free(name);
		BPrivate::DebugOut(gErrorOut) << line << BPrivate::kEndLine;
	}
	if (!Lock())
		return;
	// Quitting on the window's own thread returns with the window alive and
	// still locked once more by this call.
	bool staysLocked = IsRunning() && tThreadWindow == this;
	BLooper::Quit();
	if (staysLocked)
		Unlock();
}

void BWindow::ShowNativeWindow()
{
	HWND handle = NativeHandle();
	if (handle == nullptr)
		return;
	SetWindowPos(handle, HWND_TOP, 0, 0, 0, 0, SWP_NOMOVE | SWP_NOSIZE);
	ShowWindow(handle, fStarted ? SW_SHOW : SW_SHOWNORMAL);
}

void BWindow::HandleMessage(BMessage* message)
{
	switch (message->what) {
	case kShowNativeWindow:
		ShowNativeWindow();
		break;
	case kHideNativeWindow:
		if (HWND handle = NativeHandle())
			ShowWindow(handle, SW_HIDE);
		break;
	case kNativeWindowCreated:
		AttachViews();
		OnWindowCreated();
		break;
	case kNativeCommand:
		InvokeMenuCommand(message);
		break;
	default:
		BLooper::HandleMessage(message);
		break;
	}
}

void BWindow::AttachViews()
{
	if (fRootView != nullptr)
		BPrivate::ViewNative::AttachChildren(fRootView);
}

void BWindow::RequestAttachPass()
{
	fTransientBits |= kAttachPending;
	RequestPendingFrame();
}

void BWindow::RescaleViews()
{
	if (fRootView != nullptr)
		BPrivate::ViewNative::Rescale(fRootView);
}

void BWindow::InvokeMenuCommand(BMessage* message)
{
	int32 command = 0;
	if (fMenuBar == nullptr || fMenuBar->NativeMenu() == nullptr || message->GetInt32("be:command", &command) != kOk)
		return;
	MENUITEMINFOW info = {};
	info.cbSize = sizeof(info);
	info.fMask = MIIM_DATA;
	if (GetMenuItemInfoW(fMenuBar->NativeMenu(), static_cast<UINT>(command), FALSE, &info) && info.dwItemData != 0)
		reinterpret_cast<BMenuItem*>(info.dwItemData)->Invoke();
}

// --- the frame ---

BRect BWindow::Frame() const
{
	HWND handle = NativeHandle();
	RECT outer;
	if (handle == nullptr || IsIconic(handle) || !GetWindowRect(handle, &outer))
		return fFrame;
	BRect frame = FrameFromOuterRect(outer, FrameAdjustment(this), BPrivate::ScaleOf(this));
	if (frame.right <= frame.left)
		frame.right = frame.left + 1.0f;
	if (frame.bottom <= frame.top)
		frame.bottom = frame.top + 1.0f;
	return frame;
}

BRect BWindow::Bounds() const
{
	HWND handle = NativeHandle();
	RECT client;
	if (handle != nullptr && !IsIconic(handle) && GetClientRect(handle, &client))
		return BRect(0.0f, 0.0f, BPrivate::FrameworkUnits(client.right, BPrivate::ScaleOf(this)),
			BPrivate::FrameworkUnits(client.bottom, BPrivate::ScaleOf(this)));
	return BRect(0.0f, 0.0f, fFrame.Width(), fFrame.Height());
}

status_t BWindow::SetSize(float width, float height)
{
	BPrivate::WindowLockCheck check(this, "SetSize");
	if (fNativeWindow == nullptr)
		return kNoMemory;
	BRect base = fNativeWindow->HasPendingFrame() ? fNativeWindow->PendingFrame() : fFrame;
	BRect frame(base.left, base.top, base.left + width, base.top + height);
	if (NativeHandle() == nullptr) {
		fFrame = frame;
		if (fRootView != nullptr)
			fRootView->SetFrame(BRect(0.0f, 0.0f, width, height));
		return kOk;
	}
	fNativeWindow->SetPendingFrame(frame);
	RequestPendingFrame();
	return kOk;
}

void BWindow::RequestPendingFrame()
{
	if (fNativeWindow == nullptr || fNativeWindow->IsPendingPostOutstanding())
		return;
	fNativeWindow->SetPendingPostOutstanding(true);
	// A request that could not be posted is not outstanding, so that the next
	// frame change asks again.
	if (Post(kApplyPendingFrame) != kOk)
		fNativeWindow->SetPendingPostOutstanding(false);
}

void BWindow::ApplyPendingFrame()
{
	if (fNativeWindow == nullptr || !fNativeWindow->IsPendingPostOutstanding())
		return;
	if (!BPrivate::CheckWindowThread(this, "ApplyPendingFrame"))
		return;
	fNativeWindow->SetPendingPostOutstanding(false);
	// One application covers every request made so far.
	if (BMessageQueue* queue = MessageQueue())
		queue->RemoveMessages(kApplyPendingFrame);
	HWND handle = NativeHandle();
	if (fNativeWindow->HasPendingFrame() && handle != nullptr) {
		BRect frame = fNativeWindow->PendingFrame();
		fNativeWindow->ClearPendingFrame();
		native_placement placement = PlacementOfFrame(frame, FrameAdjustment(this), fNativeWindow->Scale());
		MoveWindow(handle, placement.x, placement.y, placement.width, placement.height, TRUE);
	}
	// What other threads left to this one: native windows of views that left
	// the window, views added to it, the views' native state and the focus.
	fNativeWindow->DestroyDeferred();
	if ((fTransientBits & kAttachPending) != 0) {
		fTransientBits &= ~kAttachPending;
		AttachViews();
	}
	if (fRootView != nullptr)
		BPrivate::ViewNative::ApplyPendingNativeState(fRootView);
	if ((fTransientBits & kNativeFocusPending) != 0) {
		fTransientBits &= ~kNativeFocusPending;
		GiveNativeFocus();
	}
}

void BWindow::ReportFrameChange()
{
	HWND handle = NativeHandle();
	if (handle == nullptr || IsIconic(handle))
		return;
	BRect old = fFrame;
	fFrame = Frame();
	if (fFrame.left != old.left || fFrame.top != old.top) {
		BMessage* moved = new (std::nothrow) BMessage(kWindowMoved);
		// A move that cannot say where to is not reported.
		if (moved != nullptr && moved->AddPoint("where", BPoint(fFrame.left, fFrame.top)) == kOk)
			DispatchOne(moved, this, kNoToken, false);
		else
			delete moved;
	}
	if (fFrame.Width() == old.Width() && fFrame.Height() == old.Height())
		return;
	BRect bounds = Bounds();
	if (fRootView != nullptr)
		fRootView->SetFrame(bounds);
	BMessage* resized = new (std::nothrow) BMessage(kWindowResized);
	if (resized == nullptr)
		return;
	status_t status = resized->AddInt32("width", static_cast<int32>(fFrame.right - fFrame.left));
	if (status == kOk)
		status = resized->AddInt32("height", static_cast<int32>(fFrame.bottom - fFrame.top));
	if (status == kOk)
		DispatchOne(resized, this, kNoToken, false);
	else
		delete resized;
}

status_t BWindow::ScreenToWindow(BPoint* point) const
{
	HWND handle = NativeHandle();
	if (handle == nullptr)
		return kError;
	BPrivate::DisplayScale scale = BPrivate::ScaleOf(this);
	POINT native = BPrivate::RoundedNativePoint(*point, scale);
	if (!ScreenToClient(handle, &native))
		return kError;
	*point = BPrivate::FrameworkPoint(native, scale);
	return kOk;
}

bool BWindow::IsActive() const
{
	HWND handle = NativeHandle();
	WINDOWINFO info = {};
	info.cbSize = sizeof(info);
	return handle != nullptr && GetWindowInfo(handle, &info) && info.dwWindowStatus == WS_ACTIVECAPTION;
}

// --- focus and views ---

void BWindow::SetFocus(BView* view)
{
	BPrivate::WindowLockCheck check(this, "SetFocus");
	fFocusView = view;
	SetPreferredHandler(view);
	GiveNativeFocus();
	OnFocusChanged(view);
}

void BWindow::GiveNativeFocus()
{
	if (!BPrivate::OnWindowThread(this)) {
		fTransientBits |= kNativeFocusPending;
		RequestPendingFrame();
		return;
	}
	// While the platform moves the focus itself, following it is enough.
	if (IsHandlingNativeFocus() || !IsActive())
		return;
	HWND target = fFocusView != nullptr ? BPrivate::ViewNative::NativeHandle(fFocusView) : nullptr;
	if (target == nullptr)
		target = NativeHandle();
	if (target != nullptr && GetFocus() != target)
		::SetFocus(target);
}

void BWindow::ForgetView(BView* view)
{
	if (fFocusView == view) {
		fFocusView = nullptr;
		SetPreferredHandler(nullptr);
	}
	if (fMouseView == view)
		fMouseView = nullptr;
	if (fDragView == view)
		fDragView = nullptr;
}

status_t BWindow::AddChild(BView* view, BView* before)
{
	if (view == nullptr)
		return kBadValue;
	if (BPrivate::ViewNative::ReportIfOwned(view))
		return kError;
	BAutolock lock(this);
	if (fRootView == nullptr || !lock.IsLocked())
		return kError;
	return BPrivate::ViewNative::AddTopLevelChild(fRootView, view, before);
}

void BWindow::ShowFocusCues()
{
	HWND handle = NativeHandle();
	if (handle == nullptr)
		return;
	// Sent, it would wait for the window's thread; posted, the default
	// handling shows the cues there.
	if (BPrivate::OnWindowThread(this))
		SendMessageW(handle, WM_CHANGEUISTATE, kShowFocusCues, 0);
	else
		PostMessageW(handle, WM_CHANGEUISTATE, kShowFocusCues, 0);
}

// --- hooks ---

void BWindow::OnMenusBeginning() {}
void BWindow::OnMenusEnded() {}
void BWindow::OnWindowActivated(bool) {}
bool BWindow::OnKeyDown(const char*, int32)
{
	return false;
}
bool BWindow::OnKeyUp(const char*, int32)
{
	return false;
}
void BWindow::OnFrameMoved(float, float) {}
void BWindow::OnFrameResized(float, float) {}
void BWindow::OnScreenChanged(uint32) {}
bool BWindow::IsQuitExempt()
{
	return false;
}
bool BWindow::IsSystemWindow()
{
	return false;
}
void BWindow::OnWindowCreated() {}
void BWindow::OnFocusChanged(BView*) {}
