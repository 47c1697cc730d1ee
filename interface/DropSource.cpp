// The drop source, the drag request and the view operation that asks for a
// drag.
#include "interface/DropSource.h"

#include "interface/DragMessage.h"
#include "interface/DropData.h"
#include "interface/NativeHandle.h"
#include "interface/View.h"
#include "interface/ViewDropTarget.h"
#include "interface/ViewInput.h"
#include "interface/ViewNative.h"
#include "interface/ViewNativeWindow.h"
#include "interface/Window.h"
#include "interface/WindowNative.h"
#include "kernel/WinComPtr.h"
#include "messaging/Message.h"
#include "support/Autolock.h"

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
class DragRequest final : public PendingDrag {
public:
	DragRequest(BView* view, std::unique_ptr<BMessage> message, int32 buttons)
		: fWindow(view->Window()), fView(view), fValidity(view->Validity()), fMessage(std::move(message)),
		  fButtons(buttons)
	{
	}

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
	std::unique_ptr<BMessage> fMessage;
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
	BAutolock lock(fWindow);
	if (!lock.IsLocked())
		return false;
	bool inWindow = ViewInWindow() && NativeHandleOf(fView) != nullptr;
	if (inWindow) {
		ReleaseCapture();
		ViewInput::StopTracking(fView);
	}
	return inWindow;
}

void DragRequest::Finish()
{
	// A slot that cannot be cleared (no lock, or its wait failed) holds what
	// the next drag replaces; the drag ends either way.
	(void)SetCurrentDragMessage(nullptr);
	drop_hand_over handOver;
	WinComPtr<WinViewDropTarget> target;
	{
		BAutolock lock(fWindow);
		if (!lock.IsLocked())
			return;
		handOver = WindowNative::DropHandOver(fWindow);
		WindowNative::DropHandOver(fWindow).pendingRelease = false;
		if (ViewInWindow()) {
			WinViewDropTarget* own = ViewNativeWindow::DropTargetOf(fView);
			if (own != nullptr && (fView->DragState() & kDragStarted) != 0 && handOver.pendingRelease) {
				// Held past the unlock, when a revocation could let go of it.
				own->AddRef();
				target = WinComPtr<WinViewDropTarget>(own);
			}
			ViewNative::ClearDragState(fView);
			ViewInput::ForgetTracking(fView);
		}
		WindowNative::SetDragView(fWindow, nullptr);
	}
	// The platform saw the button go up over another view; the source gets
	// its own mouse-up from its target, as a drop with no message to deliver.
	if (target) {
		POINTL point = {handOver.x, handOver.y};
		target->RunDragStep(WinViewDropTarget::DragKind::kDrop, handOver.keyState, point, nullptr);
	}
}

std::unique_ptr<PendingDrag> MakeDragRequest(BView* view, const BMessage& message)
{
	std::unique_ptr<BMessage> copy(new (std::nothrow) BMessage(message, true));
	if (copy == nullptr)
		return nullptr;
	int32 buttons = 0;
	view->MouseState(nullptr, &buttons, nullptr);
	return std::unique_ptr<PendingDrag>(new (std::nothrow) DragRequest(view, std::move(copy), buttons));
}

}  // namespace BPrivate
