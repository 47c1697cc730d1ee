// The native keyboard focus as the views follow it, with real windows under
// Xvfb and the platform's own focus changes: a change the platform makes while
// another is followed leaves the outer one followed until it ends.
#include "interface/NativeHandle.h"
#include "tests/interface/WindowTestSupport.h"

namespace {

using namespace zeltest;

// A view that hands the keyboard to its inner control when it gets the
// focus, and stays the window's focus view itself.
class CompoundView : public ProbeView {
public:
	using ProbeView::ProbeView;

	void SetFocused(bool focused) override
	{
		if (focused && inner != nullptr)
			SetFocus(BPrivate::NativeHandleOf(inner));
		BView::SetFocused(focused);
	}

	BView* inner = nullptr;
};

// The platform moves the keyboard to the compound view; while that change is
// followed, the view moves it on to its control, a change within the change.
// The framework moves no native focus back meanwhile: the control keeps the
// keyboard, the compound view the focus.
TEST(NativeFocus, AViewThatHandsTheKeyboardToItsControlKeepsTheFocusAndTheControlTheKeyboard)
{
	RecordingApp app;
	ProbeWindow* window = new ProbeWindow(BRect(80, 80, 380, 200), "Focus within focus");
	ProbeView* other = new ProbeView(BRect(0, 0, 90, 50), "other");
	CompoundView* compound = new CompoundView(BRect(100, 0, 290, 100), "compound");
	ProbeView* control = new ProbeView(BRect(10, 10, 90, 40), "control", kFollowLeftTop, 0);
	compound->inner = control;
	ASSERT_EQ(compound->AddChild(control), kOk);
	ASSERT_EQ(window->AddChild(other), kOk);
	ASSERT_EQ(window->AddChild(compound), kOk);
	ASSERT_TRUE(ShowAndActivate(window));

	HWND keyboard = nullptr;
	BView* focus = nullptr;
	ASSERT_TRUE(RunOnWindowThread(window, [&] {
		other->SetFocused(true);
		// As a click on the view would.
		SetFocus(BPrivate::NativeHandleOf(compound));
		keyboard = GetFocus();
		focus = window->CurrentFocus();
	}));
	EXPECT_EQ(focus, compound);
	EXPECT_EQ(keyboard, BPrivate::NativeHandleOf(control));
	QuitWindow(window);
	ReleaseInjectedKeys();
}

}  // namespace
