// The drop source, the drag request and the view operation that asks for a
// drag.
#include "interface/DropSource.h"

#include "interface/DragMessage.h"
#include "interface/DropData.h"
#include "interface/View.h"
#include "interface/ViewDropTarget.h"
#include "kernel/WinComPtr.h"
#include "interface/Window.h"
#include "messaging/Message.h"

#include <new>

namespace {

DWORD MouseKeysOf(int32 buttons)
{
	DWORD keys = 0;
	if ((buttons & kPrimaryMouseButton) != 0)
		keys |= MK_LBUTTON;
	if ((buttons & kSecondaryMouseButton) != 0)
		keys |= MK_RBUTTON;
	if ((buttons & kTertiaryMouseButton) != 0)
		keys |= MK_MBUTTON;
	return keys;
}

}  // namespace

WinDropSource::WinDropSource(int32 buttons) : fButtonMask(MouseKeysOf(buttons)) {}

HRESULT WinDropSource::QueryContinueDrag(BOOL escapePressed, DWORD keyState)
{
	if (escapePressed)
		return DRAGDROP_S_CANCEL;
	if ((keyState & fButtonMask) == fButtonMask)
		return S_OK;
	return DRAGDROP_S_DROP;
}

HRESULT WinDropSource::GiveFeedback(DWORD)
{
	return DRAGDROP_S_USEDEFAULTCURSORS;
}

namespace BPrivate {

// A drag asked for by a view: run once, after the mouse hook, by the view's
// native window procedure with the window unlocked. Holds the window, the view
// (through its validity, since the drag loop dispatches messages that may
// remove it) and the message to drag.
class DragRequest final : public BPendingDrag {
public:
	// Takes the message.
	DragRequest(BView* view, BMessage* message)
		: fWindow(view->Window()), fView(view), fValidity(view->Validity()), fMessage(message),
		  fButtons(view->fButtons)
	{
	}
	~DragRequest() override { delete fMessage; }

	void Run() override;

private:
	bool ViewInWindow() const { return fValidity != nullptr && fValidity->IsValid() && fView->Window() == fWindow; }
	// Hands the pointer over to the drag loop; false when the view left.
	bool PrepareView();
	// After the drag loop: the source's own mouse-up when the drag ended over
	// another view of its window, and the window's drag view cleared.
	void Finish();

	BWindow* fWindow;
	BView* fView;
	sptr<BHandler::ValidAtom> fValidity;
	BMessage* fMessage;
	int32 fButtons;
};

void DragRequest::Run()
{
	BMessage* current = new (std::nothrow) BMessage(*fMessage, true);
	// Without the slot's lock (no application) there is nothing to drag.
	if (current != nullptr && SetCurrentDragMessage(current) == kOk) {
		WinComPtr<IDataObject> data(WinDropData::Create());
		WinComPtr<IDropSource> source(data ? new (std::nothrow) WinDropSource(fButtons) : nullptr);
		if (source && PrepareView()) {
			DWORD effect = DROPEFFECT_NONE;
			// The drop target has had the message; what it chose to do with
			// it is its own affair, as is a cancelled or refused drag.
			DoDragDrop(data.Get(), source.Get(), DROPEFFECT_COPY | DROPEFFECT_MOVE, &effect);
		}
	}
	Finish();
}

bool DragRequest::PrepareView()
{
	if (!fWindow->Lock())
		return false;
	bool inWindow = ViewInWindow() && fView->fNativeHandle != nullptr;
	if (inWindow) {
		ReleaseCapture();
		TRACKMOUSEEVENT track = {sizeof(track), TME_CANCEL | TME_LEAVE, fView->fNativeHandle, 0};
		TrackMouseEvent(&track);
		fView->fTracking = false;
	}
	fWindow->Unlock();
	return inWindow;
}

void DragRequest::Finish()
{
	// A slot that cannot be cleared (no lock, or its wait failed) holds what
	// the next drag replaces; the drag ends either way.
	(void)SetCurrentDragMessage(nullptr);
	if (!fWindow->Lock())
		return;
	drop_hand_over handOver = fWindow->DropHandOver();
	fWindow->DropHandOver().pendingRelease = false;
	WinComPtr<WinViewDropTarget> target;
	if (ViewInWindow()) {
		WinViewDropTarget* own = WinViewDropTarget::Of(fView);
		if (own != nullptr && (fView->fDragState & kDragStarted) != 0 && handOver.pendingRelease) {
			// Held past the unlock, when a revocation could let go of it.
			own->AddRef();
			target = WinComPtr<WinViewDropTarget>(own);
		}
		fView->fTracking = false;
		fView->fDragState &= ~kDragStarted;
	}
	fWindow->SetDragView(nullptr);
	fWindow->Unlock();
	// The platform saw the button go up over another view; the source gets
	// its own mouse-up from its target, as a drop with no message to deliver.
	if (target) {
		POINTL point = {handOver.x, handOver.y};
		target->RunDragStep(WinViewDropTarget::DragKind::kDrop, handOver.keyState, point, nullptr);
	}
}

}  // namespace BPrivate

status_t BView::StartDrag(const BMessage& message)
{
	if (fWindow == nullptr || fNativeHandle == nullptr)
		return kError;
	// Without a button held the drag loop would find every button of the
	// drag still down and never drop.
	if (fButtons == 0)
		return kNotAllowed;
	BMessage* copy = new (std::nothrow) BMessage(message, true);
	BPrivate::DragRequest* request = copy != nullptr ? new (std::nothrow) BPrivate::DragRequest(this, copy) : nullptr;
	if (request == nullptr) {
		delete copy;
		return kNoMemory;
	}
	fDragState |= kDragStarted;
	fWindow->SetDragView(this);
	SetPendingDrag(request);
	return kOk;
}
