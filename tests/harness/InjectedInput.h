// Real input for window tests: keys, the wheel, the pointer and its button go through
// SendInput into the system's input queue, so the key state the window's thread
// reads (GetKeyState) and the key data of its messages are the system's own.
//
// Tests share one display and its keyboard: a test that presses keys ends with
// ReleaseInjectedKeys, which lets go of every key it still holds and turns the
// lock keys off, even when the test failed half-way.
#pragma once

#include <windows.h>

namespace zeltest {

// A key as the keyboard reports it: the virtual key, its scan code (the
// layout's own when 0) and whether it is one of the extended keys.
struct KeyStroke {
	WORD vk;
	WORD scan = 0;
	bool extended = false;
};

void PressKey(const KeyStroke& key);
void ReleaseKey(const KeyStroke& key);
// Press and release.
void TapKey(const KeyStroke& key);
// Wheel notches: positive away from the user, as the platform counts them.
void TurnWheel(int units);
// Moves the pointer to a point on the screen.
void MovePointer(POINT screen);
// Moves the pointer there and clicks the primary button, as a person does.
void ClickAt(POINT screen);
// The left mouse button, where the pointer is.
void PressLeftButton();
void ReleaseLeftButton();

// Lets go of every key pressed through PressKey and of the left button when
// they are still held, and turns caps lock, num lock and scroll lock off.
void ReleaseInjectedKeys();

// Dispatches the calling thread's messages until `done` answers true or the
// deadline passes; true when `done` did.
template <typename Predicate>
bool PumpUntil(Predicate done, DWORD deadlineMillis = 3000)
{
	DWORD start = GetTickCount();
	for (;;) {
		MSG message;
		while (PeekMessageW(&message, nullptr, 0, 0, PM_REMOVE)) {
			TranslateMessage(&message);
			DispatchMessageW(&message);
		}
		if (done())
			return true;
		DWORD elapsed = GetTickCount() - start;
		if (elapsed >= deadlineMillis)
			return false;
		MsgWaitForMultipleObjects(0, nullptr, FALSE, deadlineMillis - elapsed, QS_ALLINPUT);
	}
}

// A plain top-level window of the test's own at (x, y), shown, brought to the
// front and given the keyboard focus. Destroyed with the object. Without a
// window manager, Wine waits two seconds for a focused window to be withdrawn,
// so tests share one such window where they can.
class FocusedWindow {
public:
	FocusedWindow(WNDPROC procedure, void* userData, int x = 100, int y = 100, int width = 200, int height = 120);
	~FocusedWindow();

	FocusedWindow(const FocusedWindow&) = delete;
	FocusedWindow& operator=(const FocusedWindow&) = delete;

	HWND Handle() const { return fWindow; }
	// True once the window has the focus.
	bool HasFocus() const { return GetFocus() == fWindow; }

private:
	HWND fWindow = nullptr;
	ATOM fClass = 0;
};

}  // namespace zeltest
