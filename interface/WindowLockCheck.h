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
//
// Native windows belong to the thread that made them: the window's. The
// operations that change native state do so there and then, and from another
// thread leave it to the window's thread (WindowNative.h, OnWindowThread);
// the few that cannot wait check the thread (CheckWindowThread).
#pragma once

class BWindow;

namespace BPrivate {

// For the operations that only the window's thread can carry out, because
// they act on its native windows at once and cannot wait for a later turn:
// true on that thread, or while the window has no native window. Elsewhere
// the call is reported through the debugger hook with "<operation> must be
// called on the window's thread", and the answer is false: the caller then
// does nothing and answers a status.
bool CheckWindowThread(const BWindow* window, const char* operation);

class WindowLockCheck {
public:
	WindowLockCheck(const BWindow* window, const char* operation);
	~WindowLockCheck();

	WindowLockCheck(const WindowLockCheck&) = delete;
	WindowLockCheck& operator=(const WindowLockCheck&) = delete;
};

}  // namespace BPrivate
