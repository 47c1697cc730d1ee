// ViewPaint: the painting of views. A view paints through its window's off-
// screen buffer (or straight onto the paint's device context when there is
// none), under the process-wide draw lock; the paints that scrolling leaves
// waiting are dispatched at once.
//
// The draw lock "WinView:g_drawLock" serialises all painting of the process:
// every window has one off-screen buffer, which one paint at a time uses, and
// GDI+ drawing is kept from running on several window threads at once. A
// painting thread holds its window's lock already and takes the draw lock
// second: window, then draw lock, never the other way round.
#pragma once

#include "support/Locker.h"

#include <windows.h>

class BView;

namespace BPrivate {

// Serialises all painting of the process.
BLocker& DrawLock();

// The view's WM_PAINT, on its window thread with its window locked: fills
// the paint's area with the background colour and lets the view draw it.
void PaintView(BView* view);

// Dispatches every WM_PAINT waiting in the calling thread's queue at once, so
// that what scrolling uncovered is drawn before anything else happens.
void DispatchPendingPaints();

}  // namespace BPrivate
