// The lock check of the mutating operations of views and windows.
#include "interface/WindowLockCheck.h"

#include "interface/Window.h"
#include "interface/WindowNative.h"
#include "kernel/DebuggerHook.h"

#include <cstdio>

namespace BPrivate {

namespace {

// Checks open on this thread: only the outermost reports.
thread_local int tOpenChecks = 0;

}  // namespace

bool CheckWindowThread(const BWindow* window, const char* operation)
{
	if (OnWindowThread(window))
		return true;
	char text[96];
	snprintf(text, sizeof(text), "%s must be called on the window's thread", operation);
	DebuggerHook(text);
	return false;
}

WindowLockCheck::WindowLockCheck(const BWindow* window, const char* operation)
{
	if (tOpenChecks++ > 0 || window == nullptr || window->IsLocked())
		return;
	char text[96];
	snprintf(text, sizeof(text), "Owning Window must be locked before calling %s", operation);
	DebuggerHook(text);
}

WindowLockCheck::~WindowLockCheck()
{
	tOpenChecks--;
}

}  // namespace BPrivate
