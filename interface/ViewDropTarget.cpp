// The drop targets of views and the drag step that turns a drag into mouse
// messages.
#include "interface/ViewDropTarget.h"

#include "interface/DropData.h"
#include "interface/View.h"
#include "interface/ViewNativeWindow.h"
#include "interface/Window.h"
#include "messaging/Message.h"
#include "messaging/MessageCodes.h"

#include <memory>
#include <new>

using BPrivate::ViewNativeWindow;

namespace {

// The bits of a view's drop-effect word.
constexpr uint32 kMoveEffectBit = 0x1;
constexpr uint32 kCopyEffectBit = 0x2;

}  // namespace

WinViewDropTarget::WinViewDropTarget(BView* view) : fView(view), fWindow(view != nullptr ? view->Window() : nullptr)
{
}

// --- registration ---

void WinViewDropTarget::RegisterFor(BView* view)
{
	BPrivate::view_native_extras* extras = view->fNativeExtras;
	if (extras == nullptr || extras->dropTarget != nullptr)
		return;
	if ((view->fViewFlags & kAcceptsDroppedFiles) == 0 && !view->fTopLevel)
		return;
	WinViewDropTarget* target = new (std::nothrow) WinViewDropTarget(view);
	if (target == nullptr)
		return;
	// The external lock keeps the target alive for the platform's marshalled
	// references until the revocation lets go of them.
	if (FAILED(CoLockObjectExternal(target, TRUE, FALSE))) {
		target->Release();
		return;
	}
	if (FAILED(RegisterDragDrop(view->fNativeHandle, target))) {
		CoLockObjectExternal(target, FALSE, TRUE);
		target->Release();
		return;
	}
	extras->dropTarget = target;
}

void WinViewDropTarget::RevokeFor(BView* view, HWND handle)
{
	BPrivate::view_native_extras* extras = view->fNativeExtras;
	WinViewDropTarget* target = extras != nullptr ? extras->dropTarget : nullptr;
	if (target == nullptr)
		return;
	extras->dropTarget = nullptr;
	// A drag under way may still hold the target and call it: it finds no view.
	target->fView = nullptr;
	// Fails only for a window that was never registered, which leaves nothing
	// to undo.
	RevokeDragDrop(handle);
	CoLockObjectExternal(target, FALSE, TRUE);
	target->Release();
}

WinViewDropTarget* WinViewDropTarget::Of(const BView* view)
{
	return view->fNativeExtras != nullptr ? view->fNativeExtras->dropTarget : nullptr;
}

// --- the platform's calls ---

bool WinViewDropTarget::OffersBundle(IDataObject* data)
{
	FORMATETC bundle = BundleFormatEtc();
	return data != nullptr && bundle.cfFormat != 0 && data->QueryGetData(&bundle) == S_OK;
}

HRESULT WinViewDropTarget::DragEnter(IDataObject* data, DWORD keyState, POINTL point, DWORD* effect)
{
	fHasBundle = OffersBundle(data);
	fLastPoint = point;
	RunDragStep(DragKind::kEnter, keyState, point, effect);
	return S_OK;
}

HRESULT WinViewDropTarget::DragOver(DWORD keyState, POINTL point, DWORD* effect)
{
	fLastPoint = point;
	RunDragStep(DragKind::kOver, keyState, point, effect);
	return S_OK;
}

HRESULT WinViewDropTarget::DragLeave()
{
	RunDragStep(DragKind::kLeave, 0, fLastPoint, nullptr);
	return S_OK;
}

HRESULT WinViewDropTarget::Drop(IDataObject* data, DWORD keyState, POINTL point, DWORD* effect)
{
	fHasBundle = OffersBundle(data);
	RunDragStep(DragKind::kDrop, keyState, point, effect);
	return S_OK;
}

// --- the drag step ---

void WinViewDropTarget::RunDragStep(DragKind kind, DWORD keyState, POINTL point, DWORD* effect, BView* view)
{
	if (effect != nullptr)
		*effect = DROPEFFECT_NONE;
	bool topLevel = view == nullptr;
	if (topLevel)
		view = fView;
	if (view == nullptr || fWindow == nullptr || !fWindow->Lock())
		return;
	BView* repeatFor = nullptr;
	// A repeat goes to the window's drag source only while it still is one.
	bool current = view->Window() == fWindow && view->NativeHandle() != nullptr &&
	               (topLevel || fWindow->DragView() == view);
	if (current) {
		if (topLevel)
			repeatFor = NoteHandOver(keyState, point);
		if (DeliverStep(kind, keyState, point, view) && effect != nullptr)
			*effect = EffectOf(view);
	}
	fWindow->Unlock();
	fWindow->RunUnlockedWork();
	// The source sees the drag pass over the other views of its window; its
	// own leave and drop come when the drag ends.
	if (repeatFor != nullptr && (kind == DragKind::kEnter || kind == DragKind::kOver))
		RunDragStep(DragKind::kOver, keyState, point, nullptr, repeatFor);
}

BView* WinViewDropTarget::NoteHandOver(DWORD keyState, POINTL point)
{
	drop_hand_over& handOver = fWindow->DropHandOver();
	handOver.pendingRelease = false;
	BView* source = fWindow->DragView();
	if (source == nullptr || source == fView || (source->DragState() & kDragStarted) == 0)
		return nullptr;
	handOver.pendingRelease = true;
	handOver.x = point.x;
	handOver.y = point.y;
	handOver.keyState = keyState;
	return source;
}

bool WinViewDropTarget::DeliverStep(DragKind kind, DWORD keyState, POINTL point, BView* view)
{
	POINT client = {point.x, point.y};
	ScreenToClient(view->NativeHandle(), &client);

	ViewNativeWindow::MouseKind mouse = ViewNativeWindow::MouseKind::kMove;
	int32 transit = kInsideView;
	switch (kind) {
	case DragKind::kEnter:
	case DragKind::kOver:
		fButtons = BPrivate::ButtonsOfMouseKeys(keyState);
		// An entry is one even while the view still tracks the pointer's own
		// moves from before the drag, whose leave the drag loop holds back.
		if (kind == DragKind::kEnter || !view->fTracking) {
			view->fTracking = true;
			ViewNativeWindow::ShowCursorOf(view);
			transit = kEnteredView;
		}
		break;
	case DragKind::kLeave:
		view->fTracking = false;
		mouse = ViewNativeWindow::MouseKind::kLeave;
		break;
	case DragKind::kDrop:
		mouse = ViewNativeWindow::MouseKind::kUp;
		break;
	}

	BMessage message;
	std::unique_ptr<BMessage> dropped;
	ViewNativeWindow::BuildDragMouseMessage(view, client, mouse, transit, fButtons, &message, &dropped);
	if (kind == DragKind::kEnter)
		view->SetDropEffect(0);

	sptr<BHandler::ValidAtom> validity = view->Validity();
	auto stillInWindow = [&] { return validity != nullptr && validity->IsValid() && view->Window() == fWindow; };
	// The drag's steps are no native messages of the view: its hooks owe
	// nothing to the native default handling.
	if (dropped != nullptr)
		fWindow->DispatchOne(dropped.release(), view, kNoToken, false);
	if (stillInWindow()) {
		if (BMessage* copy = new (std::nothrow) BMessage(message))
			fWindow->DispatchOne(copy, view, kNoToken, false);
	}
	if (!stillInWindow())
		return false;
	if (kind == DragKind::kDrop) {
		view->fTracking = false;
		view->fDragState = 0;
		ReleaseCapture();
	}
	return true;
}

DWORD WinViewDropTarget::EffectOf(const BView* view) const
{
	if (!fHasBundle)
		return DROPEFFECT_NONE;
	DWORD effect = DROPEFFECT_NONE;
	if ((view->DropEffect() & kMoveEffectBit) != 0)
		effect |= DROPEFFECT_MOVE;
	if ((view->DropEffect() & kCopyEffectBit) != 0)
		effect |= DROPEFFECT_COPY;
	return effect;
}
