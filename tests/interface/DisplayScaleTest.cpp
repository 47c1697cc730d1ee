// A window at the display's scale, read back from the screen: the program runs
// these at 96 DPI with the other interface tests, and again in a prefix at
// 144 DPI (tests/CMakeLists.txt). Expectations are computed here from the
// scale the platform reports, not through the framework's conversions.
#include "interface/Button.h"
#include "interface/DisplayScale.h"
#include "interface/NativeHandle.h"
#include "tests/interface/WindowTestSupport.h"

#include <gtest/gtest.h>

#include <cmath>

using namespace zeltest;

namespace {

constexpr uint32 kRed = 0xFF0000;

class DisplayScaleTest : public ::testing::Test {
protected:
	void TearDown() override { ReleaseInjectedKeys(); }

	// A framework length in the display's pixels, halves rounded up.
	LONG Pixels(float units) const { return std::lround(units * fDpi / 96.0f); }

	RecordingApp fApp;
	UINT fDpi = BPrivate::SystemDisplayScale().Dpi();
};

POINT ClientOrigin(HWND window)
{
	POINT origin = {0, 0};
	ClientToScreen(window, &origin);
	return origin;
}

// A child's rectangle in its parent's client pixels.
RECT PlaceOf(HWND child)
{
	RECT rect;
	GetWindowRect(child, &rect);
	MapWindowPoints(nullptr, GetParent(child), reinterpret_cast<POINT*>(&rect), 2);
	return rect;
}

LONG FontHeightOf(HWND control)
{
	LOGFONTW logfont = {};
	HGDIOBJ font = reinterpret_cast<HGDIOBJ>(SendMessageW(control, WM_GETFONT, 0, 0));
	return font != nullptr && GetObjectW(font, sizeof(logfont), &logfont) == sizeof(logfont) ? logfont.lfHeight : 0;
}

TEST_F(DisplayScaleTest, FillsCoverTheScaledRectanglesAndThePointerArrivesInUnits)
{
	RecordProperty("dpi", static_cast<int>(fDpi));
	// Frames in whole units whose scaled edges are whole pixels at 96, 120,
	// 144 and 192 DPI.
	ProbeWindow* window = new ProbeWindow(BRect(40, 60, 240, 180), "Display scale");
	ProbeView* fill = new ProbeView(BRect(12, 20, 72, 52), "fill");
	fill->SetBackgroundColor(rgb_color{255, 0, 0, 255});
	ASSERT_EQ(window->AddChild(fill), kOk);
	ASSERT_TRUE(ShowAndActivate(window));

	HWND client = BPrivate::NativeHandleOf(window);
	POINT origin = ClientOrigin(client);
	EXPECT_EQ(origin.x, Pixels(40));
	EXPECT_EQ(origin.y, Pixels(60));
	RECT bounds;
	ASSERT_TRUE(GetClientRect(client, &bounds));
	EXPECT_EQ(bounds.right, Pixels(200));
	EXPECT_EQ(bounds.bottom, Pixels(120));

	// The fill's pixels: exactly the scaled rectangle, and not a pixel beside it.
	LONG left = origin.x + Pixels(12), top = origin.y + Pixels(20);
	LONG right = origin.x + Pixels(72), bottom = origin.y + Pixels(52);
	ASSERT_TRUE(WaitFor([&] { return ScreenPixel({left, top}) == kRed; }));
	struct Probe {
		POINT at;
		bool red;
	};
	const Probe probes[] = {
		{{left, top}, true}, {{right - 1, bottom - 1}, true}, {{right - 1, top}, true}, {{left, bottom - 1}, true},
		{{left - 1, top}, false}, {{left, top - 1}, false}, {{right, bottom - 1}, false},
		{{right - 1, bottom}, false},
	};
	for (const Probe& probe : probes) {
		SCOPED_TRACE(testing::Message() << probe.at.x << ", " << probe.at.y);
		EXPECT_EQ(ScreenPixel(probe.at) == kRed, probe.red);
	}

	// The pointer at a scaled screen point reaches the view at the point in units.
	fill->log.Take();
	MovePointer(POINT{left + Pixels(10), top + Pixels(6)});
	ASSERT_TRUE(WaitFor([&] { return fill->log.Count(kMouseMoved) > 0; }));
	std::vector<Event> events = fill->log.Take();
	EXPECT_EQ(events.back().where, BPoint(10, 6));
	// "where" is in the window's units.
	EXPECT_EQ(BPoint(events.back().dx, events.back().dy), BPoint(22, 26));
	QuitWindow(window);
}

// Wine has one resolution for every display and never sends WM_DPICHANGED;
// the test sends it as the platform does when a window moves to a display of
// twice the resolution, with the outer rectangle the platform suggests there.
TEST_F(DisplayScaleTest, AWindowMovedToADisplayOfAnotherScaleTakesTheSuggestedPlaceAndScalesItsViews)
{
	ProbeWindow* window = new ProbeWindow(BRect(40, 60, 240, 180), "Display change");
	ProbeView* fill = new ProbeView(BRect(12, 20, 72, 52), "fill");
	fill->SetBackgroundColor(rgb_color{255, 0, 0, 255});
	BButton* button = new BButton(BRect(100, 70, 180, 100), "button", BString("Button"), nullptr, kFollowLeftTop,
		kNavigable);
	ASSERT_EQ(window->AddChild(fill), kOk);
	ASSERT_EQ(window->AddChild(button), kOk);
	ASSERT_TRUE(ShowAndWait(window));
	HWND handle = BPrivate::NativeHandleOf(window);
	HWND buttonHandle = BPrivate::NativeHandleOf(button);
	// The platform's GUI font is made for the system's resolution; buttons
	// get its 96-DPI height in whole pixels at their window's.
	LOGFONTW stock = {};
	ASSERT_EQ(GetObjectW(GetStockObject(DEFAULT_GUI_FONT), sizeof(stock), &stock), static_cast<int>(sizeof(stock)));
	LONG heightAt96 = MulDiv(stock.lfHeight, 96, static_cast<int>(fDpi));
	EXPECT_EQ(FontHeightOf(buttonHandle), MulDiv(heightAt96, static_cast<int>(fDpi), 96));

	fDpi *= 2;
	RECT suggested = {Pixels(40), Pixels(60), Pixels(240), Pixels(180)};
	AdjustWindowRectEx(&suggested, static_cast<DWORD>(GetWindowLongPtrW(handle, GWL_STYLE)), FALSE,
		static_cast<DWORD>(GetWindowLongPtrW(handle, GWL_EXSTYLE)));
	SendMessageW(handle, WM_DPICHANGED, MAKEWPARAM(fDpi, fDpi), reinterpret_cast<LPARAM>(&suggested));

	RECT outer;
	ASSERT_TRUE(GetWindowRect(handle, &outer));
	EXPECT_TRUE(EqualRect(&outer, &suggested));
	RECT fillPlace = PlaceOf(BPrivate::NativeHandleOf(fill));
	RECT fillWanted = {Pixels(12), Pixels(20), Pixels(72), Pixels(52)};
	EXPECT_TRUE(EqualRect(&fillPlace, &fillWanted));
	RECT buttonPlace = PlaceOf(buttonHandle);
	RECT buttonWanted = {Pixels(100), Pixels(70), Pixels(180), Pixels(100)};
	EXPECT_TRUE(EqualRect(&buttonPlace, &buttonWanted));
	EXPECT_EQ(FontHeightOf(buttonHandle), MulDiv(heightAt96, static_cast<int>(fDpi), 96));
	// In units nothing moved; the fill is drawn again at the new scale.
	ASSERT_TRUE(window->Lock());
	EXPECT_EQ(window->Bounds(), BRect(0, 0, 200, 120));
	EXPECT_EQ(fill->Frame(), BRect(12, 20, 72, 52));
	window->Unlock();
	POINT origin = ClientOrigin(handle);
	EXPECT_TRUE(WaitFor([&] {
		return ScreenPixel({origin.x + Pixels(72) - 1, origin.y + Pixels(52) - 1}) == kRed;
	}));
	QuitWindow(window);
}

}  // namespace
