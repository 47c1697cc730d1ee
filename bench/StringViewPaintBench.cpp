// String view painting benchmark: a full repaint of a window holding 50 string
// views, beside a bare Win32 window that draws the same 50 lines with flat GDI+
// straight onto its paint DC, in the same process and the same run.
//
// Each side repaints on its own window's thread (RedrawWindow with
// RDW_UPDATENOW, so every native window of the tree paints before it returns):
// the framework's window when it handles a message asking for it, the bare
// window when its procedure gets one. Rounds alternate framework and bare, so
// that both see the same machine load. The ratio is framework time / bare time
// (above 1 means the framework is slower): the median and the spread of the
// ratios of the rounds.
#include "bench/BenchClock.h"
#include "bench/BenchResult.h"
#include "interface/NativeHandle.h"
#include "interface/StringView.h"
#include "interface/Window.h"
#include "kernel/ProcessSlots.h"
#include "messaging/Application.h"
#include "messaging/Message.h"
#include "messaging/Messenger.h"

#include <windows.h>
#include <objidl.h>
#include <gdiplus.h>

#include <algorithm>
#include <cstdio>
#include <string>
#include <thread>
#include <vector>

using namespace Gdiplus;
using namespace Gdiplus::DllExports;

namespace {

constexpr int kLines = 50;
constexpr int kRounds = 9;
constexpr int kRepaintsPerRound = 40;
constexpr float kLineHeight = 16.0f;
constexpr int kWidth = 460;
constexpr int kHeight = static_cast<int>(kLines * kLineHeight) + 4;
constexpr DWORD kDeadlineMillis = 60000;
constexpr uint32 kRepaint = FourCC("rpnt");
constexpr UINT kBareRepaint = WM_APP + 1;

std::wstring LineText(int index)
{
	return L"Line " + std::to_wstring(index) + L": C:\\users\\brisca\\Documents\\Quorvane\\Brisca";
}

// Repaints `window` and its children kRepaintsPerRound times; microseconds per repaint.
double TimeRepaints(HWND window)
{
	double start = NowSeconds();
	for (int i = 0; i < kRepaintsPerRound; i++)
		RedrawWindow(window, nullptr, nullptr, RDW_INVALIDATE | RDW_ALLCHILDREN | RDW_UPDATENOW);
	GdiFlush();
	return (NowSeconds() - start) * 1e6 / kRepaintsPerRound;
}

class Signal {
public:
	Signal() : fHandle(CreateEventW(nullptr, FALSE, FALSE, nullptr)) {}
	~Signal() { CloseHandle(fHandle); }
	Signal(const Signal&) = delete;
	Signal& operator=(const Signal&) = delete;
	void Set() { SetEvent(fHandle); }
	bool Wait() { return WaitForSingleObject(fHandle, kDeadlineMillis) == WAIT_OBJECT_0; }

private:
	HANDLE fHandle;
};

// --- the framework ---

class LinesWindow : public BWindow {
public:
	LinesWindow(double* timing, Signal* done)
		: BWindow(BRect(20.0f, 40.0f, 20.0f + kWidth, 40.0f + kHeight), BString("String views"), 0, 0, 0),
		  fTiming(timing), fDone(done)
	{
		BView* panel = new BView(BRect(0.0f, 0.0f, kWidth, kHeight), nullptr, kFollowAllSides, 0);
		panel->SetBackgroundColor(rgb_color{220, 220, 220, 255});
		for (int i = 0; i < kLines; i++) {
			float top = 2.0f + i * kLineHeight;
			BStringView* line = new BStringView(BRect(2.0f, top, kWidth - 2.0f, top + kLineHeight - 1.0f), nullptr,
				BString(LineText(i).c_str()), kFollowLeftTop, 0);
			line->SetForegroundColor(0, 0, 0, 255);
			Require(panel->AddChild(line), "AddChild");
		}
		Require(AddChild(panel), "AddChild");
	}

	void HandleMessage(BMessage* message) override
	{
		if (message->what != kRepaint) {
			BWindow::HandleMessage(message);
			return;
		}
		*fTiming = TimeRepaints(BPrivate::NativeHandleOf(this));
		fDone->Set();
	}

private:
	double* fTiming;
	Signal* fDone;
};

class BenchApp : public BApplication {
public:
	BenchApp(const BString* vendor, const BString* name) : BApplication(vendor, name) {}
	void OnReady() override
	{
		window = new LinesWindow(&timing, &done);
		window->Show();
		shown.Set();
	}

	LinesWindow* window = nullptr;
	double timing = 0.0;
	Signal done;
	Signal shown;
};

// --- the bare window ---

struct BareWindow {
	HWND handle = nullptr;
	GpFont* font = nullptr;
	double timing = 0.0;
	Signal* done = nullptr;
};

void PaintBare(HWND window, const BareWindow& bare)
{
	PAINTSTRUCT paint;
	HDC dc = BeginPaint(window, &paint);
	GpGraphics* graphics = nullptr;
	if (GdipCreateFromHDC(dc, &graphics) == Ok) {
		GpSolidFill* background = nullptr;
		GpSolidFill* ink = nullptr;
		GdipCreateSolidFill(0xFFDCDCDC, &background);
		GdipCreateSolidFill(0xFF000000, &ink);
		GdipFillRectangleI(graphics, background, 0, 0, kWidth, kHeight);
		for (int i = 0; i < kLines; i++) {
			std::wstring text = LineText(i);
			RectF at(4.0f, 3.0f + i * kLineHeight, 0.0f, 0.0f);
			GdipDrawString(graphics, text.c_str(), static_cast<INT>(text.size()), bare.font, &at, nullptr, ink);
		}
		GdipDeleteBrush(ink);
		GdipDeleteBrush(background);
		GdipDeleteGraphics(graphics);
	}
	EndPaint(window, &paint);
}

LRESULT CALLBACK BareProcedure(HWND window, UINT message, WPARAM wParam, LPARAM lParam)
{
	auto* bare = reinterpret_cast<BareWindow*>(GetWindowLongPtrW(window, GWLP_USERDATA));
	switch (message) {
		case WM_PAINT:
			if (bare != nullptr) {
				PaintBare(window, *bare);
				return 0;
			}
			break;
		case WM_ERASEBKGND:
			return 1;
		case kBareRepaint:
			bare->timing = TimeRepaints(window);
			bare->done->Set();
			return 0;
		case WM_CLOSE:
			PostQuitMessage(0);
			return 0;
		default:
			break;
	}
	return DefWindowProcW(window, message, wParam, lParam);
}

// The message font, as the framework's plain font is made.
GpFont* MessageFont()
{
	NONCLIENTMETRICSW metrics = {};
	metrics.cbSize = sizeof(metrics);
	SystemParametersInfoW(SPI_GETNONCLIENTMETRICS, sizeof(metrics), &metrics, 0);
	HDC screen = GetDC(nullptr);
	GpFont* font = nullptr;
	GdipCreateFontFromLogfontW(screen, &metrics.lfMessageFont, &font);
	ReleaseDC(nullptr, screen);
	return font;
}

void RunBareWindow(BareWindow* bare, Signal* shown)
{
	WNDCLASSW windowClass = {};
	windowClass.lpfnWndProc = BareProcedure;
	windowClass.hInstance = GetModuleHandleW(nullptr);
	windowClass.lpszClassName = L"BareLines";
	windowClass.hCursor = LoadCursorW(nullptr, IDC_ARROW);
	RegisterClassW(&windowClass);
	bare->font = MessageFont();
	RECT outer = {500, 40, 500 + kWidth, 40 + kHeight};
	AdjustWindowRectEx(&outer, WS_OVERLAPPEDWINDOW, FALSE, 0);
	bare->handle = CreateWindowExW(0, L"BareLines", L"Bare lines", WS_OVERLAPPEDWINDOW, outer.left, outer.top,
		outer.right - outer.left, outer.bottom - outer.top, nullptr, nullptr, windowClass.hInstance, nullptr);
	SetWindowLongPtrW(bare->handle, GWLP_USERDATA, reinterpret_cast<LONG_PTR>(bare));
	ShowWindow(bare->handle, SW_SHOW);
	UpdateWindow(bare->handle);
	shown->Set();
	MSG message;
	while (GetMessageW(&message, nullptr, 0, 0) > 0)
		DispatchMessageW(&message);
	DestroyWindow(bare->handle);
	GdipDeleteFont(bare->font);
	UnregisterClassW(L"BareLines", windowClass.hInstance);
}

void EndBoth(BenchApp* app, BareWindow* bare)
{
	PostMessageW(bare->handle, WM_CLOSE, 0, 0);
	BMessage quit(kQuitRequested);
	// An application that has gone needs no quitting.
	(void)BMessenger(nullptr, app).Send(&quit);
}

// Runs the rounds from a thread of its own, then ends both windows.
void Measure(BenchApp* app, BareWindow* bare, Signal* bareShown)
{
	bool shown = app->shown.Wait();
	shown = bareShown->Wait() && shown;
	if (!shown) {
		std::printf("a window did not show\n");
		EndBoth(app, bare);
		return;
	}
	// A first repaint of each makes the off-screen buffer, the fonts' caches and the brushes.
	std::vector<double> framework;
	std::vector<double> baseline;
	BMessenger window(nullptr, app->window);
	for (int round = -1; round < kRounds; round++) {
		BMessage repaint(kRepaint);
		// A repaint that cannot be sent shows as a wait that fails.
		(void)window.Send(&repaint);
		bool fine = app->done.Wait();
		PostMessageW(bare->handle, kBareRepaint, 0, 0);
		fine = bare->done->Wait() && fine;
		if (!fine) {
			std::printf("a repaint did not finish\n");
			break;
		}
		if (round < 0)
			continue;
		framework.push_back(app->timing);
		baseline.push_back(bare->timing);
	}
	EndBoth(app, bare);
	if (framework.empty())
		return;
	std::printf("framework (us per repaint):");
	for (double value : framework)
		std::printf(" %.0f", value);
	std::printf("\nbare (us per repaint):");
	for (double value : baseline)
		std::printf(" %.0f", value);
	std::printf("\n");
	PrintResultLine("full repaint of 50 string views", "us", framework, baseline, "<= 1.3");
}

}  // namespace

int main()
{
	GdiplusStartupInput input;
	ULONG_PTR token = 0;
	if (GdiplusStartup(&token, &input, nullptr) != Ok) {
		std::printf("GDI+ did not start\n");
		return 1;
	}
	SetProcessModuleHandle(GetModuleHandleW(nullptr));
	{
		BString vendor("Quorvane");
		BString name("StringViewPaintBench");
		BenchApp app(&vendor, &name);
		BareWindow bare;
		Signal bareDone;
		Signal bareShown;
		bare.done = &bareDone;
		std::thread bareThread(RunBareWindow, &bare, &bareShown);
		std::thread measure(Measure, &app, &bare, &bareShown);
		(void)app.Run();
		measure.join();
		bareThread.join();
	}
	GdiplusShutdown(token);
	return 0;
}
