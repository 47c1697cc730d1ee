// BRender: a view's drawing state and the GDI+ calls that draw with it.
//
// A render is used only on its window's thread; while it paints, the draw
// lock is held as well. GDI+ failures are recorded in the wrapper the call was
// made on and drawing goes on, so that one failed call never stops a paint.
#include "interface/Render.h"

#include "interface/GdiPlusFlat.h"

#include <cmath>
#include <limits>
#include <memory>

namespace {

constexpr int32 kColorCount = 3;
constexpr uint32 kAllColorBits = (1u << kColorCount) - 1;

bool IsColorIndex(int32 index)
{
	return index >= 0 && index < kColorCount;
}

uint32 ArgbFromChannels(uint8 red, uint8 green, uint8 blue, uint8 alpha)
{
	return static_cast<uint32>(alpha) << 24 | static_cast<uint32>(red) << 16 | static_cast<uint32>(green) << 8 |
	       blue;
}

rgb_color ColorFromArgb(uint32 argb)
{
	return rgb_color{static_cast<uint8>(argb >> 16), static_cast<uint8>(argb >> 8), static_cast<uint8>(argb),
		static_cast<uint8>(argb >> 24)};
}

// Deletes a string format when the drawing call that used it is done.
struct StringFormatDeleter {
	void operator()(Gdiplus::GpStringFormat* format) const { gdip::GdipDeleteStringFormat(format); }
};
typedef std::unique_ptr<Gdiplus::GpStringFormat, StringFormatDeleter> StringFormatOwner;

// One line that does not wrap, ending in an ellipsis or with a path ellipsis
// in its middle when the mode asks for one; null when GDI+ cannot make it.
StringFormatOwner CreateSingleLineFormat(uint32 mode)
{
	Gdiplus::GpStringFormat* format = nullptr;
	if (gdip::GdipCreateStringFormat(Gdiplus::StringFormatFlagsNoWrap, LANG_NEUTRAL, &format) != Gdiplus::Ok)
		return StringFormatOwner();
	StringFormatOwner owner(format);
	Gdiplus::StringTrimming trimming = Gdiplus::StringTrimmingCharacter;
	if ((mode & kTruncateWithEllipsis) != 0)
		trimming = Gdiplus::StringTrimmingEllipsisCharacter;
	else if ((mode & kTruncatePath) != 0)
		trimming = Gdiplus::StringTrimmingEllipsisPath;
	if (trimming != Gdiplus::StringTrimmingCharacter &&
		gdip::GdipSetStringFormatTrimming(format, trimming) != Gdiplus::Ok)
		return StringFormatOwner();
	return owner;
}

// The width of the text's bounding box on `graphics`, 0 when GDI+ fails.
float MeasureWidth(WinGdipGraphics* graphics, const BString& text, const WinGdipFont* font)
{
	const Gdiplus::RectF unbounded(0.0f, 0.0f, 0.0f, 0.0f);
	Gdiplus::RectF bounds;
	if (graphics->Record(gdip::GdipMeasureString(graphics->Native(), text.Chars(), text.Length(), font->Native(),
			&unbounded, nullptr, &bounds, nullptr, nullptr)) != Gdiplus::Ok)
		return 0.0f;
	return bounds.Width;
}

// Text set in `font` at `scale` pixels per unit, black on white, from the
// left-top corner of a bitmap of that pixel size; null on failure.
std::unique_ptr<WinGdipBitmap> SetText(const WinGdipFont* font, const BString& text, float scale, int32 width,
	int32 height)
{
	std::unique_ptr<WinGdipBitmap> bitmap = WinGdipBitmap::Create(width, height, PixelFormat24bppRGB);
	std::unique_ptr<WinGdipGraphics> graphics =
		bitmap != nullptr ? WinGdipGraphics::CreateFromImage(bitmap.get()) : nullptr;
	WinGdipSolidBrush black;
	const Gdiplus::RectF at(0.0f, 0.0f, 0.0f, 0.0f);
	if (graphics == nullptr || black.Native() == nullptr ||
		gdip::GdipGraphicsClear(graphics->Native(), 0xFFFFFFFF) != Gdiplus::Ok ||
		graphics->SetScaledTranslation(scale, 0.0f, 0.0f) != Gdiplus::Ok ||
		gdip::GdipDrawString(graphics->Native(), text.Chars(), text.Length(), font->Native(), &at, nullptr,
			black.Native()) != Gdiplus::Ok ||
		gdip::GdipFlush(graphics->Native(), Gdiplus::FlushIntentionSync) != Gdiplus::Ok)
		return nullptr;
	return bitmap;
}

bool IsInk(const WinGdipBitmap* bitmap, INT x, INT y)
{
	Gdiplus::ARGB pixel = 0;
	return gdip::GdipBitmapGetPixel(bitmap->Native(), x, y, &pixel) == Gdiplus::Ok && (pixel & 0xFF) < 0x80;
}

// The dark pixels of a capital letter set in `font` at `scale`.
int32 InkOfCapital(const WinGdipFont* font, float scale)
{
	constexpr int32 kSide = 128;
	std::unique_ptr<WinGdipBitmap> bitmap = SetText(font, BString(L"H"), scale, kSide, kSide);
	int32 ink = 0;
	for (INT y = 0; bitmap != nullptr && y < kSide; y++) {
		for (INT x = 0; x < kSide; x++)
			ink += IsInk(bitmap.get(), x, y) ? 1 : 0;
	}
	return ink;
}

// How far right, in pixels, the ink of `text` set in `font` at `scale`
// reaches; 0 when it cannot be set.
int32 InkRightEdge(const WinGdipFont* font, const BString& text, float scale, float lineHeight, float widthHint)
{
	int32 width = static_cast<int32>(std::ceil(widthHint * 1.5f)) + 16;
	int32 height = static_cast<int32>(std::ceil(lineHeight * scale * 2.0f)) + 4;
	std::unique_ptr<WinGdipBitmap> bitmap = SetText(font, text, scale, width, height);
	for (INT x = width - 1; bitmap != nullptr && x >= 0; x--) {
		for (INT y = 0; y < height; y++) {
			if (IsInk(bitmap.get(), x, y))
				return x + 1;
		}
	}
	return 0;
}

}  // namespace

BRender::BRender()
{
	if (const BFont* plain = PlainFont())
		fFont = *plain;
	fAscentCeiling = std::ceil(fFont.Ascent());
}

BRender::~BRender() = default;

void BRender::SetBlendMode(bool blend)
{
	fBlend = blend ? 1 : 0;
	ApplyCompositingMode();
}

bool BRender::BlendMode() const
{
	return fBlend != 0;
}

void BRender::SetColor(int32 index, uint8 red, uint8 green, uint8 blue, uint8 alpha)
{
	if (!IsColorIndex(index))
		return;
	uint32 argb = ArgbFromChannels(red, green, blue, alpha);
	if (argb == fColors[index])
		return;
	fColors[index] = argb;
	fPenCurrent &= ~(1u << index);
	fBrushCurrent &= ~(1u << index);
}

rgb_color BRender::Color(int32 index) const
{
	return ColorFromArgb(IsColorIndex(index) ? fColors[index] : 0xFF000000u);
}

void BRender::SetPenWidth(float width)
{
	if (width == fPenWidth)
		return;
	fPenWidth = width;
	fPenCurrent &= ~kAllColorBits;
}

void BRender::SetFont(const BFont& font, uint32 /*mask: every aspect is taken*/)
{
	fFont = font;
	fAscentCeiling = std::ceil(fFont.Ascent());
	fOverstrikeScale = 0.0f;
	fFitScale = 0.0f;
}

// A family may have a bold face only in the small sizes of its bitmap
// strikes, with outlines no heavier than the regular face's (Wine's Tahoma
// Bold): at a display scale where its bold draws like regular, the text is
// struck twice, one pixel apart, as the platform emboldens a font without a
// bold face. Decided once per font and scale; never at 96 DPI.
bool BRender::NeedsOverstrike()
{
	if (fDeviceScale == 1.0f || (fFont.Face() & kBoldFace) == 0)
		return false;
	if (fOverstrikeScale == fDeviceScale)
		return fOverstrike;
	fOverstrikeScale = fDeviceScale;
	BFont regular = fFont;
	fOverstrike = false;
	if (regular.SetFace(static_cast<uint16>((fFont.Face() & ~kBoldFace) | kRegularFace)) == kOk) {
		int32 boldInk = InkOfCapital(fFont.NativeFont(), fDeviceScale);
		int32 regularInk = InkOfCapital(regular.NativeFont(), fDeviceScale);
		// A true bold capital carries a third more ink and upward.
		fOverstrike = boldInk > 0 && regularInk > 0 && boldInk * 4 < regularInk * 5;
	}
	return fOverstrike;
}

void BRender::SetOrigin(BPoint origin)
{
	fOrigin = origin;
	ApplyTranslation();
}

status_t BRender::SetGraphics(WinGdipGraphics* graphics, float scale, BPoint offset, BRect bounds)
{
	fGraphics = graphics;
	fDeviceScale = scale;
	fDeviceOffset = offset;
	fPaintBounds = bounds;
	if (fGraphics == nullptr)
		return kError;

	ApplyTranslation();
	ApplyCompositingMode();
	// The program draws text and axis-aligned rectangles: the fastest modes
	// lose nothing, and without a pixel offset a rectangle covers exactly the
	// pixels inside its edges.
	Gdiplus::GpGraphics* native = fGraphics->Native();
	fGraphics->Record(gdip::GdipSetCompositingQuality(native, Gdiplus::CompositingQualityHighSpeed));
	fGraphics->Record(gdip::GdipSetInterpolationMode(native, Gdiplus::InterpolationModeLowQuality));
	fGraphics->Record(gdip::GdipSetPixelOffsetMode(native, Gdiplus::PixelOffsetModeNone));
	fGraphics->Record(gdip::GdipSetSmoothingMode(native, Gdiplus::SmoothingModeHighSpeed));
	return kOk;
}

WinGdipGraphics* BRender::DetachGraphics()
{
	WinGdipGraphics* graphics = fGraphics;
	fGraphics = nullptr;
	fDeviceScale = 1.0f;
	fDeviceOffset = BPoint();
	fPaintBounds = BRect();
	return graphics;
}

void BRender::ApplyTranslation()
{
	if (fGraphics != nullptr)
		fGraphics->SetScaledTranslation(fDeviceScale, fDeviceOffset.x - fDeviceScale * fOrigin.x,
			fDeviceOffset.y - fDeviceScale * fOrigin.y);
}

// The blend mode survives from one paint to the next: every new graphics
// gets it, not only the graphics attached when it was set.
void BRender::ApplyCompositingMode()
{
	if (fGraphics == nullptr)
		return;
	Gdiplus::CompositingMode mode =
		fBlend != 0 ? Gdiplus::CompositingModeSourceOver : Gdiplus::CompositingModeSourceCopy;
	fGraphics->Record(gdip::GdipSetCompositingMode(fGraphics->Native(), mode));
}

WinGdipSolidBrush* BRender::BrushFor(int32 index)
{
	WinGdipSolidBrush* brush = &fBrushes[index];
	uint32 bit = 1u << index;
	if ((fBrushCurrent & bit) == 0 && brush->SetColor(fColors[index]) == Gdiplus::Ok)
		fBrushCurrent |= bit;
	return brush;
}

WinGdipPen* BRender::PenFor(int32 index)
{
	WinGdipPen* pen = &fPens[index];
	uint32 bit = 1u << index;
	if ((fPenCurrent & bit) == 0 && pen->SetColor(fColors[index]) == Gdiplus::Ok &&
		pen->SetWidth(fPenWidth) == Gdiplus::Ok)
		fPenCurrent |= bit;
	return pen;
}

void BRender::FillBackground(BRect rect)
{
	if (fGraphics == nullptr || (fColors[kBackgroundColorIndex] >> 24) == 0)
		return;
	WinGdipSolidBrush* brush = BrushFor(kBackgroundColorIndex);
	fGraphics->Record(gdip::GdipFillRectangle(fGraphics->Native(), brush->Native(), rect.left, rect.top,
		rect.Width(), rect.Height()));
}

bool BRender::CanDrawText(const BString& text) const
{
	return !text.IsEmpty() && fGraphics != nullptr && fFont.NativeFont() != nullptr;
}

// A font set at the display's size can run wider than at 96 DPI, where the
// layout was measured: its height is rounded to whole pixels, and Wine's
// 11-pixel Tahoma is a bitmap strike narrower than its outlines. Such text is
// drawn a little smaller, so that it stays inside its view. Only a smaller
// size helps: the platform sets a narrowed font at a whole average character
// width, which steps by a seventh at this size. Nor does measuring at the
// display's size tell: it can come out narrower than the ink. So the text is
// set once at that size and its ink looked at; the last text's answer is
// kept, as a view draws the same text again and again.
//
// The text may take all the room its view gives it, its insets included,
// before it is made smaller: a size a pixel smaller can be a strike of the
// font's with narrower spacing (Wine's Tahoma Bold at 16 pixels against 17
// sets its backslashes against the letters), so the display's own size is
// kept wherever it fits.
float BRender::FitTextToItsWidth(const BString& text, float x, float y, float right)
{
	if (fDeviceScale == 1.0f)
		return 1.0f;
	float viewRoom = RoomBetween(x, right);
	if (fFitScale != fDeviceScale || fFitText != text || fFitRoom != viewRoom) {
		fFitScale = fDeviceScale;
		fFitText = text;
		fFitRoom = viewRoom;
		fFitFactor = 1.0f;
		float laidOut = StringWidth(text) * fDeviceScale;
		float room = std::fmax(laidOut, viewRoom);
		float overstrike = NeedsOverstrike() ? 1.0f : 0.0f;
		float lineHeight = fFont.CombinedHeight(kAscentPart | kDescentPart | kLeadingPart);
		// Whole pixels of height step the width unevenly: a second look
		// and a third catch a size that rounded back up.
		for (int attempt = 0; attempt < 3 && laidOut > 0.0f; attempt++) {
			float ink = InkRightEdge(fFont.NativeFont(), text, fDeviceScale * fFitFactor, lineHeight, laidOut) +
				overstrike;
			if (ink <= room)
				break;
			fFitFactor *= room / ink;
		}
	}
	float factor = fFitFactor;
	if (factor == 1.0f)
		return factor;
	Gdiplus::GpGraphics* native = fGraphics->Native();
	fGraphics->Record(gdip::GdipTranslateWorldTransform(native, x, y, Gdiplus::MatrixOrderPrepend));
	fGraphics->Record(gdip::GdipScaleWorldTransform(native, factor, factor, Gdiplus::MatrixOrderPrepend));
	fGraphics->Record(gdip::GdipTranslateWorldTransform(native, -x, -y, Gdiplus::MatrixOrderPrepend));
	return factor;
}

// The whole pixels from `x` to `right` or to the right edge of the view
// being painted, whichever is nearer, less that edge's own pixel, where ink
// would seem to run into the edge; 0 when the view's bounds are not known.
float BRender::RoomBetween(float x, float right) const
{
	if (fPaintBounds.right < fPaintBounds.left)
		return 0.0f;
	return std::floor((std::fmin(right, fPaintBounds.right) - x) * fDeviceScale) - 1.0f;
}

// `factor` is what FitTextToItsWidth applied: one pixel of the display is
// 1 / (scale x factor) units of the layout.
void BRender::DrawLaidOut(const BString& text, const Gdiplus::RectF& layout, const Gdiplus::GpStringFormat* format,
	float factor)
{
	WinGdipSolidBrush* brush = BrushFor(kForegroundColorIndex);
	fGraphics->Record(gdip::GdipDrawString(fGraphics->Native(), text.Chars(), text.Length(),
		fFont.NativeFont()->Native(), &layout, format, brush->Native()));
	if (!NeedsOverstrike())
		return;
	Gdiplus::RectF struck = layout;
	struck.X += 1.0f / (fDeviceScale * factor);
	fGraphics->Record(gdip::GdipDrawString(fGraphics->Native(), text.Chars(), text.Length(),
		fFont.NativeFont()->Native(), &struck, format, brush->Native()));
}

void BRender::DrawStringInRect(const BString& text, float left, float top, float right, float bottom, uint32 mode)
{
	if (!CanDrawText(text))
		return;
	StringFormatOwner format = CreateSingleLineFormat(mode);
	if (format == nullptr)
		return;
	float factor = FitTextToItsWidth(text, left, top, right);
	// The layout keeps its size on the display.
	const Gdiplus::RectF layout(left, top, (right - left) / factor, (bottom - top) / factor);
	DrawLaidOut(text, layout, format.get(), factor);
	if (factor != 1.0f)
		ApplyTranslation();
}

void BRender::DrawStringInWidth(const BString& text, float x, float baseline, float width, uint32 mode)
{
	DrawStringInRect(text, x, baseline - fAscentCeiling, x + width, baseline + fAscentCeiling, mode);
}

void BRender::DrawStringAt(const BString& text, float x, float y, uint32 mode)
{
	if (!CanDrawText(text))
		return;
	if ((mode & kAtBaseline) != 0)
		y -= fAscentCeiling;
	// An empty layout size: the text is placed at the point and not bounded.
	const Gdiplus::RectF layout(x, y, 0.0f, 0.0f);
	float factor = FitTextToItsWidth(text, x, y, std::numeric_limits<float>::infinity());
	DrawLaidOut(text, layout, nullptr, factor);
	if (factor != 1.0f)
		ApplyTranslation();
}

void BRender::DrawString(const BString& text, float x, float baseline)
{
	DrawStringAt(text, x, baseline, kAtBaseline);
}

float BRender::StringWidth(const BString& text)
{
	const WinGdipFont* font = fFont.NativeFont();
	if (text.IsEmpty() || font == nullptr)
		return 0.0f;
	// Text measured through a scale other than 1 comes out a little narrower
	// or wider than at 96 DPI; widths in units are what it measures at 96.
	if (fGraphics != nullptr && fDeviceScale == 1.0f)
		return MeasureWidth(fGraphics, text, font);

	if (fMeasuringBitmap == nullptr)
		fMeasuringBitmap = WinGdipBitmap::Create(1, 1, PixelFormat32bppARGB);
	std::unique_ptr<WinGdipGraphics> measuring = WinGdipGraphics::CreateFromImage(fMeasuringBitmap.get());
	if (measuring == nullptr)
		return 0.0f;
	return MeasureWidth(measuring.get(), text, font);
}
