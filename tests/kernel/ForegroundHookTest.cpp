// The foreground hook: shown top-level windows come to the front, tool windows do not.
#include "kernel/ForegroundHook.h"
#include "kernel/Thread.h"
#include "tests/harness/Deadline.h"

#include <gtest/gtest.h>

#include <windows.h>

#include <thread>

namespace {

// Without a window manager, Wine waits two seconds for each shown window to be
// withdrawn when it is destroyed, so the spawned thread takes a while.
using zeltest::kDeadlineMillis;

const wchar_t* PlainWindowClass()
{
	static const wchar_t* name = [] {
		WNDCLASSW windowClass = {};
		windowClass.lpfnWndProc = DefWindowProcW;
		windowClass.hInstance = GetModuleHandleW(nullptr);
		windowClass.lpszClassName = L"ZelKernelForeground";
		RegisterClassW(&windowClass);
		return L"ZelKernelForeground";
	}();
	return name;
}

HWND MakeWindow(DWORD style, DWORD extendedStyle)
{
	return CreateWindowExW(extendedStyle, PlainWindowClass(), L"front", style, 10, 10, 200, 150,
		nullptr, nullptr, GetModuleHandleW(nullptr), nullptr);
}

// Shows each window without activating it, so that only the hook can bring it
// to the front, and notes whether it became the foreground window.
struct ShowResults {
	bool plain = false;
	bool tool = false;
	bool framedPopup = false;
};

void ShowWithoutActivating(HWND first, HWND window, bool* cameToFront)
{
	SetForegroundWindow(first);
	ShowWindow(window, SW_SHOWNA);
	*cameToFront = GetForegroundWindow() == window;
}

void ShowWindowsAndLook(ShowResults* results, bool plainOnly)
{
	HWND first = MakeWindow(WS_OVERLAPPEDWINDOW, 0);
	HWND plain = MakeWindow(WS_OVERLAPPEDWINDOW, 0);
	ShowWindow(first, SW_SHOW);
	ShowWithoutActivating(first, plain, &results->plain);
	DestroyWindow(plain);
	if (!plainOnly) {
		HWND tool = MakeWindow(WS_OVERLAPPEDWINDOW, WS_EX_TOOLWINDOW);
		ShowWithoutActivating(first, tool, &results->tool);
		DestroyWindow(tool);
		HWND framedPopup = MakeWindow(WS_POPUP | WS_CAPTION, 0);
		ShowWithoutActivating(first, framedPopup, &results->framedPopup);
		DestroyWindow(framedPopup);
	}
	DestroyWindow(first);
}

struct SpawnedShow {
	ShowResults results;
	HANDLE done = CreateEventW(nullptr, TRUE, FALSE, nullptr);
	~SpawnedShow() { CloseHandle(done); }
};

int32 ShowOnSpawnedThread(void* argument)
{
	SpawnedShow* show = static_cast<SpawnedShow*>(argument);
	ShowWindowsAndLook(&show->results, false);
	SetEvent(show->done);
	return 0;
}

TEST(ForegroundHook, ASpawnedThreadBringsItsShownTopLevelWindowsToTheFront)
{
	SpawnedShow show;
	thread_handle thread = SpawnThread(ShowOnSpawnedThread, BString("front"), 0, &show);
	ASSERT_NE(thread, -1);
	ASSERT_EQ(StartThread(thread), kOk);
	ASSERT_EQ(WaitForSingleObject(show.done, kDeadlineMillis), WAIT_OBJECT_0);
	EXPECT_TRUE(show.results.plain);
	EXPECT_TRUE(show.results.framedPopup);
	EXPECT_FALSE(show.results.tool);

	// A thread without the hook leaves a window shown that way behind.
	ShowResults unhooked;
	std::thread foreign([&] { ShowWindowsAndLook(&unhooked, true); });
	foreign.join();
	EXPECT_FALSE(unhooked.plain);
}

TEST(ForegroundHook, OnlyFramedOrPlainWindowsThatActivateQualify)
{
	using BPrivate::ComesToFrontWhenShown;
	const LONG popup = static_cast<LONG>(WS_POPUP);
	EXPECT_TRUE(ComesToFrontWhenShown(WS_OVERLAPPED, 0));
	EXPECT_TRUE(ComesToFrontWhenShown(popup | WS_THICKFRAME, 0));
	EXPECT_TRUE(ComesToFrontWhenShown(popup | WS_CAPTION, WS_EX_APPWINDOW));
	EXPECT_TRUE(ComesToFrontWhenShown(popup | WS_BORDER, 0));
	EXPECT_FALSE(ComesToFrontWhenShown(popup | WS_SYSMENU, 0));
	EXPECT_FALSE(ComesToFrontWhenShown(WS_CHILD | WS_CAPTION, 0));
	EXPECT_FALSE(ComesToFrontWhenShown(WS_OVERLAPPEDWINDOW, WS_EX_TOPMOST));
	EXPECT_FALSE(ComesToFrontWhenShown(WS_OVERLAPPEDWINDOW, WS_EX_NOACTIVATE));
}

}  // namespace
