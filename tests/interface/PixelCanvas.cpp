#include "tests/interface/PixelCanvas.h"

#include <algorithm>

namespace zeltest {

namespace {

HBITMAP CreateTopDownDib(int width, int height, uint32** bits)
{
	BITMAPINFO info = {};
	info.bmiHeader.biSize = sizeof(info.bmiHeader);
	info.bmiHeader.biWidth = width;
	info.bmiHeader.biHeight = -height;
	info.bmiHeader.biPlanes = 1;
	info.bmiHeader.biBitCount = 32;
	info.bmiHeader.biCompression = BI_RGB;
	void* pixels = nullptr;
	HBITMAP bitmap = CreateDIBSection(nullptr, &info, DIB_RGB_COLORS, &pixels, nullptr, 0);
	*bits = static_cast<uint32*>(pixels);
	return bitmap;
}

}  // namespace

PixelCanvas::PixelCanvas(int width, int height, uint32 fill)
	: fWidth(width),
	  fHeight(height),
	  fFill(fill),
	  fBitmap(CreateTopDownDib(width, height, &fBits)),
	  fDC(CreateCompatibleDC(nullptr)),
	  fSelection(fDC.Get(), fBitmap.Get())
{
	for (int i = 0; i < width * height; i++)
		fBits[i] = fill;
}

std::unique_ptr<WinGdipGraphics> PixelCanvas::CreateGraphics() const
{
	return WinGdipGraphics::CreateFromDC(fDC.Get());
}

uint32 PixelCanvas::Pixel(int x, int y) const
{
	GdiFlush();
	return RawPixel(x, y);
}

InkBox PixelCanvas::Ink() const
{
	GdiFlush();
	InkBox box{fWidth, fHeight, 0, 0};
	for (int y = 0; y < fHeight; y++) {
		for (int x = 0; x < fWidth; x++) {
			if (RawPixel(x, y) == fFill)
				continue;
			box.left = std::min(box.left, x);
			box.top = std::min(box.top, y);
			box.right = std::max(box.right, x + 1);
			box.bottom = std::max(box.bottom, y + 1);
		}
	}
	return box;
}

bool PixelCanvas::SamePixels(const PixelCanvas& other) const
{
	if (other.fWidth != fWidth || other.fHeight != fHeight)
		return false;
	GdiFlush();
	for (int y = 0; y < fHeight; y++) {
		for (int x = 0; x < fWidth; x++) {
			if (RawPixel(x, y) != other.RawPixel(x, y))
				return false;
		}
	}
	return true;
}

}  // namespace zeltest
