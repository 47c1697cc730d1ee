// String view painting benchmark: a full repaint of a window holding 50 string
// views, each a native child window as the view layer makes them, beside bare
// Win32 windows that draw the same 50 lines with flat GDI+, in the same
// process and the same run:
// - the goal's baseline: the same native structure (a top-level window, a
//   panel child over its client area and one child window per line), each
//   child painting its own line in its own WM_PAINT straight onto its paint
//   DC, while the repainting thread carries a pass-through WH_CALLWNDPROC hook
//   like the one every framework thread installs to bring its shown windows to
//   the front (bench/BenchHook.h). Under Wine each message sent to a hooked
//   thread costs the hook chain's round trips to the wine server, and a
//   repaint sends every child its WM_NCPAINT and WM_PAINT: the hook is the
//   design's, so the goal is measured against the same cost;
// - the same child windows without the hook, as information: what the hook
//   costs on top of the platform's own work;
// - one window that draws all 50 lines in one WM_PAINT, also as information:
//   it measures the design of one native window per view, not the framework.
//
// Each side repaints on its own window's thread (RedrawWindow with
// RDW_UPDATENOW, so every native window of the tree paints before it returns):
// the framework's window when it handles a message asking for it, the bare
// windows when their procedures get one. The four take turns at going first,
// so that all see the same machine load. The ratios are framework time / bare
// time (above 1 means the framework is slower): the median and the spread of
// the ratios of the rounds.
#include "bench/BenchClock.h"
#include "bench/BenchHook.h"
#include "bench/BenchPinning.h"
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
constexpr int kRepaintsPerRound = 40;
// Three windows side by side on a 1024 x 768 screen, none of them covered.
constexpr float kLineHeight = 14.0f;
constexpr int kWidth = 320;
constexpr int kHeight = static_cast<int>(kLines * kLineHeight) + 4;
constexpr int kTop = 30;
constexpr int kFrameworkLeft = 10;
constexpr int kChildrenLeft = 345;
constexpr int kOneWindowLeft = 680;
constexpr uint32 kPanelColour = 0xFFDCDCDC;
constexpr uint32 kInkColour = 0xFF000000;
constexpr DWORD kDeadlineMillis = 60000;
constexpr uint32 kRepaint = FourCC("rpnt");
constexpr UINT kBareRepaint = WM_APP + 1;
constexpr UINT kBareRepaintHooked = WM_APP + 2;

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
		: BWindow(BRect(kFrameworkLeft, kTop, kFrameworkLeft + kWidth, kTop + kHeight), BString("String views"), 0,
			  0, 0),
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

// --- the bare windows ---

struct BareWindow {
	// One child window per line, or every line in the top-level window's own paint.
	bool children = false;
	int left = 0;
	HWND handle = nullptr;
	GpFont* font = nullptr;
	double timing = 0.0;
	// The child windows' repaint under the pass-through hook.
	double hookedTiming = 0.0;
	Signal done;
	Signal shown;
};

// Times the repaints while the calling thread carries the pass-through hook.
double TimeHookedRepaints(HWND window)
{
	BenchThreadHook hook;
	if (!hook.Installed())
		return 0.0;
	return TimeRepaints(window);
}

// Fills `area` of the paint DC with the panel's colour and draws the lines
// from `first` to `last` at their places relative to `top`.
void PaintLines(HDC dc, const BareWindow& bare, RECT area, int first, int last, float top)
{
	GpGraphics* graphics = nullptr;
	if (GdipCreateFromHDC(dc, &graphics) != Ok)
		return;
	GpSolidFill* background = nullptr;
	GpSolidFill* ink = nullptr;
	GdipCreateSolidFill(kPanelColour, &background);
	GdipCreateSolidFill(kInkColour, &ink);
	GdipFillRectangleI(graphics, background, area.left, area.top, area.right - area.left, area.bottom - area.top);
	for (int i = first; i <= last; i++) {
		std::wstring text = LineText(i);
		RectF at(2.0f, top + i * kLineHeight, 0.0f, 0.0f);
		GdipDrawString(graphics, text.c_str(), static_cast<INT>(text.size()), bare.font, &at, nullptr, ink);
	}
	GdipDeleteBrush(ink);
	GdipDeleteBrush(background);
	GdipDeleteGraphics(graphics);
}

// A line child paints its own line; the panel and the one-window top level
// paint what they show themselves.
void PaintBare(HWND window, const BareWindow& bare, int line)
{
	PAINTSTRUCT paint;
	HDC dc = BeginPaint(window, &paint);
	RECT client;
	GetClientRect(window, &client);
	if (line >= 0)
		PaintLines(dc, bare, client, line, line, -line * kLineHeight);
	else if (!bare.children)
		PaintLines(dc, bare, client, 0, kLines - 1, 3.0f);
	else
		PaintLines(dc, bare, client, 0, -1, 0.0f);
	EndPaint(window, &paint);
}

// The line a child window shows is its identifier; the panel's is -1.
LRESULT CALLBACK BareChildProcedure(HWND window, UINT message, WPARAM wParam, LPARAM lParam)
{
	auto* bare = reinterpret_cast<BareWindow*>(GetWindowLongPtrW(window, GWLP_USERDATA));
	if (message == WM_PAINT && bare != nullptr) {
		PaintBare(window, *bare, static_cast<int>(GetWindowLongPtrW(window, GWLP_ID)) - 1);
		return 0;
	}
	if (message == WM_ERASEBKGND)
		return 1;
	return DefWindowProcW(window, message, wParam, lParam);
}

LRESULT CALLBACK BareProcedure(HWND window, UINT message, WPARAM wParam, LPARAM lParam)
{
	auto* bare = reinterpret_cast<BareWindow*>(GetWindowLongPtrW(window, GWLP_USERDATA));
	switch (message) {
		case WM_PAINT:
			if (bare != nullptr) {
				PaintBare(window, *bare, -1);
				return 0;
			}
			break;
		case WM_ERASEBKGND:
			return 1;
		case kBareRepaint:
			bare->timing = TimeRepaints(window);
			bare->done.Set();
			return 0;
		case kBareRepaintHooked:
			bare->hookedTiming = TimeHookedRepaints(window);
			bare->done.Set();
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

void RegisterBareClasses()
{
	WNDCLASSW windowClass = {};
	windowClass.hInstance = GetModuleHandleW(nullptr);
	windowClass.hCursor = LoadCursorW(nullptr, IDC_ARROW);
	windowClass.lpfnWndProc = BareProcedure;
	windowClass.lpszClassName = L"BareLines";
	RegisterClassW(&windowClass);
	windowClass.lpfnWndProc = BareChildProcedure;
	windowClass.lpszClassName = L"BareLine";
	RegisterClassW(&windowClass);
}

HWND CreateBareChild(HWND parent, BareWindow* bare, int identifier, int x, int y, int width, int height)
{
	HWND child = CreateWindowExW(0, L"BareLine", L"", WS_CHILD | WS_VISIBLE | WS_CLIPCHILDREN | WS_CLIPSIBLINGS, x,
		y, width, height, parent, reinterpret_cast<HMENU>(static_cast<INT_PTR>(identifier)),
		GetModuleHandleW(nullptr), nullptr);
	SetWindowLongPtrW(child, GWLP_USERDATA, reinterpret_cast<LONG_PTR>(bare));
	return child;
}

void RunBareWindow(BareWindow* bare)
{
	bare->font = MessageFont();
	RECT outer = {bare->left, kTop, bare->left + kWidth, kTop + kHeight};
	AdjustWindowRectEx(&outer, WS_OVERLAPPEDWINDOW, FALSE, 0);
	bare->handle = CreateWindowExW(0, L"BareLines", bare->children ? L"Bare child windows" : L"Bare lines",
		WS_OVERLAPPEDWINDOW | WS_CLIPCHILDREN, outer.left, outer.top, outer.right - outer.left,
		outer.bottom - outer.top, nullptr, nullptr, GetModuleHandleW(nullptr), nullptr);
	SetWindowLongPtrW(bare->handle, GWLP_USERDATA, reinterpret_cast<LONG_PTR>(bare));
	if (bare->children) {
		HWND panel = CreateBareChild(bare->handle, bare, 0, 0, 0, kWidth, kHeight);
		for (int i = 0; i < kLines; i++) {
			int top = 2 + static_cast<int>(i * kLineHeight);
			CreateBareChild(panel, bare, i + 1, 2, top, kWidth - 4, static_cast<int>(kLineHeight) - 1);
		}
	}
	ShowWindow(bare->handle, SW_SHOW);
	UpdateWindow(bare->handle);
	bare->shown.Set();
	MSG message;
	while (GetMessageW(&message, nullptr, 0, 0) > 0)
		DispatchMessageW(&message);
	DestroyWindow(bare->handle);
	GdipDeleteFont(bare->font);
}

void EndAll(BenchApp* app, BareWindow* bare, int count)
{
	for (int i = 0; i < count; i++)
		PostMessageW(bare[i].handle, WM_CLOSE, 0, 0);
	BMessage quit(kQuitRequested);
	// An application that has gone needs no quitting.
	(void)BMessenger(nullptr, app).Send(&quit);
}

// One repaint round of each side, in the given order; false when one did not finish.
bool RepaintRound(BenchApp* app, BareWindow* bare, int round)
{
	BMessenger window(nullptr, app->window);
	for (int turn = 0; turn < 4; turn++) {
		int side = (round + turn) % 4;
		bool fine;
		if (side == 0) {
			BMessage repaint(kRepaint);
			// A repaint that cannot be sent shows as a wait that fails.
			(void)window.Send(&repaint);
			fine = app->done.Wait();
		} else if (side == 3) {
			PostMessageW(bare[0].handle, kBareRepaintHooked, 0, 0);
			fine = bare[0].done.Wait();
		} else {
			PostMessageW(bare[side - 1].handle, kBareRepaint, 0, 0);
			fine = bare[side - 1].done.Wait();
		}
		if (!fine)
			return false;
	}
	return true;
}

void PrintTimings(const char* what, const std::vector<double>& timings)
{
	std::printf("%s (us per repaint):", what);
	for (double value : timings)
		std::printf(" %.0f", value);
	std::printf("\n");
}

// Runs the rounds from a thread of its own, then ends every window.
void Measure(BenchApp* app, BareWindow* bare)
{
	bool shown = app->shown.Wait();
	shown = bare[0].shown.Wait() && shown;
	shown = bare[1].shown.Wait() && shown;
	if (!shown) {
		std::printf("a window did not show\n");
		EndAll(app, bare, 2);
		return;
	}
	// A first repaint of each makes the off-screen buffer, the fonts' caches and the brushes.
	std::vector<double> framework;
	std::vector<double> children;
	std::vector<double> oneWindow;
	std::vector<double> hooked;
	for (int round = -1; round < kStableRounds; round++) {
		if (!RepaintRound(app, bare, round + 1)) {
			std::printf("a repaint did not finish\n");
			break;
		}
		if (round < 0)
			continue;
		framework.push_back(app->timing);
		children.push_back(bare[0].timing);
		oneWindow.push_back(bare[1].timing);
		hooked.push_back(bare[0].hookedTiming);
	}
	EndAll(app, bare, 2);
	if (framework.size() != static_cast<size_t>(kStableRounds))
		return;
	PrintTimings("framework", framework);
	PrintTimings("bare child windows", children);
	PrintTimings("bare one window", oneWindow);
	PrintTimings("bare child windows, hooked thread", hooked);
	PrintResultLine("full repaint of 50 string views / 50 bare child windows, hooked thread", "us", framework, hooked,
		"<= 1.1");
	PrintResultLine("full repaint of 50 string views / 50 bare child windows", "us", framework, children, "-");
	PrintResultLine("full repaint of 50 string views / one flat GDI+ window", "us", framework, oneWindow, "-");
}

}  // namespace

int main()
{
	PinToOneProcessor();
	GdiplusStartupInput input;
	ULONG_PTR token = 0;
	if (GdiplusStartup(&token, &input, nullptr) != Ok) {
		std::printf("GDI+ did not start\n");
		return 1;
	}
	SetProcessModuleHandle(GetModuleHandleW(nullptr));
	RegisterBareClasses();
	{
		BString vendor("Quorvane");
		BString name("StringViewPaintBench");
		BenchApp app(&vendor, &name);
		BareWindow bare[2];
		bare[0].children = true;
		bare[0].left = kChildrenLeft;
		bare[1].left = kOneWindowLeft;
		std::thread childrenThread(RunBareWindow, &bare[0]);
		std::thread oneWindowThread(RunBareWindow, &bare[1]);
		std::thread measure(Measure, &app, bare);
		(void)app.Run();
		measure.join();
		childrenThread.join();
		oneWindowThread.join();
	}
	GdiplusShutdown(token);
	return 0;
}
