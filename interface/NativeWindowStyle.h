// The style words of a window's native window and the frame conversions that
// follow from them.
//
// The style and the extended style come from the window's look, feel, flags
// and state; a layered window gets its opacity and colour key. A window's
// frame is its client area in screen coordinates; the outer rectangle of its
// native window adds the native frame, as AdjustWindowRectEx gives it for the
// window's style, extended style and menu bar. Every crossing between a
// window's frame (framework units) and its outer rectangle (pixels of its
// display) goes through these conversions.
//
// Private to the interface layer; the window's thread, or a thread that holds
// the window's lock.
#pragma once

#include "interface/DisplayScale.h"
#include "interface/Rect.h"
#include "support/SupportDefs.h"

#include <windows.h>

class BWindow;

uint32 ComputeWindowStyle(const BWindow* window);
uint32 ComputeWindowExStyle(const BWindow* window);
void ApplyLayeredAttributes(const BWindow* window, HWND handle);

// The adjustment is a rectangle around (0, 0): left and top negative, right
// and bottom positive, in pixels. The frame is in framework units, the outer
// rectangle in pixels of the display at `scale`, not yet made whole.
RECT FrameAdjustment(const BWindow* window);
BRect OuterRectFromFrame(BRect frame, const RECT& adjustment, BPrivate::DisplayScale scale);
BRect FrameFromOuterRect(const RECT& outer, const RECT& adjustment, BPrivate::DisplayScale scale);

// Where a native window goes to show a frame: its outer left-top corner and
// size in whole pixels.
struct native_placement {
	int x;
	int y;
	int width;
	int height;
};

// The placement a window's frame asks for: the frame's corner moved by the
// adjustment's, its size grown by the adjustment's.
native_placement PlacementOfFrame(BRect frame, const RECT& adjustment, BPrivate::DisplayScale scale);
