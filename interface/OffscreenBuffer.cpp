// The off-screen buffer of a window: its parts, and one drawing through it.
#include "interface/OffscreenBuffer.h"

#include "interface/GdiPlus.h"
#include "interface/GdiPlusFlat.h"
#include "interface/NativeCoordinates.h"

#include <new>
#include <utility>

namespace BPrivate {

namespace {

// The translation GDI+ shows inside a freshly begun container: none where
// containers compose with the outer transform, the outer one where they keep it.
BPoint TranslationInsideContainer(WinGdipGraphics* graphics)
{
	WinGdipMatrix matrix;
	Gdiplus::REAL elements[6] = {};
	if (matrix.Native() == nullptr ||
		gdip::GdipGetWorldTransform(graphics->Native(), matrix.Native()) != Gdiplus::Ok ||
		matrix.GetElements(elements) != Gdiplus::Ok)
		return BPoint();
	return BPoint(elements[4], elements[5]);
}

}  // namespace

HBITMAP CreateBufferBitmap(HDC dc, int32 width, int32 height)
{
	BITMAPINFO info = {};
	info.bmiHeader.biSize = sizeof(info.bmiHeader);
	info.bmiHeader.biWidth = width;
	// Positive: bottom-up rows.
	info.bmiHeader.biHeight = height;
	info.bmiHeader.biPlanes = 1;
	info.bmiHeader.biBitCount = 24;
	info.bmiHeader.biCompression = BI_RGB;
	void* bits = nullptr;
	return CreateDIBSection(dc, &info, DIB_RGB_COLORS, &bits, nullptr, 0);
}

std::unique_ptr<OffscreenBuffer> OffscreenBuffer::Create(HWND window, int32 width, int32 height)
{
	WinWindowDC windowDC(window);
	if (!windowDC)
		return nullptr;
	WinCreatedDC memoryDC(CreateCompatibleDC(windowDC.Get()));
	if (!memoryDC)
		return nullptr;
	WinBitmap bitmap(CreateBufferBitmap(windowDC.Get(), width, height));
	if (!bitmap)
		return nullptr;
	std::unique_ptr<OffscreenBuffer> buffer(
		new (std::nothrow) OffscreenBuffer(std::move(memoryDC), std::move(bitmap), width, height));
	if (buffer == nullptr || !buffer->fSelection.Succeeded())
		return nullptr;
	buffer->fGraphics = WinGdipGraphics::CreateFromDC(buffer->fDC.Get());
	if (buffer->fGraphics == nullptr)
		return nullptr;
	return buffer;
}

OffscreenBuffer::OffscreenBuffer(WinCreatedDC dc, WinBitmap bitmap, int32 width, int32 height)
	: fDC(std::move(dc)),
	  fBitmap(std::move(bitmap)),
	  fSelection(fDC.Get(), fBitmap.Get()),
	  fWidth(width),
	  fHeight(height)
{
}

// The members go in the reverse of their order: the graphics first, then the
// selection, the bitmap and the context.
OffscreenBuffer::~OffscreenBuffer() = default;

WinGdipGraphics* OffscreenBuffer::BeginDraw(BRect update)
{
	fDrawRect = update;
	fGraphics->SetTranslation(-update.left, -update.top);
	uint32 state = 0;
	if (fGraphics->BeginContainer(&state) != 0 || state == 0)
		return nullptr;
	fContainer = state;
	fContainerOffset = TranslationInsideContainer(fGraphics.get());
	return fGraphics.get();
}

void OffscreenBuffer::EndDraw(HDC target)
{
	if (fContainer == 0)
		return;
	fGraphics->EndContainer(fContainer);
	fGraphics->FlushSync();
	fContainer = 0;
	GdiFlush();
	BitBlt(target, WholePixels(fDrawRect.left), WholePixels(fDrawRect.top),
		CeiledPixels(fDrawRect.right - fDrawRect.left), CeiledPixels(fDrawRect.bottom - fDrawRect.top), fDC.Get(), 0,
		0, SRCCOPY);
}

}  // namespace BPrivate
