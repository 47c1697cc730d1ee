// The three system fonts: the platform's message font (plain), its caption
// font (bold) and GDI+'s generic monospace family at the plain size (fixed).
//
// They are made once, on the thread that starts the first application, and
// published with one atomic store; any thread may read them afterwards. They
// live until the process ends and are never deleted: their GDI+ objects would
// outlive GDI+ itself, which the entry point shuts down before static
// destruction.
#include "interface/Font.h"

#include "interface/GdiPlus.h"
#include "interface/GdiPlusFlat.h"
#include "interface/WinGdi.h"

#include <atomic>
#include <cstddef>
#include <memory>
#include <new>

namespace {

struct SystemFontSet {
	BFont plain;
	BFont bold;
	BFont fixed;
};

std::atomic<SystemFontSet*> gSystemFonts{nullptr};

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

status_t MakeFontFromLogfont(HDC display, const LOGFONTW& logfont, float logPixelsY, BFont* font)
{
	return MakeFontFromGdipFont(WinGdipFont::CreateFromLogfont(display, logfont), logPixelsY, font);
}

// Where the platform has no monospace family (Wine without its core fonts),
// the fixed font falls back to sans-serif, as any missing family does.
status_t MakeFixedFont(float size, BFont* font)
{
	std::unique_ptr<WinGdipFontFamily> family(WinGdipFontFamily::CreateGenericMonospace());
	if (family == nullptr)
		family.reset(WinGdipFontFamily::CreateGenericSansSerif());
	// A point-sized font: the resolution does not enter its size.
	return MakeFontFromGdipFont(WinGdipFont::Create(family.get(), size, Gdiplus::FontStyleRegular),
		kDefaultLogPixelsY, font);
}

status_t MakeSystemFonts(SystemFontSet* fonts)
{
	NONCLIENTMETRICSW metrics = {};
	metrics.cbSize = kNonClientMetricsSize;
	if (!SystemParametersInfoW(SPI_GETNONCLIENTMETRICS, kNonClientMetricsSize, &metrics, 0))
		return kError;

	WinCreatedDC display(CreateDCW(L"DISPLAY", nullptr, nullptr, nullptr));
	float logPixelsY = LogPixelsY(display.Get());
	if (MakeFontFromLogfont(display.Get(), metrics.lfMessageFont, logPixelsY, &fonts->plain) != kOk ||
		MakeFontFromLogfont(display.Get(), metrics.lfCaptionFont, logPixelsY, &fonts->bold) != kOk)
		return kError;
	return MakeFixedFont(fonts->plain.Size(), &fonts->fixed);
}

const SystemFontSet* SystemFonts()
{
	return gSystemFonts.load(std::memory_order_acquire);
}

}  // namespace

const BFont* PlainFont()
{
	const SystemFontSet* fonts = SystemFonts();
	return fonts != nullptr ? &fonts->plain : nullptr;
}

const BFont* BoldFont()
{
	const SystemFontSet* fonts = SystemFonts();
	return fonts != nullptr ? &fonts->bold : nullptr;
}

const BFont* FixedFont()
{
	const SystemFontSet* fonts = SystemFonts();
	return fonts != nullptr ? &fonts->fixed : nullptr;
}

// A failed attempt publishes nothing, so that a later application (with GDI+
// started, say) tries again.
status_t BPrivate::StartSystemFonts()
{
	if (SystemFonts() != nullptr)
		return kOk;
	std::unique_ptr<SystemFontSet> fonts(new (std::nothrow) SystemFontSet);
	if (fonts == nullptr)
		return kNoMemory;
	status_t status = MakeSystemFonts(fonts.get());
	if (status != kOk)
		return status;
	SystemFontSet* none = nullptr;
	if (gSystemFonts.compare_exchange_strong(none, fonts.get(), std::memory_order_acq_rel))
		fonts.release();
	return kOk;
}
