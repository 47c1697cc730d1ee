// The source side of a drag started in this process: WinDropSource, which
// tells the platform's drag loop when the drag goes on, drops or is cancelled,
// and the drag request that a view's StartDrag leaves for its native window
// procedure to run once the mouse hook has returned.
//
// The drag runs on the source view's window thread, with the window unlocked;
// the platform calls the drop source on that thread.
#pragma once

#include "interface/PendingDrag.h"
#include "kernel/WinComObject.h"

#include <oleidl.h>

#include <memory>

class BMessage;
class BView;

namespace BPrivate {

// The drag of a copy of `message` from `view`, with the buttons the view
// holds, to be run once the view's mouse hook has returned; null without
// memory.
std::unique_ptr<PendingDrag> MakeDragRequest(BView* view, const BMessage& message);

}  // namespace BPrivate

class WinDropSource final : public BPrivate::WinComObject<IDropSource, IID_IDropSource> {
public:
	// `buttons`: the framework's mouse buttons held when the drag started.
	explicit WinDropSource(int32 buttons);

	// Cancels on escape; goes on while every button held at the start is
	// down; drops once one of them is released.
	HRESULT STDMETHODCALLTYPE QueryContinueDrag(BOOL escapePressed, DWORD keyState) override;
	HRESULT STDMETHODCALLTYPE GiveFeedback(DWORD effect) override;

private:
	~WinDropSource() override = default;

	// The platform's mouse-key bits of the buttons.
	DWORD fButtonMask;
};
