// The pump of the paints that scrolling leaves waiting.
#include "interface/ViewPaint.h"
#include "interface/WinGdi.h"

#include <gtest/gtest.h>

#include <windows.h>

#include <string>
#include <vector>

namespace {

struct PaintCounts {
	int painted = 0;
	int unvalidated = 0;
};

constexpr int kStubbornPaints = 50;

// "validating" windows paint as windows should; the "stubborn" one never
// validates, until it has been asked kStubbornPaints times.
LRESULT CALLBACK CountingWindowProc(HWND window, UINT message, WPARAM wParam, LPARAM lParam)
{
	auto* counts = reinterpret_cast<PaintCounts*>(GetWindowLongPtrW(window, GWLP_USERDATA));
	if (message != WM_PAINT || counts == nullptr)
		return DefWindowProcW(window, message, wParam, lParam);
	wchar_t title[16] = {};
	GetWindowTextW(window, title, 16);
	if (std::wstring(title) == L"stubborn") {
		if (++counts->unvalidated >= kStubbornPaints)
			ValidateRect(window, nullptr);
		return 0;
	}
	PAINTSTRUCT paint;
	BeginPaint(window, &paint);
	EndPaint(window, &paint);
	counts->painted++;
	return 0;
}

// Windows that paint when asked each get their one WM_PAINT; a window that
// never validates is asked at most twice instead of forever.
TEST(PaintPumpTest, DispatchesEveryPendingPaintOnceAndNeverSpins)
{
	WNDCLASSW windowClass = {};
	windowClass.lpfnWndProc = CountingWindowProc;
	windowClass.hInstance = GetModuleHandleW(nullptr);
	windowClass.lpszClassName = L"BriscaPaintPumpTest";
	ASSERT_NE(RegisterClassW(&windowClass), 0);

	// The counted windows are children, as views are; the parent paints
	// uncounted.
	WinWindowHandle parent(CreateWindowExW(0, windowClass.lpszClassName, L"parent", WS_POPUP | WS_VISIBLE, 10,
		10, 200, 60, nullptr, nullptr, windowClass.hInstance, nullptr));
	ASSERT_TRUE(parent.IsValid());
	struct Case {
		const char* name;
		std::vector<const wchar_t*> titles;
		int painted;
		bool stubborn;
	};
	const Case cases[] = {
		{"validating", {L"validating", L"validating", L"validating"}, 3, false},
		{"stubborn", {L"stubborn"}, 0, true},
	};
	for (const Case& c : cases) {
		SCOPED_TRACE(c.name);
		PaintCounts counts;
		std::vector<WinWindowHandle> windows;
		for (const wchar_t* title : c.titles) {
			windows.emplace_back(CreateWindowExW(0, windowClass.lpszClassName, title, WS_CHILD | WS_VISIBLE,
				static_cast<int>(windows.size()) * 60, 0, 50, 50, parent.Get(), nullptr, windowClass.hInstance,
				nullptr));
			ASSERT_TRUE(windows.back().IsValid());
			SetWindowLongPtrW(windows.back().Get(), GWLP_USERDATA, reinterpret_cast<LONG_PTR>(&counts));
			InvalidateRect(windows.back().Get(), nullptr, FALSE);
		}

		BPrivate::DispatchPendingPaints();
		EXPECT_EQ(counts.painted, c.painted);
		if (c.stubborn) {
			EXPECT_GE(counts.unvalidated, 1);
			EXPECT_LE(counts.unvalidated, 2);
		}
	}
	parent.Reset();
	UnregisterClassW(windowClass.lpszClassName, windowClass.hInstance);
}

}  // namespace
