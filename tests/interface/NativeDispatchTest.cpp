// What native controls report to the native window they sit on, whether that
// is the window's own or a view's: a click on a button added to the window
// itself, and the background colours controls are painted in, before and after
// their views' colours change. Real windows under Xvfb, the real pointer.
#include "interface/Button.h"
#include "interface/NativeDispatch.h"
#include "tests/harness/ResourceCounts.h"
#include "tests/interface/WindowTestSupport.h"

namespace {

using namespace zeltest;

constexpr uint32 kPressed = FourCC("prsd");
constexpr rgb_color kGreen{0, 160, 0, 255};
constexpr rgb_color kBlue{0, 0, 255, 255};

// A view shown as a native static control, which fills its background with
// the brush its parent answers for it.
class StaticView : public BView {
public:
	explicit StaticView(BRect frame) : BView(frame, "static", kFollowLeftTop, 0) {}

	HWND CreateNativeView(HWND parent, HINSTANCE instance) override
	{
		BRect frame = Frame();
		return CreateWindowExW(0, L"STATIC", L"", WS_CHILD | WS_VISIBLE | SS_LEFT, static_cast<int>(frame.left),
			static_cast<int>(frame.top), static_cast<int>(frame.Width()), static_cast<int>(frame.Height()), parent,
			reinterpret_cast<HMENU>(static_cast<INT_PTR>(BPrivate::kFirstControlId)), instance, nullptr);
	}
};

uint32 Rgb(rgb_color colour)
{
	return (static_cast<uint32>(colour.red) << 16) | (colour.green << 8) | colour.blue;
}

// One life of a window holding a button and a static control of its own, and
// a panel view with another static control. The button is clicked with the
// real pointer; the controls' colours are read from the screen.
void LiveWindowWithControls()
{
	ProbeWindow* window = new ProbeWindow(BRect(100, 100, 400, 220), "Direct controls");
	BButton* button = new BButton(BRect(10, 10, 90, 40), nullptr, BString("Direct"), new BMessage(kPressed),
		kFollowLeftTop, kNavigable);
	StaticView* direct = new StaticView(BRect(110, 10, 170, 40));
	BView* panel = new BView(BRect(180, 0, 300, 100), "panel", kFollowLeftTop, 0);
	StaticView* inPanel = new StaticView(BRect(10, 10, 70, 40));
	for (StaticView* control : {direct, inPanel})
		control->SetBackgroundColor(kGreen);
	EXPECT_EQ(panel->AddChild(inPanel), kOk);
	for (BView* view : {static_cast<BView*>(button), static_cast<BView*>(direct), panel})
		EXPECT_EQ(window->AddChild(view), kOk);
	ASSERT_TRUE(ShowAndWait(window));

	std::pair<StaticView*, POINT> controls[] = {{direct, ScreenPointOf(direct, BPoint(50, 20))},
		{inPanel, ScreenPointOf(inPanel, BPoint(50, 20))}};
	for (const auto& control : controls) {
		SCOPED_TRACE(control.first == direct ? "on the window" : "on a view");
		EXPECT_TRUE(WaitFor([&] { return ScreenPixel(control.second) == Rgb(kGreen); }))
			<< std::hex << ScreenPixel(control.second);
	}

	ClickAt(ScreenPointOf(button, BPoint(40, 15)));
	ASSERT_TRUE(WaitFor([&] { return window->log.Count(kPressed) > 0; })) << "the click never reached the window";
	// A second invocation would be queued behind the first.
	RunOnWindowThread(window, [] {});
	EXPECT_EQ(window->log.Count(kPressed), 1u);

	RunOnWindowThread(window, [&] {
		for (const auto& control : controls) {
			control.first->SetBackgroundColor(kBlue);
			control.first->Invalidate();
		}
	});
	for (const auto& control : controls) {
		SCOPED_TRACE(control.first == direct ? "on the window" : "on a view");
		EXPECT_TRUE(WaitFor([&] { return ScreenPixel(control.second) == Rgb(kBlue); }))
			<< std::hex << ScreenPixel(control.second);
	}
	QuitWindow(window);
}

TEST(NativeDispatch, ControlsOnTheWindowOrOnAViewAreClickedAndColouredAlike)
{
	RecordingApp app;
	LiveWindowWithControls();
	ResourceCensus afterFirst = ResourceCensus::TakeSteady();
	LiveWindowWithControls();
	ResourceCensus afterSecond = ResourceCensus::TakeSteady();
	EXPECT_EQ(afterSecond, afterFirst);
	ReleaseInjectedKeys();
}

}  // namespace
