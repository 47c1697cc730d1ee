// SendInput for tests, and a window of the test's own that holds the focus.
#include "tests/harness/InjectedInput.h"

#include <algorithm>
#include <atomic>
#include <cstdio>
#include <vector>

namespace zeltest {

namespace {

// Keys pressed and not yet released; used by one test thread.
std::vector<KeyStroke> gHeldKeys;
bool gLeftButtonHeld = false;

void Forget(WORD vk)
{
	gHeldKeys.erase(std::remove_if(gHeldKeys.begin(), gHeldKeys.end(), [vk](const KeyStroke& held) { return held.vk == vk; }),
		gHeldKeys.end());
}

void SendKeyEvent(const KeyStroke& key, bool up)
{
	INPUT input = {};
	input.type = INPUT_KEYBOARD;
	input.ki.wVk = key.vk;
	input.ki.wScan = key.scan != 0 ? key.scan : static_cast<WORD>(MapVirtualKeyW(key.vk, MAPVK_VK_TO_VSC));
	input.ki.dwFlags = (up ? KEYEVENTF_KEYUP : 0) | (key.extended ? KEYEVENTF_EXTENDEDKEY : 0);
	SendInput(1, &input, sizeof(input));
}

}  // namespace

void PressKey(const KeyStroke& key)
{
	Forget(key.vk);
	gHeldKeys.push_back(key);
	SendKeyEvent(key, false);
}

void ReleaseKey(const KeyStroke& key)
{
	Forget(key.vk);
	SendKeyEvent(key, true);
}

void TapKey(const KeyStroke& key)
{
	PressKey(key);
	ReleaseKey(key);
}

void TurnWheel(int units)
{
	INPUT input = {};
	input.type = INPUT_MOUSE;
	input.mi.dwFlags = MOUSEEVENTF_WHEEL;
	input.mi.mouseData = static_cast<DWORD>(units);
	SendInput(1, &input, sizeof(input));
}

void MovePointer(POINT screen)
{
	// Absolute pointer coordinates run from 0 to 65535 across the primary screen.
	INPUT input = {};
	input.type = INPUT_MOUSE;
	input.mi.dx = MulDiv(screen.x, 65535, GetSystemMetrics(SM_CXSCREEN) - 1);
	input.mi.dy = MulDiv(screen.y, 65535, GetSystemMetrics(SM_CYSCREEN) - 1);
	input.mi.dwFlags = MOUSEEVENTF_MOVE | MOUSEEVENTF_ABSOLUTE;
	SendInput(1, &input, sizeof(input));
}

namespace {

void SendButtonEvent(DWORD flag)
{
	INPUT input = {};
	input.type = INPUT_MOUSE;
	input.mi.dwFlags = flag;
	SendInput(1, &input, sizeof(input));
}

}  // namespace

void PressLeftButton()
{
	gLeftButtonHeld = true;
	SendButtonEvent(MOUSEEVENTF_LEFTDOWN);
}

void ReleaseLeftButton()
{
	gLeftButtonHeld = false;
	SendButtonEvent(MOUSEEVENTF_LEFTUP);
}

void ClickAt(POINT screen)
{
	MovePointer(screen);
	PressLeftButton();
	ReleaseLeftButton();
}

void ReleaseInjectedKeys()
{
	bool sent = !gHeldKeys.empty() || gLeftButtonHeld;
	if (gLeftButtonHeld)
		ReleaseLeftButton();
	while (!gHeldKeys.empty())
		ReleaseKey(gHeldKeys.back());
	for (WORD lockKey : {VK_CAPITAL, VK_NUMLOCK, VK_SCROLL}) {
		if ((GetKeyState(lockKey) & 1) != 0) {
			TapKey(KeyStroke{lockKey});
			sent = true;
		}
	}
	// Let the injected events reach this thread's key state before the next test reads it.
	if (sent)
		PumpUntil([] { return false; }, 50);
}

FocusedWindow::FocusedWindow(WNDPROC procedure, void* userData, int x, int y, int width, int height)
{
	static std::atomic<int> classNumber{0};
	wchar_t className[40];
	swprintf(className, 40, L"zeltest-focused-%d", classNumber.fetch_add(1));
	WNDCLASSEXW windowClass = {};
	windowClass.cbSize = sizeof(windowClass);
	windowClass.lpfnWndProc = procedure;
	windowClass.hInstance = GetModuleHandleW(nullptr);
	windowClass.hCursor = LoadCursorW(nullptr, MAKEINTRESOURCEW(32512));
	windowClass.hbrBackground = static_cast<HBRUSH>(GetStockObject(WHITE_BRUSH));
	windowClass.lpszClassName = className;
	fClass = RegisterClassExW(&windowClass);
	fWindow = CreateWindowExW(0, className, L"Input test", WS_POPUP | WS_CAPTION, x, y, width, height, nullptr,
		nullptr, windowClass.hInstance, nullptr);
	if (fWindow == nullptr)
		return;
	SetWindowLongPtrW(fWindow, GWLP_USERDATA, reinterpret_cast<LONG_PTR>(userData));
	ShowWindow(fWindow, SW_SHOW);
	SetForegroundWindow(fWindow);
	SetFocus(fWindow);
	PumpUntil([this] { return HasFocus(); });
}

FocusedWindow::~FocusedWindow()
{
	if (fWindow != nullptr)
		DestroyWindow(fWindow);
	if (fClass != 0)
		UnregisterClassW(reinterpret_cast<LPCWSTR>(static_cast<ULONG_PTR>(fClass)), GetModuleHandleW(nullptr));
}

}  // namespace zeltest
