// WinViewDropTarget: the OLE drop target of a view. It turns the platform's
// drag-enter, drag-over, drag-leave and drop calls into the framework's own
// mouse messages for the view ('_MMV' and '_MUP'), so that a view handles a
// drag as it handles mouse movement. A drop of a drag started in this process
// first delivers a copy of the dragged message carrying "be:drop pt".
//
// Every view that accepts dropped files and every top-level view registers a
// target when its native window is made (WinDropTargetRegistration); WM_DESTROY
// revokes it. The platform calls a target on the view's window thread, and
// each call takes the window's lock.
#pragma once

#include "kernel/WinComObject.h"
#include "kernel/WinComPtr.h"

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

	// The platform's calls reach no view from now on: the view leaves the
	// target, or the target is revoked while a drag may still hold it. With
	// the window locked.
	void ForgetView() { fView = nullptr; }

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

// The registration of a view's drop target with the view's native window.
//
// Made on the window's thread when the native window is made, it holds one
// reference to the target and the external lock that keeps the target alive
// for the platform's marshalled references. When it goes, or is revoked, it
// revokes the registration and lets go of both. A thread other than the
// window's cannot revoke: the view then leaves the target (ForgetView) and
// hands the registration to the window's thread (BNativeWindow's deferred
// revocations). Owners move and never copy.
class WinDropTargetRegistration {
public:
	WinDropTargetRegistration() = default;
	// A target for `view`, locked and registered with `handle`; one that
	// holds nothing when any of that failed. On the view's window thread.
	static WinDropTargetRegistration Register(BView* view, HWND handle);
	// Revokes what it holds.
	~WinDropTargetRegistration() { Revoke(); }

	WinDropTargetRegistration(WinDropTargetRegistration&& other) noexcept;
	WinDropTargetRegistration& operator=(WinDropTargetRegistration&& other) noexcept;
	WinDropTargetRegistration(const WinDropTargetRegistration&) = delete;
	WinDropTargetRegistration& operator=(const WinDropTargetRegistration&) = delete;

	// The registered target, or null.
	WinViewDropTarget* Target() const { return fTarget.Get(); }
	explicit operator bool() const { return static_cast<bool>(fTarget); }

	// Revokes the registration, on the window's thread; a drag that still
	// holds the target finds no view. Holds nothing afterwards.
	void Revoke();
	// Lets go without revoking, for a thread that cannot revoke and has
	// nowhere to leave the registration: the target stays registered, and
	// alive, reaching no view, until the process ends.
	void Abandon();

private:
	WinDropTargetRegistration(HWND handle, WinViewDropTarget* target) : fHandle(handle), fTarget(target) {}

	HWND fHandle = nullptr;
	WinComPtr<WinViewDropTarget> fTarget;
};
