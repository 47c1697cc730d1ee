// The three system fonts: the platform's message font (plain), its caption
// font (bold) and GDI+'s generic monospace family at the plain size (fixed),
// each falling back to families the platform has when it lacks the one named.
//
// They are made once, on the thread that starts the first application, and
// published with one atomic store; any thread may read them afterwards. They
// live until the process ends and are never deleted: their GDI+ objects would
// outlive GDI+ itself, which the entry point shuts down before static
// destruction.
#include "interface/SystemFonts.h"

#include "interface/DisplayScale.h"
#include "interface/GdiPlus.h"
#include "interface/GdiPlusFlat.h"
#include "interface/WinGdi.h"

#include <atomic>
#include <cstddef>
#include <cwchar>
#include <initializer_list>
#include <memory>
#include <new>

namespace BPrivate {

namespace {

std::atomic<system_font_set*> gSystemFonts{nullptr};

const system_font_set* PublishedFonts()
{
	return gSystemFonts.load(std::memory_order_acquire);
}

// The block as every version of the platform knows it, without the padded
// border width that later versions added: 500 bytes.
constexpr UINT kNonClientMetricsSize = offsetof(NONCLIENTMETRICSW, iPaddedBorderWidth);
static_assert(kNonClientMetricsSize == 500, "the non-client metrics block of every platform version");

constexpr float kDefaultLogPixelsY = 96.0f;

float LogPixelsY(HDC display)
{
	int value = display != nullptr ? GetDeviceCaps(display, LOGPIXELSY) : 0;
	return value > 0 ? static_cast<float>(value) : kDefaultLogPixelsY;
}

BString FamilyNameOf(const WinGdipFontFamily* family)
{
	WCHAR name[LF_FACESIZE] = {};
	if (family == nullptr || gdip::GdipGetFamilyName(family->Native(), name, LANG_NEUTRAL) != Gdiplus::Ok)
		return BString();
	return BString(name);
}

BString GenericSansSerifName()
{
	std::unique_ptr<WinGdipFontFamily> family(WinGdipFontFamily::CreateGenericSansSerif());
	return FamilyNameOf(family.get());
}

BString GenericMonospaceName()
{
	std::unique_ptr<WinGdipFontFamily> family(WinGdipFontFamily::CreateGenericMonospace());
	return FamilyNameOf(family.get());
}

// Vertical faces ("@" and a name) lie on their side, and symbol fonts have
// pictures where the letters should be: neither draws ordinary text.
int CALLBACK TakeTextFamily(const LOGFONTW* logfont, const TEXTMETRICW*, DWORD type, LPARAM found)
{
	if ((type & TRUETYPE_FONTTYPE) == 0 || logfont->lfFaceName[0] == L'@' || logfont->lfCharSet == SYMBOL_CHARSET)
		return 1;
	*reinterpret_cast<BString*>(found) = BString(logfont->lfFaceName);
	return 0;
}

BString FirstTrueTypeName()
{
	WinWindowDC screen(nullptr);
	BString found;
	if (!screen)
		return found;
	LOGFONTW all = {};
	all.lfCharSet = DEFAULT_CHARSET;
	EnumFontFamiliesExW(screen.Get(), &all, TakeTextFamily, reinterpret_cast<LPARAM>(&found), 0);
	return found;
}

// The LOGFONT's font, in the family named instead of its own face.
status_t MakeFontInFamily(HDC display, LOGFONTW logfont, const BString& family, float logPixelsY, BFont* font)
{
	if (family.IsEmpty() || family.Length() >= LF_FACESIZE)
		return kNameNotFound;
	std::wmemset(logfont.lfFaceName, 0, LF_FACESIZE);
	std::wmemcpy(logfont.lfFaceName, family.Chars(), static_cast<size_t>(family.Length()));
	return MakeFontFromGdipFont(WinGdipFont::CreateFromLogfont(display, logfont), logPixelsY, font);
}

// The platform sizes its system fonts for the display's resolution, in whole
// pixels. Brought back to the whole pixels of a 96-DPI display first, a font
// has the same size in points at every resolution, so that text lays out the
// same in units.
status_t MakeFontFromLogfont(HDC display, LOGFONTW logfont, const font_family_sources& sources, BFont* font)
{
	float displayPixelsY = LogPixelsY(display);
	logfont.lfHeight = FontHeightAt96Dpi(logfont.lfHeight, DisplayScale(static_cast<UINT>(displayPixelsY)));
	float logPixelsY = static_cast<float>(DisplayScale::kBaseDpi);
	if (MakeFontFromGdipFont(WinGdipFont::CreateFromLogfont(display, logfont), logPixelsY, font) == kOk)
		return kOk;
	for (BString (*source)() : {sources.sansSerif, sources.firstTrueType}) {
		if (MakeFontInFamily(display, logfont, source(), logPixelsY, font) == kOk)
			return kOk;
	}
	return kNameNotFound;
}

}  // namespace

const font_family_sources& PlatformFontFamilies()
{
	static const font_family_sources sources = {GenericSansSerifName, GenericMonospaceName, FirstTrueTypeName};
	return sources;
}

status_t MakeSystemFonts(HDC display, const LOGFONTW& message, const LOGFONTW& caption,
	const font_family_sources& sources, system_font_set* fonts)
{
	status_t plain = MakeFontFromLogfont(display, message, sources, &fonts->plain);
	// A bold font no family can make stays without a GDI+ font; plain text
	// is drawn all the same.
	(void)MakeFontFromLogfont(display, caption, sources, &fonts->bold);
	BString monospace = sources.monospace();
	if (monospace.IsEmpty())
		monospace = fonts->plain.FamilyName();
	// A point-sized font: the resolution does not enter its size. Without any
	// family it stays without a font, as the plain one then does.
	(void)fonts->fixed.SetFamilyFaceAndSize(monospace, kRegularFace, fonts->plain.Size());
	return plain;
}

status_t StartSystemFonts()
{
	if (PublishedFonts() != nullptr)
		return kOk;
	NONCLIENTMETRICSW metrics = {};
	metrics.cbSize = kNonClientMetricsSize;
	if (!SystemParametersInfoW(SPI_GETNONCLIENTMETRICS, kNonClientMetricsSize, &metrics, 0))
		return kError;
	std::unique_ptr<system_font_set> fonts(new (std::nothrow) system_font_set);
	if (fonts == nullptr)
		return kNoMemory;
	WinCreatedDC display(CreateDCW(L"DISPLAY", nullptr, nullptr, nullptr));
	status_t status = MakeSystemFonts(display.Get(), metrics.lfMessageFont, metrics.lfCaptionFont,
		PlatformFontFamilies(), fonts.get());
	// A failed attempt publishes nothing, so that a later application (with
	// GDI+ started, say) tries again.
	if (status != kOk)
		return status;
	system_font_set* none = nullptr;
	if (gSystemFonts.compare_exchange_strong(none, fonts.get(), std::memory_order_acq_rel))
		fonts.release();
	return kOk;
}

}  // namespace BPrivate

const BFont* PlainFont()
{
	const BPrivate::system_font_set* fonts = BPrivate::PublishedFonts();
	return fonts != nullptr ? &fonts->plain : nullptr;
}

const BFont* BoldFont()
{
	const BPrivate::system_font_set* fonts = BPrivate::PublishedFonts();
	return fonts != nullptr ? &fonts->bold : nullptr;
}

const BFont* FixedFont()
{
	const BPrivate::system_font_set* fonts = BPrivate::PublishedFonts();
	return fonts != nullptr ? &fonts->fixed : nullptr;
}

