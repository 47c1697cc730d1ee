// Native notifications that reach views without becoming messages: the native
// keyboard focus and owner-drawn menu items.
//
// Called by the native window procedures, on the window thread of the native
// window concerned; each locks the looper it touches itself.
#pragma once

#include "support/SupportDefs.h"

#include <windows.h>

class BView;

// Which way the native keyboard focus went.
enum class NativeFocus { kGained, kLost };

// A view's native window gained or lost the keyboard focus: while the window
// is active the view becomes, or stops being, the window's focus view.
void HandleNativeFocus(BView* view, NativeFocus change);

// WM_MEASUREITEM of an owner-drawn menu item; false for anything else.
bool MeasureMenuItem(LPARAM lParam);
