// WindowLockCheck: the check that a caller of a mutating operation of a view
// or a window holds the window's lock.
//
// A window's views and its own state are used on the window's thread, or by
// a thread that holds the window's lock. A mutating operation opens a check
// for its length: when the window exists and the caller does not hold its
// lock, the call is reported once through the debugger hook with the fixed
// text "Owning Window must be locked before calling " and the operation's
// name; calls that operation makes in turn are not reported again. The
// operation then goes on, as a looper's operations do after reporting misuse.
// A view without a window belongs to its maker and is not checked.
#pragma once

class BWindow;

namespace BPrivate {

class WindowLockCheck {
public:
	WindowLockCheck(const BWindow* window, const char* operation);
	~WindowLockCheck();

	WindowLockCheck(const WindowLockCheck&) = delete;
	WindowLockCheck& operator=(const WindowLockCheck&) = delete;
};

}  // namespace BPrivate
