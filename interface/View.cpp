// BView: the tree, geometry and follow modes, focus and enabling, scrolling,
// the wheel and the drawing state. The view's native window, its events and
// painting are in ViewNativeWindow.cpp.
#include "interface/View.h"

#include "interface/DropSource.h"
#include "interface/Keyboard.h"
#include "interface/NativeCoordinates.h"
#include "interface/ScrollBar.h"
#include "interface/ViewNativeWindow.h"
#include "interface/ViewPlatform.h"
#include "interface/Window.h"
#include "interface/WindowLockCheck.h"
#include "interface/WindowNative.h"
#include "kernel/DebuggerHook.h"
#include "messaging/Message.h"
#include "messaging/MessageCodes.h"
#include "messaging/Messenger.h"
#include "support/Autolock.h"

#include <shellapi.h>

#include <cmath>
#include <new>

namespace {

constexpr char kBeforeMismatchText[] = "AddChild failed - the \"before\" view and \"this\" don't match.\n";
constexpr char kNotInListText[] = "BView::remove_from_list - error trying to remove a view";
constexpr char kDeletedAttachedText[] =
	"Trying to delete a view that belongs to a window. Call RemoveSelf first.\n";

// The wheel moves a scroll bar three small steps per notch.
constexpr float kWheelStepsPerNotch = 3.0f;

// The follow rules of the four edges: the shift of each rule in the follow
// mode, in the order of the offsets (left, top, right, bottom).
constexpr int kRuleShifts[4] = {8, 12, 0, 4};
enum Edge { kLeft = 0, kTop = 1, kRight = 2, kBottom = 3 };

uint32 RuleOf(uint32 mode, int edge)
{
	return (mode >> kRuleShifts[edge]) & 0xF;
}

float& EdgeOf(BRect& rect, int edge)
{
	switch (edge) {
	case kLeft:
		return rect.left;
	case kTop:
		return rect.top;
	case kRight:
		return rect.right;
	default:
		return rect.bottom;
	}
}

// The parent edge a rule follows, or false for a rule that follows nothing.
bool FollowedEdge(uint32 rule, BRect bounds, float* edge)
{
	switch (rule) {
	case kFollowTopEdge:
		*edge = bounds.top;
		return true;
	case kFollowLeftEdge:
		*edge = bounds.left;
		return true;
	case kFollowBottomEdge:
		*edge = bounds.bottom;
		return true;
	case kFollowRightEdge:
		*edge = bounds.right;
		return true;
	default:
		return false;
	}
}

}  // namespace

// A walk over a view's children that runs hooks, or native calls that run
// hooks: the children are noted first, each with its validity, and a child is
// visited only while it is alive and still a child of the view; the walk ends
// once the view itself is gone. Any hook may so remove or delete any view,
// the walked one included.
class BView::ChildWalk {
public:
	explicit ChildWalk(const BView* parent) : fParent(parent), fParentValidity(parent->Validity())
	{
		for (BView* child = parent->fFirstChild; child != nullptr; child = child->fNextSibling) {
			// Without memory to note it a child is passed over, as one that
			// went would be.
			(void)fChildren.AddItem(noted_child{child, child->Validity()});
		}
	}

	BView* Next()
	{
		while (fIndex < fChildren.CountItems() && fParentValidity->IsAlive()) {
			const noted_child& noted = fChildren.ItemAt(fIndex++);
			if (noted.validity->IsAlive() && noted.view->fParent == fParent)
				return noted.view;
		}
		return nullptr;
	}

private:
	struct noted_child {
		BView* view;
		sptr<BHandler::ValidAtom> validity;
	};

	const BView* fParent;
	sptr<BHandler::ValidAtom> fParentValidity;
	BVector<noted_child> fChildren;
	int32 fIndex = 0;
};

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
			if (window->NativeHandle() != nullptr && childValidity->IsAlive())
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
		fWindow->RequestAttachPass();
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
		fWindow->ForgetView(this);
}

void BView::DestroyNativeView()
{
	HWND handle = NativeHandle();
	if (handle == nullptr)
		return;
	if (fWindow != nullptr && fWindow->fDragView == this)
		fWindow->fDragView = nullptr;
	// Only the window's thread can destroy the native windows; elsewhere they
	// stop reaching this view and its subtree now, and go at its next turn.
	if (!BPrivate::OnWindowThread(fWindow)) {
		BPrivate::ViewNativeWindow::LeaveToWindowThread(this);
		return;
	}
	DestroyWindow(handle);
	fPlatform->handle = nullptr;
	fPlatform->bits &= ~BPrivate::kNativeMovePending;
	fPlatform->tracking = false;
	fPlatform->inside = false;
	HWND parent = fParent != nullptr ? fParent->NativeHandle() : nullptr;
	if (parent == nullptr && fWindow != nullptr)
		parent = fWindow->NativeHandle();
	if (parent != nullptr)
		InvalidateRect(parent, nullptr, FALSE);
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

// --- geometry ---

BRect BView::Frame() const
{
	HWND handle = NativeHandle();
	if (handle == nullptr)
		return fFrame;
	if (IsNativeMovePending())
		return fPlatform->pendingFrame;
	WINDOWPLACEMENT placement = {};
	placement.length = sizeof(placement);
	if (!GetWindowPlacement(handle, &placement))
		return fFrame;
	return BPrivate::FrameworkRect(placement.rcNormalPosition, BPrivate::ScaleOf(this));
}

BRect BView::Bounds() const
{
	HWND handle = NativeHandle();
	if (handle != nullptr && !IsNativeMovePending()) {
		RECT client;
		BPrivate::DisplayScale scale = BPrivate::ScaleOf(this);
		if (GetClientRect(handle, &client))
			return BRect(fOrigin.x, fOrigin.y, fOrigin.x + BPrivate::FrameworkUnits(client.right, scale),
				fOrigin.y + BPrivate::FrameworkUnits(client.bottom, scale));
	}
	BRect size = IsNativeMovePending() ? fPlatform->pendingFrame : fFrame;
	return BRect(fOrigin.x, fOrigin.y, fOrigin.x + size.Width(), fOrigin.y + size.Height());
}

status_t BView::ConvertToScreen(BPoint* point) const
{
	HWND handle = NativeHandle();
	if (handle == nullptr)
		return kError;
	BPrivate::DisplayScale scale = BPrivate::ScaleOf(this);
	POINT native = BPrivate::ClientPointOfView(*point, fOrigin, scale);
	if (!ClientToScreen(handle, &native))
		return kError;
	*point = BPrivate::FrameworkPoint(native, scale);
	return kOk;
}

void BView::Invalidate()
{
	if (NativeHandle() != nullptr && !IsNativeMovePending())
		InvalidateRect(NativeHandle(), nullptr, FALSE);
}

void BView::Invalidate(BRect rect)
{
	if (NativeHandle() == nullptr || IsNativeMovePending())
		return;
	RECT native = BPrivate::EnclosingNativeRect(
		BRect(rect.left - fOrigin.x, rect.top - fOrigin.y, rect.right - fOrigin.x, rect.bottom - fOrigin.y),
		BPrivate::ScaleOf(this));
	InvalidateRect(NativeHandle(), &native, FALSE);
}

void BView::SetFrame(BRect frame)
{
	BPrivate::WindowLockCheck check(fWindow, "SetFrame");
	ApplyFrameChange(frame, FrameSource::kSetter);
}

void BView::MoveBy(float dx, float dy)
{
	BPrivate::WindowLockCheck check(fWindow, "MoveBy");
	BRect frame = Frame();
	ApplyFrameChange(BRect(frame.left + dx, frame.top + dy, frame.right + dx, frame.bottom + dy),
		FrameSource::kSetter);
}

void BView::FitToPreferredSize()
{
	BPrivate::WindowLockCheck check(fWindow, "FitToPreferredSize");
	float width = 0.0f;
	float height = 0.0f;
	PreferredSize(&width, &height);
	BRect frame = Frame();
	ApplyFrameChange(BRect(frame.left, frame.top, frame.left + width, frame.top + height), FrameSource::kSetter);
}

status_t BView::FitToSizeHint(int32 kind)
{
	BPrivate::WindowLockCheck check(fWindow, "FitToSizeHint");
	float size[2] = {0.0f, 0.0f};
	status_t status = SizeHint(kind, size);
	if (status < 0)
		return status;
	BRect frame = Frame();
	float width = size[0] < 0.0f ? frame.Width() : size[0];
	float height = size[1] < 0.0f ? frame.Height() : size[1];
	ApplyFrameChange(BRect(frame.left, frame.top, frame.left + width, frame.top + height), FrameSource::kSetter);
	return kOk;
}

// Scrolling moves the children's native windows with the contents, on the
// window's thread; from another thread they wait for their native move like
// any other frame change.
void BView::ApplyFrameChange(BRect frame, FrameSource source)
{
	sptr<ValidAtom> validity = Validity();
	BRect oldBounds = Bounds();
	fFrame = frame;
	bool hasNative = NativeHandle() != nullptr;
	bool scrolling = source == FrameSource::kScrolling;
	if (hasNative && (!scrolling || !BPrivate::OnWindowThread(fWindow))) {
		fPlatform->pendingFrame = frame;
		fPlatform->bits |= BPrivate::kNativeMovePending;
		if (fWindow != nullptr)
			fWindow->RequestPendingFrame();
	}
	if (source == FrameSource::kSetter)
		ComputeFollowOffsets();
	if (!hasNative || !scrolling)
		OnFrameResized(frame.Width(), frame.Height());
	if (!validity->IsAlive())
		return;
	BRect bounds = Bounds();
	if (bounds.Width() == oldBounds.Width() && bounds.Height() == oldBounds.Height())
		return;
	ChildWalk children(this);
	while (BView* child = children.Next())
		child->FollowParentResize(bounds);
}

void BView::ComputeFollowOffsets()
{
	if (fParent == nullptr)
		return;
	BRect bounds = fParent->Bounds();
	BRect frame = fFrame;
	for (int edge = kLeft; edge <= kBottom; edge++) {
		float followed = 0.0f;
		fFollowOffsets[edge] =
			FollowedEdge(RuleOf(fFollowMode, edge), bounds, &followed) ? EdgeOf(frame, edge) - followed : 0.0f;
	}
}

void BView::FollowParentResize(BRect parentBounds)
{
	// Only edges that follow the parent's right or bottom edge move; the
	// offsets were taken against the parent's bounds, so the new edge is the
	// new bounds' edge plus the offset.
	BRect frame = fFrame;
	bool moved = false;
	const uint32 moving[4] = {kFollowRightEdge, kFollowBottomEdge, kFollowRightEdge, kFollowBottomEdge};
	for (int edge = kLeft; edge <= kBottom; edge++) {
		if (RuleOf(fFollowMode, edge) != moving[edge])
			continue;
		float followed = 0.0f;
		FollowedEdge(moving[edge], parentBounds, &followed);
		EdgeOf(frame, edge) = followed + fFollowOffsets[edge];
		moved = true;
	}
	if (moved)
		ApplyFrameChange(frame, FrameSource::kParent);
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

BRect BView::UnionOfChildFrames() const
{
	if (fFirstChild == nullptr)
		return BRect(0.0f, 0.0f, 0.0f, 0.0f);
	BRect all = fFirstChild->Frame();
	for (BView* child = fFirstChild->fNextSibling; child != nullptr; child = child->fNextSibling) {
		BRect frame = child->Frame();
		all.left = std::fmin(all.left, frame.left);
		all.top = std::fmin(all.top, frame.top);
		all.right = std::fmax(all.right, frame.right);
		all.bottom = std::fmax(all.bottom, frame.bottom);
	}
	return all;
}

status_t BView::SizeHint(int32 kind, float size[2])
{
	if (kind != kContentSizeHint)
		return kError;
	size[0] = 0.0f;
	size[1] = 0.0f;
	for (BView* child = fFirstChild; child != nullptr; child = child->fNextSibling) {
		BRect frame = child->Frame();
		size[0] = std::fmax(size[0], frame.right);
		size[1] = std::fmax(size[1], frame.bottom);
	}
	return kOk;
}

void BView::SetFollowMode(uint32 mode)
{
	BPrivate::WindowLockCheck check(fWindow, "SetFollowMode");
	fFollowMode = mode;
	ComputeFollowOffsets();
}

void BView::PreferredSize(float* width, float* height)
{
	*width = 0.0f;
	*height = 0.0f;
}

// --- scrolling and the wheel ---

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
		if (!onWindowThread || scale.ToNative(dx) != std::trunc(scale.ToNative(dx)) ||
			scale.ToNative(dy) != std::trunc(scale.ToNative(dy)))
			InvalidateRect(handle, nullptr, FALSE);
	}
	fOrigin = origin;
	if (fFirstChild != nullptr && fWindow != nullptr && onWindowThread)
		DispatchPendingPaints();
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

// --- focus, enabling, visibility ---

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

void BView::SetCursor(const BCursor* cursor)
{
	BPrivate::WindowLockCheck check(fWindow, "SetCursor");
	fCursor = cursor;
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
	fWindow->RequestPendingFrame();
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

void BView::ClearTracking()
{
	if (fPlatform != nullptr)
		fPlatform->tracking = false;
}

HWND BView::NativeHandle() const
{
	return fPlatform != nullptr ? fPlatform->handle : nullptr;
}

bool BView::IsNativeMovePending() const
{
	return fPlatform != nullptr && fPlatform->handle != nullptr &&
	       (fPlatform->bits & BPrivate::kNativeMovePending) != 0;
}

namespace BPrivate {

ViewPlatform* PlatformOf(const BView* view)
{
	return view->fPlatform.get();
}

HWND NativeHandleOf(const BView* view)
{
	return view->NativeHandle();
}

}  // namespace BPrivate

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
	fWindow->fDragView = this;
	// One asked for earlier and not yet run goes.
	fPlatform->pendingDrag = std::move(request);
	return kOk;
}

void BView::EndDrag()
{
	fDragState &= ~kDragStarted;
	if (fPlatform != nullptr)
		fPlatform->tracking = false;
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

// --- drawing state ---

float BView::StringWidth(const BString& text)
{
	return fRender.StringWidth(text);
}

void BView::SetFont(const BFont& font, uint32 mask)
{
	BPrivate::WindowLockCheck check(fWindow, "SetFont");
	fRender.SetFont(font, mask);
}

void BView::SetPenWidth(float width)
{
	BPrivate::WindowLockCheck check(fWindow, "SetPenWidth");
	fRender.SetPenWidth(width);
}

void BView::SetBackgroundColor(rgb_color colour)
{
	BPrivate::WindowLockCheck check(fWindow, "SetBackgroundColor");
	fViewState &= ~kBackgroundFollowsParent;
	fRender.SetColor(kBackgroundColorIndex, colour.red, colour.green, colour.blue, colour.alpha);
}

void BView::SetForegroundColor(rgb_color colour)
{
	BPrivate::WindowLockCheck check(fWindow, "SetForegroundColor");
	fRender.SetColor(kForegroundColorIndex, colour.red, colour.green, colour.blue, colour.alpha);
}

void BView::SetForegroundColor(uint8 red, uint8 green, uint8 blue, uint8 alpha)
{
	SetForegroundColor(rgb_color{red, green, blue, alpha});
}

void BView::SetSecondaryColor(rgb_color colour)
{
	BPrivate::WindowLockCheck check(fWindow, "SetSecondaryColor");
	fRender.SetColor(kSecondaryColorIndex, colour.red, colour.green, colour.blue, colour.alpha);
}

void BView::SetBlendMode(bool blend)
{
	BPrivate::WindowLockCheck check(fWindow, "SetBlendMode");
	fRender.SetBlendMode(blend);
}

rgb_color BView::BackgroundColor() const
{
	return fRender.Color(kBackgroundColorIndex);
}

rgb_color BView::ForegroundColor() const
{
	return fRender.Color(kForegroundColorIndex);
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
		fWindow->NavigateByTab(fWindow->CurrentModifiers());
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
