// Font descriptors on the real GDI+: the system fonts, the sans-serif fallback,
// the metrics, the face bits and fonts made from GDI+ fonts.
#include "interface/Font.h"
#include "interface/GdiPlus.h"
#include "interface/GdiPlusFlat.h"
#include "interface/InterfaceMetrics.h"
#include "interface/WinGdi.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <cmath>
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
		float lineHeight = 0.0f;
		ASSERT_EQ(gdip::GdipGetFontHeightGivenDPI(font.NativeFont()->Native(), 72.0f, &lineHeight), Gdiplus::Ok);

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
		WinGdipFont* font;
		float points;
		uint16 face;
	};
	const Case cases[] = {
		{WinGdipFont::CreateFromLogfont(display.Get(), logfont), 16.0f * 72.0f / 120.0f, kBoldFace | kItalicFace},
		{WinGdipFont::Create(plainFamily.get(), 10.0f, 0), 10.0f, kRegularFace},
	};
	for (const Case& c : cases) {
		SCOPED_TRACE(c.points);
		ASSERT_NE(c.font, nullptr);
		BFont font;
		EXPECT_EQ(MakeFontFromGdipFont(c.font, 120.0f, &font), kOk);
		EXPECT_EQ(font.FamilyName(), family);
		EXPECT_NEAR(font.Size(), c.points, 0.001f);
		EXPECT_EQ(font.Face(), c.face);
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
