// The foreground hook on WH_CALLWNDPROC.
#include "kernel/ForegroundHook.h"

#include "kernel/ProcessSlots.h"
#include "kernel/ThreadRecord.h"

namespace {

// A pop-up with a caption or a sizing frame looks like a window of its own.
constexpr LONG kFramedPopupBits = WS_CAPTION | WS_THICKFRAME;
// Windows that must not take the foreground from the one the user works in.
constexpr LONG kStaysBehindBits = WS_EX_NOACTIVATE | WS_EX_TOOLWINDOW | WS_EX_TOPMOST;

LRESULT CALLBACK ForegroundHookProc(int code, WPARAM wParam, LPARAM lParam)
{
	if (code == HC_ACTION) {
		const CWPSTRUCT* call = reinterpret_cast<const CWPSTRUCT*>(lParam);
		// wParam 1: being shown; lParam 0: by a direct show call, not a parent or restore.
		if (call->message == WM_SHOWWINDOW && call->wParam == 1 && call->lParam == 0) {
			LONG style = GetWindowLongW(call->hwnd, GWL_STYLE);
			LONG extendedStyle = GetWindowLongW(call->hwnd, GWL_EXSTYLE);
			if (BPrivate::ComesToFrontWhenShown(style, extendedStyle))
				SetForegroundWindow(call->hwnd);
		}
	}
	return CallNextHookEx(nullptr, code, wParam, lParam);
}

}  // namespace

namespace BPrivate {

bool ComesToFrontWhenShown(LONG style, LONG extendedStyle)
{
	const LONG popup = static_cast<LONG>(WS_POPUP);
	bool topLevel = (style & (WS_CHILD | popup)) == 0;
	bool framedPopup = (style & popup) != 0 && (style & kFramedPopupBits) != 0;
	return (topLevel || framedPopup) && (extendedStyle & kStaysBehindBits) == 0;
}

void InstallForegroundHook(ThreadRecord* record)
{
	if (record->fHookInstalled)
		return;
	// Hooks of a thread end with the thread, so the hook handle is not kept.
	if (SetWindowsHookExW(WH_CALLWNDPROC, ForegroundHookProc, ProcessModuleHandle(),
			record->fThreadId) != nullptr)
		record->fHookInstalled = true;
}

}  // namespace BPrivate
