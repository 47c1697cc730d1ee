// Small owners of GDI+ objects, used through GDI+'s flat interface.
//
// Each wrapper holds one native GDI+ object and the status of the last call
// made on it ({native handle, last status}); it deletes the native object when
// it goes. The wrappers themselves are allocated and freed through GdipAlloc
// and GdipFree, as GDI+ expects of the objects that hold its handles; a failed
// allocation gives null, never an exception. The factories answer owners. A drawing call that fails records
// its status and drawing goes on.
//
// The interface layer's units include this header; the application gets it
// only through View.h and Render.h, since a view embeds its render and the
// render its brushes and pens by value, and calls nothing of it. So that it
// brings no platform header along that road, the GDI+ types are forward
// declarations here, the few platform types come from WinTypes.h, and the
// platform headers stay in the sources. A wrapper is used on one thread at a
// time (a window's thread, under the draw lock while painting).
#pragma once

#include "interface/WinTypes.h"
#include "support/SupportDefs.h"

#include <memory>

namespace Gdiplus {
class GpBitmap;
class GpBrush;
class GpFont;
class GpFontFamily;
class GpGraphics;
class GpImage;
class GpMatrix;
class GpPen;
class GpStringFormat;
class RectF;
}  // namespace Gdiplus

class WinGdipFont;

// GDI+'s own status codes (0 is Ok).
typedef int32 gdip_status;

// The base of every wrapper: allocation through GDI+'s allocator.
class WinGdipObject {
public:
	static void* operator new(size_t size) noexcept;
	static void operator delete(void* object) noexcept;

	gdip_status LastStatus() const { return fLastStatus; }
	// Records the status of a flat call made on the native object and answers it.
	gdip_status Record(gdip_status status)
	{
		fLastStatus = status;
		return status;
	}

protected:
	WinGdipObject() = default;
	~WinGdipObject() = default;

	WinGdipObject(const WinGdipObject&) = delete;
	WinGdipObject& operator=(const WinGdipObject&) = delete;

private:
	gdip_status fLastStatus = 0;
};

class WinGdipImage : public WinGdipObject {
public:
	~WinGdipImage();
	Gdiplus::GpImage* NativeImage() const { return fImage; }

protected:
	explicit WinGdipImage(Gdiplus::GpImage* image) : fImage(image) {}

private:
	Gdiplus::GpImage* fImage;
};

class WinGdipBitmap : public WinGdipImage {
public:
	// A bitmap of the given size and GDI+ pixel format; null on failure.
	static std::unique_ptr<WinGdipBitmap> Create(int32 width, int32 height, int32 pixelFormat);
	Gdiplus::GpBitmap* Native() const;

private:
	explicit WinGdipBitmap(Gdiplus::GpBitmap* bitmap);
};

class WinGdipGraphics : public WinGdipObject {
public:
	// Graphics drawing on a device context or into an image; null on failure.
	static std::unique_ptr<WinGdipGraphics> CreateFromDC(HDC dc);
	static std::unique_ptr<WinGdipGraphics> CreateFromImage(WinGdipImage* image);
	~WinGdipGraphics();

	Gdiplus::GpGraphics* Native() const { return fNative; }

	// The world transform becomes a translation by (dx, dy).
	gdip_status SetTranslation(float dx, float dy);
	// Scales world coordinates by `scale`, then translates them by (dx, dy).
	gdip_status SetScaledTranslation(float scale, float dx, float dy);
	gdip_status BeginContainer(uint32* state);
	gdip_status EndContainer(uint32 state);
	// Waits until everything drawn so far has reached the target.
	gdip_status FlushSync();

private:
	explicit WinGdipGraphics(Gdiplus::GpGraphics* graphics) : fNative(graphics) {}

	Gdiplus::GpGraphics* fNative;
};

class WinGdipFontFamily : public WinGdipObject {
public:
	// An installed family by name; null when there is none.
	static std::unique_ptr<WinGdipFontFamily> CreateByName(const wchar_t* name);
	// GDI+'s generic families; null when the platform has no such family. The
	// wrapper owns a clone: the family itself is fetched once per process and
	// kept, so GDI+ is started only once in a process.
	static std::unique_ptr<WinGdipFontFamily> CreateGenericSansSerif();
	static std::unique_ptr<WinGdipFontFamily> CreateGenericMonospace();
	// The family of a font; null on failure.
	static std::unique_ptr<WinGdipFontFamily> CreateFromFont(const WinGdipFont* font);
	~WinGdipFontFamily();

	Gdiplus::GpFontFamily* Native() const { return fNative; }

private:
	explicit WinGdipFontFamily(Gdiplus::GpFontFamily* family) : fNative(family) {}
	// Wraps a family this process holds; deletes it when no wrapper can be made.
	static std::unique_ptr<WinGdipFontFamily> Adopt(Gdiplus::GpFontFamily* family);
	// Wraps a clone of one of GDI+'s shared generic families.
	static std::unique_ptr<WinGdipFontFamily> CloneShared(Gdiplus::GpFontFamily* shared);

	Gdiplus::GpFontFamily* fNative;
};

// Font sizes in points and in pixels of a 96-DPI device.
float PixelsAt96DpiFromPoints(float points);
float PointsFromPixelsAt96Dpi(float pixels);

class WinGdipFont : public WinGdipObject {
public:
	// A font of the family in `style` (GDI+ style bits) at `size` points;
	// null on failure. It is made for a 96-DPI device, in pixels, whatever
	// the display: on graphics scaled to the display it grows with the
	// scale and measures the same in units at every resolution.
	static std::unique_ptr<WinGdipFont> Create(const WinGdipFontFamily* family, float size, int32 style);
	// The font a LOGFONTW describes on the given device context; null on failure.
	static std::unique_ptr<WinGdipFont> CreateFromLogfont(HDC dc, const LOGFONTW& logfont);
	// A font of its own, equal to `font`; null on failure.
	static std::unique_ptr<WinGdipFont> Clone(const WinGdipFont* font);
	~WinGdipFont();

	Gdiplus::GpFont* Native() const { return fNative; }

private:
	explicit WinGdipFont(Gdiplus::GpFont* font) : fNative(font) {}
	// Wraps a font this process holds; deletes it when no wrapper can be made.
	static std::unique_ptr<WinGdipFont> Adopt(Gdiplus::GpFont* font);

	Gdiplus::GpFont* fNative;
};

class WinGdipSolidBrush : public WinGdipObject {
public:
	// Opaque black; Native() is null when GDI+ could not make the brush.
	WinGdipSolidBrush();
	~WinGdipSolidBrush();

	Gdiplus::GpBrush* Native() const { return fNative; }
	gdip_status SetColor(uint32 argb);

private:
	Gdiplus::GpBrush* fNative = nullptr;
};

// A matrix, the identity when made; Native() is null when GDI+ could not
// make it.
class WinGdipMatrix : public WinGdipObject {
public:
	WinGdipMatrix();
	~WinGdipMatrix();

	Gdiplus::GpMatrix* Native() const { return fNative; }
	// The six elements m11, m12, m21, m22, dx and dy.
	gdip_status GetElements(float elements[6]);

private:
	Gdiplus::GpMatrix* fNative = nullptr;
};

class WinGdipPen : public WinGdipObject {
public:
	// Opaque black, width 1.0, world units; Native() is null on failure.
	WinGdipPen();
	~WinGdipPen();

	Gdiplus::GpPen* Native() const { return fNative; }
	gdip_status SetColor(uint32 argb);
	gdip_status SetWidth(float width);

private:
	Gdiplus::GpPen* fNative = nullptr;
};
