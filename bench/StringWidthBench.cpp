// Text measuring benchmark: BRender::StringWidth outside painting, where the
// render keeps its 1 x 1 measuring bitmap for its whole life, beside the raw
// flat GDI+ a caller without a render writes: a bitmap and its graphics made
// for every GdipMeasureString and deleted after it.
//
// Rounds alternate framework and raw, so that both see the same machine load.
// The ratio is framework time / raw time (below 1 means the framework is
// faster): the median and the spread of the ratios of the rounds.
#include "bench/BenchClock.h"
#include "bench/BenchPinning.h"
#include "bench/BenchResult.h"
#include "interface/Font.h"
#include "interface/GdiPlusFlat.h"
#include "interface/Render.h"

#include <algorithm>
#include <cstdio>
#include <vector>

namespace {

constexpr int kMeasurements = 2000;

const wchar_t* const kTexts[] = {
	L"This utility will remove the following folder from your computer:",
	L"C:\\Users\\Brisca\\Documents\\Quorvane\\Brisca",
	L"There are no folders to remove.",
	L"OK",
	L"Cancel",
};
constexpr int kTextCount = sizeof(kTexts) / sizeof(kTexts[0]);

// Keeps the measured widths alive, so that no measuring is optimised away.
volatile float gSink = 0.0f;

// Microseconds per measurement.
double FrameworkRound(BRender& render, const BString* texts)
{
	double start = NowSeconds();
	for (int i = 0; i < kMeasurements; i++)
		gSink = gSink + render.StringWidth(texts[i % kTextCount]);
	return (NowSeconds() - start) * 1e6 / kMeasurements;
}

float RawStringWidth(const wchar_t* text, Gdiplus::GpFont* font)
{
	Gdiplus::GpBitmap* bitmap = nullptr;
	Gdiplus::GpGraphics* graphics = nullptr;
	float width = 0.0f;
	if (gdip::GdipCreateBitmapFromScan0(1, 1, 0, PixelFormat32bppARGB, nullptr, &bitmap) == Gdiplus::Ok &&
		gdip::GdipGetImageGraphicsContext(bitmap, &graphics) == Gdiplus::Ok) {
		const Gdiplus::RectF unbounded(0.0f, 0.0f, 0.0f, 0.0f);
		Gdiplus::RectF bounds;
		if (gdip::GdipMeasureString(graphics, text, -1, font, &unbounded, nullptr, &bounds, nullptr, nullptr) ==
			Gdiplus::Ok)
			width = bounds.Width;
	}
	if (graphics != nullptr)
		gdip::GdipDeleteGraphics(graphics);
	if (bitmap != nullptr)
		gdip::GdipDisposeImage(bitmap);
	return width;
}

double RawRound(Gdiplus::GpFont* font)
{
	double start = NowSeconds();
	for (int i = 0; i < kMeasurements; i++)
		gSink = gSink + RawStringWidth(kTexts[i % kTextCount], font);
	return (NowSeconds() - start) * 1e6 / kMeasurements;
}

}  // namespace

int main()
{
	PinToOneProcessor();
	Gdiplus::GdiplusStartupInput input;
	ULONG_PTR token = 0;
	if (Gdiplus::GdiplusStartup(&token, &input, nullptr) != Gdiplus::Ok) {
		std::printf("GDI+ did not start\n");
		return 1;
	}
	int exitCode = 0;
	if (BPrivate::StartSystemFonts() != kOk) {
		std::printf("the system fonts could not be made\n");
		exitCode = 1;
	} else {
		BString texts[kTextCount];
		for (int i = 0; i < kTextCount; i++)
			texts[i] = BString(kTexts[i]);
		Gdiplus::GpFont* font = PlainFont()->NativeFont()->Native();
		BRender render;
		// Both sides warm up GDI+'s caches of the font and the glyphs.
		FrameworkRound(render, texts);
		RawRound(font);
		std::printf("%d rounds of %d measurements each\n", kStableRounds, kMeasurements);
		CompareRounds("StringWidth outside painting", "us/call", kStableRounds,
			[&] { return FrameworkRound(render, texts); }, [&] { return RawRound(font); }, "<= 1.0");
	}
	// The system fonts live until the process ends; GDI+ is not used again.
	Gdiplus::GdiplusShutdown(token);
	return exitCode;
}
