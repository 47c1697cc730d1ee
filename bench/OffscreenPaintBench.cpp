// Painting one 480 x 120 update rectangle the way a view paints through its
// window's off-screen buffer (BeginOffscreenDraw, the background, two lines of
// text, EndOffscreenDraw) beside the same drawing made with GDI+'s flat calls
// into a DIB kept for the run and copied with BitBlt.
#include "BenchClock.h"
#include "BenchPinning.h"
#include "BenchResult.h"

#include "interface/Font.h"
#include "interface/GdiPlus.h"
#include "interface/GdiPlusFlat.h"
#include "interface/NativeWindow.h"
#include "interface/OffscreenBuffer.h"
#include "interface/Render.h"
#include "interface/WinGdi.h"

#include <cstdio>
#include <cstring>

namespace {

constexpr int kPaints = 200;
constexpr int kLeft = 10;
constexpr int kTop = 10;
constexpr int kWidth = 480;
constexpr int kHeight = 120;
constexpr wchar_t kFirstLine[] = L"This utility will remove the following folder from your computer:";
constexpr wchar_t kSecondLine[] = L"C:\\users\\someone\\Documents\\Quorvane\\Brisca";
constexpr uint32 kBackground = 0xFFDCDCDC;
constexpr uint32 kForeground = 0xFF000000;

// A 24-bit DIB in a memory DC: the paint DC of the window, and the raw side's buffer.
struct Surface {
	Surface(HDC screen, int width, int height)
		: dc(CreateCompatibleDC(screen)), bitmap(BPrivate::CreateBufferBitmap(screen, width, height))
	{
		previous = SelectObject(dc.Get(), bitmap.Get());
	}
	~Surface() { SelectObject(dc.Get(), previous); }

	WinCreatedDC dc;
	WinBitmap bitmap;
	HGDIOBJ previous;
};

double FrameworkRound(BNativeWindow& native, BRender& render, HDC target, const BString& first,
	const BString& second)
{
	const BRect update(kLeft, kTop, kLeft + kWidth, kTop + kHeight);
	double start = NowSeconds();
	for (int i = 0; i < kPaints; i++) {
		WinGdipGraphics* graphics = native.BeginOffscreenDraw(update);
		Require(render.SetGraphics(graphics), "SetGraphics");
		// As the paint of a view does where GDI+ containers keep the outer transform.
		BPoint offset = native.ContainerOffset();
		if (offset.x != 0.0f || offset.y != 0.0f)
			graphics->SetTranslation(offset.x, offset.y);
		render.FillBackground(update);
		render.DrawString(first, kLeft + 4, kTop + 30);
		render.DrawString(second, kLeft + 4, kTop + 60);
		render.DetachGraphics();
		native.EndOffscreenDraw(target);
	}
	return (NowSeconds() - start) * 1e6 / kPaints;
}

struct RawSide {
	Gdiplus::GpGraphics* graphics = nullptr;
	Gdiplus::GpSolidFill* background = nullptr;
	Gdiplus::GpSolidFill* foreground = nullptr;
	Gdiplus::GpFont* font = nullptr;
	float ascent = 0.0f;
};

double RawRound(const RawSide& raw, HDC buffer, HDC target)
{
	const float firstTop = 30.0f - raw.ascent;
	const float secondTop = 60.0f - raw.ascent;
	double start = NowSeconds();
	for (int i = 0; i < kPaints; i++) {
		gdip::GdipFillRectangle(raw.graphics, raw.background, 0, 0, kWidth, kHeight);
		Gdiplus::RectF first(4, firstTop, 0, 0);
		Gdiplus::RectF second(4, secondTop, 0, 0);
		gdip::GdipDrawString(raw.graphics, kFirstLine, -1, raw.font, &first, nullptr, raw.foreground);
		gdip::GdipDrawString(raw.graphics, kSecondLine, -1, raw.font, &second, nullptr, raw.foreground);
		gdip::GdipFlush(raw.graphics, Gdiplus::FlushIntentionSync);
		GdiFlush();
		BitBlt(target, kLeft, kTop, kWidth, kHeight, buffer, 0, 0, SRCCOPY);
	}
	return (NowSeconds() - start) * 1e6 / kPaints;
}

}  // namespace

int main()
{
	PinToOneProcessor();
	Gdiplus::GdiplusStartupInput input;
	ULONG_PTR token = 0;
	if (Gdiplus::GdiplusStartup(&token, &input, nullptr) != Gdiplus::Ok || BPrivate::StartSystemFonts() != kOk) {
		std::printf("GDI+ or the system fonts did not start\n");
		return 1;
	}
	HDC screen = GetDC(nullptr);
	{
		Surface target(screen, kLeft + kWidth, kTop + kHeight);
		Surface buffer(screen, kWidth, kHeight);
		BNativeWindow native(0, 0);
		BRender render;
		render.SetColor(kBackgroundColorIndex, 0xDC, 0xDC, 0xDC, 0xFF);
		render.SetColor(kForegroundColorIndex, 0, 0, 0, 0xFF);
		BString first(kFirstLine);
		BString second(kSecondLine);

		RawSide raw;
		gdip::GdipCreateFromHDC(buffer.dc.Get(), &raw.graphics);
		gdip::GdipCreateSolidFill(kBackground, &raw.background);
		gdip::GdipCreateSolidFill(kForeground, &raw.foreground);
		raw.font = PlainFont()->NativeFont()->Native();
		raw.ascent = render.AscentCeiling();

		// Both sides warm up the buffers and GDI+'s glyph caches first.
		FrameworkRound(native, render, target.dc.Get(), first, second);
		RawRound(raw, buffer.dc.Get(), target.dc.Get());
		std::printf("%d rounds of %d paints each\n", kStableRounds, kPaints);
		CompareRounds("Off-screen paint of 480 x 120 with two lines", "us/paint", kStableRounds,
			[&] { return FrameworkRound(native, render, target.dc.Get(), first, second); },
			[&] { return RawRound(raw, buffer.dc.Get(), target.dc.Get()); }, "<= 1.1");
		gdip::GdipDeleteBrush(raw.foreground);
		gdip::GdipDeleteBrush(raw.background);
		gdip::GdipDeleteGraphics(raw.graphics);
	}
	ReleaseDC(nullptr, screen);
	Gdiplus::GdiplusShutdown(token);
	return 0;
}
