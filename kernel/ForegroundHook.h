// The foreground hook: brings a top-level window of the program to the front
// when it is shown, so that a window opened by a looper thread is not left
// behind the windows of other programs.
//
// The hook watches the window messages sent on one thread; it is installed
// per thread, at thread start and on entry to the thread loop.
#pragma once

#include <windows.h>

struct ThreadRecord;

namespace BPrivate {

// Installs the hook for the record's thread, the calling thread, unless it is
// installed already.
void InstallForegroundHook(ThreadRecord* record);

// Whether a window with these styles comes to the front when shown: a plain
// top-level window, or a pop-up with a caption or sizing border; never a
// window that does not activate, a tool window or a topmost window.
bool ComesToFrontWhenShown(LONG style, LONG extendedStyle);

}  // namespace BPrivate
