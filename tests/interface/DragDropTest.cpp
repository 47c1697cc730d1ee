// Drags with the real mouse. SendInput presses the left button in a view whose
// mouse-down hook asks for a drag, moves the pointer over other views of its
// window and of a second window, and lets go; the views record the mouse
// messages and the dropped message they receive. Another program drags files
// over a view the same way.
//
// The drag loop runs on the source window's thread (or in the other program),
// so this thread only drives the input and watches. Wine's loop polls the
// pointer and the button state on a timer and on every mouse message it gets,
// so each step waits until the view under the pointer has seen the drag. A
// drag that does not end by its deadline is broken off and fails the test.
#include "interface/NativeHandle.h"
#include "interface/View.h"
#include "interface/ViewDropTarget.h"
#include "interface/ViewNativeWindow.h"
#include "interface/Window.h"
#include "kernel/WinComObject.h"
#include "messaging/Message.h"
#include "messaging/MessageCodes.h"
#include "tests/harness/FileDataObject.h"
#include "tests/harness/InjectedInput.h"
#include "tests/harness/ResourceCounts.h"
#include "tests/harness/TestApplication.h"
#include "tests/interface/WindowTestSupport.h"

#include <gtest/gtest.h>

#include <mutex>
#include <string>
#include <vector>

namespace {

constexpr uint32 kDraggedWhat = FourCC("TDrg");
constexpr int32 kPayload = 7;
// The drop-effect word: copy.
constexpr uint32 kCopyEffect = 0x2;
constexpr DWORD kStepMillis = 5000;
constexpr DWORD kProgramMillis = 15000;
constexpr DWORD kQuietMillis = 1000;

// What the views received, from their window threads.
struct Seen {
	std::string view;
	uint32 what;
	int32 transit;
	// The in-process drag message was current (mouse moves).
	bool withDrag;
	BPoint dropPoint;
	bool hasDropPoint;
	int32 payload;
};

class SeenLog {
public:
	void Add(const Seen& seen)
	{
		std::lock_guard<std::mutex> lock(fMutex);
		fSeen.push_back(seen);
	}
	void Clear()
	{
		std::lock_guard<std::mutex> lock(fMutex);
		fSeen.clear();
	}
	bool Saw(const std::string& view, uint32 what, int32 transit = -1) const
	{
		std::lock_guard<std::mutex> lock(fMutex);
		for (const Seen& seen : fSeen) {
			if (seen.view == view && seen.what == what && (transit < 0 || seen.transit == transit))
				return true;
		}
		return false;
	}
	// The view's last move or mouse-up was a move inside it: it still
	// tracks the pointer and a leave is to come.
	bool Tracks(const std::string& view) const
	{
		std::lock_guard<std::mutex> lock(fMutex);
		for (auto seen = fSeen.rbegin(); seen != fSeen.rend(); ++seen) {
			if (seen->view == view && (seen->what == kMouseMoved || seen->what == kMouseUp))
				return seen->what == kMouseMoved && seen->transit != kExitedView;
		}
		return false;
	}
	std::vector<Seen> UpToMouseUp(const std::string& view) const
	{
		std::lock_guard<std::mutex> lock(fMutex);
		std::vector<Seen> of;
		for (const Seen& seen : fSeen) {
			if (seen.view != view)
				continue;
			of.push_back(seen);
			if (seen.what == kMouseUp)
				break;
		}
		return of;
	}
	// The view's messages in order up to its first mouse-up, each run of
	// equal ones told once: "_MDN", "_MMV:1+" (a move with its transit, +
	// while the in-process drag message is current), "TDrg" (the dropped
	// message), "_MUP". The pointer's native moves after a drop are not told.
	std::string Story(const std::string& view) const
	{
		std::string story;
		std::string last;
		for (const Seen& seen : UpToMouseUp(view)) {
			char what[5] = {char(seen.what >> 24), char(seen.what >> 16), char(seen.what >> 8), char(seen.what), 0};
			std::string word = what;
			if (seen.what == kMouseMoved)
				word += ":" + std::to_string(seen.transit) + (seen.withDrag ? "+" : "");
			if (word == last)
				continue;
			story += (story.empty() ? "" : " ") + word;
			last = word;
		}
		return story;
	}

private:
	mutable std::mutex fMutex;
	std::vector<Seen> fSeen;
};

// A view that records its mouse messages and dropped messages, accepts an
// in-process drag as a copy, and asks for a drag when pressed if told to.
class DragProbeView : public BView {
public:
	DragProbeView(BRect frame, const char* name, SeenLog* log, bool dragsOnPress)
		: BView(frame, name, kFollowLeftTop, 0), fName(name), fLog(log), fDragsOnPress(dragsOnPress)
	{
	}

	void OnMouseDown(BPoint) override
	{
		Record(kMouseDown);
		if (!fDragsOnPress)
			return;
		BMessage drag(kDraggedWhat);
		EXPECT_EQ(drag.AddInt32("payload", kPayload), kOk);
		startStatus = StartDrag(drag);
	}
	void OnMouseMoved(BPoint, int32 transit, const BMessage* drag) override
	{
		Seen seen{fName, kMouseMoved, transit, drag != nullptr, BPoint(), false, 0};
		fLog->Add(seen);
		if (drag != nullptr)
			SetDropEffect(kCopyEffect);
	}
	void OnMouseUp(BPoint) override { Record(kMouseUp); }
	void HandleMessage(BMessage* message) override
	{
		if (message->what != kDraggedWhat) {
			BView::HandleMessage(message);
			return;
		}
		Seen seen{fName, kDraggedWhat, -1, false, BPoint(), false, 0};
		seen.hasDropPoint = message->GetPoint("be:drop pt", &seen.dropPoint) == kOk;
		message->GetInt32("payload", &seen.payload);
		fLog->Add(seen);
	}

	// The centre of the view on the screen, moved by (dx, dy).
	POINT ScreenPoint(int dx = 0, int dy = 0) const
	{
		RECT rect = {};
		GetWindowRect(BPrivate::NativeHandleOf(this), &rect);
		return POINT{(rect.left + rect.right) / 2 + dx, (rect.top + rect.bottom) / 2 + dy};
	}

	status_t startStatus = kOk;

private:
	void Record(uint32 what) { fLog->Add(Seen{fName, what, -1, false, BPoint(), false, 0}); }

	std::string fName;
	SeenLog* fLog;
	bool fDragsOnPress;
};

// Under Wine the pointer's own moves reach the native windows of a thread
// other than the drag loop's although the loop holds the capture (Windows
// sends them all to the capture). C, in the second window, keeps to what its
// drop target tells it: its native procedure is passed the pointer's moves
// and leaves no more.
WNDPROC gViewProcedure = nullptr;

LRESULT CALLBACK WithoutPointerMoves(HWND window, UINT message, WPARAM wParam, LPARAM lParam)
{
	if (message == WM_MOUSEMOVE || message == WM_MOUSELEAVE)
		return 0;
	return CallWindowProcW(gViewProcedure, window, message, wParam, lParam);
}

// Without a window manager, the pointer's capture (the drag loop's) holds
// only while its thread is the foreground, which a click does not change.
// Asked again until it holds: a window shown just before may still take the
// foreground after the first request.
bool BringToFront(HWND window)
{
	return zeltest::WaitFor(
		[window] {
			if (GetForegroundWindow() == window)
				return true;
			SetForegroundWindow(window);
			return false;
		},
		kStepMillis);
}

// A point on a drag's way, and the move the view under it must have seen
// before the drag goes on.
struct Waypoint {
	POINT where;
	const char* view;
	int32 transit;
};

class RealDrag : public ::testing::Test {
protected:
	static void SetUpTestSuite()
	{
		sApp = new zeltest::TestApp();
		sLog = new SeenLog;
		// A and B share the source window with a gap between them; C fills
		// the second window.
		sSourceWindow = new zeltest::ProbeWindow(BRect(40, 40, 440, 240), "Drag source");
		sA = new DragProbeView(BRect(10, 10, 190, 190), "A", sLog, true);
		sB = new DragProbeView(BRect(210, 10, 390, 190), "B", sLog, false);
		EXPECT_EQ(sSourceWindow->AddChild(sA), kOk);
		EXPECT_EQ(sSourceWindow->AddChild(sB), kOk);
		sTargetWindow = new zeltest::ProbeWindow(BRect(40, 300, 440, 500), "Drop target");
		sC = new DragProbeView(BRect(10, 10, 390, 190), "C", sLog, false);
		EXPECT_EQ(sTargetWindow->AddChild(sC), kOk);
		sShown = zeltest::ShowAndWait(sSourceWindow) && zeltest::ShowAndWait(sTargetWindow);
		// The window shown last takes the foreground; that is awaited, so
		// that it cannot take it from a source brought to the front later.
		HWND last = BPrivate::NativeHandleOf(sTargetWindow);
		zeltest::WaitFor([last] { return GetForegroundWindow() == last; }, 2000);
		if (sShown) {
			gViewProcedure = reinterpret_cast<WNDPROC>(SetWindowLongPtrW(BPrivate::NativeHandleOf(sC), GWLP_WNDPROC,
				reinterpret_cast<LONG_PTR>(WithoutPointerMoves)));
		}
	}

	static void TearDownTestSuite()
	{
		zeltest::QuitWindow(sSourceWindow);
		zeltest::QuitWindow(sTargetWindow);
		delete sLog;
		delete sApp;
	}

	void SetUp() override
	{
		ASSERT_TRUE(sShown) << "the windows and their views did not appear";
		sLog->Clear();
	}
	void TearDown() override { zeltest::ReleaseInjectedKeys(); }

	static BView* DragViewOf(BWindow* window)
	{
		if (!window->Lock())
			return nullptr;
		BView* view = window->DragView();
		window->Unlock();
		return view;
	}

	static bool WaitToSee(const char* view, uint32 what, int32 transit = -1)
	{
		return zeltest::WaitFor([&] { return sLog->Saw(view, what, transit); }, kStepMillis);
	}

	// One jump to each point, repeated until the pointer stays there: Wine
	// turns the pointer's warp into a move of its own that may arrive late
	// and take the pointer back.
	static bool MoveTo(POINT point)
	{
		for (int attempt = 0; attempt < 10; attempt++) {
			zeltest::MovePointer(point);
			zeltest::Settle(20);
			POINT at = {};
			if (GetCursorPos(&at) && at.x == point.x && at.y == point.y) {
				zeltest::Settle(20);
				if (GetCursorPos(&at) && at.x == point.x && at.y == point.y)
					return true;
			}
		}
		return false;
	}

	// Follows the waypoints with the button held; an empty answer when every
	// view saw its move in time, else what was missed.
	static std::string Follow(const std::vector<Waypoint>& way)
	{
		for (const Waypoint& point : way) {
			if (!MoveTo(point.where))
				return std::string("the pointer did not stay on its way to ") + point.view;
			if (!WaitToSee(point.view, kMouseMoved, point.transit))
				return std::string(point.view) + " saw no move with transit " + std::to_string(point.transit);
		}
		return std::string();
	}

	// Presses in A, follows the way and lets go; then waits for the drag
	// loop to end. An empty answer on success; a drag that went wrong is
	// broken off.
	static std::string DragFromA(const std::vector<Waypoint>& way, DWORD quietMillis = kQuietMillis)
	{
		if (!BringToFront(BPrivate::NativeHandleOf(sSourceWindow)))
			return "the source window did not come to the front";
		// The pointer's arrival in A, and its leaving B where the last drag
		// ended, are told before the press, so that neither comes amid the
		// drag. Under Wine a leave sometimes never comes: the tracking armed
		// by a move that arrived after the pointer had gone is not ended.
		if (!MoveTo(sA->ScreenPoint()))
			return "the pointer did not stay in A";
		zeltest::WaitFor([] { return sLog->Saw("A", kMouseMoved) && !sLog->Tracks("B"); }, quietMillis);
		sLog->Clear();
		zeltest::PressLeftButton();
		std::string missed;
		if (!zeltest::WaitFor([] { return DragViewOf(sSourceWindow) == sA; }, kStepMillis))
			missed = "A asked for no drag";
		else
			missed = Follow(way);
		zeltest::ReleaseLeftButton();
		if (missed.empty() && !zeltest::WaitFor([] { return DragViewOf(sSourceWindow) == nullptr; }, kStepMillis))
			missed = "the drag loop did not end";
		if (!missed.empty()) {
			missed += "; A saw \"" + sLog->Story("A") + "\", B saw \"" + sLog->Story("B") + "\"";
			BreakOffDrag();
		}
		return missed;
	}

	// Escape ends a drag loop that still runs; a loop that ignores it is
	// made to leave by the quit message its thread's message wait returns on.
	static void BreakOffDrag()
	{
		zeltest::ReleaseInjectedKeys();
		zeltest::TapKey(zeltest::KeyStroke{VK_ESCAPE});
		if (zeltest::WaitFor([] { return DragViewOf(sSourceWindow) == nullptr; }, 2000))
			return;
		PostThreadMessageW(GetWindowThreadProcessId(BPrivate::NativeHandleOf(sSourceWindow), nullptr), WM_QUIT, 0, 0);
	}

	static zeltest::TestApp* sApp;
	static SeenLog* sLog;
	static zeltest::ProbeWindow* sSourceWindow;
	static zeltest::ProbeWindow* sTargetWindow;
	static DragProbeView* sA;
	static DragProbeView* sB;
	static DragProbeView* sC;
	static bool sShown;
};

zeltest::TestApp* RealDrag::sApp;
SeenLog* RealDrag::sLog;
zeltest::ProbeWindow* RealDrag::sSourceWindow;
zeltest::ProbeWindow* RealDrag::sTargetWindow;
DragProbeView* RealDrag::sA;
DragProbeView* RealDrag::sB;
DragProbeView* RealDrag::sC;
bool RealDrag::sShown;

TEST_F(RealDrag, InProcessDragsTurnIntoMouseMessagesAndDeliverTheMessageBeforeTheMouseUp)
{
	struct Case {
		const char* name;
		std::vector<Waypoint> way;
		// Who received what, in order.
		const char* a;
		const char* b;
		const char* c;
		DragProbeView* dropView;
	};
	// The source sees its own target's enter, inside and exit, then the
	// drag repeated to it while it passes over B (its tracking starts anew),
	// and its own mouse-up once the drag is over.
	const char* kSourceOverB = "_MDN _MMV:0+ _MMV:1+ _MMV:2+ _MMV:0+ _MMV:1+ _MUP";
	const Case cases[] = {
		{"to another view of the window",
			{{sA->ScreenPoint(), "A", kEnteredView}, {sA->ScreenPoint(5, 5), "A", kInsideView},
				{sB->ScreenPoint(), "B", kEnteredView}, {sB->ScreenPoint(5, 5), "B", kInsideView}},
			kSourceOverB, "_MMV:0+ _MMV:1+ TDrg _MUP", "", sB},
		{"over another view to a view of a second window",
			{{sA->ScreenPoint(), "A", kEnteredView}, {sB->ScreenPoint(), "B", kInsideView},
				{sC->ScreenPoint(), "C", kEnteredView}, {sC->ScreenPoint(5, 5), "C", kInsideView}},
			kSourceOverB, "_MMV:0+ _MMV:1+ _MMV:2+", "_MMV:0+ _MMV:1+ TDrg _MUP", sC},
	};
	for (const Case& c : cases) {
		SCOPED_TRACE(c.name);
		std::string missed = DragFromA(c.way);
		ASSERT_EQ(missed, "");
		EXPECT_EQ(sA->startStatus, kOk);
		EXPECT_EQ(sLog->Story("A"), c.a);
		EXPECT_EQ(sLog->Story("B"), c.b);
		EXPECT_EQ(sLog->Story("C"), c.c);

		std::string view = c.dropView == sB ? "B" : "C";
		std::vector<Seen> received = sLog->UpToMouseUp(view);
		ASSERT_GE(received.size(), 2u);
		const Seen& dropped = received[received.size() - 2];
		ASSERT_EQ(dropped.what, kDraggedWhat);
		EXPECT_EQ(dropped.payload, kPayload);
		ASSERT_TRUE(dropped.hasDropPoint);
		// Released 5 pixels right of and below the view's centre.
		BRect bounds = c.dropView->Bounds();
		EXPECT_NEAR(dropped.dropPoint.x, bounds.Width() / 2 + 5, 1.5f);
		EXPECT_NEAR(dropped.dropPoint.y, bounds.Height() / 2 + 5, 1.5f);
	}

	// The drop took the drag message: a click afterwards drops nothing.
	ASSERT_TRUE(BringToFront(BPrivate::NativeHandleOf(sSourceWindow)));
	sLog->Clear();
	zeltest::MovePointer(sB->ScreenPoint());
	zeltest::PressLeftButton();
	zeltest::ReleaseLeftButton();
	ASSERT_TRUE(WaitToSee("B", kMouseUp));
	EXPECT_EQ(sLog->Story("B"), "_MMV:0 _MDN _MUP");
}

TEST_F(RealDrag, AViewRefusesADragWithoutAButtonHeld)
{
	ASSERT_TRUE(sSourceWindow->Lock());
	BMessage drag(kDraggedWhat);
	EXPECT_EQ(sB->StartDrag(drag), kNotAllowed);
	EXPECT_EQ(sSourceWindow->DragView(), nullptr);
	EXPECT_EQ(sB->DragState(), 0u);
	sSourceWindow->Unlock();
}

TEST_F(RealDrag, ViewsHoldADropTargetFromTheMakingOfTheirNativeWindowsToTheirDestruction)
{
	struct Case {
		const char* name;
		bool topLevel;
		uint32 flags;
		bool registered;
	};
	const Case cases[] = {
		{"top-level view", true, 0, true},
		{"child view", false, 0, false},
		{"child that accepts dropped files", false, kAcceptsDroppedFiles, true},
	};
	for (const Case& c : cases) {
		SCOPED_TRACE(c.name);
		int32 objects = BPrivate::CountLiveComObjects();
		BView* view = new BView(BRect(20, 20, 60, 60), "added", kFollowLeftTop, c.flags);
		bool held = false;
		HRESULT again = S_OK;
		ASSERT_TRUE(zeltest::RunOnWindowThread(sSourceWindow, [&] {
			status_t added = c.topLevel ? sSourceWindow->AddChild(view) : sA->AddChild(view);
			EXPECT_EQ(added, kOk);
			held = BPrivate::ViewNativeWindow::DropTargetOf(view) != nullptr;
			// The platform knows the window as a drop target.
			IDropTarget* other = new WinViewDropTarget(nullptr);
			again = RegisterDragDrop(BPrivate::NativeHandleOf(view), other);
			if (again == S_OK)
				RevokeDragDrop(BPrivate::NativeHandleOf(view));
			other->Release();
		}));
		EXPECT_EQ(held, c.registered);
		EXPECT_EQ(again, c.registered ? DRAGDROP_E_ALREADYREGISTERED : S_OK);
		EXPECT_EQ(BPrivate::CountLiveComObjects(), objects + (c.registered ? 1 : 0));

		ASSERT_TRUE(zeltest::RunOnWindowThread(sSourceWindow, [&] {
			EXPECT_EQ(view->RemoveSelf(), kOk);
			held = BPrivate::ViewNativeWindow::DropTargetOf(view) != nullptr;
		}));
		delete view;
		EXPECT_FALSE(held);
		EXPECT_EQ(BPrivate::CountLiveComObjects(), objects);
	}
}

// The other program's path, beside the test's own executable.
std::wstring FileDragSourcePath()
{
	wchar_t path[MAX_PATH];
	DWORD length = GetModuleFileNameW(nullptr, path, MAX_PATH);
	std::wstring folder(path, length);
	return folder.substr(0, folder.find_last_of(L'\\') + 1) + L"tools\\FileDragSource.exe";
}

TEST_F(RealDrag, FilesFromAnotherProgramPassOverAViewAsMouseMessagesWithNoEffect)
{
	const wchar_t kTitle[] = L"Brisca file drag";
	std::wstring command = L"\"" + FileDragSourcePath() + L"\" 480 300 200 150 \"" + kTitle +
	                       L"\" C:\\users\\Public\\one.txt C:\\users\\Public\\two.txt";
	STARTUPINFOW startup = {};
	startup.cb = sizeof(startup);
	PROCESS_INFORMATION process = {};
	ASSERT_TRUE(CreateProcessW(nullptr, &command[0], nullptr, nullptr, FALSE, 0, nullptr, nullptr, &startup,
		&process));
	CloseHandle(process.hThread);
	HWND source = nullptr;
	bool appeared = zeltest::WaitFor(
		[&] { return (source = FindWindowW(L"FileDragSource", kTitle)) != nullptr && IsWindowVisible(source); },
		kStepMillis);
	appeared = appeared && BringToFront(source);

	std::string missed = appeared ? "" : "the other program's window did not appear";
	if (appeared) {
		RECT rect = {};
		GetWindowRect(source, &rect);
		POINT press = {(rect.left + rect.right) / 2, (rect.top + rect.bottom) / 2};
		zeltest::MovePointer(press);
		zeltest::Settle(100);
		sLog->Clear();
		zeltest::PressLeftButton();
		// Over C, out over the other program's window and back.
		missed = Follow({{sC->ScreenPoint(), "C", kEnteredView}, {sC->ScreenPoint(5, 5), "C", kInsideView},
			{press, "C", kExitedView}, {sC->ScreenPoint(-5, -5), "C", kEnteredView},
			{sC->ScreenPoint(), "C", kInsideView}});
		zeltest::ReleaseLeftButton();
	}
	auto exited = [&] { return WaitForSingleObject(process.hProcess, 0) == WAIT_OBJECT_0; };
	bool ended = zeltest::WaitFor(exited, missed.empty() ? kProgramMillis : 2000);
	if (!ended) {
		zeltest::TapKey(zeltest::KeyStroke{VK_ESCAPE});
		ended = zeltest::WaitFor(exited, 2000);
	}
	if (!ended)
		TerminateProcess(process.hProcess, 99);
	DWORD exitCode = 99;
	GetExitCodeProcess(process.hProcess, &exitCode);
	CloseHandle(process.hProcess);
	ASSERT_EQ(missed, "");
	ASSERT_TRUE(ended) << "the other program's drag loop did not end";

	// Dropped with no effect: the view takes nothing from another program.
	// After an answer of none the platform calls the target's DragLeave in
	// place of its Drop, so the release ends the story with an exit.
	EXPECT_EQ(exitCode, 0u);
	EXPECT_EQ(sLog->Story("C"), "_MMV:0 _MMV:1 _MMV:2 _MMV:0 _MMV:1 _MMV:2");
	EXPECT_FALSE(sLog->Saw("C", kDraggedWhat));

	// Asked to drop data of that kind, the target gives C a mouse-up and
	// nothing to take.
	sLog->Clear();
	ASSERT_TRUE(sTargetWindow->Lock());
	WinViewDropTarget* target = BPrivate::ViewNativeWindow::DropTargetOf(sC);
	if (target != nullptr)
		target->AddRef();
	sTargetWindow->Unlock();
	ASSERT_NE(target, nullptr);
	auto* files = new zeltest::FileDataObject({L"C:\\users\\Public\\one.txt"});
	POINT centre = sC->ScreenPoint();
	DWORD effect = DROPEFFECT_COPY;
	EXPECT_EQ(target->Drop(files, 0, POINTL{centre.x, centre.y}, &effect), S_OK);
	EXPECT_EQ(effect, static_cast<DWORD>(DROPEFFECT_NONE));
	files->Release();
	target->Release();
	EXPECT_EQ(sLog->Story("C"), "_MUP");
}

// Reference counts of the views' drop targets, read without changing them.
std::vector<ULONG> TargetReferences(BWindow* window, std::initializer_list<BView*> views)
{
	std::vector<ULONG> references;
	if (!window->Lock())
		return references;
	for (BView* view : views) {
		WinViewDropTarget* target = BPrivate::ViewNativeWindow::DropTargetOf(view);
		if (target == nullptr) {
			references.push_back(0);
			continue;
		}
		target->AddRef();
		references.push_back(target->Release());
	}
	window->Unlock();
	return references;
}

TEST_F(RealDrag, AHundredDragsLeaveReferencesAndResourcesWhereTheFirstLeftThem)
{
	const std::vector<Waypoint> way = {{sA->ScreenPoint(), "A", kEnteredView},
		{sB->ScreenPoint(), "B", kEnteredView}, {sB->ScreenPoint(5, 5), "B", kInsideView}};
	ASSERT_EQ(DragFromA(way), "");
	zeltest::ResourceCensus before = zeltest::ResourceCensus::TakeSteady();
	int32 objectsBefore = BPrivate::CountLiveComObjects();
	std::vector<ULONG> referencesBefore = TargetReferences(sSourceWindow, {sA, sB});
	for (ULONG references : referencesBefore)
		EXPECT_GT(references, 0u);

	// What the views receive is not looked at here: a leave amid a drag
	// does no harm, and a short wait for it keeps the hundred drags quick.
	constexpr int kDrags = 99;
	for (int i = 1; i <= kDrags; i++)
		ASSERT_EQ(DragFromA(way, 100), "") << "drag " << i;

	EXPECT_TRUE(zeltest::LeftNothingBehind(before, zeltest::ResourceCensus::TakeSteady(), kDrags));
	EXPECT_EQ(BPrivate::CountLiveComObjects(), objectsBefore);
	EXPECT_EQ(TargetReferences(sSourceWindow, {sA, sB}), referencesBefore);
}

}  // namespace
