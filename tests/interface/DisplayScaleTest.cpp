// A window at the display's scale, read back from the screen: the program runs
// these at 96 DPI with the other interface tests, and again in a prefix at
// 144 DPI (tests/CMakeLists.txt). Expectations are computed here from the
// scale the platform reports, not through the framework's conversions.
#include "interface/Button.h"
#include "interface/DisplayScale.h"
#include "interface/NativeCoordinates.h"
#include "interface/NativeHandle.h"
#include "tests/interface/WindowTestSupport.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <cmath>
#include <vector>

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

// Wine has one resolution for every display and never sends WM_DPICHANGED;
// the test sends it as the platform does when a window moves to a display of
// `dpi`, with the outer rectangle of `frame` there, and waits until the frame
// changes it asked for are made. The rectangle suggested.
RECT MoveToDisplayOf(BWindow* window, BRect frame, UINT dpi)
{
	HWND handle = BPrivate::NativeHandleOf(window);
	auto pixels = [dpi](float units) { return std::lround(units * dpi / 96.0f); };
	RECT suggested = {pixels(frame.left), pixels(frame.top), pixels(frame.right), pixels(frame.bottom)};
	AdjustWindowRectEx(&suggested, static_cast<DWORD>(GetWindowLongPtrW(handle, GWL_STYLE)), FALSE,
		static_cast<DWORD>(GetWindowLongPtrW(handle, GWL_EXSTYLE)));
	SendMessageW(handle, WM_DPICHANGED, MAKEWPARAM(dpi, dpi), reinterpret_cast<LPARAM>(&suggested));
	EXPECT_TRUE(DrainWindow(window));
	return suggested;
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
	RECT suggested = MoveToDisplayOf(window, BRect(40, 60, 240, 180), fDpi);

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

// Every pixel, at every scale and scroll origin, comes back from units as
// itself: as a point of a view and back, and as the edges and the width of a
// frame read from the platform. A size the platform reports that is the
// native size of the units asked for is those units.
TEST(DisplayScaleConversions, APixelMadeUnitsComesBackAsItself)
{
	using namespace BPrivate;
	const BPoint origins[] = {BPoint(0, 0), BPoint(20, 20), BPoint(-7, 13), BPoint(1234, -4321)};
	int failures = 0;
	for (UINT dpi : {96u, 120u, 144u, 168u, 192u, 240u}) {
		DisplayScale scale(dpi);
		for (BPoint origin : origins) {
			for (LONG x = -40; x < 2400 && failures < 10; x++) {
				POINT pixel = {x, 2399 - x};
				POINT back = ClientPointOfView(ViewPointOfClient(pixel, origin, scale), origin, scale);
				bool same = back.x == pixel.x && back.y == pixel.y;
				EXPECT_TRUE(same) << "(" << x << ", " << pixel.y << ") at " << dpi << " DPI, origin " << origin.x
				                  << ", " << origin.y << " came back as (" << back.x << ", " << back.y << ")";
				failures += same ? 0 : 1;
			}
		}
		for (LONG left = -3; left < 700 && failures < 10; left += 7) {
			for (LONG width = 0; width < 700 && failures < 10; width++) {
				BRect frame = FrameworkRect(RECT{left, 0, left + width, 1}, scale);
				bool same = NativeUnits(frame.left, scale) == left && NativeUnits(frame.Width(), scale) == width;
				EXPECT_TRUE(same) << "left " << left << ", width " << width << " at " << dpi << " DPI";
				failures += same ? 0 : 1;
			}
		}
		for (float asked : {100.0f, 100.3f, 33.333f, 0.4f}) {
			LONG native = NativeUnits(asked, scale);
			EXPECT_EQ(FrameworkSize(native, native, BPoint(asked, asked), scale), BPoint(asked, asked));
			EXPECT_EQ(FrameworkSize(native + 3, native, BPoint(asked, asked), scale).x, (native + 3) * 96.0f / dpi);
		}
	}
}

// Real input at the scales of other displays (the window is moved there
// first) and at several scroll origins: every point of every mouse message,
// converted back to pixels with the scale alone, is a pixel the pointer was
// on, the same one in the view's client area, in the window's ("where" of a
// move) and on the screen. A press is where the pointer is; a move can come
// late, from the pointer's place before.
TEST_F(DisplayScaleTest, EveryPointOfAMouseMessageFallsOnThePixelThePointerWasOn)
{
	const BRect frame(40, 60, 240, 180);
	ProbeWindow* window = new ProbeWindow(frame, "Mouse at scales");
	ProbeView* view = new ProbeView(BRect(12, 20, 112, 80), "view");
	ASSERT_EQ(window->AddChild(view), kOk);
	ASSERT_TRUE(ShowAndActivate(window));
	std::vector<POINT> visited;
	for (UINT dpi : {120u, 144u, 192u, fDpi}) {
		MoveToDisplayOf(window, frame, dpi);
		auto pixel = [dpi](float units) { return std::lround(units * dpi / 96.0); };
		for (BPoint origin : {BPoint(0, 0), BPoint(20, 20), BPoint(-7, 13)}) {
			ASSERT_TRUE(RunOnWindowThread(window, [&] { view->SetScrollOrigin(origin); }));
			ASSERT_TRUE(DrainWindow(window));
			view->log.Take();
			POINT client = ClientOrigin(BPrivate::NativeHandleOf(view));
			POINT windowClient = ClientOrigin(BPrivate::NativeHandleOf(window));
			for (int step = 0; step < 5; step++) {
				POINT at = {client.x + 7 + 11 * step, client.y + 5 + 7 * step};
				visited.push_back(at);
				SCOPED_TRACE(testing::Message() << dpi << " DPI, origin " << origin.x << ", " << origin.y
				                                << ", pixel " << at.x << ", " << at.y);
				MovePointer(at);
				ASSERT_TRUE(WaitFor([&] { return view->log.Count(kMouseMoved) > 0; }));
				PressLeftButton();
				ReleaseLeftButton();
				ASSERT_TRUE(WaitFor([&] { return view->log.Count(kMouseUp) > 0; }));
				for (const Event& event : view->log.Take()) {
					// Neither a paint nor a leave, whose point is put outside the view.
					if (event.what != kMouseDown && event.what != kMouseUp &&
						(event.what != kMouseMoved || event.value == kExitedView))
						continue;
					POINT screen = {pixel(event.screen.x), pixel(event.screen.y)};
					SCOPED_TRACE(testing::Message() << "message " << event.what << " at screen pixel " << screen.x
					                                << ", " << screen.y);
					EXPECT_TRUE(std::any_of(visited.begin(), visited.end(),
						[&](POINT place) { return place.x == screen.x && place.y == screen.y; }));
					if (event.what == kMouseDown) {
						EXPECT_TRUE(screen.x == at.x && screen.y == at.y);
					}
					EXPECT_EQ(pixel(event.where.x - origin.x), screen.x - client.x);
					EXPECT_EQ(pixel(event.where.y - origin.y), screen.y - client.y);
					if (event.what == kMouseMoved) {
						EXPECT_EQ(pixel(event.dx), screen.x - windowClient.x);
						EXPECT_EQ(pixel(event.dy), screen.y - windowClient.y);
					}
				}
			}
		}
	}
	QuitWindow(window);
}

// A view resized while shown hears its size in units from both its own
// change and the platform's report of it, and keeps that size once out of
// its window, at every scale.
TEST_F(DisplayScaleTest, AViewResizedWhileShownKeepsItsSizeInUnits)
{
	const BRect frame(40, 60, 240, 180);
	ProbeWindow* window = new ProbeWindow(frame, "Resize at scales");
	ASSERT_TRUE(ShowAndWait(window));
	for (UINT dpi : {120u, 144u, 192u}) {
		MoveToDisplayOf(window, frame, dpi);
		for (BRect size : {BRect(10, 10, 110, 50), BRect(10.5f, 10, 110.3f, 50.7f)}) {
			SCOPED_TRACE(testing::Message() << dpi << " DPI, right " << size.right);
			ProbeView* view = new ProbeView(BRect(10, 10, 60, 30), "resized");
			// Its native window is made on the window's thread, as the window's own are.
			ASSERT_TRUE(RunOnWindowThread(window, [&] {
				EXPECT_EQ(window->AddChild(view), kOk);
				view->SetFrame(size);
			}));
			ASSERT_TRUE(DrainWindow(window));
			// The change, then the platform's report of it.
			EXPECT_GE(view->log.Count(kFrameResized), 2u);
			for (const Event& event : view->log.Take()) {
				if (event.what == kFrameResized) {
					EXPECT_EQ(event.where, BPoint(size.Width(), size.Height()));
				}
			}
			ASSERT_TRUE(RunOnWindowThread(window, [&] { EXPECT_EQ(view->RemoveSelf(), kOk); }));
			EXPECT_EQ(view->Frame(), size);
			delete view;
		}
	}
	QuitWindow(window);
}

// Moves to a display of another scale and back, several times and both ways
// (from the system's scale and from the other one), leave every view's frame
// in units and every native child's rectangle in pixels as they were, also
// for a view that follows its parent's edges; a view taken out of its window
// afterwards has the frame it was given.
TEST_F(DisplayScaleTest, RoundTripsToAnotherScaleLeaveEveryFrameAsItWas)
{
	const BRect frame(40, 60, 240, 180);
	const BRect fillFrame(12.5f, 20.25f, 72.3f, 52.6f);
	ProbeWindow* window = new ProbeWindow(frame, "Round trips");
	ProbeView* fill = new ProbeView(fillFrame, "fill");
	ProbeView* panel = new ProbeView(BRect(100, 10, 190.7f, 60.4f), "panel");
	ProbeView* follower = new ProbeView(BRect(5, 5, 75.5f, 45.2f), "follower", kFollowAllSides);
	BButton* button = new BButton(BRect(100, 70, 180.4f, 100), "button", BString("Button"), nullptr, kFollowLeftTop,
		kNavigable);
	ASSERT_EQ(panel->AddChild(follower), kOk);
	for (BView* view : std::vector<BView*>{fill, panel, button})
		ASSERT_EQ(window->AddChild(view), kOk);
	ASSERT_TRUE(ShowAndWait(window));
	const std::vector<BView*> views = {fill, panel, follower, button};
	struct Layout {
		std::vector<BRect> frames;
		std::vector<RECT> places;
	};
	auto layout = [&] {
		Layout now;
		EXPECT_TRUE(RunOnWindowThread(window, [&] {
			for (BView* view : views) {
				now.frames.push_back(view->Frame());
				now.places.push_back(PlaceOf(BPrivate::NativeHandleOf(view)));
			}
		}));
		return now;
	};
	auto expectSame = [&](const Layout& now, const Layout& then) {
		for (size_t i = 0; i < views.size(); i++) {
			SCOPED_TRACE(views[i]->Name().ToUtf8());
			EXPECT_TRUE(EqualRect(&now.places[i], &then.places[i]));
			EXPECT_NEAR(now.frames[i].left, then.frames[i].left, 0.01f);
			EXPECT_NEAR(now.frames[i].top, then.frames[i].top, 0.01f);
			EXPECT_NEAR(now.frames[i].right, then.frames[i].right, 0.01f);
			EXPECT_NEAR(now.frames[i].bottom, then.frames[i].bottom, 0.01f);
		}
	};
	const Layout start = layout();
	for (UINT other : {96u, 120u, 144u, 192u}) {
		if (other == fDpi)
			continue;
		Layout atOther;
		for (int trip = 0; trip < 3; trip++) {
			SCOPED_TRACE(testing::Message() << fDpi << " DPI and " << other << ", trip " << trip);
			MoveToDisplayOf(window, frame, other);
			if (trip == 0)
				atOther = layout();
			else
				expectSame(layout(), atOther);
			MoveToDisplayOf(window, frame, fDpi);
			expectSame(layout(), start);
		}
	}
	ASSERT_TRUE(RunOnWindowThread(window, [&] { EXPECT_EQ(fill->RemoveSelf(), kOk); }));
	EXPECT_NEAR(fill->Frame().left, fillFrame.left, 0.01f);
	EXPECT_NEAR(fill->Frame().top, fillFrame.top, 0.01f);
	EXPECT_NEAR(fill->Frame().right, fillFrame.right, 0.01f);
	EXPECT_NEAR(fill->Frame().bottom, fillFrame.bottom, 0.01f);
	delete fill;
	QuitWindow(window);
}

}  // namespace
