// What a test can learn about a program's native windows from outside: the
// shown top-level window of a title, and its descendants as the platform lists
// them (creation order), with their class, text, style, screen rectangle and
// enabled state. Any thread may ask; texts of windows of other threads are
// fetched by the platform with a message to their thread.
#pragma once

#include <windows.h>

#include <string>
#include <vector>

namespace zeltest {

struct NativeChild {
	HWND handle;
	std::wstring className;
	std::wstring text;
	LONG style;
	RECT screen;
	bool enabled;

	POINT Centre() const { return POINT{(screen.left + screen.right) / 2, (screen.top + screen.bottom) / 2}; }
};

std::vector<NativeChild> ListNativeChildren(HWND window);
// The first child showing `text`; null when none does.
const NativeChild* FindChildWithText(const std::vector<NativeChild>& children, const wchar_t* text);
// Polls for a visible top-level window titled `title`; null when the deadline passes first.
HWND WaitForShownWindow(const wchar_t* title, DWORD deadlineMillis = 5000);

}  // namespace zeltest
