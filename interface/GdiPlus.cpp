// The GDI+ owners: each creator makes the native object through the flat
// interface and wraps it, or answers null and leaves nothing behind.
#include "interface/GdiPlus.h"

#include "interface/GdiPlusFlat.h"

#include <atomic>

namespace {

// Solid brushes and pens start as opaque black.
constexpr Gdiplus::ARGB kOpaqueBlack = 0xFF000000u;

}  // namespace

void* WinGdipObject::operator new(size_t size) noexcept
{
	return gdip::GdipAlloc(size);
}

void WinGdipObject::operator delete(void* object) noexcept
{
	gdip::GdipFree(object);
}

// --- images and bitmaps ---

WinGdipImage::~WinGdipImage()
{
	if (fImage != nullptr)
		gdip::GdipDisposeImage(fImage);
}

WinGdipBitmap::WinGdipBitmap(Gdiplus::GpBitmap* bitmap) : WinGdipImage(bitmap) {}

std::unique_ptr<WinGdipBitmap> WinGdipBitmap::Create(int32 width, int32 height, int32 pixelFormat)
{
	Gdiplus::GpBitmap* bitmap = nullptr;
	if (gdip::GdipCreateBitmapFromScan0(width, height, 0, pixelFormat, nullptr, &bitmap) != Gdiplus::Ok)
		return nullptr;
	WinGdipBitmap* wrapper = new WinGdipBitmap(bitmap);
	if (wrapper == nullptr)
		gdip::GdipDisposeImage(bitmap);
	return std::unique_ptr<WinGdipBitmap>(wrapper);
}

Gdiplus::GpBitmap* WinGdipBitmap::Native() const
{
	// Only Create makes these, always from a GpBitmap.
	return static_cast<Gdiplus::GpBitmap*>(NativeImage());
}

// --- graphics ---

std::unique_ptr<WinGdipGraphics> WinGdipGraphics::CreateFromDC(HDC dc)
{
	Gdiplus::GpGraphics* graphics = nullptr;
	if (dc == nullptr || gdip::GdipCreateFromHDC(dc, &graphics) != Gdiplus::Ok)
		return nullptr;
	WinGdipGraphics* wrapper = new WinGdipGraphics(graphics);
	if (wrapper == nullptr)
		gdip::GdipDeleteGraphics(graphics);
	return std::unique_ptr<WinGdipGraphics>(wrapper);
}

std::unique_ptr<WinGdipGraphics> WinGdipGraphics::CreateFromImage(WinGdipImage* image)
{
	Gdiplus::GpGraphics* graphics = nullptr;
	if (image == nullptr || gdip::GdipGetImageGraphicsContext(image->NativeImage(), &graphics) != Gdiplus::Ok)
		return nullptr;
	WinGdipGraphics* wrapper = new WinGdipGraphics(graphics);
	if (wrapper == nullptr)
		gdip::GdipDeleteGraphics(graphics);
	return std::unique_ptr<WinGdipGraphics>(wrapper);
}

WinGdipGraphics::~WinGdipGraphics()
{
	gdip::GdipDeleteGraphics(fNative);
}

gdip_status WinGdipGraphics::SetTranslation(float dx, float dy)
{
	gdip_status status = Record(gdip::GdipResetWorldTransform(fNative));
	if (status != Gdiplus::Ok)
		return status;
	return Record(gdip::GdipTranslateWorldTransform(fNative, dx, dy, Gdiplus::MatrixOrderPrepend));
}

gdip_status WinGdipGraphics::SetScaledTranslation(float scale, float dx, float dy)
{
	gdip_status status = SetTranslation(dx, dy);
	if (status != Gdiplus::Ok || scale == 1.0f)
		return status;
	return Record(gdip::GdipScaleWorldTransform(fNative, scale, scale, Gdiplus::MatrixOrderPrepend));
}

gdip_status WinGdipGraphics::BeginContainer(uint32* state)
{
	Gdiplus::GraphicsContainer container = 0;
	gdip_status status = Record(gdip::GdipBeginContainer2(fNative, &container));
	*state = container;
	return status;
}

gdip_status WinGdipGraphics::EndContainer(uint32 state)
{
	return Record(gdip::GdipEndContainer(fNative, state));
}

gdip_status WinGdipGraphics::FlushSync()
{
	return Record(gdip::GdipFlush(fNative, Gdiplus::FlushIntentionSync));
}

// --- font families ---

std::unique_ptr<WinGdipFontFamily> WinGdipFontFamily::Adopt(Gdiplus::GpFontFamily* family)
{
	WinGdipFontFamily* wrapper = new WinGdipFontFamily(family);
	if (wrapper == nullptr)
		gdip::GdipDeleteFontFamily(family);
	return std::unique_ptr<WinGdipFontFamily>(wrapper);
}

namespace {

typedef Gdiplus::GpStatus(WINGDIPAPI* GenericFamilyGetter)(Gdiplus::GpFontFamily**);

std::atomic<Gdiplus::GpFontFamily*> gSansSerifFamily{nullptr};
std::atomic<Gdiplus::GpFontFamily*> gMonospaceFamily{nullptr};

// A generic family, fetched once per process and kept for its life, as GDI+'s
// own C++ interface keeps them: one version of GDI+ hands out a shared object
// that must never be deleted, another a new object on every call.
Gdiplus::GpFontFamily* SharedGenericFamily(std::atomic<Gdiplus::GpFontFamily*>& cache, GenericFamilyGetter get)
{
	Gdiplus::GpFontFamily* family = cache.load(std::memory_order_acquire);
	if (family != nullptr)
		return family;
	if (get(&family) != Gdiplus::Ok)
		return nullptr;
	Gdiplus::GpFontFamily* existing = nullptr;
	if (cache.compare_exchange_strong(existing, family, std::memory_order_acq_rel))
		return family;
	// Another thread fetched it first; a second object of our own goes again.
	if (existing != family)
		gdip::GdipDeleteFontFamily(family);
	return existing;
}

}  // namespace

// The wrapper owns a clone, so that deleting it leaves the shared family alone.
std::unique_ptr<WinGdipFontFamily> WinGdipFontFamily::CloneShared(Gdiplus::GpFontFamily* shared)
{
	Gdiplus::GpFontFamily* clone = nullptr;
	if (shared == nullptr || gdip::GdipCloneFontFamily(shared, &clone) != Gdiplus::Ok)
		return nullptr;
	return Adopt(clone);
}

std::unique_ptr<WinGdipFontFamily> WinGdipFontFamily::CreateByName(const wchar_t* name)
{
	Gdiplus::GpFontFamily* family = nullptr;
	if (name == nullptr || gdip::GdipCreateFontFamilyFromName(name, nullptr, &family) != Gdiplus::Ok)
		return nullptr;
	return Adopt(family);
}

std::unique_ptr<WinGdipFontFamily> WinGdipFontFamily::CreateGenericSansSerif()
{
	return CloneShared(SharedGenericFamily(gSansSerifFamily, gdip::GdipGetGenericFontFamilySansSerif));
}

std::unique_ptr<WinGdipFontFamily> WinGdipFontFamily::CreateGenericMonospace()
{
	return CloneShared(SharedGenericFamily(gMonospaceFamily, gdip::GdipGetGenericFontFamilyMonospace));
}

std::unique_ptr<WinGdipFontFamily> WinGdipFontFamily::CreateFromFont(const WinGdipFont* font)
{
	Gdiplus::GpFontFamily* family = nullptr;
	if (font == nullptr || gdip::GdipGetFamily(font->Native(), &family) != Gdiplus::Ok)
		return nullptr;
	return Adopt(family);
}

WinGdipFontFamily::~WinGdipFontFamily()
{
	gdip::GdipDeleteFontFamily(fNative);
}

// --- fonts ---

float PixelsAt96DpiFromPoints(float points)
{
	return points * 96.0f / 72.0f;
}

float PointsFromPixelsAt96Dpi(float pixels)
{
	return pixels * 72.0f / 96.0f;
}

std::unique_ptr<WinGdipFont> WinGdipFont::Adopt(Gdiplus::GpFont* font)
{
	WinGdipFont* wrapper = new WinGdipFont(font);
	if (wrapper == nullptr)
		gdip::GdipDeleteFont(font);
	return std::unique_ptr<WinGdipFont>(wrapper);
}

std::unique_ptr<WinGdipFont> WinGdipFont::Create(const WinGdipFontFamily* family, float size, int32 style)
{
	Gdiplus::GpFont* font = nullptr;
	if (family == nullptr || gdip::GdipCreateFont(family->Native(), PixelsAt96DpiFromPoints(size), style,
								 Gdiplus::UnitPixel, &font) != Gdiplus::Ok)
		return nullptr;
	return Adopt(font);
}

std::unique_ptr<WinGdipFont> WinGdipFont::CreateFromLogfont(HDC dc, const LOGFONTW& logfont)
{
	Gdiplus::GpFont* font = nullptr;
	if (gdip::GdipCreateFontFromLogfontW(dc, &logfont, &font) != Gdiplus::Ok)
		return nullptr;
	return Adopt(font);
}

std::unique_ptr<WinGdipFont> WinGdipFont::Clone(const WinGdipFont* font)
{
	Gdiplus::GpFont* clone = nullptr;
	if (font == nullptr || gdip::GdipCloneFont(font->Native(), &clone) != Gdiplus::Ok)
		return nullptr;
	return Adopt(clone);
}

WinGdipFont::~WinGdipFont()
{
	gdip::GdipDeleteFont(fNative);
}

// --- matrices ---

WinGdipMatrix::WinGdipMatrix()
{
	Gdiplus::GpMatrix* matrix = nullptr;
	if (Record(gdip::GdipCreateMatrix(&matrix)) == Gdiplus::Ok)
		fNative = matrix;
}

WinGdipMatrix::~WinGdipMatrix()
{
	if (fNative != nullptr)
		gdip::GdipDeleteMatrix(fNative);
}

gdip_status WinGdipMatrix::GetElements(float elements[6])
{
	if (fNative == nullptr)
		return Record(Gdiplus::InvalidParameter);
	return Record(gdip::GdipGetMatrixElements(fNative, elements));
}

// --- brushes and pens ---

WinGdipSolidBrush::WinGdipSolidBrush()
{
	Gdiplus::GpSolidFill* brush = nullptr;
	if (Record(gdip::GdipCreateSolidFill(kOpaqueBlack, &brush)) == Gdiplus::Ok)
		fNative = brush;
}

WinGdipSolidBrush::~WinGdipSolidBrush()
{
	if (fNative != nullptr)
		gdip::GdipDeleteBrush(fNative);
}

gdip_status WinGdipSolidBrush::SetColor(uint32 argb)
{
	if (fNative == nullptr)
		return Record(Gdiplus::InvalidParameter);
	// Only the constructor makes fNative, always as a solid fill.
	return Record(gdip::GdipSetSolidFillColor(static_cast<Gdiplus::GpSolidFill*>(fNative), argb));
}

WinGdipPen::WinGdipPen()
{
	Gdiplus::GpPen* pen = nullptr;
	if (Record(gdip::GdipCreatePen1(kOpaqueBlack, 1.0f, Gdiplus::UnitWorld, &pen)) == Gdiplus::Ok)
		fNative = pen;
}

WinGdipPen::~WinGdipPen()
{
	if (fNative != nullptr)
		gdip::GdipDeletePen(fNative);
}

gdip_status WinGdipPen::SetColor(uint32 argb)
{
	if (fNative == nullptr)
		return Record(Gdiplus::InvalidParameter);
	return Record(gdip::GdipSetPenColor(fNative, argb));
}

gdip_status WinGdipPen::SetWidth(float width)
{
	if (fNative == nullptr)
		return Record(Gdiplus::InvalidParameter);
	return Record(gdip::GdipSetPenWidth(fNative, width));
}
