// ViewNative: the operations of a view that only the interface layer's own
// units use.
//
// A view's window reaches the tree's bookkeeping, the views' mouse records and
// the wheel through it; the native window procedures and drag and drop reach
// the few parts of a view's framework state they act on. BView befriends this
// one class: its public interface keeps what any user of a view may call, and
// each operation here is named after the one thing it does.
//
// What a view keeps of its native side (ViewPlatform.h) is reached through
// PlatformOf, which only the view's own native units call: ViewNativeWindow
// (its native windows, their procedures and the delivery of their events)
// and ViewInput (the events' fields and pointer tracking). BView's own members
// reach it directly.
//
// Private to the interface layer; used on the view's window thread, or by a
// thread that holds the window's lock.
#pragma once

#include "interface/View.h"

namespace BPrivate {

struct ViewPlatform;

class ViewNative {
public:
	// --- for the view's window

	// The window's root view joins its window.
	static void AttachToWindow(BView* root, BWindow* window) { root->AttachToWindow(window); }
	// A view that already has a parent or a window cannot be added again:
	// true, reported through the debugger hook.
	static bool ReportIfOwned(const BView* view) { return view->ReportIfOwned(); }
	// Adds `view` under the root view, marked top-level from the start, so
	// that its hooks already see no parent.
	[[nodiscard]] static status_t AddTopLevelChild(BView* root, BView* view, BView* before)
	{
		return root->AddTopLevelChild(view, before);
	}
	// The attach pass over the root view's children (the root view's own
	// native window is the window's).
	static void AttachChildren(BView* root) { root->AttachChildren(); }
	// Moves the native windows of the tree to their pending frames and gives
	// them the rest of their pending native state.
	static void ApplyPendingNativeState(BView* root) { (void)root->ApplyPendingNativeState(); }
	// Every native window of the tree moves to its frame at the window's
	// current scale and gets the control font made for it.
	static void Rescale(BView* root)
	{
		root->PrepareRescale();
		(void)root->ApplyPendingNativeState();  // what moved is drawn again either way
	}
	// The mouse state a mouse message leaves on the view; false when the
	// message is not for the view's hooks (BView::RecordMouse).
	static bool RecordMouse(BView* view, const BMessage& message, BPoint* where)
	{
		return view->RecordMouse(message, where);
	}
	// Offers the wheel to the view and then to each of its parents, until one
	// takes it: 1 when one did.
	static int32 OfferWheel(BView* view, float dx, float dy) { return view->OfferWheel(dx, dy); }

	// --- for the native side

	// Null before the view's native window is made and after it goes.
	static HWND NativeHandle(const BView* view) { return view->NativeHandle(); }
	// The frame as the framework set it, whatever its native window shows.
	static BRect StoredFrame(const BView* view) { return view->fFrame; }
	// The view was added through the window: it sits under the root view
	// without a parent of its own.
	static bool IsTopLevel(const BView* view) { return view->fTopLevel; }
	// No drag started from the view is in progress any more.
	static void ClearDragState(BView* view) { view->fDragState = 0; }
	// Gives the view's native window the parts of its state named by `what`
	// (kSync bits of ViewPlatform.h): at once on the window's thread, else at
	// its next turn.
	static void SyncNative(BView* view, uint8 what) { view->SyncNative(what); }

private:
	friend class ViewInput;
	friend class ViewNativeWindow;

	// The view's native state; null only when it could not be allocated, in
	// which case the view never gets a native window.
	static ViewPlatform* PlatformOf(const BView* view) { return view->fPlatform.get(); }
};

}  // namespace BPrivate
