// What a test can learn about a program's native windows from outside.
#include "tests/harness/NativeChildren.h"

namespace zeltest {

namespace {

BOOL CALLBACK AddChild(HWND child, LPARAM list)
{
	NativeChild entry{child, {}, {}, GetWindowLongW(child, GWL_STYLE), {}, IsWindowEnabled(child) != FALSE};
	wchar_t buffer[512] = {};
	GetClassNameW(child, buffer, 512);
	entry.className = buffer;
	buffer[0] = L'\0';
	GetWindowTextW(child, buffer, 512);
	entry.text = buffer;
	GetWindowRect(child, &entry.screen);
	reinterpret_cast<std::vector<NativeChild>*>(list)->push_back(entry);
	return TRUE;
}

}  // namespace

std::vector<NativeChild> ListNativeChildren(HWND window)
{
	std::vector<NativeChild> children;
	EnumChildWindows(window, AddChild, reinterpret_cast<LPARAM>(&children));
	return children;
}

const NativeChild* FindChildWithText(const std::vector<NativeChild>& children, const wchar_t* text)
{
	for (const NativeChild& child : children) {
		if (child.text == text)
			return &child;
	}
	return nullptr;
}

HWND WaitForShownWindow(const wchar_t* title, DWORD deadlineMillis)
{
	DWORD start = GetTickCount();
	for (;;) {
		HWND window = FindWindowW(nullptr, title);
		if (window != nullptr && IsWindowVisible(window))
			return window;
		if (GetTickCount() - start >= deadlineMillis)
			return nullptr;
		Sleep(20);
	}
}

}  // namespace zeltest
