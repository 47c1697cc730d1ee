// BView: the native side of its state. What a view's native window shows of
// the view (visibility, enabling, the acceptance of dropped files, a
// control's text) and its moves to their frames, given at once on the
// window's thread and at that thread's next turn from any other; the move to
// another display scale; and the end of the native window.
#include "interface/View.h"

#include "interface/NativeCoordinates.h"
#include "interface/NativeHandle.h"
#include "interface/ViewChildWalk.h"
#include "interface/ViewNative.h"
#include "interface/ViewNativeWindow.h"
#include "interface/ViewPlatform.h"
#include "interface/Window.h"
#include "interface/WindowLockCheck.h"
#include "interface/WindowNative.h"

#include <shellapi.h>

void BView::DestroyNativeView()
{
	HWND handle = NativeHandle();
	if (handle == nullptr)
		return;
	if (fWindow != nullptr && fWindow->DragView() == this)
		BPrivate::WindowNative::SetDragView(fWindow, nullptr);
	// Only the window's thread can destroy the native windows; elsewhere they
	// stop reaching this view and its subtree now, and go at its next turn.
	if (!BPrivate::OnWindowThread(fWindow)) {
		BPrivate::ViewNativeWindow::LeaveToWindowThread(this);
		return;
	}
	DestroyWindow(handle);
	fPlatform->ForgetNativeWindow();
	HWND parent = fParent != nullptr ? fParent->NativeHandle() : nullptr;
	if (parent == nullptr && fWindow != nullptr)
		parent = BPrivate::NativeHandleOf(fWindow);
	if (parent != nullptr)
		InvalidateRect(parent, nullptr, FALSE);
}

// The native calls send the view's native window messages whose hooks may
// delete any view.
bool BView::ApplyPendingNativeState()
{
	sptr<ValidAtom> validity = Validity();
	bool moved = false;
	if (fPlatform != nullptr && (fPlatform->bits & BPrivate::kNativeMovePending) != 0) {
		fPlatform->bits &= ~BPrivate::kNativeMovePending;
		if (NativeHandle() != nullptr) {
			BRect frame = fPlatform->pendingFrame;
			BPrivate::DisplayScale scale = BPrivate::ScaleOf(this);
			MoveWindow(NativeHandle(), BPrivate::NativeUnits(frame.left, scale), BPrivate::NativeUnits(frame.top, scale),
				BPrivate::NativeUnits(frame.Width(), scale), BPrivate::NativeUnits(frame.Height(), scale), FALSE);
			moved = true;
		}
	}
	if (!validity->IsAlive())
		return moved;
	if (fPlatform != nullptr && fPlatform->pendingSync != 0)
		ApplyNativeSync(fPlatform->pendingSync);
	bool childMoved = false;
	ChildWalk children(this);
	while (BView* child = children.Next())
		childMoved |= child->ApplyPendingNativeState();
	if ((moved || childMoved) && validity->IsAlive())
		InvalidateChildren();
	return moved || childMoved;
}

void BView::PrepareRescale()
{
	if (HWND handle = NativeHandle()) {
		if ((fPlatform->bits & BPrivate::kNativeMovePending) == 0) {
			fPlatform->pendingFrame = fFrame;
			fPlatform->bits |= BPrivate::kNativeMovePending;
		}
		SendMessageW(handle, WM_SETFONT, reinterpret_cast<WPARAM>(BPrivate::ControlFontOf(this)), FALSE);
	}
	for (BView* child = fFirstChild; child != nullptr; child = child->fNextSibling)
		child->PrepareRescale();
}

void BView::InvalidateChildren()
{
	for (BView* child = fFirstChild; child != nullptr; child = child->fNextSibling) {
		if (HWND handle = child->NativeHandle())
			InvalidateRect(handle, nullptr, FALSE);
	}
}

void BView::SetEnabled(bool enabled, bool children)
{
	BPrivate::WindowLockCheck check(fWindow, "SetEnabled");
	sptr<ValidAtom> validity = Validity();
	if (enabled != IsEnabled()) {
		fViewState ^= kDisabledState;
		SyncNative(BPrivate::kSyncEnabled);
	}
	if (!children || !validity->IsAlive())
		return;
	ChildWalk walk(this);
	while (BView* child = walk.Next())
		child->SetEnabled(enabled, false);
}

void BView::Show()
{
	BPrivate::WindowLockCheck check(fWindow, "Show");
	if (NativeHandle() == nullptr)
		return;
	fViewState &= ~kHiddenState;
	SyncNative(BPrivate::kSyncVisibility);
}

void BView::Hide()
{
	BPrivate::WindowLockCheck check(fWindow, "Hide");
	if (NativeHandle() == nullptr)
		return;
	fViewState |= kHiddenState;
	SyncNative(BPrivate::kSyncVisibility);
}

// While the native window has yet to follow a Show or Hide of another thread,
// the framework's state answers.
bool BView::IsHidden() const
{
	if (fParent != nullptr && fParent->IsHidden())
		return true;
	HWND handle = NativeHandle();
	if (handle == nullptr)
		return false;
	if ((fPlatform->pendingSync & BPrivate::kSyncVisibility) != 0)
		return (fViewState & kHiddenState) != 0;
	return (GetWindowLongPtrW(handle, GWL_STYLE) & WS_VISIBLE) == 0;
}

void BView::SetViewFlags(uint32 flags)
{
	BPrivate::WindowLockCheck check(fWindow, "SetViewFlags");
	fViewFlags = flags;
	SyncNative(BPrivate::kSyncDroppedFiles);
}

void BView::SyncNative(uint8 what)
{
	if (NativeHandle() == nullptr)
		return;
	if (BPrivate::OnWindowThread(fWindow)) {
		ApplyNativeSync(what);
		return;
	}
	fPlatform->pendingSync |= what;
	BPrivate::WindowNative::RequestNativeUpdate(fWindow);
}

// Enabling and showing may move the native focus, whose hooks may delete the
// view: each step asks for the view again.
void BView::ApplyNativeSync(uint8 what)
{
	sptr<ValidAtom> validity = Validity();
	fPlatform->pendingSync &= ~what;
	HWND handle = NativeHandle();
	if ((what & BPrivate::kSyncDroppedFiles) != 0)
		DragAcceptFiles(handle, (fViewFlags & kAcceptsDroppedFiles) != 0);
	if ((what & BPrivate::kSyncText) != 0)
		SetWindowTextW(handle, fPlatform->pendingText.CharsOrEmpty());
	if ((what & BPrivate::kSyncEnabled) != 0)
		EnableWindow(handle, IsEnabled());
	if ((what & BPrivate::kSyncVisibility) != 0 && validity->IsAlive() && NativeHandle() == handle)
		ShowWindow(handle, (fViewState & kHiddenState) != 0 ? SW_HIDE : SW_SHOW);
}

HWND BView::NativeHandle() const
{
	return fPlatform != nullptr ? fPlatform->handle : nullptr;
}

HWND BPrivate::NativeHandleOf(const BView* view)
{
	return ViewNative::NativeHandle(view);
}
