// The drop targets of views and the drag step that turns a drag into mouse
// messages.
#include "interface/ViewDropTarget.h"

#include "interface/DropData.h"
#include "interface/NativeDispatch.h"
#include "interface/NativeHandle.h"
#include "interface/View.h"
#include "interface/ViewInput.h"
#include "interface/Window.h"
#include "interface/WindowNative.h"
#include "messaging/Message.h"
#include "messaging/MessageCodes.h"

#include <memory>
#include <new>
#include <utility>

using BPrivate::NativeDelivery;
using BPrivate::ViewInput;

namespace {

// The bits of a view's drop-effect word.
constexpr uint32 kMoveEffectBit = 0x1;
constexpr uint32 kCopyEffectBit = 0x2;

}  // namespace

WinViewDropTarget::WinViewDropTarget(BView* view) : fView(view), fWindow(view != nullptr ? view->Window() : nullptr)
{
}

// --- registration ---

WinDropTargetRegistration WinDropTargetRegistration::Register(BView* view, HWND handle)
{
	WinComPtr<WinViewDropTarget> target(new (std::nothrow) WinViewDropTarget(view));
	if (!target)
		return WinDropTargetRegistration();
	// The external lock keeps the target alive for the platform's marshalled
	// references until the revocation lets go of them.
	if (FAILED(CoLockObjectExternal(target.Get(), TRUE, FALSE)))
		return WinDropTargetRegistration();
	if (FAILED(RegisterDragDrop(handle, target.Get()))) {
		CoLockObjectExternal(target.Get(), FALSE, TRUE);
		return WinDropTargetRegistration();
	}
	return WinDropTargetRegistration(handle, target.Detach());
}

WinDropTargetRegistration::WinDropTargetRegistration(WinDropTargetRegistration&& other) noexcept
	: fHandle(other.fHandle), fTarget(std::move(other.fTarget))
{
	other.fHandle = nullptr;
}

WinDropTargetRegistration& WinDropTargetRegistration::operator=(WinDropTargetRegistration&& other) noexcept
{
	if (this != &other) {
		Revoke();
		fHandle = other.fHandle;
		fTarget = std::move(other.fTarget);
		other.fHandle = nullptr;
	}
	return *this;
}

void WinDropTargetRegistration::Revoke()
{
	if (!fTarget)
		return;
	fTarget->ForgetView();
	// Fails only for a window that was never registered, which leaves nothing
	// to undo.
	RevokeDragDrop(fHandle);
	CoLockObjectExternal(fTarget.Get(), FALSE, TRUE);
	fTarget.Reset();
	fHandle = nullptr;
}

void WinDropTargetRegistration::Abandon()
{
	// The reference goes with the lock the platform still holds.
	(void)fTarget.Detach();
	fHandle = nullptr;
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

void WinViewDropTarget::RunDragStep(DragKind kind, DWORD keyState, POINTL point, DWORD* effect, bool toDragSource)
{
	if (effect != nullptr)
		*effect = DROPEFFECT_NONE;
	if (fWindow == nullptr)
		return;
	bool repeat = false;
	{
		// The view is read with the window locked: another thread may remove
		// and delete it only while it holds the lock.
		NativeDelivery delivery(fWindow);
		BView* view = toDragSource ? fWindow->DragView() : fView;
		if (!delivery.Reach(view) || BPrivate::NativeHandleOf(view) == nullptr)
			return;
		if (!toDragSource)
			repeat = NoteHandOver(keyState, point) != nullptr;
		if (DeliverStep(kind, keyState, point, view, &delivery) && effect != nullptr)
			*effect = EffectOf(view);
	}
	// The source sees the drag pass over the other views of its window; its
	// own leave and drop come when the drag ends.
	if (repeat && (kind == DragKind::kEnter || kind == DragKind::kOver))
		RunDragStep(DragKind::kOver, keyState, point, nullptr, true);
}

BView* WinViewDropTarget::NoteHandOver(DWORD keyState, POINTL point)
{
	drop_hand_over& handOver = BPrivate::WindowNative::DropHandOver(fWindow);
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

bool WinViewDropTarget::DeliverStep(DragKind kind, DWORD keyState, POINTL point, BView* view, NativeDelivery* delivery)
{
	POINT client = {point.x, point.y};
	ScreenToClient(BPrivate::NativeHandleOf(view), &client);

	ViewInput::MouseKind mouse = ViewInput::MouseKind::kMove;
	int32 transit = kInsideView;
	switch (kind) {
	case DragKind::kEnter:
	case DragKind::kOver:
		fButtons = BPrivate::ButtonsOfMouseKeys(keyState);
		transit = ViewInput::TrackDrag(view, kind == DragKind::kEnter);
		break;
	case DragKind::kLeave:
		ViewInput::ForgetTracking(view);
		mouse = ViewInput::MouseKind::kLeave;
		break;
	case DragKind::kDrop:
		mouse = ViewInput::MouseKind::kUp;
		break;
	}

	BMessage message;
	std::unique_ptr<BMessage> dropped;
	ViewInput::BuildDragMouseMessage(view, client, mouse, transit, fButtons, &message, &dropped);
	if (kind == DragKind::kEnter)
		view->SetDropEffect(0);

	// The drag's steps are no native messages of the view: its hooks owe
	// nothing to the native default handling.
	delivery->Dispatch(std::move(dropped));
	delivery->Dispatch(message);
	if (!delivery->StillReaches())
		return false;
	if (kind == DragKind::kDrop)
		ViewInput::EndDrop(view);
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
