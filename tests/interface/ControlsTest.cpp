// Controls: what a control sends and when, where a string view puts its text,
// and buttons and string views on real native windows, pressed with real input.
#include "interface/Button.h"
#include "interface/Control.h"
#include "interface/Font.h"
#include "interface/StringView.h"
#include "interface/Window.h"
#include "messaging/MessageCodes.h"
#include "tests/harness/InjectedInput.h"
#include "tests/harness/NativeChildren.h"
#include "tests/harness/ResourceCounts.h"
#include "tests/harness/TestApplication.h"
#include "tests/interface/PixelCanvas.h"
#include "tests/messaging/LooperTestSupport.h"

#include <gtest/gtest.h>

#include <windows.h>

#include <string>
#include <thread>
#include <vector>

using namespace zeltest;

namespace {

constexpr uint32 kValueMessage = FourCC("val ");
constexpr uint32 kSentinel = FourCC("sntl");

class ValueControl : public BControl {
public:
	explicit ValueControl(BMessage* message)
		: BControl(BRect(0.0f, 0.0f, 10.0f, 10.0f), "value", BString("Value"), message, kFollowLeftTop, 0)
	{
	}
	void OnValueChanged(float value) override { changes.push_back(value); }

	std::vector<float> changes;
};

TEST(ControlInvocation, OnlyChangedValuesAreSentEachWithItsValueAndQuietChangesNever)
{
	BLooper* looper = new BLooper("control target");
	RecordingHandler recorder;
	looper->AddHandler(&recorder);
	ASSERT_NE(looper->Run(), -1);

	ValueControl control(new BMessage(kValueMessage));
	ASSERT_EQ(control.SetTarget(&recorder, looper), kOk);
	control.SetValue(3.0f);
	control.SetValue(3.0f);
	control.SetValueQuietly(5.0f);
	control.SetValueQuietly(5.0f);
	EXPECT_EQ(control.Invoke(), kOk);
	// Queued behind whatever the control sent, so that nothing sent is missed.
	BMessage sentinel(kSentinel);
	ASSERT_EQ(control.BInvoker::Invoke(&sentinel), kOk);

	ASSERT_TRUE(recorder.WaitFor(3));
	EXPECT_EQ(recorder.Codes(), (std::vector<uint32>{kValueMessage, kValueMessage, kSentinel}));
	EXPECT_EQ(recorder.MessageAt(0).FloatAt("be:value", 0), 3.0f);
	EXPECT_EQ(recorder.MessageAt(1).FloatAt("be:value", 0), 5.0f);
	EXPECT_EQ(control.changes, (std::vector<float>{3.0f, 3.0f, 5.0f}));
	// The value goes into a copy: the held message stays as it was given.
	EXPECT_EQ(control.Message()->FieldCount(), 0);

	BInvoker bare(nullptr, &recorder, looper);
	EXPECT_EQ(bare.Invoke(), kBadValue);
	ValueControl withoutMessage(nullptr);
	EXPECT_EQ(withoutMessage.Invoke(), kBadValue);

	ASSERT_TRUE(looper->Lock());
	looper->RemoveHandler(&recorder);
	looper->Quit();
}

// The ink a string view draws, with its own bounds, onto a white canvas.
InkBox DrawnInk(BStringView& view)
{
	BRect bounds = view.Bounds();
	PixelCanvas canvas(static_cast<int>(bounds.Width()), static_cast<int>(bounds.Height()));
	BRender* render = view.Render();
	{
		std::unique_ptr<WinGdipGraphics> graphics = canvas.CreateGraphics();
		EXPECT_NE(graphics, nullptr);
		BPrivate::RenderTarget target(render, graphics.get());
		view.OnDraw(render, bounds);
	}
	return canvas.Ink();
}

TEST(StringViewDrawing, AlignmentKeepsTheInsetOnItsSideAndCentringIgnoresInsets)
{
	ASSERT_EQ(BPrivate::StartSystemFonts(), kOk);
	constexpr float kWidth = 240.0f;
	struct Case {
		int32 alignment;
		float inset;
		// Where the ink must start or end, with room for the glyphs' side bearings.
		int low;
		int high;
		bool checkRight;
	};
	const Case cases[] = {
		{kAlignLeft, 2.0f, 2, 5, false},
		{kAlignLeft, 20.0f, 20, 23, false},
		{kAlignRight, 2.0f, 234, 238, true},
		{kAlignRight, 20.0f, 216, 220, true},
	};
	for (const Case& c : cases) {
		BStringView view(BRect(0.0f, 0.0f, kWidth, 30.0f), nullptr, "MMMM", kFollowLeftTop, 0);
		view.SetAlignment(c.alignment);
		view.SetInsets(c.inset, 1.0f);
		InkBox ink = DrawnInk(view);
		// The ink box's right edge is exclusive.
		int edge = c.checkRight ? ink.right - 1 : ink.left;
		EXPECT_GE(edge, c.low) << "alignment " << c.alignment << ", inset " << c.inset;
		EXPECT_LE(edge, c.high) << "alignment " << c.alignment << ", inset " << c.inset;
	}

	InkBox centred[2];
	const float insets[2] = {0.0f, 30.0f};
	for (int i = 0; i < 2; i++) {
		BStringView view(BRect(0.0f, 0.0f, kWidth, 30.0f), nullptr, "MMMM", kFollowLeftTop, 0);
		view.SetAlignment(kAlignCenter);
		view.SetInsets(insets[i], 1.0f);
		centred[i] = DrawnInk(view);
	}
	EXPECT_EQ(centred[0].left, centred[1].left);
	EXPECT_NEAR((centred[0].left + centred[0].right) / 2.0, kWidth / 2.0, 3.0);
}

// --- on native windows ---

constexpr uint32 kPressed = FourCC("prsd");
constexpr uint32 kRelabel = FourCC("rlbl");

// A window holding one string view and three buttons: a default one without
// a target, a disabled one, and one whose label changed before it was shown.
class ControlsWindow : public BWindow {
public:
	explicit ControlsWindow(Event* pressed)
		: BWindow(BRect(60.0f, 60.0f, 360.0f, 180.0f), BString("Controls"), 0, kNormalFeel, kNotResizable),
		  fPressed(pressed)
	{
		BView* panel = new BView(BRect(0.0f, 0.0f, 300.0f, 120.0f), nullptr, kFollowAllSides, 0);
		fText = new BStringView(BRect(10.0f, 10.0f, 200.0f, 30.0f), nullptr, "Brisca", kFollowLeftTop, 0);
		fDefault = new BButton(BRect(10.0f, 40.0f, 90.0f, 70.0f), nullptr, BString("Press"), new BMessage(kPressed),
			kFollowLeftTop, kNavigable);
		fDefault->SetDefault(true);
		BButton* disabled = new BButton(BRect(100.0f, 40.0f, 180.0f, 70.0f), nullptr, BString("Off"),
			new BMessage(kPressed), kFollowLeftTop, kNavigable);
		disabled->SetEnabled(false, false);
		fRenamed = new BButton(BRect(190.0f, 40.0f, 270.0f, 70.0f), nullptr, BString("Before"), nullptr,
			kFollowLeftTop, kNavigable);
		fRenamed->SetLabel("Renamed");
		for (BView* child : {static_cast<BView*>(fText), static_cast<BView*>(fDefault),
				 static_cast<BView*>(disabled), static_cast<BView*>(fRenamed)})
			EXPECT_EQ(panel->AddChild(child), kOk);
		EXPECT_EQ(AddChild(panel), kOk);
	}

	void HandleMessage(BMessage* message) override
	{
		switch (message->what) {
			case kPressed:
				fPressedValue = message->FloatAt("be:value", 0);
				fPressed->Set();
				break;
			case kRelabel:
				fText->SetText(BString("Changed"));
				fRenamed->SetLabel("Later");
				break;
			default:
				BWindow::HandleMessage(message);
				break;
		}
	}

	float fPressedValue = -1.0f;

private:
	Event* fPressed;
	BStringView* fText;
	BButton* fDefault;
	BButton* fRenamed;
};

bool WaitForText(HWND window, const wchar_t* text)
{
	for (int waited = 0; waited < 3000; waited += 20) {
		if (FindChildWithText(ListNativeChildren(window), text) != nullptr)
			return true;
		Sleep(20);
	}
	return false;
}

// Checks the native side of the window, then presses the default button with
// the real pointer: its click reaches the window, the button being its own target.
void CheckAndPress(ControlsWindow* window, Event& pressed)
{
	HWND native = WaitForShownWindow(L"Controls");
	ASSERT_NE(native, nullptr);
	std::vector<NativeChild> children = ListNativeChildren(native);
	// The drawn text is also the window text, for screen readers.
	EXPECT_NE(FindChildWithText(children, L"Brisca"), nullptr);
	const NativeChild* press = FindChildWithText(children, L"Press");
	const NativeChild* off = FindChildWithText(children, L"Off");
	ASSERT_NE(press, nullptr);
	ASSERT_NE(off, nullptr);
	EXPECT_EQ(press->className, L"Button");
	EXPECT_EQ(press->style & (WS_TABSTOP | WS_DISABLED | BS_DEFPUSHBUTTON), WS_TABSTOP | BS_DEFPUSHBUTTON);
	EXPECT_EQ(off->style & (WS_DISABLED | BS_DEFPUSHBUTTON), WS_DISABLED);
	EXPECT_NE(FindChildWithText(children, L"Renamed"), nullptr);

	BMessage relabel(kRelabel);
	EXPECT_EQ(BMessenger(window, nullptr).Send(&relabel), kOk);
	EXPECT_TRUE(WaitForText(native, L"Changed"));
	EXPECT_TRUE(WaitForText(native, L"Later"));

	ClickAt(press->Centre());
	ASSERT_TRUE(pressed.Wait()) << "the click never reached the window";
	EXPECT_EQ(window->fPressedValue, 0.0f);
}

// One life of the window: shown, checked, pressed, quit with the application.
void RunControlsWindow()
{
	Event pressed;
	std::thread checker;
	TestApp app;
	app.ready = [&](TestApp& self) {
		ControlsWindow* window = new ControlsWindow(&pressed);
		window->Show();
		checker = std::thread([&pressed, window, application = BMessenger(nullptr, &self)] {
			CheckAndPress(window, pressed);
			BMessage quit(kQuitRequested);
			EXPECT_EQ(application.Send(&quit), kOk);
		});
	};
	RunWithDeadline(app);
	checker.join();
}

TEST(ControlsOnNativeWindows, ButtonsAndStringViewsShowStyleTextAndClicksAndLeaveNothingBehind)
{
	RunControlsWindow();
	ResourceCensus afterFirst = ResourceCensus::TakeSteady();
	RunControlsWindow();
	ResourceCensus afterSecond = ResourceCensus::TakeSteady();
	EXPECT_EQ(afterSecond, afterFirst);
}

}  // namespace
