// The lock check of the mutating operations of views and windows.
#include "interface/WindowLockCheck.h"

#include "interface/Window.h"
#include "kernel/DebuggerHook.h"

#include <cstdio>

namespace BPrivate {

namespace {

// Checks open on this thread: only the outermost reports.
thread_local int tOpenChecks = 0;

}  // namespace

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
