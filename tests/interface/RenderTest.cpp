// BRender drawing into real DIB sections through GDI+, checked by the pixels
// read back; text measuring; the leak-free life of renders.
#include "interface/GdiPlusFlat.h"
#include "interface/Render.h"
#include "tests/harness/ResourceCounts.h"
#include "tests/interface/PixelCanvas.h"

#include <gtest/gtest.h>

#include <windows.h>

#include <cmath>
#include <cstdio>
#include <functional>
#include <memory>

namespace {

using zeltest::InkBox;
using zeltest::PixelCanvas;

constexpr uint32 kWhite = 0xFFFFFF;

class RenderTest : public ::testing::Test {
protected:
	static void SetUpTestSuite() { ASSERT_EQ(BPrivate::StartSystemFonts(), kOk); }
};

// Draws through the render on new graphics for the canvas; the graphics are
// deleted afterwards, which finishes the drawing.
void Paint(BRender& render, PixelCanvas& canvas, const std::function<void()>& draw)
{
	std::unique_ptr<WinGdipGraphics> graphics = canvas.CreateGraphics();
	ASSERT_NE(graphics, nullptr);
	BPrivate::RenderTarget target(&render, graphics.get());
	draw();
}

// Every pixel inside `box` has `color` and every pixel outside is white.
::testing::AssertionResult FilledExactly(const PixelCanvas& canvas, const InkBox& box, uint32 color)
{
	for (int y = 0; y < canvas.Height(); y++) {
		for (int x = 0; x < canvas.Width(); x++) {
			bool inside = x >= box.left && x < box.right && y >= box.top && y < box.bottom;
			uint32 expected = inside ? color : kWhite;
			if (canvas.Pixel(x, y) != expected) {
				return ::testing::AssertionFailure() << "pixel (" << x << ", " << y << ") is " << std::hex
				                                     << canvas.Pixel(x, y) << ", not " << expected;
			}
		}
	}
	return ::testing::AssertionSuccess();
}

struct FillCase {
	const char* name;
	uint8 alpha;
	BPoint origin;
	BRect rect;
	// The pixels that change, right and bottom exclusive; empty for none.
	InkBox painted;
};

TEST_F(RenderTest, FillBackgroundFillsExactlyTheRectangleAtTheOrigin)
{
	const FillCase cases[] = {
		{"opaque", 255, BPoint(0, 0), BRect(2, 3, 12, 8), InkBox{2, 3, 12, 8}},
		{"scrolled", 255, BPoint(5, 2), BRect(7, 5, 17, 10), InkBox{2, 3, 12, 8}},
		{"transparent", 0, BPoint(0, 0), BRect(2, 3, 12, 8), InkBox{}},
	};
	for (const FillCase& c : cases) {
		SCOPED_TRACE(c.name);
		PixelCanvas canvas(20, 12);
		BRender render;
		render.SetColor(kBackgroundColorIndex, 0x20, 0x40, 0x80, c.alpha);
		render.SetOrigin(c.origin);
		Paint(render, canvas, [&] { render.FillBackground(c.rect); });
		EXPECT_TRUE(FilledExactly(canvas, c.painted, 0x204080));
	}

	// An origin set while painting moves what is drawn after it.
	PixelCanvas canvas(20, 12);
	BRender render;
	render.SetColor(kBackgroundColorIndex, 0x20, 0x40, 0x80, 255);
	Paint(render, canvas, [&] {
		render.SetOrigin(BPoint(-3, -1));
		render.FillBackground(BRect(0, 0, 4, 4));
	});
	EXPECT_TRUE(FilledExactly(canvas, InkBox{3, 1, 7, 5}, 0x204080));
}

// Copy mode replaces the target's pixels; blending mixes a translucent colour
// in. The mode holds for every paint, not only the one it was set in.
TEST_F(RenderTest, BlendModeHoldsAcrossPaints)
{
	PixelCanvas blended(4, 4);
	PixelCanvas copied(4, 4);
	BRender render;
	render.SetColor(kBackgroundColorIndex, 255, 0, 0, 128);
	Paint(render, blended, [&] { render.FillBackground(BRect(0, 0, 4, 4)); });
	render.SetBlendMode(false);
	Paint(render, copied, [&] { render.FillBackground(BRect(0, 0, 4, 4)); });

	uint32 mix = blended.Pixel(1, 1);
	EXPECT_EQ(mix >> 16, 0xFFu);
	EXPECT_NEAR(static_cast<int>(mix & 0xFF), 0x7F, 2);
	EXPECT_NE(copied.Pixel(1, 1), mix);
	EXPECT_FALSE(render.BlendMode());
}

// Ink drawn in `color` on white: every changed pixel lies between white and
// the colour (antialiasing), and some pixel has the colour itself.
::testing::AssertionResult InkIsOfColor(const PixelCanvas& canvas, uint32 color)
{
	bool solid = false;
	for (int y = 0; y < canvas.Height(); y++) {
		for (int x = 0; x < canvas.Width(); x++) {
			uint32 pixel = canvas.Pixel(x, y);
			if (pixel == kWhite)
				continue;
			solid = solid || pixel == color;
			uint32 red = pixel >> 16;
			uint32 green = (pixel >> 8) & 0xFF;
			uint32 blue = pixel & 0xFF;
			// On the line from white to a primary colour, the two channels that
			// fade are equal and the third stays full.
			bool onLine = (color == 0xFF0000 && red == 0xFF && green == blue) ||
			              (color == 0x0000FF && blue == 0xFF && red == green);
			if (!onLine)
				return ::testing::AssertionFailure() << "pixel (" << x << ", " << y << ") is " << std::hex << pixel;
		}
	}
	if (!solid)
		return ::testing::AssertionFailure() << "no pixel has the colour itself";
	return ::testing::AssertionSuccess();
}

TEST_F(RenderTest, TextIsDrawnInTheForegroundColourOfTheMoment)
{
	struct Case {
		uint8 red;
		uint8 blue;
		uint32 color;
	};
	const Case cases[] = {{255, 0, 0xFF0000}, {0, 255, 0x0000FF}, {255, 0, 0xFF0000}};
	// One render throughout, so that the brush is recoloured between paints.
	BRender render;
	render.SetColor(kSecondaryColorIndex, 0, 255, 0, 255);
	for (const Case& c : cases) {
		SCOPED_TRACE(c.color);
		PixelCanvas canvas(120, 40);
		render.SetColor(kForegroundColorIndex, c.red, 0, c.blue, 255);
		Paint(render, canvas, [&] { render.DrawString("Brisca Hg", 4, 25); });
		EXPECT_FALSE(canvas.Ink().IsEmpty());
		EXPECT_TRUE(InkIsOfColor(canvas, c.color));
		EXPECT_EQ(render.Color(kForegroundColorIndex), (rgb_color{c.red, 0, c.blue, 255}));
	}
}

// Whether the platform's GDI+ trims a line that does not fit with an ellipsis
// at all: Wine's draws the clipped line whatever trimming the format asks for.
bool PlatformTrimsWithEllipsis(const BString& text)
{
	PixelCanvas trimmed(200, 40);
	PixelCanvas clipped(200, 40);
	for (PixelCanvas* canvas : {&trimmed, &clipped}) {
		std::unique_ptr<WinGdipGraphics> graphics(canvas->CreateGraphics());
		Gdiplus::GpStringFormat* format = nullptr;
		Gdiplus::GpSolidFill* brush = nullptr;
		gdip::GdipCreateStringFormat(Gdiplus::StringFormatFlagsNoWrap, LANG_NEUTRAL, &format);
		gdip::GdipCreateSolidFill(0xFF000000u, &brush);
		if (canvas == &trimmed)
			gdip::GdipSetStringFormatTrimming(format, Gdiplus::StringTrimmingEllipsisCharacter);
		const Gdiplus::RectF layout(10.0f, 10.0f, 70.0f, 20.0f);
		gdip::GdipDrawString(graphics->Native(), text.Chars(), text.Length(), PlainFont()->NativeFont()->Native(),
			&layout, format, brush);
		gdip::GdipDeleteBrush(brush);
		gdip::GdipDeleteStringFormat(format);
	}
	return !trimmed.SamePixels(clipped);
}

// DrawStringInWidth at x = 10 with a width of 70: nothing may reach past 80.
// A text that does not fit ends in an ellipsis where the platform draws one.
TEST_F(RenderTest, TextInAWidthStaysInsideItAndTruncatesAsAsked)
{
	const BString longText("This utility will remove the following folder");
	const BString path("C:\\Documents\\Quorvane\\Brisca\\Uninstall.txt");
	const BString fitting("Brisca");
	const bool platformTrims = PlatformTrimsWithEllipsis(longText);
	if (!platformTrims)
		std::printf("[   NOTE   ] this GDI+ draws no ellipses: only the width is checked\n");
	struct Case {
		const char* name;
		const BString& text;
		uint32 mode;
		// Whether the ink equals that of mode 0: it does when the text fits.
		bool sameAsClipped;
	};
	const Case cases[] = {
		{"clipped", longText, 0, true},
		{"ellipsis", longText, kTruncateWithEllipsis, !platformTrims},
		{"path ellipsis", path, kTruncatePath, !platformTrims},
		{"fits", fitting, kTruncateWithEllipsis, true},
	};
	for (const Case& c : cases) {
		SCOPED_TRACE(c.name);
		BRender render;
		PixelCanvas clipped(200, 40);
		PixelCanvas truncated(200, 40);
		Paint(render, clipped, [&] { render.DrawStringInWidth(c.text, 10, 25, 70, 0); });
		Paint(render, truncated, [&] { render.DrawStringInWidth(c.text, 10, 25, 70, c.mode); });

		InkBox ink = truncated.Ink();
		ASSERT_FALSE(ink.IsEmpty());
		EXPECT_GE(ink.left, 10);
		EXPECT_LE(ink.right, 80);
		EXPECT_LE(clipped.Ink().right, 80);
		EXPECT_EQ(truncated.SamePixels(clipped), c.sameAsClipped);
	}
}

// The columns that dark ink reaches, right edge exclusive, in text drawn on
// a 24-bit bitmap, the kind of the windows' off-screen buffers (text on other
// kinds of surface can come out a few pixels narrower).
int InkRightOfText(BRender& render, const BString& text, float scale, float viewWidth)
{
	constexpr int kHeight = 48;
	int width = static_cast<int>(viewWidth * scale * 2.0f);
	std::unique_ptr<WinGdipBitmap> bitmap = WinGdipBitmap::Create(width, kHeight, PixelFormat24bppRGB);
	std::unique_ptr<WinGdipGraphics> graphics = WinGdipGraphics::CreateFromImage(bitmap.get());
	if (graphics == nullptr || gdip::GdipGraphicsClear(graphics->Native(), 0xFFFFFFFF) != Gdiplus::Ok)
		return -1;
	{
		BPrivate::RenderTarget target(&render, graphics.get(), scale, BPoint(), BRect(0, 0, viewWidth, 20));
		render.DrawString(text, 2, 14);
	}
	graphics.reset();
	for (int x = width - 1; x >= 0; x--) {
		for (int y = 0; y < kHeight; y++) {
			Gdiplus::ARGB pixel = 0;
			if (gdip::GdipBitmapGetPixel(bitmap->Native(), x, y, &pixel) == Gdiplus::Ok && (pixel & 0xFF) < 0x80)
				return x + 1;
		}
	}
	return 0;
}

// Text at a display's scale, placed as a string view places it: from a
// 2-unit inset in a view as wide as its 96-DPI width and both insets. Where
// its ink at the display's own size keeps off the view's last pixel, it is
// drawn at that size (a size a pixel smaller can be a strike of the font's
// that sets its glyphs closer together); where it would not, it is made
// smaller and stays inside.
TEST_F(RenderTest, TextAtADisplayScaleKeepsTheDisplaysSizeWhereItsViewHasRoom)
{
	const BString texts[] = {"C:\\users\\root\\Documents\\Quorvane\\Brisca",
		"This utility will remove the following folder from your computer:"};
	int shrunk = 0;
	for (uint16 face : {kBoldFace, kRegularFace}) {
		BFont font = *PlainFont();
		ASSERT_EQ(font.SetFace(face), kOk);
		for (const BString& text : texts) {
			for (float scale : {1.25f, 1.5f, 1.75f, 2.0f}) {
				SCOPED_TRACE(testing::Message() << "face " << face << ", scale " << scale);
				BRender render;
				render.SetFont(font, 0xFF);
				float width = std::ceil(render.StringWidth(text)) + 4.0f;
				int natural = InkRightOfText(render, text, scale, 2.0f * width);
				int inView = InkRightOfText(render, text, scale, width);
				int lastPixel = static_cast<int>(std::floor(width * scale)) - 1;
				ASSERT_GT(inView, 0);
				EXPECT_LE(inView, lastPixel);
				if (natural <= lastPixel) {
					EXPECT_EQ(inView, natural);
				} else {
					EXPECT_LT(inView, natural);
					shrunk++;
				}
			}
		}
	}
	// Both ways were taken: some text fits at the display's size, some not.
	EXPECT_GT(shrunk, 0);
	EXPECT_LT(shrunk, 16);
}

TEST_F(RenderTest, NothingIsDrawnOrMeasuredWithoutTextOrFont)
{
	BRender render;
	BRender fontless;
	fontless.SetFont(BFont(), 0xFF);
	for (BRender* r : {&render, &fontless}) {
		const BString text(r == &render ? "" : "Brisca");
		PixelCanvas canvas(100, 40);
		Paint(*r, canvas, [&] {
			r->DrawString(text, 4, 25);
			r->DrawStringInRect(text, 4, 4, 90, 30, 0);
		});
		EXPECT_TRUE(canvas.Ink().IsEmpty());
		EXPECT_EQ(r->StringWidth(text), 0.0f);
	}
}

TEST_F(RenderTest, StringWidthGrowsWithTheTextInAndOutsidePainting)
{
	BRender render;
	float previous = 0.0f;
	for (const char* text : {"B", "Br", "Brisca", "Brisca Uninstaller"}) {
		SCOPED_TRACE(text);
		float outside = render.StringWidth(text);
		EXPECT_GT(outside, previous);
		previous = outside;
		PixelCanvas canvas(4, 4);
		float painting = 0.0f;
		Paint(render, canvas, [&] { painting = render.StringWidth(text); });
		EXPECT_NEAR(painting, outside, 0.5f);
	}
}

// What the process's heap holds in busy blocks: GDI+ objects are heap blocks,
// not GDI objects.
size_t HeapBytesInUse()
{
	size_t bytes = 0;
	HANDLE heap = GetProcessHeap();
	if (!HeapLock(heap))
		return 0;
	PROCESS_HEAP_ENTRY entry = {};
	while (HeapWalk(heap, &entry)) {
		if ((entry.wFlags & PROCESS_HEAP_ENTRY_BUSY) != 0)
			bytes += entry.cbData;
	}
	HeapUnlock(heap);
	return bytes;
}

// One view's life in short: made, given a font, painted, measured outside
// painting, destroyed.
void RenderCycle(PixelCanvas& canvas)
{
	BRender render;
	render.SetFont(*BoldFont(), 0xFF);
	render.SetColor(kBackgroundColorIndex, 200, 200, 200, 255);
	render.SetColor(kForegroundColorIndex, 0, 0, 0, 255);
	render.SetOrigin(BPoint(1, 1));
	Paint(render, canvas, [&] {
		render.FillBackground(BRect(0, 0, 60, 20));
		render.DrawString("Brisca", 2, 14);
		render.DrawStringInWidth("Brisca Uninstaller", 2, 14, 30, kTruncateWithEllipsis);
		render.StringWidth("Brisca");
	});
	render.StringWidth("Brisca");
	render.StringWidth("Uninstaller");
}

TEST_F(RenderTest, RenderCyclesLeakNothing)
{
	PixelCanvas canvas(64, 24);
	RenderCycle(canvas);
	int gdiObjectsBefore = zeltest::CountGdiObjects();
	size_t heapBefore = HeapBytesInUse();
	for (int cycle = 0; cycle < 200; cycle++)
		RenderCycle(canvas);
	EXPECT_GT(gdiObjectsBefore, 0);
	EXPECT_EQ(zeltest::CountGdiObjects(), gdiObjectsBefore);
	// A leaked font, brush or bitmap per cycle would add kilobytes.
	EXPECT_LT(HeapBytesInUse(), heapBefore + 2048);
}

}  // namespace
