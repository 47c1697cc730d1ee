// PendingDrag: a drag asked for during a mouse hook.
//
// A view's StartDrag leaves one on the view (DropSource.h makes it); the
// view's native procedure takes it off the view once the hook has returned,
// runs it with the window unlocked, since the platform's drag loop runs the
// window's messages itself, and deletes it. Private to the interface layer;
// on the view's window thread.
#pragma once

namespace BPrivate {

class PendingDrag {
public:
	virtual ~PendingDrag() = default;
	virtual void Run() = 0;
};

}  // namespace BPrivate
