// Native notifications that reach windows and views without becoming messages:
// the native keyboard focus, the lazy filling of popup menus, native scroll
// bars and owner-drawn menu items.
//
// Called by the native window procedures, on the window thread of the native
// window concerned; each locks the looper it touches itself.
#pragma once

#include "support/SupportDefs.h"

#include <windows.h>

class BView;

// Kinds of native focus change.
constexpr int kNativeFocusGained = 7;
constexpr int kNativeFocusLost = 8;

// A view's native window gained or lost the keyboard focus: while the window
// is active the view becomes, or stops being, the window's focus view.
void HandleNativeFocus(BView* view, int kind);

// WM_MENUSELECT: a popup item about to open lets its submenu fill itself.
// 0, or -1 when the item, its data or its submenu is missing.
int HandleMenuSelect(HWND handle, WPARAM wParam, LPARAM lParam);

// WM_HSCROLL and WM_VSCROLL from a scroll bar (lParam): the scroll bar
// handles the notification, then the paints it caused are dispatched. The
// scroll bar's result, 0 without one.
LRESULT HandleNativeScroll(WPARAM wParam, LPARAM lParam);

// WM_MEASUREITEM of an owner-drawn menu item; false for anything else.
bool MeasureMenuItem(LPARAM lParam);
