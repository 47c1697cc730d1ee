// BFont: family, face and size turned into a GDI+ font and its metrics, and
// the conversions between the framework's face bits and GDI+'s style bits.
//
// A descriptor is used by one thread at a time; the conversions are pure and
// any thread may call them.
#include "interface/Font.h"

#include "interface/GdiPlus.h"
#include "interface/GdiPlusFlat.h"

#include <cmath>
#include <memory>

namespace {

struct FaceStyleBit {
	uint16 face;
	int32 style;
};

constexpr FaceStyleBit kFaceStyleBits[] = {
	{kBoldFace, Gdiplus::FontStyleBold},
	{kItalicFace, Gdiplus::FontStyleItalic},
	{kUnderscoreFace, Gdiplus::FontStyleUnderline},
	{kStrikeoutFace, Gdiplus::FontStyleStrikeout},
};

// A font of the named family, or of the generic sans-serif family when that
// family is not installed or cannot make this style and size.
std::unique_ptr<WinGdipFont> CreateFontOrSansSerif(const BString& family, float size, int32 style)
{
	std::unique_ptr<WinGdipFontFamily> named = WinGdipFontFamily::CreateByName(family.Chars());
	if (std::unique_ptr<WinGdipFont> font = WinGdipFont::Create(named.get(), size, style))
		return font;
	std::unique_ptr<WinGdipFontFamily> sansSerif = WinGdipFontFamily::CreateGenericSansSerif();
	return WinGdipFont::Create(sansSerif.get(), size, style);
}

// A font's size in points. Fonts made from a LOGFONT measure in pixels of the
// display, the framework's own in pixels of a 96-DPI device; the other units
// are fixed fractions of an inch.
float PointsFromFontSize(float size, Gdiplus::Unit unit, float logPixelsY)
{
	switch (unit) {
	case Gdiplus::UnitPoint:
		return size;
	case Gdiplus::UnitPixel:
		return PointsFromPixelsAt96Dpi(size);
	case Gdiplus::UnitInch:
		return size * 72.0f;
	case Gdiplus::UnitDocument:
		return size * 72.0f / 300.0f;
	case Gdiplus::UnitMillimeter:
		return size * 72.0f / 25.4f;
	default:
		return size * 72.0f / logPixelsY;
	}
}

}  // namespace

int32 GdipStyleFromFace(uint16 face)
{
	int32 style = Gdiplus::FontStyleRegular;
	for (const FaceStyleBit& bit : kFaceStyleBits) {
		if ((face & bit.face) != 0)
			style |= bit.style;
	}
	return style;
}

uint16 FaceFromGdipStyle(int32 style)
{
	uint16 face = 0;
	for (const FaceStyleBit& bit : kFaceStyleBits) {
		if ((style & bit.style) != 0)
			face |= bit.face;
	}
	return face != 0 ? face : kRegularFace;
}

// --- BFont ---

BFont::BFont() = default;

BFont::BFont(const BFont& other)
{
	CopyFrom(other);
}

BFont& BFont::operator=(const BFont& other)
{
	if (this != &other) {
		DeleteFont();
		CopyFrom(other);
	}
	return *this;
}

BFont::~BFont()
{
	DeleteFont();
}

// Cloning gives the same GDI+ font as rebuilding it from family, face and
// size would, without looking the family up again.
void BFont::CopyFrom(const BFont& other)
{
	fFamily = other.fFamily;
	fFace = other.fFace;
	fSize = other.fSize;
	fFont = WinGdipFont::Clone(other.fFont.get());
	if (fFont == nullptr) {
		fStatus = -1;
		fAscent = fDescent = fLeading = 0.0f;
		return;
	}
	fStatus = 0;
	fAscent = other.fAscent;
	fDescent = other.fDescent;
	fLeading = other.fLeading;
}

void BFont::DeleteFont()
{
	fFont.reset();
}

status_t BFont::SetFamilyFaceAndSize(const BString& family, uint16 face, float size)
{
	DeleteFont();
	fStatus = -1;
	fFamily = family;
	fFace = face;
	fSize = size;
	fAscent = fDescent = fLeading = 0.0f;
	if (family.IsEmpty())
		return fStatus;

	fFont = CreateFontOrSansSerif(family, size, GdipStyleFromFace(face));
	if (fFont == nullptr)
		return fStatus;
	// GDI+ may make another style than asked (a family without italics).
	INT style = 0;
	if (fFont->Record(gdip::GdipGetFontStyle(fFont->Native(), &style)) == Gdiplus::Ok)
		fFace = FaceFromGdipStyle(style);
	fStatus = 0;
	ComputeMetrics();
	return fStatus;
}

status_t BFont::SetFamily(const BString& family)
{
	return SetFamilyFaceAndSize(family, fFace, fSize);
}

status_t BFont::SetFace(uint16 face)
{
	return SetFamilyFaceAndSize(fFamily, face, fSize);
}

status_t BFont::SetSize(float size)
{
	return SetFamilyFaceAndSize(fFamily, fFace, size);
}

// The family's design metrics scaled to the font's size. Text set line under
// line needs some space between the lines, so the leading is at least 1.
void BFont::ComputeMetrics()
{
	std::unique_ptr<WinGdipFontFamily> family(WinGdipFontFamily::CreateFromFont(fFont.get()));
	if (family == nullptr)
		return;
	Gdiplus::GpFontFamily* native = family->Native();
	INT style = GdipStyleFromFace(fFace);
	UINT16 cellAscent = 0;
	UINT16 cellDescent = 0;
	UINT16 lineSpacing = 0;
	UINT16 emHeight = 0;
	if (gdip::GdipGetCellAscent(native, style, &cellAscent) != Gdiplus::Ok ||
		gdip::GdipGetCellDescent(native, style, &cellDescent) != Gdiplus::Ok ||
		gdip::GdipGetLineSpacing(native, style, &lineSpacing) != Gdiplus::Ok ||
		gdip::GdipGetEmHeight(native, style, &emHeight) != Gdiplus::Ok || emHeight == 0)
		return;

	float scale = fSize / emHeight;
	fAscent = scale * cellAscent;
	fDescent = scale * cellDescent;
	fLeading = scale * lineSpacing - (fAscent + fDescent);
	if (fLeading < 1.0f)
		fLeading = 1.0f;
}

float BFont::CombinedHeight(uint32 parts) const
{
	float height = 0.0f;
	if ((parts & kAscentPart) != 0)
		height += fAscent;
	if ((parts & kDescentPart) != 0)
		height += fDescent;
	if ((parts & kLeadingPart) != 0)
		height += fLeading;
	return std::ceil(height);
}

status_t MakeFontFromGdipFont(std::unique_ptr<WinGdipFont> owned, float logPixelsY, BFont* descriptor)
{
	if (descriptor == nullptr)
		return kError;
	if (logPixelsY <= 0.0f)
		logPixelsY = 96.0f;

	std::unique_ptr<WinGdipFontFamily> family(WinGdipFontFamily::CreateFromFont(owned.get()));
	WCHAR name[LF_FACESIZE] = {};
	INT style = 0;
	float size = 0.0f;
	Gdiplus::Unit unit = Gdiplus::UnitPoint;
	if (family == nullptr ||
		family->Record(gdip::GdipGetFamilyName(family->Native(), name, LANG_NEUTRAL)) != Gdiplus::Ok ||
		owned->Record(gdip::GdipGetFontStyle(owned->Native(), &style)) != Gdiplus::Ok ||
		owned->Record(gdip::GdipGetFontSize(owned->Native(), &size)) != Gdiplus::Ok ||
		owned->Record(gdip::GdipGetFontUnit(owned->Native(), &unit)) != Gdiplus::Ok) {
		*descriptor = BFont();
		return kError;
	}
	return descriptor->SetFamilyFaceAndSize(BString(name), FaceFromGdipStyle(style),
		PointsFromFontSize(size, unit, logPixelsY));
}
