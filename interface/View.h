// BView: a handler that occupies a rectangle of a window, draws itself through
// its own BRender and receives input.
//
// Views form a tree under their window's root view. Once the window has its
// native window, every view gets a native child window of its own, so that
// position, clipping, visibility, enabling, focus, painting and mouse tracking
// are the platform's, per view. A view's frame is in its parent's client
// coordinates (what the native child window's position is); its bounds start
// at its scroll origin.
//
// A view is used with its window locked: on the window's thread, or on
// another thread that holds the lock. Its mutating operations report a call
// made without the lock through the debugger hook (WindowLockCheck) and go on.
// Its native windows belong to the window's thread: there a change reaches
// them at once; from another thread the view's state changes at once and its
// native windows follow at the window thread's next turn (SyncNative), and
// the few operations that cannot wait (StartDrag) are refused and reported.
// A detached view belongs to whoever made it and may be used by that one
// thread.
#pragma once

#include "interface/Color.h"
#include "interface/Point.h"
#include "interface/Rect.h"
#include "interface/Render.h"
#include "interface/WinTypes.h"
#include "messaging/Handler.h"

#include <memory>

class BCursor;
class BFont;
class BMessage;
class BScrollBar;
class BView;
class BWindow;

namespace BPrivate {
class ViewNative;
struct ViewPlatform;
}

// View flags.
constexpr uint32 kAcceptsDroppedFiles = 0x10000;
constexpr uint32 kChildrenClipSiblings = 0x40000;
constexpr uint32 kNavigable = 0x2000000;
constexpr uint32 kNavigableGroup = 0x8000000;
// The view draws content of its own in OnDraw. The framework paints every
// view that is no native control either way; the flag tells a reader which
// views mean to draw.
constexpr uint32 kDrawsContent = 0x20000000;

// Follow modes: four 4-bit rules, each naming the parent edge that an edge of
// the view keeps its distance to. The left edge's rule sits in bits 8..11,
// the top's in 12..15, the right's in 0..3 and the bottom's in 4..7.
constexpr uint32 kFollowNone = 0;
constexpr uint32 kFollowTopEdge = 1;
constexpr uint32 kFollowLeftEdge = 2;
constexpr uint32 kFollowBottomEdge = 3;
constexpr uint32 kFollowRightEdge = 4;
// Every edge follows its own side of the parent: the view grows with it.
constexpr uint32 kFollowAllSides = 0x1234;
// Left and top follow left and top: the view keeps its frame.
constexpr uint32 kFollowLeftTop = 0x1212;

// Drag state bit of a view: a drag started from it is in progress.
constexpr uint32 kDragStarted = 0x1;

// Transits of a mouse move.
constexpr int32 kEnteredView = 0;
constexpr int32 kInsideView = 1;
constexpr int32 kExitedView = 2;
constexpr int32 kOutsideView = 3;

// Mouse buttons.
constexpr int32 kPrimaryMouseButton = 0x1;
constexpr int32 kSecondaryMouseButton = 0x2;
constexpr int32 kTertiaryMouseButton = 0x4;

// The size hint of a view's content (SizeHint and FitToSizeHint).
constexpr int32 kContentSizeHint = 2;

// State a subclass may hang on a view; deleted with the view.
class BViewExtension {
public:
	virtual ~BViewExtension() = default;
};

class BView : public BHandler {
public:
	BView(BRect frame, const char* name, uint32 followMode, uint32 viewFlags);
	// A view still in a window is reported and removed first.
	~BView() override;

	void HandleMessage(BMessage* message) override;

	// The union of the children's frames; (0, 0, 0, 0) without children.
	virtual BRect UnionOfChildFrames() const;
	// Scrolls the content so that `origin` (floored) is at the client's
	// left-top corner.
	virtual void SetScrollOrigin(BPoint origin);
	virtual void SetEnabled(bool enabled, bool children);
	virtual void SetFollowMode(uint32 mode);
	virtual void PreferredSize(float* width, float* height);
	virtual void FitToPreferredSize();
	virtual void OnFrameMoved(float x, float y);
	virtual void OnFrameResized(float width, float height);
	virtual void SetFont(const BFont& font, uint32 mask);
	virtual void SetPenWidth(float width);
	virtual void SetViewFlags(uint32 flags);
	virtual void OnAddedToWindow();
	virtual void OnAttached();
	virtual void OnAllAttached();
	virtual void OnDetached();
	virtual void OnAllDetached();
	virtual void OnWindowActivated(bool active);
	virtual void OnDraw(BRender* render, BRect update);
	// The defaults of the key and mouse hooks run the native default handling
	// of the event; OnKeyDown first offers Tab to the window's navigation.
	virtual void OnKeyDown(const char* bytes, int32 numBytes);
	virtual void OnKeyUp(const char* bytes, int32 numBytes);
	virtual void OnMouseDown(BPoint where);
	virtual void OnMouseMoved(BPoint where, int32 transit, const BMessage* drag);
	virtual void OnMouseUp(BPoint where);
	// 1 when a scroll bar took the wheel, else 0.
	virtual int32 OnWheel(float dx, float dy);
	virtual void SetBackgroundColor(rgb_color colour);
	virtual void SetForegroundColor(rgb_color colour);
	virtual void SetSecondaryColor(rgb_color colour);
	virtual void SetBlendMode(bool blend);
	virtual void SetFocused(bool focused);
	virtual void Show();
	virtual void Hide();
	// Kind kContentSizeHint: the largest right and bottom of the children's
	// frames. -1 for other kinds.
	[[nodiscard]] virtual status_t SizeHint(int32 kind, float size[2]);
	// A layout query no view of this program answers: -1.
	[[nodiscard]] virtual status_t QueryLayout(int32 kind, float* value);
	// Lets a view adjust a scroll value; answers it unchanged.
	virtual float AdjustScrollValue(float value);
	// Makes the view's native window under `parent`: a "BView" window. A
	// control makes a native control instead and then paints nothing itself.
	virtual HWND CreateNativeView(HWND parent, HINSTANCE instance);
	// The native procedure the view's own procedure replaced.
	virtual LRESULT CallPreviousWindowProc(HWND handle, UINT message, WPARAM wParam, LPARAM lParam);

	// The tree. AddChild and RemoveSelf lock an attached window themselves;
	// the queries expect it locked.
	[[nodiscard]] status_t AddChild(BView* child, BView* before = nullptr);
	[[nodiscard]] status_t RemoveSelf();
	// Null for a view added through the window, although it sits under the root.
	BView* Parent() const;
	BWindow* Window() const { return fWindow; }
	int32 CountChildren() const;
	BView* ChildAt(int32 index) const;
	bool IsFocus() const;

	BRect Frame() const;
	BRect Bounds() const;
	BPoint ScrollOrigin() const { return fOrigin; }
	// View to screen coordinates, rounded; -1 without a native window.
	[[nodiscard]] status_t ConvertToScreen(BPoint* point) const;
	void Invalidate();
	void Invalidate(BRect rect);
	void SetFrame(BRect frame);
	void MoveBy(float dx, float dy);
	// The frame takes the hinted width and height (a negative one keeps the
	// current); the hint's status when it is negative.
	[[nodiscard]] status_t FitToSizeHint(int32 kind);
	uint32 FollowMode() const { return fFollowMode; }
	uint32 ViewFlags() const { return fViewFlags; }
	bool IsEnabled() const { return (fViewState & kDisabledState) == 0; }
	bool IsHidden() const;

	// The last mouse point in view coordinates, the buttons held and the
	// click count; any output may be null.
	void MouseState(BPoint* where, int32* buttons, int32* clicks) const;
	// Null means the default arrow. The cursor is not owned.
	void SetCursor(const BCursor* cursor);
	const BCursor* Cursor() const { return fCursor; }

	float StringWidth(const BString& text);
	void SetForegroundColor(uint8 red, uint8 green, uint8 blue, uint8 alpha);
	rgb_color BackgroundColor() const;
	rgb_color ForegroundColor() const;
	BRender* Render() { return &fRender; }

	// The scroll bars the wheel drives. A scroll bar attaches itself as
	// vertical (`vertical` true) or horizontal and detaches when it goes; a
	// bar attached on an axis that has one already takes its place, and the
	// bar it replaces no longer scrolls the view.
	void AttachScrollBar(BScrollBar* bar, bool vertical);
	void DetachScrollBar(BScrollBar* bar);
	BScrollBar* ScrollBar(bool vertical) const { return vertical ? fVerticalBar : fHorizontalBar; }

	// For drag and drop: bit 0x1 move, 0x2 copy, as the view accepts a drag
	// over it; and whether a drag started from it is in progress.
	uint32 DropEffect() const { return fDropEffect; }
	void SetDropEffect(uint32 effect) { fDropEffect = effect; }
	uint32 DragState() const { return fDragState; }
	// From one of this view's mouse hooks, while a button is held: drags a
	// copy of `message` once the hook has returned. kNotAllowed without a
	// button held or on another thread than the window's (reported), kError
	// without a native window.
	[[nodiscard]] status_t StartDrag(const BMessage& message);

protected:
	// Runs the default native handling of the message being delivered, once.
	void RunDefaultNativeHandling();
	// The view's own drawing state, for a subclass that keeps more.
	void SetExtension(BViewExtension* extension);

private:
	// The few operations the window and the native layer need (ViewNative.h).
	friend class BPrivate::ViewNative;

	static constexpr uint32 kDisabledState = 0x1;
	static constexpr uint32 kBackgroundFollowsParent = 0x2;
	// Hidden by Hide while it has a native window; what IsHidden tells while
	// the native window has yet to follow.
	static constexpr uint32 kHiddenState = 0x4;

	class ChildWalk;

	// Where the frame change comes from.
	enum class FrameSource { kSetter, kParent, kScrolling, kNative };

	// The tree's bookkeeping.
	// A view that already has a parent or a window cannot be added again:
	// true, reported through the debugger hook.
	bool ReportIfOwned() const;
	// Adds `view` under this root view, marked top-level from the start, so
	// that its hooks already see no parent.
	[[nodiscard]] status_t AddTopLevelChild(BView* view, BView* before);
	void AttachToWindow(BWindow* window);
	void DetachFromWindow();
	void RunAddedToWindow();
	void LinkChild(BView* child, BView* before);
	void UnlinkFromParent();
	// Parents first; views already attached are skipped.
	void AttachPass();
	void DetachPass();
	void DestroyNativeView();
	// Runs the attach pass over a view added to a window that has its native
	// window: at once on the window's thread, else at that thread's next turn.
	void AttachNow();
	// The attach pass over every child (the root view's own native window is
	// the window's).
	void AttachChildren();

	void ApplyFrameChange(BRect frame, FrameSource source);
	void ComputeFollowOffsets();
	void FollowParentResize(BRect parentBounds);
	// Moves the native windows of the subtree to their pending frames and
	// gives them the rest of their pending native state; true when any moved.
	bool ApplyPendingNativeState();
	// Gives the native window `what` (kSync bits of ViewPlatform.h) of the
	// view's state: at once on the window's thread, else at its next turn.
	void SyncNative(uint8 what);
	void ApplyNativeSync(uint8 what);
	// Marks the subtree's native windows to move to their frames at the
	// window's new scale, and gives them the control font made for it.
	void PrepareRescale();
	void InvalidateChildren();
	void SendScrolledMouseMove();
	HWND NativeHandle() const;
	// A native move waits for the window's pending-frame application; until
	// then the view reports the frame it moves to.
	bool IsNativeMovePending() const;

	// The mouse state a mouse message of the window's dispatch leaves: the
	// point, buttons, clicks and screen point, and the copy a later scroll
	// sends again. `*where` is the point for the hook. False when the message
	// lacks its fields, or is a scrolled move the view did not ask for: then
	// nothing changed and no hook runs.
	bool RecordMouse(const BMessage& message, BPoint* where);

	int32 OfferWheel(float dx, float dy);

	BRect fFrame;
	BRender fRender;
	uint32 fFollowMode;
	uint32 fViewFlags;
	uint32 fViewState = kBackgroundFollowsParent;
	BViewExtension* fExtension = nullptr;
	BWindow* fWindow = nullptr;
	BView* fParent = nullptr;
	BView* fNextSibling = nullptr;
	BView* fPreviousSibling = nullptr;
	BView* fFirstChild = nullptr;
	bool fAttached = false;
	bool fTopLevel = false;
	const BCursor* fCursor = nullptr;
	uint32 fDropEffect = 0;
	BPoint fOrigin;
	BScrollBar* fVerticalBar = nullptr;
	BScrollBar* fHorizontalBar = nullptr;
	float fFollowOffsets[4] = {0.0f, 0.0f, 0.0f, 0.0f};
	BMessage* fLastMouseMessage = nullptr;
	BPoint fLastMousePoint{-1.0f, -1.0f};
	int32 fButtons = 0;
	int32 fClicks = 0;
	BPoint fLastScreenPoint;
	bool fWantsScrolledMove = false;
	uint32 fDragState = 0;
	std::unique_ptr<BPrivate::ViewPlatform> fPlatform;
};
