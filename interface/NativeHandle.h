// The native window of a view or of a window, for the few callers that must
// talk to the platform about it: native controls, drag and drop, and tests
// that drive real input. Everything else goes through the framework's own
// operations. Null before the native window is made and after it goes.
#pragma once

#include "interface/WinTypes.h"

class BView;
class BWindow;

namespace BPrivate {

HWND NativeHandleOf(const BView* view);
HWND NativeHandleOf(const BWindow* window);

}  // namespace BPrivate
