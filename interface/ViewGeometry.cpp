// BView: geometry. The frame and the bounds (the native window's while it
// has one), conversion to the screen, invalidation, the frame changes and the
// follow modes that carry them to the children, and the size hints.
#include "interface/View.h"

#include "interface/NativeCoordinates.h"
#include "interface/ViewChildWalk.h"
#include "interface/ViewPlatform.h"
#include "interface/WindowLockCheck.h"
#include "interface/WindowNative.h"

#include <cmath>

namespace {

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
			BPrivate::WindowNative::RequestNativeUpdate(fWindow);
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

bool BView::IsNativeMovePending() const
{
	return fPlatform != nullptr && fPlatform->handle != nullptr &&
	       (fPlatform->bits & BPrivate::kNativeMovePending) != 0;
}
