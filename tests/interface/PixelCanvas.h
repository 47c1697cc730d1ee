// A 32-bit top-down DIB section selected into a memory DC, for drawing tests
// that read the pixels back.
#pragma once

#include "interface/GdiPlus.h"
#include "interface/WinGdi.h"

#include <windows.h>

#include <memory>

namespace zeltest {

// The smallest rectangle holding every pixel that differs from the canvas's
// fill colour; right and bottom are exclusive. Empty when nothing differs.
struct InkBox {
	int left = 0;
	int top = 0;
	int right = 0;
	int bottom = 0;

	bool IsEmpty() const { return right <= left || bottom <= top; }
};

class PixelCanvas {
public:
	// Filled with `fill` (0xRRGGBB).
	PixelCanvas(int width, int height, uint32 fill = 0xFFFFFF);

	PixelCanvas(const PixelCanvas&) = delete;
	PixelCanvas& operator=(const PixelCanvas&) = delete;

	int Width() const { return fWidth; }
	int Height() const { return fHeight; }
	HDC DC() const { return fDC.Get(); }
	// New GDI+ graphics on the canvas; the caller owns them.
	std::unique_ptr<WinGdipGraphics> CreateGraphics() const;

	// 0xRRGGBB; GDI drawing is flushed first.
	uint32 Pixel(int x, int y) const;
	uint32 Fill() const { return fFill; }
	InkBox Ink() const;
	bool SamePixels(const PixelCanvas& other) const;

private:
	uint32 RawPixel(int x, int y) const { return fBits[y * fWidth + x] & 0xFFFFFF; }

	int fWidth;
	int fHeight;
	uint32 fFill;
	uint32* fBits = nullptr;
	WinBitmap fBitmap;
	WinCreatedDC fDC;
	WinSelection fSelection;
};

}  // namespace zeltest
