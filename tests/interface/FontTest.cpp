// Font descriptors on the real GDI+: the system fonts, the sans-serif fallback,
// the metrics, the face bits and fonts made from GDI+ fonts.
#include "interface/Font.h"
#include "interface/GdiPlus.h"
#include "interface/GdiPlusFlat.h"
#include "interface/InterfaceMetrics.h"
#include "interface/SystemFonts.h"
#include "interface/WinGdi.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <cmath>
#include <cstddef>
#include <memory>
#include <string>

namespace {

class FontTest : public ::testing::Test {
protected:
	static void SetUpTestSuite() { ASSERT_EQ(BPrivate::StartSystemFonts(), kOk); }
};

std::wstring FamilyOf(const WinGdipFontFamily* family)
{
	WCHAR name[LF_FACESIZE] = {};
	if (family == nullptr || gdip::GdipGetFamilyName(family->Native(), name, LANG_NEUTRAL) != Gdiplus::Ok)
		return std::wstring();
	return name;
}

// The family GDI+ really made the descriptor's font in.
std::wstring NativeFamilyOf(const BFont& font)
{
	std::unique_ptr<WinGdipFontFamily> family(WinGdipFontFamily::CreateFromFont(font.NativeFont()));
	return FamilyOf(family.get());
}

std::wstring SansSerifFamily()
{
	std::unique_ptr<WinGdipFontFamily> family(WinGdipFontFamily::CreateGenericSansSerif());
	return FamilyOf(family.get());
}

TEST_F(FontTest, SystemFontsAreMadeOnceFromThePlatformSettings)
{
	const BFont* plain = PlainFont();
	ASSERT_NE(plain, nullptr);
	EXPECT_EQ(plain->InitCheck(), kOk);
	EXPECT_FALSE(plain->FamilyName().IsEmpty());
	EXPECT_GT(plain->Size(), 0.0f);
	EXPECT_GT(plain->Ascent(), 0.0f);

	ASSERT_NE(BoldFont(), nullptr);
	EXPECT_EQ(BoldFont()->InitCheck(), kOk);
	EXPECT_NE(BoldFont()->Face() & kBoldFace, 0);
	ASSERT_NE(FixedFont(), nullptr);
	EXPECT_EQ(FixedFont()->InitCheck(), kOk);
	EXPECT_EQ(FixedFont()->Size(), plain->Size());
	EXPECT_EQ(FixedFont()->Face(), kRegularFace);

	EXPECT_EQ(BPrivate::StartSystemFonts(), kOk);
	EXPECT_EQ(PlainFont(), plain);
}

TEST_F(FontTest, AFamilyThatIsNotInstalledBecomesSansSerif)
{
	const std::wstring sansSerif = SansSerifFamily();
	ASSERT_FALSE(sansSerif.empty());

	struct Case {
		const char* family;
		float size;
		status_t status;
	};
	const Case cases[] = {
		{"Brisca Nonexistent Sans", 10.0f, kOk},
		{"", 10.0f, kError},
	};
	for (const Case& c : cases) {
		SCOPED_TRACE(c.family);
		BFont font;
		EXPECT_EQ(font.SetFamilyFaceAndSize(BString(c.family), kRegularFace, c.size), c.status);
		EXPECT_EQ(font.InitCheck(), c.status);
		EXPECT_EQ(font.FamilyName(), BString(c.family));
		if (c.status == kOk) {
			EXPECT_EQ(NativeFamilyOf(font), sansSerif);
			EXPECT_GT(font.Ascent(), 0.0f);
		} else {
			EXPECT_EQ(font.NativeFont(), nullptr);
			EXPECT_EQ(font.Ascent(), 0.0f);
		}
	}
}

// The line height is what GDI+ itself gives a line at 72 dpi (where a point
// is a pixel), unless that leaves less than one point between lines.
TEST_F(FontTest, MetricsFollowTheFontAndTheLeadingIsAtLeastOne)
{
	for (float size : {1.0f, 8.25f, 40.0f, 300.0f}) {
		SCOPED_TRACE(size);
		BFont font;
		ASSERT_EQ(font.SetFamilyFaceAndSize(PlainFont()->FamilyName(), kRegularFace, size), kOk);
		// The line spacing on a 96-DPI device, in points.
		float lineHeight = 0.0f;
		ASSERT_EQ(gdip::GdipGetFontHeightGivenDPI(font.NativeFont()->Native(), 96.0f, &lineHeight), Gdiplus::Ok);
		lineHeight = PointsFromPixelsAt96Dpi(lineHeight);

		EXPECT_GT(font.Ascent(), font.Descent());
		EXPECT_NEAR(font.Leading(), std::max(1.0f, lineHeight - font.Ascent() - font.Descent()), 0.01f);
		EXPECT_EQ(font.CombinedHeight(kAscentPart | kDescentPart | kLeadingPart),
			std::ceil(font.Ascent() + font.Descent() + font.Leading()));
		EXPECT_EQ(font.CombinedHeight(kAscentPart), std::ceil(font.Ascent()));
	}
	BFont tiny;
	ASSERT_EQ(tiny.SetFamilyFaceAndSize(PlainFont()->FamilyName(), kRegularFace, 1.0f), kOk);
	EXPECT_EQ(tiny.Leading(), 1.0f);
}

TEST_F(FontTest, FaceBitsAndGdipStylesConvertBothWays)
{
	struct Case {
		uint16 face;
		int32 style;
	};
	const Case cases[] = {
		{kRegularFace, 0},
		{kBoldFace, 1},
		{kItalicFace, 2},
		{kUnderscoreFace, 4},
		{kStrikeoutFace, 8},
		{kBoldFace | kItalicFace | kUnderscoreFace | kStrikeoutFace, 15},
	};
	for (const Case& c : cases) {
		SCOPED_TRACE(c.face);
		EXPECT_EQ(GdipStyleFromFace(c.face), c.style);
		EXPECT_EQ(FaceFromGdipStyle(c.style), c.face);
		// The face a font reports is the style GDI+ made, read back.
		BFont font;
		ASSERT_EQ(font.SetFamilyFaceAndSize(PlainFont()->FamilyName(), c.face, 9.0f), kOk);
		EXPECT_EQ(font.Face(), c.face);
	}
	// The regular bit means nothing beside another face.
	EXPECT_EQ(GdipStyleFromFace(kRegularFace | kBoldFace), 1);
}

// A font made from a LOGFONT measures in pixels of the display; one made in
// points keeps its size.
TEST_F(FontTest, FontsFromGdipFontsAreSizedInPoints)
{
	BString family = PlainFont()->FamilyName();
	LOGFONTW logfont = {};
	logfont.lfHeight = -16;
	logfont.lfWeight = FW_BOLD;
	logfont.lfItalic = TRUE;
	wcsncpy(logfont.lfFaceName, family.Chars(), LF_FACESIZE - 1);
	WinCreatedDC display(CreateDCW(L"DISPLAY", nullptr, nullptr, nullptr));
	std::unique_ptr<WinGdipFontFamily> plainFamily(WinGdipFontFamily::CreateByName(family.Chars()));
	struct Case {
		std::unique_ptr<WinGdipFont> font;
		float points;
		uint16 face;
	};
	Case cases[] = {
		{WinGdipFont::CreateFromLogfont(display.Get(), logfont), 16.0f * 72.0f / 120.0f, kBoldFace | kItalicFace},
		{WinGdipFont::Create(plainFamily.get(), 10.0f, 0), 10.0f, kRegularFace},
	};
	for (Case& c : cases) {
		SCOPED_TRACE(c.points);
		ASSERT_NE(c.font, nullptr);
		BFont font;
		EXPECT_EQ(MakeFontFromGdipFont(std::move(c.font), 120.0f, &font), kOk);
		EXPECT_EQ(font.FamilyName(), family);
		EXPECT_NEAR(font.Size(), c.points, 0.001f);
		EXPECT_EQ(font.Face(), c.face);
	}
}

// Stands in for a family the platform lacks.
BString NoFamily()
{
	return BString();
}

LOGFONTW WithFace(LOGFONTW logfont, const wchar_t* face)
{
	if (face != nullptr)
		wcsncpy(logfont.lfFaceName, face, LF_FACESIZE - 1);
	return logfont;
}

// Each font falls back on its own: a face GDI+ cannot make gives the generic
// sans-serif family, then the first TrueType family; a missing monospace
// family gives the plain font's family; with none of them there is no font.
TEST_F(FontTest, SystemFontsFallBackToFamiliesThePlatformHas)
{
	NONCLIENTMETRICSW metrics = {};
	metrics.cbSize = offsetof(NONCLIENTMETRICSW, iPaddedBorderWidth);
	ASSERT_TRUE(SystemParametersInfoW(SPI_GETNONCLIENTMETRICS, metrics.cbSize, &metrics, 0));
	WinCreatedDC display(CreateDCW(L"DISPLAY", nullptr, nullptr, nullptr));
	const BPrivate::font_family_sources platform = BPrivate::PlatformFontFamilies();
	const BString own(metrics.lfMessageFont.lfFaceName);
	const BString sansSerif = platform.sansSerif();
	const BString trueType = platform.firstTrueType();
	ASSERT_FALSE(sansSerif.IsEmpty());
	ASSERT_FALSE(trueType.IsEmpty());
	// Wine's own fonts hold no monospace family: there the fixed font is
	// always in the plain font's family.
	const BString monospace = platform.monospace();
	auto fixedBeside = [&](const BString& plain) { return monospace.IsEmpty() ? plain : monospace; };
	// A bitmap font: GDI matches the face, and GDI+ makes no font of it. (A
	// face GDI does not know matches some TrueType face instead.)
	const wchar_t* missing = L"MS Sans Serif";
	BPrivate::font_family_sources noSansSerif = platform;
	noSansSerif.sansSerif = NoFamily;
	BPrivate::font_family_sources noMonospace = platform;
	noMonospace.monospace = NoFamily;
	const BPrivate::font_family_sources none = {NoFamily, NoFamily, NoFamily};

	struct Case {
		const char* name;
		const wchar_t* messageFace;
		const wchar_t* captionFace;
		const BPrivate::font_family_sources& sources;
		status_t status;
		BString plain;
		BString bold;
		BString fixed;
	};
	const Case cases[] = {
		{"caption face missing", nullptr, missing, platform, kOk, own, sansSerif, fixedBeside(own)},
		{"faces missing", missing, missing, platform, kOk, sansSerif, sansSerif, fixedBeside(sansSerif)},
		{"faces and sans-serif missing", missing, missing, noSansSerif, kOk, trueType, trueType,
			fixedBeside(trueType)},
		{"monospace missing", nullptr, nullptr, noMonospace, kOk, own, BString(metrics.lfCaptionFont.lfFaceName),
			own},
		{"no family at all", missing, missing, none, kNameNotFound, BString(), BString(), BString()},
	};
	for (const Case& c : cases) {
		SCOPED_TRACE(c.name);
		BPrivate::system_font_set fonts;
		EXPECT_EQ(BPrivate::MakeSystemFonts(display.Get(), WithFace(metrics.lfMessageFont, c.messageFace),
					  WithFace(metrics.lfCaptionFont, c.captionFace), c.sources, &fonts),
			c.status);
		// The fallbacks keep the sizes the platform's own faces have.
		const struct {
			const BFont& font;
			const BString& family;
			float size;
		} made[] = {{fonts.plain, c.plain, PlainFont()->Size()}, {fonts.bold, c.bold, BoldFont()->Size()},
			{fonts.fixed, c.fixed, PlainFont()->Size()}};
		for (const auto& font : made) {
			EXPECT_EQ(font.font.InitCheck(), font.family.IsEmpty() ? kError : kOk);
			if (!font.family.IsEmpty()) {
				EXPECT_EQ(NativeFamilyOf(font.font), std::wstring(font.family.Chars()));
				EXPECT_EQ(font.font.Size(), font.size);
			}
		}
		if (c.status == kOk) {
			EXPECT_NE(fonts.bold.Face() & kBoldFace, 0);
		}
	}
}

TEST_F(FontTest, InterfaceMetricsDeriveFromThePlainFontAndEndWithTheTable)
{
	BPrivate::LoadInterfaceMetrics();
	float lineHeight = PlainFont()->CombinedHeight(kAscentPart | kDescentPart | kLeadingPart);
	EXPECT_EQ(InterfaceMetric(kLineHeightMetric), lineHeight);
	EXPECT_EQ(InterfaceMetric(12), lineHeight + 10.0f);
	EXPECT_EQ(InterfaceMetric(13), 0.0f);
	EXPECT_EQ(InterfaceColor(kScrollBarColorIndex).alpha, 255);
	EXPECT_EQ(InterfaceColor(kScrollBarColorIndex + 1), (rgb_color{0, 0, 0, 0}));
	BPrivate::ClearInterfaceMetrics();
	EXPECT_EQ(InterfaceMetric(kLineHeightMetric), 0.0f);
}

}  // namespace
