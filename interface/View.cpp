// BView: construction and destruction, the tree (adding and removing views,
// the attach and detach passes that give views their native windows and run
// their hooks), focus, and the messages and default hooks. Geometry and the
// follow modes are in ViewGeometry.cpp, scrolling and the wheel in
// ViewScrolling.cpp, the mouse and drags in ViewMouse.cpp, the drawing state
// in ViewDrawingState.cpp, the native side of the view's state in
// ViewNativeState.cpp, and its native window, events and painting in
// ViewNativeWindow.cpp, ViewInput.cpp and ViewPaint.cpp.
#include "interface/View.h"

#include "interface/Keyboard.h"
#include "interface/NativeHandle.h"
#include "interface/ScrollBar.h"
#include "interface/ViewChildWalk.h"
#include "interface/ViewNativeWindow.h"
#include "interface/ViewPlatform.h"
#include "interface/Window.h"
#include "interface/WindowLockCheck.h"
#include "interface/WindowNative.h"
#include "kernel/DebuggerHook.h"
#include "messaging/Message.h"
#include "messaging/MessageCodes.h"
#include "support/Autolock.h"

#include <new>

namespace {

constexpr char kBeforeMismatchText[] = "AddChild failed - the \"before\" view and \"this\" don't match.\n";
constexpr char kNotInListText[] = "BView::remove_from_list - error trying to remove a view";
constexpr char kDeletedAttachedText[] =
	"Trying to delete a view that belongs to a window. Call RemoveSelf first.\n";

}  // namespace

// --- construction and destruction ---

BView::BView(BRect frame, const char* name, uint32 followMode, uint32 viewFlags)
	: BHandler(name), fFrame(frame), fFollowMode(followMode), fViewFlags(viewFlags)
{
	fRender.SetColor(kBackgroundColorIndex, 255, 255, 255, 255);
	fPlatform.reset(new (std::nothrow) BPrivate::ViewPlatform());
	// A failure is tried again by the next view.
	(void)BPrivate::ViewNativeWindow::RegisterClass();
}

BView::~BView()
{
	if (fWindow != nullptr) {
		DebuggerHook(kDeletedAttachedText);
		// Already reported; the view goes whether or not its window could be locked.
		(void)RemoveSelf();
	} else if (fParent != nullptr) {
		UnlinkFromParent();
	}
	// Each child takes itself out of this list as it goes.
	while (fFirstChild != nullptr)
		delete fFirstChild;
	if (fVerticalBar != nullptr)
		fVerticalBar->ClearTarget();
	if (fHorizontalBar != nullptr)
		fHorizontalBar->ClearTarget();
	delete fLastMouseMessage;
	delete fExtension;
}

void BView::SetExtension(BViewExtension* extension)
{
	if (extension != fExtension)
		delete fExtension;
	fExtension = extension;
}

// --- the tree ---

status_t BView::AddChild(BView* child, BView* before)
{
	if (child == nullptr)
		return kBadValue;
	BWindow* window = fWindow;
	BAutolock lock(window);
	if (window != nullptr && !lock.IsLocked())
		return kError;
	status_t status = kOk;
	if (child->ReportIfOwned()) {
		status = kError;
	} else if (before != nullptr && before->fParent != this) {
		DebuggerHook(kBeforeMismatchText);
		status = kError;
	} else {
		child->fParent = this;
		if (window != nullptr)
			child->AttachToWindow(window);
		LinkChild(child, before);
		// The hooks the attachment runs may delete the child.
		sptr<ValidAtom> childValidity = child->Validity();
		if (window != nullptr) {
			child->RunAddedToWindow();
			if (BPrivate::NativeHandleOf(window) != nullptr && childValidity->IsAlive())
				child->AttachNow();
		}
		if (childValidity->IsAlive())
			child->ComputeFollowOffsets();
	}
	return status;
}

status_t BView::RemoveSelf()
{
	BWindow* window = fWindow;
	BAutolock lock(window);
	if (window != nullptr && !lock.IsLocked())
		return kError;
	if (window != nullptr)
		DetachPass();
	if (fParent != nullptr)
		UnlinkFromParent();
	if (window != nullptr)
		DetachFromWindow();
	fParent = nullptr;
	fNextSibling = nullptr;
	fPreviousSibling = nullptr;
	fTopLevel = false;
	return kOk;
}

void BView::LinkChild(BView* child, BView* before)
{
	if (before == nullptr) {
		BView* last = fFirstChild;
		while (last != nullptr && last->fNextSibling != nullptr)
			last = last->fNextSibling;
		child->fPreviousSibling = last;
		child->fNextSibling = nullptr;
		if (last != nullptr)
			last->fNextSibling = child;
		else
			fFirstChild = child;
		return;
	}
	child->fNextSibling = before;
	child->fPreviousSibling = before->fPreviousSibling;
	if (before->fPreviousSibling != nullptr)
		before->fPreviousSibling->fNextSibling = child;
	else
		fFirstChild = child;
	before->fPreviousSibling = child;
}

void BView::UnlinkFromParent()
{
	BView* child = fParent->fFirstChild;
	while (child != nullptr && child != this)
		child = child->fNextSibling;
	if (child == nullptr) {
		DebuggerHook(kNotInListText);
		return;
	}
	if (fPreviousSibling != nullptr)
		fPreviousSibling->fNextSibling = fNextSibling;
	else
		fParent->fFirstChild = fNextSibling;
	if (fNextSibling != nullptr)
		fNextSibling->fPreviousSibling = fPreviousSibling;
	fNextSibling = nullptr;
	fPreviousSibling = nullptr;
}

void BView::AttachToWindow(BWindow* window)
{
	fWindow = window;
	window->AddHandler(this);
	for (BView* child = fFirstChild; child != nullptr; child = child->fNextSibling)
		child->AttachToWindow(window);
}

void BView::DetachFromWindow()
{
	for (BView* child = fFirstChild; child != nullptr; child = child->fNextSibling)
		child->DetachFromWindow();
	fWindow->RemoveHandler(this);
	fWindow = nullptr;
}

void BView::RunAddedToWindow()
{
	sptr<ValidAtom> validity = Validity();
	OnAddedToWindow();
	if (!validity->IsAlive())
		return;
	ChildWalk children(this);
	while (BView* child = children.Next())
		child->RunAddedToWindow();
}

void BView::AttachNow()
{
	if (BPrivate::OnWindowThread(fWindow))
		AttachPass();
	else
		BPrivate::WindowNative::RequestAttachPass(fWindow);
}

void BView::AttachPass()
{
	sptr<ValidAtom> validity = Validity();
	bool attachedNow = !fAttached;
	if (attachedNow) {
		// A view whose native window cannot be made still runs its hooks.
		(void)BPrivate::ViewNativeWindow::Create(this);
		if ((fViewState & kBackgroundFollowsParent) != 0 && fParent != nullptr) {
			rgb_color colour = fParent->BackgroundColor();
			fRender.SetColor(kBackgroundColorIndex, colour.red, colour.green, colour.blue, colour.alpha);
		}
		OnAttached();
		// A view that its hook took out of the window goes no further.
		if (!validity->IsAlive() || fWindow == nullptr)
			return;
		fAttached = true;
	}
	ChildWalk children(this);
	while (BView* child = children.Next())
		child->AttachPass();
	if (attachedNow && validity->IsAlive())
		OnAllAttached();
}

void BView::AttachChildren()
{
	ChildWalk children(this);
	while (BView* child = children.Next())
		child->AttachPass();
}

void BView::DetachPass()
{
	sptr<ValidAtom> validity = Validity();
	DestroyNativeView();
	OnDetached();
	if (!validity->IsAlive())
		return;
	ChildWalk children(this);
	while (BView* child = children.Next())
		child->DetachPass();
	if (!validity->IsAlive())
		return;
	OnAllDetached();
	if (!validity->IsAlive())
		return;
	fAttached = false;
	if (fWindow != nullptr)
		BPrivate::WindowNative::ForgetView(fWindow, this);
}

status_t BView::AddTopLevelChild(BView* view, BView* before)
{
	view->fTopLevel = true;
	status_t status = AddChild(view, before);
	if (status != kOk)
		view->fTopLevel = false;
	return status;
}

bool BView::ReportIfOwned() const
{
	if (fParent == nullptr && fWindow == nullptr)
		return false;
	DebuggerHook("AddChild failed - the view already belonged to someone else.\n");
	return true;
}

BView* BView::Parent() const
{
	return fTopLevel ? nullptr : fParent;
}

int32 BView::CountChildren() const
{
	int32 count = 0;
	for (BView* child = fFirstChild; child != nullptr; child = child->fNextSibling)
		count++;
	return count;
}

BView* BView::ChildAt(int32 index) const
{
	BView* child = fFirstChild;
	while (child != nullptr && index-- > 0)
		child = child->fNextSibling;
	return index < 0 ? child : nullptr;
}

bool BView::IsFocus() const
{
	return fWindow != nullptr && fWindow->CurrentFocus() == this;
}

// --- focus ---

void BView::SetFocused(bool focused)
{
	BPrivate::WindowLockCheck check(fWindow, "SetFocused");
	if (fWindow == nullptr)
		return;
	if (!focused) {
		if (IsFocus())
			fWindow->SetFocus(nullptr);
		return;
	}
	BView* current = fWindow->CurrentFocus();
	if (current == this)
		return;
	if (current != nullptr)
		current->SetFocused(false);
	fWindow->SetFocus(this);
}

// --- messages and hooks ---

void BView::HandleMessage(BMessage* message)
{
	if (message->what != kViewResized) {
		BHandler::HandleMessage(message);
		return;
	}
	BPoint size;
	// A resize that does not say to what size changes nothing.
	if (message->GetPoint("be:size", &size) != kOk)
		return;
	// A size the frame already has keeps the frame's own edges, which a sum
	// of the left edge and the width may miss by a float step.
	if (size.x != fFrame.Width())
		fFrame.right = fFrame.left + size.x;
	if (size.y != fFrame.Height())
		fFrame.bottom = fFrame.top + size.y;
	OnFrameResized(size.x, size.y);
}

void BView::OnKeyDown(const char* bytes, int32 numBytes)
{
	if (numBytes == 1 && static_cast<uint8>(bytes[0]) == kTabKey && fWindow != nullptr) {
		BPrivate::WindowNative::NavigateByTab(fWindow, fWindow->CurrentModifiers());
		return;
	}
	RunDefaultNativeHandling();
}

void BView::OnKeyUp(const char*, int32)
{
	RunDefaultNativeHandling();
}

void BView::OnMouseDown(BPoint)
{
	RunDefaultNativeHandling();
}

void BView::OnMouseMoved(BPoint, int32, const BMessage*)
{
	RunDefaultNativeHandling();
}

void BView::OnMouseUp(BPoint)
{
	RunDefaultNativeHandling();
}

void BView::OnFrameMoved(float, float) {}
void BView::OnFrameResized(float, float) {}
void BView::OnAddedToWindow() {}
void BView::OnAttached() {}
void BView::OnAllAttached() {}
void BView::OnDetached() {}
void BView::OnAllDetached() {}
void BView::OnWindowActivated(bool) {}
void BView::OnDraw(BRender*, BRect) {}

status_t BView::QueryLayout(int32, float*)
{
	return kError;
}

float BView::AdjustScrollValue(float value)
{
	return value;
}
