// Control commands and notifications, menu commands, keys and control
// colours, translated the same way for top-level windows and views.
#include "interface/NativeDispatch.h"

#include "interface/Keyboard.h"
#include "interface/NativeWindow.h"
#include "interface/View.h"
#include "interface/ViewNativeWindow.h"
#include "messaging/MessageCodes.h"

#include <commctrl.h>

namespace BPrivate {

namespace {

// Command notifications of native controls.
constexpr WORD kButtonClicked = BN_CLICKED;
constexpr WORD kSelectionChanged = 1;
constexpr WORD kEditChanged = EN_CHANGE;

// Notification codes of native controls.
constexpr int kTabSelectionChanged = TCN_SELCHANGE;
constexpr int kTreeSelectionChanged = TVN_SELCHANGEDW;
constexpr int kClickCode = NM_CLICK;

uint32 CommandWhat(WORD notification)
{
	switch (notification) {
	case kButtonClicked:
		return kNativeButtonClicked;
	case kSelectionChanged:
		return kNativeSelectionChanged;
	case kEditChanged:
		return kNativeChanged;
	default:
		return 0;
	}
}

uint32 NotificationWhat(int code)
{
	if (code == kTabSelectionChanged || code == kTreeSelectionChanged)
		return kNativeSelectionChanged;
	return code == kClickCode ? kNativeClicked : 0;
}

COLORREF ColorRefOf(rgb_color colour)
{
	return RGB(colour.red, colour.green, colour.blue);
}

}  // namespace

BView* ViewOfNativeWindow(HWND handle)
{
	return dynamic_cast<BView*>(HandlerOfNativeWindow(handle));
}

// A menu's or an accelerator's command carries no control window, and its
// notification code (0 or 1) is no sign: a button's click is 0 as well.
bool BuildControlCommand(WPARAM wParam, LPARAM lParam, native_event* event)
{
	HWND control = reinterpret_cast<HWND>(lParam);
	if (control == nullptr)
		return false;
	WORD identifier = LOWORD(wParam);
	if (identifier < kFirstControlId || identifier > kLastControlId)
		return true;
	event->target = control;
	event->message.what = CommandWhat(HIWORD(wParam));
	return true;
}

void BuildMenuCommand(WPARAM wParam, native_event* event)
{
	// A command that cannot say which one it is goes nowhere.
	if (event->message.AddInt32("be:command", LOWORD(wParam)) == kOk)
		event->message.what = kNativeCommand;
}

void BuildNotification(LPARAM lParam, native_event* event)
{
	const NMHDR* header = reinterpret_cast<const NMHDR*>(lParam);
	event->target = header->hwndFrom;
	event->message.what = NotificationWhat(static_cast<int>(header->code));
}

void BuildKey(uint32 what, WPARAM wParam, LPARAM lParam, native_event* event)
{
	if (BuildKeyMessage(&event->message, what, wParam, lParam) != kOk)
		event->message.what = 0;
}

bool AnswerControlColor(UINT message, WPARAM wParam, LPARAM lParam, BView* receiver, LRESULT* result)
{
	HDC dc = reinterpret_cast<HDC>(wParam);
	BView* colours = nullptr;
	switch (message) {
	case WM_CTLCOLORBTN:
		colours = receiver;
		break;
	case WM_CTLCOLOREDIT:
	case WM_CTLCOLORSTATIC:
		colours = ViewOfNativeWindow(reinterpret_cast<HWND>(lParam));
		if (colours != nullptr)
			SetTextColor(dc, ColorRefOf(colours->ForegroundColor()));
		break;
	default:
		return false;
	}
	if (colours == nullptr)
		return false;
	SetBkColor(dc, ColorRefOf(colours->BackgroundColor()));
	*result = reinterpret_cast<LRESULT>(ViewNativeWindow::BackgroundBrushOf(colours));
	return true;
}

}  // namespace BPrivate
