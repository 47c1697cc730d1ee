// WinApplicationWindow: the application's hidden top-level window.
//
// The application object makes one as it starts: a never-shown window of the
// class "Zel Main Window", named in the process slot (kernel/ProcessSlots.h)
// while it lives. The platform lets only the thread that made a native window
// destroy it, so Destroy on any other thread keeps the window for a later
// try, which the destructor makes. Used by the application object only.
#pragma once

class WinApplicationWindow {
public:
	WinApplicationWindow() = default;
	~WinApplicationWindow();

	WinApplicationWindow(const WinApplicationWindow&) = delete;
	WinApplicationWindow& operator=(const WinApplicationWindow&) = delete;

	// Registers the class (once per process: a class left by an earlier
	// application is the same class) and makes the window on the calling
	// thread. False when either fails; the slot then names no window.
	bool Create();
	// True once no window is left. The slot is cleared only while it still
	// names this window, since a later application keeps its own there.
	bool Destroy();
	bool Exists() const { return fWindow != nullptr; }

private:
	// The HWND; the header stays free of the platform's.
	void* fWindow = nullptr;
};
