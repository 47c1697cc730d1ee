// A pass-through WH_CALLWNDPROC hook for a baseline's thread: it does with
// every sent message what the framework's foreground hook does with one that
// shows no window (looks at it, reads nothing, passes it on), so that the
// baseline pays what the platform charges a hooked thread (under Wine, each
// message sent to such a thread costs the hook chain's round trips to the
// wine server) and the comparison shows what the framework itself adds.
#pragma once
#include <windows.h>

namespace BenchHook {

inline LRESULT CALLBACK PassOn(int code, WPARAM wParam, LPARAM lParam)
{
	if (code == HC_ACTION) {
		const CWPSTRUCT* call = reinterpret_cast<const CWPSTRUCT*>(lParam);
		if (call->message == WM_SHOWWINDOW && call->wParam == 1 && call->lParam == 0)
			(void)GetWindowLongW(call->hwnd, GWL_STYLE);  // the framework's hook reads the style here
	}
	return CallNextHookEx(nullptr, code, wParam, lParam);
}

}  // namespace BenchHook

// Hooks the calling thread until the owner goes.
class BenchThreadHook {
public:
	BenchThreadHook()
		: fHook(SetWindowsHookExW(WH_CALLWNDPROC, BenchHook::PassOn, nullptr, GetCurrentThreadId()))
	{
	}
	~BenchThreadHook()
	{
		if (fHook != nullptr)
			UnhookWindowsHookEx(fHook);
	}
	BenchThreadHook(const BenchThreadHook&) = delete;
	BenchThreadHook& operator=(const BenchThreadHook&) = delete;

	bool Installed() const { return fHook != nullptr; }

private:
	HHOOK fHook;
};
