// BView and the views' native windows under Xvfb with real input: the tree
// and its misuse reports, follow modes applied to the native child windows,
// frames with pending moves, scrolling, mouse transits and coordinates with the
// real pointer, wheel routing, dropped files through a real HDROP, painting
// read back from the screen and the draw lock.
#include "interface/Button.h"
#include "interface/Cursor.h"
#include "interface/Keyboard.h"
#include "interface/NativeHandle.h"
#include "interface/ScrollBar.h"
#include "interface/StringView.h"
#include "interface/ViewPaint.h"
#include "tests/harness/DebuggerSeam.h"
#include "tests/interface/WindowTestSupport.h"

#include <shellapi.h>
#include <shlobj.h>

#include <algorithm>
#include <functional>
#include <string>

namespace {

using namespace zeltest;

// Left follows the parent's right edge, top its bottom edge, and so on: the
// view keeps to the bottom-right corner.
constexpr uint32 kFollowRightBottom = 0x3434;

class ViewTest : public ::testing::Test {
protected:
	void TearDown() override
	{
		ReleaseInjectedKeys();
	}

	// Frames read on the window's thread.
	static BRect FrameOf(BView* view)
	{
		BRect frame;
		RunOnWindowThread(view->Window(), [&] { frame = view->Frame(); });
		return frame;
	}
	// The native child window's place in its parent's client area.
	static BRect NativePlaceOf(BView* view)
	{
		RECT rect;
		GetWindowRect(BPrivate::NativeHandleOf(view), &rect);
		MapWindowPoints(nullptr, GetParent(BPrivate::NativeHandleOf(view)), reinterpret_cast<POINT*>(&rect), 2);
		return BRect(rect.left, rect.top, rect.right, rect.bottom);
	}
	static std::vector<int32> Transits(ProbeView* view)
	{
		std::vector<int32> transits;
		for (const Event& event : view->log.Peek()) {
			if (event.what == kMouseMoved)
				transits.push_back(event.value);
		}
		return transits;
	}
	// Each move the view received: its point in window coordinates and transit.
	static std::string DescribeMoves(ProbeView* view)
	{
		std::string moves;
		for (const Event& event : view->log.Peek()) {
			if (event.what == kMouseMoved)
				moves += "(" + std::to_string(event.where.x) + ", " + std::to_string(event.where.y) + "): " +
				         std::to_string(event.value) + " ";
		}
		return moves;
	}

	RecordingApp fApp;
};

TEST_F(ViewTest, MisuseIsReportedAndTopLevelViewsHaveNoParent)
{
	TakeDebuggerReports();
	ProbeView parent(BRect(0, 0, 100, 100), "parent");
	ProbeView other(BRect(0, 0, 100, 100), "other");
	ProbeView* child = new ProbeView(BRect(0, 0, 10, 10), "child");
	ProbeView* stranger = new ProbeView(BRect(0, 0, 10, 10), "stranger");
	ASSERT_EQ(parent.AddChild(child), kOk);
	EXPECT_EQ(other.AddChild(child), kError);
	EXPECT_EQ(other.AddChild(stranger, child), kError);
	EXPECT_EQ(child->Parent(), &parent);
	EXPECT_EQ(TakeDebuggerReports(),
		(std::vector<std::string>{"AddChild failed - the view already belonged to someone else.\n",
			"AddChild failed - the \"before\" view and \"this\" don't match.\n"}));
	delete stranger;

	ProbeWindow* window = new ProbeWindow(BRect(50, 50, 250, 150), "Misuse");
	ProbeView* top = new ProbeView(BRect(0, 0, 50, 50), "top");
	ASSERT_EQ(window->AddChild(top), kOk);
	EXPECT_EQ(top->Parent(), nullptr);
	EXPECT_EQ(window->RootView()->ChildAt(0), top);
	EXPECT_EQ(window->AddChild(child), kError);
	EXPECT_EQ(TakeDebuggerReports().size(), 1u);

	// A view deleted while in its window is reported and removes itself.
	window->Lock();
	delete top;
	EXPECT_EQ(window->RootView()->CountChildren(), 0);
	window->Unlock();
	EXPECT_EQ(TakeDebuggerReports(),
		std::vector<std::string>{"Trying to delete a view that belongs to a window. Call RemoveSelf first.\n"});
	QuitWindow(window);
}

// The mutators of an attached view and of its window check that the caller
// holds the window's lock: a call without it is reported once, the calls it
// makes in turn (a child's SetEnabled, the window's SetFocus) included, and
// still takes effect; with the lock nothing is reported.
TEST_F(ViewTest, MutatorsCalledWithoutTheWindowsLockAreReportedOnce)
{
	ProbeWindow* window = new ProbeWindow(BRect(50, 50, 250, 150), "Unlocked");
	ProbeView* view = new ProbeView(BRect(0, 0, 50, 50), "view");
	ProbeView* child = new ProbeView(BRect(0, 0, 10, 10), "child");
	BButton* button = new BButton(BRect(60, 0, 100, 20), nullptr, BString("B"), nullptr, kFollowLeftTop, 0);
	BStringView* text = new BStringView(BRect(0, 60, 50, 80), nullptr, "text", kFollowLeftTop, 0);
	BScrollBar* bar = new BScrollBar(BRect(110, 0, 125, 100), nullptr, view, 0, 100, true);
	ASSERT_EQ(window->AddChild(view), kOk);
	ASSERT_EQ(view->AddChild(child), kOk);
	for (BView* control : {static_cast<BView*>(button), static_cast<BView*>(text), static_cast<BView*>(bar)})
		ASSERT_EQ(window->AddChild(control), kOk);
	struct Case {
		const char* operation;
		std::function<void()> call;
	};
	const Case cases[] = {
		{"SetFrame", [&] { view->SetFrame(BRect(5, 5, 60, 60)); }},
		{"SetEnabled", [&] { view->SetEnabled(!view->IsEnabled(), true); }},
		{"SetFocused", [&] { view->SetFocused(true); }},
		{"SetForegroundColor", [&] { view->SetForegroundColor(1, 2, 3, 255); }},
		{"SetCursor", [&] { view->SetCursor(nullptr); }},
		{"StartDrag", [&] { EXPECT_EQ(view->StartDrag(BMessage(FourCC("drag"))), kError); }},
		{"SetLabel", [&] { button->SetLabel("Label"); }},
		{"SetText", [&] { text->SetText(BString("more text")); }},
		{"SetValue", [&] { bar->SetValue(bar->Value() == 10.0f ? 20.0f : 10.0f); }},
		{"SetSize", [&] { EXPECT_EQ(window->SetSize(300, 200), kOk); }},
		{"AddShortcut", [&] { EXPECT_EQ(window->AddShortcut('s', kControlKey, FourCC("Save"), nullptr), kOk); }},
	};
	TakeDebuggerReports();
	// A window that never ran is locked by the thread that made it until it lets go.
	window->Unlock();
	for (const Case& c : cases) {
		SCOPED_TRACE(c.operation);
		c.call();
		EXPECT_EQ(TakeDebuggerReports(),
			std::vector<std::string>{std::string("Owning Window must be locked before calling ") + c.operation});
	}
	EXPECT_EQ(view->Frame(), BRect(5, 5, 60, 60));
	EXPECT_FALSE(child->IsEnabled());
	EXPECT_EQ(window->CurrentFocus(), view);
	EXPECT_EQ(window->Bounds(), BRect(0, 0, 300, 200));

	ASSERT_TRUE(window->Lock());
	for (const Case& c : cases)
		c.call();
	EXPECT_TRUE(TakeDebuggerReports().empty());
	QuitWindow(window);
}

TEST_F(ViewTest, FollowModesMoveTheNativeChildWindowsWithTheirParent)
{
	ProbeWindow* window = new ProbeWindow(BRect(100, 100, 400, 300), "Follow");
	ProbeView* panel = new ProbeView(BRect(10, 10, 210, 110), "panel", kFollowAllSides);
	ProbeView* fixed = new ProbeView(BRect(5, 5, 45, 45), "fixed", kFollowLeftTop);
	ProbeView* grows = new ProbeView(BRect(50, 5, 150, 45), "grows", kFollowAllSides);
	ProbeView* corner = new ProbeView(BRect(160, 60, 190, 90), "corner", kFollowRightBottom);
	for (BView* child : {fixed, grows, corner})
		EXPECT_EQ(panel->AddChild(child), kOk);
	EXPECT_EQ(window->AddChild(panel), kOk);
	ASSERT_TRUE(ShowAndWait(window));
	EXPECT_EQ(fixed->log.Last(kAttached), 1);

	EXPECT_EQ(window->SetSize(400, 260), kOk);
	const struct {
		ProbeView* view;
		BRect frame;
	} expected[] = {{panel, BRect(10, 10, 310, 170)}, {fixed, BRect(5, 5, 45, 45)},
		{grows, BRect(50, 5, 250, 105)}, {corner, BRect(260, 120, 290, 150)}};
	for (const auto& row : expected) {
		SCOPED_TRACE(row.view->Name().ToUtf8());
		EXPECT_TRUE(WaitFor([&] { return FrameOf(row.view) == row.frame; }));
		EXPECT_EQ(NativePlaceOf(row.view), row.frame);
	}

	// A frame set on the window's thread is pending until the window applies it.
	BRect pending, pendingBounds, applied;
	RunOnWindowThread(window, [&] {
		corner->SetFrame(BRect(200, 100, 240, 130));
		pending = corner->Frame();
		pendingBounds = corner->Bounds();
		window->ApplyPendingFrame();
		applied = NativePlaceOf(corner);
	});
	EXPECT_EQ(pending, BRect(200, 100, 240, 130));
	EXPECT_EQ(pendingBounds, BRect(0, 0, 40, 30));
	EXPECT_EQ(applied, BRect(200, 100, 240, 130));

	// Coordinates to the screen round halves away from zero.
	BPoint point(10.5f, -1.5f);
	POINT client = {0, 0};
	ClientToScreen(BPrivate::NativeHandleOf(grows), &client);
	RunOnWindowThread(window, [&] { EXPECT_EQ(grows->ConvertToScreen(&point), kOk); });
	EXPECT_EQ(point, BPoint(client.x + 11, client.y - 2));

	// Scrolling floors the origin and moves the children by the change.
	RunOnWindowThread(window, [&] { panel->SetScrollOrigin(BPoint(10.7f, 20.2f)); });
	EXPECT_EQ(panel->ScrollOrigin(), BPoint(10, 20));
	EXPECT_EQ(FrameOf(fixed), BRect(-5, -15, 35, 25));
	EXPECT_EQ(NativePlaceOf(fixed), BRect(-5, -15, 35, 25));
	BRect bounds;
	RunOnWindowThread(window, [&] { bounds = panel->Bounds(); });
	EXPECT_EQ(bounds, BRect(10, 20, 310, 180));

	// A view added to a window that has its native window gets one at once.
	ProbeView* late = new ProbeView(BRect(0, 0, 20, 20), "late");
	RunOnWindowThread(window, [&] {
		EXPECT_EQ(fixed->AddChild(late), kOk);
		EXPECT_NE(BPrivate::NativeHandleOf(late), nullptr);
	});
	EXPECT_EQ(GetParent(BPrivate::NativeHandleOf(late)), BPrivate::NativeHandleOf(fixed));
	EXPECT_EQ(late->log.Last(kAttached), 1);

	// The content size is the largest right and bottom of the children.
	float size[2] = {0, 0};
	RunOnWindowThread(window, [&] {
		panel->SizeHint(kContentSizeHint, size);
		EXPECT_EQ(panel->SizeHint(3, size), kError);
		panel->SetEnabled(false, true);
	});
	EXPECT_EQ(size[0], 240.0f);
	EXPECT_EQ(size[1], 110.0f);
	EXPECT_FALSE(IsWindowEnabled(BPrivate::NativeHandleOf(panel)));
	EXPECT_FALSE(IsWindowEnabled(BPrivate::NativeHandleOf(corner)));
	EXPECT_TRUE(IsWindowEnabled(BPrivate::NativeHandleOf(late)));
	QuitWindow(window);
}

TEST_F(ViewTest, TheRealPointerGivesTransitsCoordinatesAndClicks)
{
	MovePointer(POINT{0, 0});
	ProbeWindow* window = new ProbeWindow(BRect(100, 100, 400, 260), "Mouse");
	ProbeView* left = new ProbeView(BRect(0, 0, 100, 100), "left");
	ProbeView* target = new ProbeView(BRect(120, 20, 220, 120), "target");
	// With the capture the view keeps getting moves outside its bounds.
	target->onMouseDown = [target](BPoint) { SetCapture(BPrivate::NativeHandleOf(target)); };
	EXPECT_EQ(window->AddChild(left), kOk);
	EXPECT_EQ(window->AddChild(target), kOk);
	ASSERT_TRUE(ShowAndActivate(window));
	// Waits until the view has seen the move there.
	auto moveTo = [&](ProbeView* view, float x, float y) {
		MovePointer(ScreenPointOf(view, BPoint(x, y)));
		WaitFor([&] {
			std::vector<Event> events = view->log.Peek();
			auto last = std::find_if(events.rbegin(), events.rend(),
				[](const Event& event) { return event.what == kMouseMoved; });
			return last != events.rend() && last->where == BPoint(x, y);
		});
	};

	moveTo(left, 50, 50);
	moveTo(target, 10, 10);
	moveTo(target, 20, 20);
	moveTo(target, 30, 30);
	// The first two moves enter; every later one is inside. In loaded full runs
	// Wine now and then delivers one move more than the test made, so the count
	// of inside moves is not fixed; the points are in the failure message.
	std::vector<int32> transits = Transits(target);
	ASSERT_GE(transits.size(), 3u) << DescribeMoves(target);
	EXPECT_EQ(std::vector<int32>(transits.begin(), transits.begin() + 2),
		(std::vector<int32>{kEnteredView, kEnteredView})) << DescribeMoves(target);
	EXPECT_EQ(std::count(transits.begin() + 2, transits.end(), kInsideView),
		static_cast<std::ptrdiff_t>(transits.size() - 2)) << DescribeMoves(target);
	// '_MMV' carries "where" in the window's coordinates.
	std::vector<Event> entering = target->log.Peek();
	Event first = *std::find_if(
		entering.begin(), entering.end(), [](const Event& event) { return event.what == kMouseMoved; });
	EXPECT_EQ(first.where, BPoint(10, 10));
	EXPECT_EQ(BPoint(first.dx, first.dy), BPoint(130, 30));

	target->log.Take();
	PressLeftButton();
	moveTo(target, 100, 40);
	moveTo(target, 110, 40);
	ReleaseLeftButton();
	ASSERT_TRUE(WaitFor([&] { return target->log.Count(kMouseUp) == 1; }));
	std::vector<Event> events = target->log.Take();
	// '_MDN' and '_MUP' carry "where" in the view's coordinates.
	EXPECT_EQ(events[0].what, kMouseDown);
	EXPECT_EQ(BPoint(events[0].dx, events[0].dy), BPoint(30, 30));
	EXPECT_EQ(events[0].value, 1);
	// x = bounds.right is outside.
	EXPECT_EQ(events[1].where, BPoint(100, 40));
	EXPECT_EQ(events[1].value, kExitedView);
	EXPECT_EQ(events[2].value, kOutsideView);
	EXPECT_EQ(events.back().what, kMouseUp);
	EXPECT_EQ(BPoint(events.back().dx, events.back().dy), BPoint(110, 40));

	// Leaving reports an exit with a point outside the bounds.
	moveTo(target, 50, 50);
	target->log.Take();
	moveTo(left, 50, 50);
	ASSERT_TRUE(WaitFor([&] { return target->log.Last(kMouseMoved) == kExitedView; })) << DescribeMoves(target);
	Event leave = target->log.Take().back();
	EXPECT_EQ(leave.where, BPoint(-1, -1));

	// Two quick clicks make a double click.
	target->onMouseDown = nullptr;
	POINT inside = ScreenPointOf(target, BPoint(40, 40));
	ClickAt(inside);
	ClickAt(inside);
	ASSERT_TRUE(WaitFor([&] { return target->log.Count(kMouseDown) == 2; }));
	std::vector<int32> clicks;
	for (const Event& event : target->log.Take()) {
		if (event.what == kMouseDown)
			clicks.push_back(event.value);
	}
	EXPECT_EQ(clicks, (std::vector<int32>{1, 2}));

	// Scrolling the mouse view sends its last move again, at the new origin.
	moveTo(target, 60, 60);
	target->log.Take();
	RunOnWindowThread(window, [&] { target->SetScrollOrigin(BPoint(0, 25)); });
	ASSERT_TRUE(WaitFor([&] { return target->scrolledMoves.load() == 1; }));
	EXPECT_EQ(target->lastScrolledWhere, BPoint(60, 85));
	QuitWindow(window);
}

// The pointer shows a view's cursor on every move over it, also in a view
// nested in another with a cursor of its own, and a native control's own
// cursor over the control.
TEST_F(ViewTest, ThePointerShowsTheCursorOfTheViewOrControlUnderIt)
{
	MovePointer(POINT{0, 0});
	ProbeWindow* window = new ProbeWindow(BRect(100, 100, 400, 260), "Cursors");
	ProbeView* outer = new ProbeView(BRect(0, 0, 300, 160), "outer");
	ProbeView* inner = new ProbeView(BRect(20, 20, 120, 120), "inner");
	BButton* button = new BButton(BRect(150, 20, 250, 60), nullptr, BString("Press"), nullptr, kFollowLeftTop, 0);
	const BCursor* cross = CursorAt(2);
	const BCursor* hand = CursorAt(3);
	ASSERT_TRUE(cross != nullptr && hand != nullptr);
	outer->SetCursor(cross);
	inner->SetCursor(hand);
	EXPECT_EQ(outer->AddChild(inner), kOk);
	EXPECT_EQ(outer->AddChild(button), kOk);
	EXPECT_EQ(window->AddChild(outer), kOk);
	ASSERT_TRUE(ShowAndActivate(window));
	// The cursor of the window thread's input, where the pointer is.
	auto shownCursor = [&] {
		HCURSOR shown = nullptr;
		RunOnWindowThread(window, [&] { shown = GetCursor(); });
		return shown;
	};
	// Each move waits until the view has seen it; the cursor is then the one shown.
	auto cursorsAlong = [&](ProbeView* view, std::initializer_list<BPoint> points) {
		std::vector<HCURSOR> shown;
		for (BPoint point : points) {
			size_t before = view->log.Count(kMouseMoved);
			MovePointer(ScreenPointOf(view, point));
			EXPECT_TRUE(WaitFor([&] { return view->log.Count(kMouseMoved) > before; }));
			shown.push_back(shownCursor());
		}
		return shown;
	};
	using Cursors = std::vector<HCURSOR>;
	HCURSOR handCursor = hand->Handle();
	HCURSOR crossCursor = cross->Handle();
	EXPECT_EQ(cursorsAlong(inner, {BPoint(10, 10), BPoint(20, 20), BPoint(30, 30), BPoint(40, 40)}),
		(Cursors{handCursor, handCursor, handCursor, handCursor}));
	EXPECT_EQ(cursorsAlong(outer, {BPoint(10, 140), BPoint(20, 140), BPoint(30, 140)}),
		(Cursors{crossCursor, crossCursor, crossCursor}));
	// Over the button its class's arrow shows; the button is no probe, so the
	// wait is for the cursor itself.
	HCURSOR arrow = LoadCursorW(nullptr, IDC_ARROW);
	MovePointer(ScreenPointOf(outer, BPoint(200, 40)));
	EXPECT_TRUE(WaitFor([&] { return shownCursor() == arrow; }));
	MovePointer(ScreenPointOf(outer, BPoint(210, 45)));
	Settle();
	EXPECT_EQ(shownCursor(), arrow);
	EXPECT_EQ(cursorsAlong(inner, {BPoint(50, 50), BPoint(60, 60)}), (Cursors{handCursor, handCursor}));
	QuitWindow(window);
}

TEST_F(ViewTest, TheWheelGoesToTheMouseViewItsParentsThenTheFocus)
{
	MovePointer(POINT{0, 0});
	ProbeWindow* window = new ProbeWindow(BRect(100, 100, 420, 260), "Wheel");
	EventLog offers;
	ProbeView* parent = new ProbeView(BRect(0, 0, 140, 140), "parent");
	ProbeView* child = new ProbeView(BRect(10, 10, 110, 110), "child");
	ProbeView* focus = new ProbeView(BRect(160, 0, 300, 60), "focus");
	ProbeView* scrolled = new ProbeView(BRect(160, 70, 280, 150), "scrolled");
	BScrollBar* bar = new BScrollBar(BRect(282, 70, 298, 150), "bar", scrolled, 0, 100, true);
	int32 id = 1;
	for (ProbeView* view : {parent, child, focus, scrolled}) {
		view->wheelLog = &offers;
		view->wheelId = id++;
	}
	focus->takesWheel = true;
	EXPECT_EQ(parent->AddChild(child), kOk);
	for (BView* view : {static_cast<BView*>(parent), static_cast<BView*>(focus), static_cast<BView*>(scrolled),
			 static_cast<BView*>(bar)})
		EXPECT_EQ(window->AddChild(view), kOk);
	ASSERT_TRUE(ShowAndActivate(window));
	RunOnWindowThread(window, [&] { focus->SetFocused(true); });

	// The mouse view is the last view the pointer moved over.
	auto pointAt = [window](ProbeView* view) {
		MovePointer(ScreenPointOf(view, BPoint(20, 20)));
		return WaitFor([&] {
			BView* mouseView = nullptr;
			RunOnWindowThread(window, [&] { mouseView = window->MouseView(); });
			return mouseView == view;
		});
	};
	ASSERT_TRUE(pointAt(child));
	TurnWheel(-WHEEL_DELTA);
	ASSERT_TRUE(WaitFor([&] { return offers.Count(kWheelOffered) == 3; }));
	std::vector<Event> seen = offers.Take();
	EXPECT_EQ(seen[0].value, 2);
	EXPECT_EQ(seen[1].value, 1);
	EXPECT_EQ(seen[2].value, 3);
	EXPECT_EQ(seen[0].dy, 1.0f);

	// A view with a scroll bar takes the wheel: three small steps a notch.
	// Leaving the child is reported late, after the move over the next view.
	ASSERT_TRUE(pointAt(scrolled));
	ASSERT_TRUE(WaitFor([&] { return child->log.Last(kMouseMoved) == kExitedView; }));
	BView* mouseView = nullptr;
	RunOnWindowThread(window, [&] { mouseView = window->MouseView(); });
	EXPECT_EQ(mouseView, scrolled);
	TurnWheel(-WHEEL_DELTA);
	ASSERT_TRUE(WaitFor([&] { return offers.Count(kWheelOffered) == 1; }));
	// Any further offer would come within the same handling of the wheel.
	ASSERT_TRUE(DrainWindow(window));
	EXPECT_EQ(offers.Take().size(), 1u);
	EXPECT_EQ(scrolled->ScrollOrigin(), BPoint(0, 3));
	EXPECT_EQ(GetScrollPos(BPrivate::NativeHandleOf(bar), SB_CTL), 3);
	QuitWindow(window);
}

// Records the native messages the view passes on to the native window's own
// procedure.
class PassingView : public ProbeView {
public:
	using ProbeView::ProbeView;

	LRESULT CallPreviousWindowProc(HWND handle, UINT message, WPARAM wParam, LPARAM lParam) override
	{
		passed.Add({message, BPoint()});
		return ProbeView::CallPreviousWindowProc(handle, message, wParam, lParam);
	}

	// By native message.
	EventLog passed;
};

// A native message that arrives while a hook runs (the focus the hook takes,
// a paint its scrolling pumps) neither replaces the hook's own message in the
// default handling nor uses it up.
TEST_F(ViewTest, AHookGetsItsOwnMessagesDefaultWhateverItCausesFirst)
{
	MovePointer(POINT{0, 0});
	ProbeWindow* window = new ProbeWindow(BRect(100, 100, 300, 220), "Default");
	PassingView* view = new PassingView(BRect(10, 10, 150, 100), "clicked");
	EXPECT_EQ(view->AddChild(new ProbeView(BRect(5, 5, 40, 40), "content")), kOk);
	EXPECT_EQ(window->AddChild(view), kOk);
	ASSERT_TRUE(ShowAndActivate(window));

	// The clicks are apart, so that they make no double click. A nested
	// message that the view passes on itself is passed on once, by its own
	// delivery, and not again in the click's place; a paint is never passed on.
	const struct {
		const char* hook;
		std::function<void(BPoint)> action;
		UINT passesOnItself;
		BPoint where;
	} cases[] = {
		{"takes the focus", [view](BPoint) { view->SetFocused(true); }, WM_SETFOCUS, BPoint(60, 60)},
		{"scrolls", [view](BPoint) { view->SetScrollOrigin(BPoint(0, view->ScrollOrigin().y + 7)); }, 0,
			BPoint(110, 60)},
	};
	for (const auto& c : cases) {
		SCOPED_TRACE(c.hook);
		view->passed.Take();
		view->onMouseDown = c.action;
		ClickAt(ScreenPointOf(view, BPoint(view->ScrollOrigin().x + c.where.x, view->ScrollOrigin().y + c.where.y)));
		ASSERT_TRUE(WaitFor([&] { return view->log.Count(kMouseUp) > 0; }));
		RunOnWindowThread(window, [] {});
		EXPECT_EQ(view->passed.Count(WM_LBUTTONDOWN), 1u);
		if (c.passesOnItself != 0) {
			EXPECT_EQ(view->passed.Count(c.passesOnItself), 1u);
		}
		view->log.Take();
	}
	QuitWindow(window);
}

// A view drives one bar per axis; the bar a new one replaces forgets the view,
// so it cannot scroll the view after the view is gone.
TEST_F(ViewTest, AReplacedScrollBarNoLongerReachesItsView)
{
	ProbeWindow* window = new ProbeWindow(BRect(100, 100, 300, 220), "Bars");
	ProbeView* view = new ProbeView(BRect(0, 0, 150, 100), "scrolled");
	BScrollBar* first = new BScrollBar(BRect(152, 0, 168, 100), "first", view, 0, 100, true);
	BScrollBar* second = new BScrollBar(BRect(172, 0, 188, 100), "second", view, 0, 100, true);
	for (BView* child : {static_cast<BView*>(view), static_cast<BView*>(first), static_cast<BView*>(second)})
		EXPECT_EQ(window->AddChild(child), kOk);
	ASSERT_TRUE(ShowAndWait(window));
	EXPECT_EQ(view->ScrollBar(true), second);
	EXPECT_EQ(first->Target(), nullptr);
	EXPECT_EQ(second->Target(), view);

	RunOnWindowThread(window, [&] {
		first->SetValue(20);
		EXPECT_EQ(view->ScrollOrigin(), BPoint(0, 0));
		EXPECT_EQ(view->RemoveSelf(), kOk);
		delete view;
		first->SetValue(40);
		second->SetValue(30);
	});
	EXPECT_EQ(second->Target(), nullptr);
	EXPECT_EQ(GetScrollPos(BPrivate::NativeHandleOf(first), SB_CTL), 40);
	EXPECT_EQ(GetScrollPos(BPrivate::NativeHandleOf(second), SB_CTL), 30);
	QuitWindow(window);
}

// An HDROP as the shell makes it: DROPFILES and a double-terminated list of
// UTF-16 names (an empty list is two terminators). The view frees it when it
// has read it.
HDROP MakeDrop(const std::vector<std::wstring>& names, POINT point)
{
	std::wstring list;
	for (const std::wstring& name : names)
		list += name + L'\0';
	list += names.empty() ? std::wstring(2, L'\0') : std::wstring(1, L'\0');
	size_t bytes = sizeof(DROPFILES) + list.size() * sizeof(wchar_t);
	HGLOBAL memory = GlobalAlloc(GHND, bytes);
	DROPFILES* drop = static_cast<DROPFILES*>(GlobalLock(memory));
	drop->pFiles = sizeof(DROPFILES);
	drop->pt = point;
	drop->fWide = TRUE;
	memcpy(drop + 1, list.data(), list.size() * sizeof(wchar_t));
	GlobalUnlock(memory);
	return static_cast<HDROP>(memory);
}

TEST_F(ViewTest, DroppedFilesArriveAsRefsWithTheDropPoint)
{
	ProbeWindow* window = new ProbeWindow(BRect(100, 100, 300, 220), "Drop");
	ProbeView* view = new ProbeView(BRect(0, 0, 150, 100), "drop", kFollowLeftTop, kAcceptsDroppedFiles);
	EXPECT_EQ(window->AddChild(view), kOk);
	ASSERT_TRUE(ShowAndWait(window));
	EXPECT_NE(GetWindowLongPtrW(BPrivate::NativeHandleOf(view), GWL_EXSTYLE) & WS_EX_ACCEPTFILES, 0);
	RunOnWindowThread(window, [&] { view->SetScrollOrigin(BPoint(0, 5)); });

	wchar_t program[MAX_PATH];
	GetModuleFileNameW(nullptr, program, MAX_PATH);
	std::wstring tooLong = L"C:\\" + std::wstring(300, L'x');
	PostMessageW(BPrivate::NativeHandleOf(view), WM_DROPFILES,
		reinterpret_cast<WPARAM>(MakeDrop({program, L"C:\\no\\such\\file.txt", tooLong}, POINT{12, 34})), 0);
	ASSERT_TRUE(WaitFor([&] { return RunOnWindowThread(window, [] {}) && view->refs.size() == 1; }));
	const BMessage& refs = view->refs[0];
	BString name;
	EXPECT_EQ(refs.GetText("refs", 0, &name), kOk);
	EXPECT_EQ(name, BString(program));
	EXPECT_EQ(refs.GetText("refs", 1, &name), kOk);
	EXPECT_EQ(name, BString(L"C:\\no\\such\\file.txt"));
	EXPECT_NE(refs.GetText("refs", 2, &name), kOk);
	BPoint where;
	EXPECT_EQ(refs.GetPoint("be:drop pt", &where), kOk);
	EXPECT_EQ(where, BPoint(12, 39));

	// The wake-up that runs the drain is posted after the drop, to the same
	// thread, so the drop has been handled when the drain returns.
	PostMessageW(BPrivate::NativeHandleOf(view), WM_DROPFILES, reinterpret_cast<WPARAM>(MakeDrop({}, POINT{1, 1})), 0);
	ASSERT_TRUE(DrainWindow(window));
	EXPECT_EQ(view->refs.size(), 1u);
	QuitWindow(window);
}

TEST_F(ViewTest, PaintingReachesTheScreenOnePaintAtATime)
{
	ProbeWindow* window = new ProbeWindow(BRect(100, 100, 300, 220), "Paint");
	ProbeView* view = new ProbeView(BRect(10, 10, 110, 90), "paint");
	view->SetBackgroundColor(rgb_color{0, 160, 0, 255});
	view->SetSecondaryColor(rgb_color{0, 0, 255, 255});
	view->inner = BRect(20, 20, 40, 40);
	EXPECT_EQ(window->AddChild(view), kOk);
	ASSERT_TRUE(ShowAndWait(window));
	ASSERT_TRUE(WaitFor([&] { return view->log.Count(kDrawn) > 0; }));
	POINT outside = ScreenPointOf(view, BPoint(5, 5));
	POINT inside = ScreenPointOf(view, BPoint(30, 30));
	EXPECT_TRUE(WaitFor([&] { return ScreenPixel(outside) == 0x00A000 && ScreenPixel(inside) == 0x0000FF; }));

	// A transparent background is not filled: what was there stays.
	RunOnWindowThread(window, [&] {
		view->SetBackgroundColor(rgb_color{0, 0, 0, 0});
		view->SetSecondaryColor(rgb_color{255, 0, 0, 255});
		view->log.Take();
		view->Invalidate();
	});
	ASSERT_TRUE(WaitFor([&] { return view->log.Count(kDrawn) > 0; }));
	EXPECT_TRUE(WaitFor([&] { return ScreenPixel(inside) == 0xFF0000; }));
	EXPECT_EQ(ScreenPixel(outside), 0x00A000u);
	QuitWindow(window);

	// Two windows repainting at once never paint at the same time.
	std::atomic<int> painting{0};
	std::atomic<int> most{0};
	std::atomic<int> unlocked{0};
	auto slowDraw = [&](BRender*, BRect) {
		most = std::max(most.load(), ++painting);
		if (!BPrivate::DrawLock().IsLocked())
			unlocked++;
		Sleep(2);
		painting--;
	};
	std::vector<ProbeView*> views;
	std::vector<ProbeWindow*> windows;
	for (int i = 0; i < 2; i++) {
		windows.push_back(new ProbeWindow(BRect(100 + 250 * i, 300, 300 + 250 * i, 400), "Painter"));
		views.push_back(new ProbeView(BRect(0, 0, 150, 80), "painter"));
		views.back()->onDraw = slowDraw;
		EXPECT_EQ(windows.back()->AddChild(views.back()), kOk);
		ASSERT_TRUE(ShowAndWait(windows.back()));
	}
	// Each round waits for both paints it asked for, so that no two rounds'
	// invalidations merge into one paint, however the threads are scheduled.
	for (int round = 0; round < 12; round++) {
		size_t drawn[2] = {views[0]->log.Count(kDrawn), views[1]->log.Count(kDrawn)};
		for (ProbeView* painter : views) {
			painter->Window()->Lock();
			painter->Invalidate();
			painter->Window()->Unlock();
		}
		ASSERT_TRUE(WaitFor([&] {
			return views[0]->log.Count(kDrawn) > drawn[0] && views[1]->log.Count(kDrawn) > drawn[1];
		})) << "round " << round;
	}
	EXPECT_EQ(most.load(), 1);
	EXPECT_EQ(unlocked.load(), 0);
	for (ProbeWindow* painter : windows)
		QuitWindow(painter);
}

}  // namespace
