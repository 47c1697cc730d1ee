// OffscreenBuffer: the bitmap through which every view of a window paints.
//
// A 24-bit bottom-up DIB section selected into a memory device context
// compatible with the window's, and GDI+ graphics made on that context. One
// drawing at a time is begun on it for an update rectangle (client pixels of
// the native window being painted, which may be any view's of the window) and
// ended with the copy of that rectangle to the paint's device context. Each
// part has an owner of its own, and they go in the right order: the graphics,
// then the selection (the context gets its first bitmap back), the bitmap and
// the context.
//
// Private to the interface layer; a window's buffer is used on the window's
// thread, under the process-wide draw lock.
#pragma once

#include "interface/Point.h"
#include "interface/Rect.h"
#include "interface/WinGdi.h"
#include "support/SupportDefs.h"

#include <windows.h>

#include <memory>

class WinGdipGraphics;

namespace BPrivate {

class OffscreenBuffer {
public:
	// A buffer of exactly `width` x `height` pixels for the device context of
	// `window` (the screen's for null); null when any part of it could not be
	// made.
	static std::unique_ptr<OffscreenBuffer> Create(HWND window, int32 width, int32 height);
	~OffscreenBuffer();

	OffscreenBuffer(const OffscreenBuffer&) = delete;
	OffscreenBuffer& operator=(const OffscreenBuffer&) = delete;

	int32 Width() const { return fWidth; }
	int32 Height() const { return fHeight; }

	// Begins a drawing of `update`, which the buffer holds from its origin:
	// graphics that draw at the rectangle's own coordinates, or null when the
	// drawing could not begin. The graphics stay the buffer's.
	WinGdipGraphics* BeginDraw(BRect update);
	// Ends the drawing begun and copies the buffer to `target` at the update
	// rectangle's place; nothing without a drawing in progress.
	void EndDraw(HDC target);
	bool IsDrawing() const { return fContainer != 0; }
	// The translation a transform set inside the drawing must add (see
	// BNativeWindow::ContainerOffset).
	BPoint ContainerOffset() const { return fContainerOffset; }

private:
	OffscreenBuffer(WinCreatedDC dc, WinBitmap bitmap, int32 width, int32 height);

	WinCreatedDC fDC;
	WinBitmap fBitmap;
	WinSelection fSelection;
	std::unique_ptr<WinGdipGraphics> fGraphics;
	int32 fWidth;
	int32 fHeight;
	BRect fDrawRect{0.0f, 0.0f, -1.0f, -1.0f};
	// 0 while no drawing is in progress.
	uint32 fContainer = 0;
	BPoint fContainerOffset;
};

// A 24-bit bottom-up DIB section of that size for `dc`: the buffer's kind of
// bitmap. Null on failure.
HBITMAP CreateBufferBitmap(HDC dc, int32 width, int32 height);

}  // namespace BPrivate
