// WinViewDropTarget: the OLE drop target of a view. It turns the platform's
// drag-enter, drag-over, drag-leave and drop calls into the framework's own
// mouse messages for the view ('_MMV' and '_MUP'), so that a view handles a
// drag as it handles mouse movement. A drop of a drag started in this process
// first delivers a copy of the dragged message carrying "be:drop pt".
//
// Every view that accepts dropped files and every top-level view registers a
// target when its native window is made; WM_DESTROY revokes it. The platform
// calls a target on the view's window thread, and each call takes the
// window's lock.
#pragma once

#include "kernel/WinComObject.h"

#include <oleidl.h>

class BView;
class BWindow;

namespace BPrivate {
class NativeDelivery;
}

class WinViewDropTarget final : public BPrivate::WinComObject<IDropTarget, IID_IDropTarget> {
public:
	enum class DragKind { kEnter, kOver, kLeave, kDrop };

	// For the view and the window it is in now.
	explicit WinViewDropTarget(BView* view);

	// On the view's window thread, from its native window procedure: makes,
	// locks and registers a target for the view's native window; the view
	// holds it until Revoke. Null when it could not be made or registered.
	static WinViewDropTarget* Register(BView* view, HWND handle);
	// Revokes and releases a registered target (null: nothing); a call that
	// still reaches it afterwards does nothing.
	static void Revoke(WinViewDropTarget* target, HWND handle);
	// The view leaves the target on a thread that cannot revoke it: the
	// platform's calls reach no view from now on, and the window's thread
	// revokes it later. With the window locked.
	void ForgetView() { fView = nullptr; }
	// The view's registered target, or null.
	static WinViewDropTarget* Of(const BView* view);

	// Each answers S_OK, whatever the drag step made of the call.
	HRESULT STDMETHODCALLTYPE DragEnter(IDataObject* data, DWORD keyState, POINTL point, DWORD* effect) override;
	HRESULT STDMETHODCALLTYPE DragOver(DWORD keyState, POINTL point, DWORD* effect) override;
	HRESULT STDMETHODCALLTYPE DragLeave() override;
	HRESULT STDMETHODCALLTYPE Drop(IDataObject* data, DWORD keyState, POINTL point, DWORD* effect) override;

	// One step of a drag at `point` (screen coordinates) over the target's
	// own view, which is how the platform's calls come, or over the view of
	// the window that a drag started from. `effect`, when given, receives the
	// effect the view chose.
	void RunDragStep(DragKind kind, DWORD keyState, POINTL point, DWORD* effect, bool toDragSource = false);

private:
	~WinViewDropTarget() override = default;

	static bool OffersBundle(IDataObject* data);
	// The hand-over of a platform call while another view of the window is
	// the source of a drag: that view, to which the step is repeated, or null.
	BView* NoteHandOver(DWORD keyState, POINTL point);
	// Builds and dispatches the step's messages to `view`; false when the
	// view left the window meanwhile.
	bool DeliverStep(DragKind kind, DWORD keyState, POINTL point, BView* view, BPrivate::NativeDelivery* delivery);
	DWORD EffectOf(const BView* view) const;

	BView* fView;
	BWindow* fWindow;
	bool fHasBundle = false;
	int32 fButtons = 0;
	POINTL fLastPoint = {0, 0};
};
