// The translations that the top-level window procedure and the views' window
// procedure share: control commands and notifications, menu and accelerator
// commands, keys, and the colours native controls ask their parent for.
//
// A native control sits under a view's native window or directly under the
// window's own; either parent turns what the control reports into the same
// framework message for the control's view. Private to the interface layer;
// called on the window thread of the native window concerned.
#pragma once

#include "messaging/Message.h"

#include <windows.h>

class BView;

namespace BPrivate {

// Identifiers of native controls: their commands go to the control's view.
constexpr WORD kFirstControlId = 500;
constexpr WORD kLastControlId = 799;

// A framework message built from a native message, and the native window
// whose window or view receives it. A what code of 0 means nothing to deliver.
struct native_event {
	explicit native_event(HWND handle) : target(handle) {}

	BMessage message;
	HWND target;
};

// The view whose native window `handle` is, or null.
BView* ViewOfNativeWindow(HWND handle);

// WM_COMMAND from a native control (lParam): true when it came from one. A
// framework control's click, selection change or edit change becomes 'BVBC',
// 'BSCh' or 'BChg' for the control; other notifications become nothing.
bool BuildControlCommand(WPARAM wParam, LPARAM lParam, native_event* event);
// WM_COMMAND from a menu or an accelerator: 'BWnC' with its identifier in
// "be:command", for the receiving window.
void BuildMenuCommand(WPARAM wParam, native_event* event);
// WM_NOTIFY: the notifying control's selection change or click.
void BuildNotification(LPARAM lParam, native_event* event);
// WM_KEYDOWN and WM_KEYUP (`what` kKeyDown or kKeyUp); nothing for a key
// without a character code.
void BuildKey(uint32 what, WPARAM wParam, LPARAM lParam, native_event* event);

// WM_CTLCOLORBTN, WM_CTLCOLOREDIT and WM_CTLCOLORSTATIC: a button is painted
// on the background of `receiver`, the view whose native window is its
// parent; an edit or static control in its own view's colours. False when the
// message is none of these or no view gives the colours; `*result` is then
// left alone.
bool AnswerControlColor(UINT message, WPARAM wParam, LPARAM lParam, BView* receiver, LRESULT* result);

}  // namespace BPrivate
