// The owned-window map: for each native window, the native windows it owns,
// in the order of their creation. It is the means by which modal windows block
// their owner: a window that owns native windows hands its activation to the
// last of them.
//
// Guarded by the process-wide lock "WinWindow:gModals", a leaf lock held for
// a few lines only; any thread. Private to the interface layer.
#pragma once

#include <windows.h>

namespace BPrivate {

// A new native window `owned` of `owner`, after those it already owns. A
// window that cannot be noted (no memory) is simply not tracked as owned.
void AddOwnedWindow(HWND owner, HWND owned);
void RemoveOwnedWindow(HWND owner, HWND owned);
// The last native window `owner` owns, or null.
HWND LastOwnedWindow(HWND owner);

}  // namespace BPrivate
