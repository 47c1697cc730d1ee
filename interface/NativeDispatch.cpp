// The lookup of a native window's handler, the delivery of native events,
// and the translations the top-level and view procedures share.
#include "interface/NativeDispatch.h"

#include "interface/Keyboard.h"
#include "interface/Menu.h"
#include "interface/NativeWindow.h"
#include "interface/Render.h"
#include "interface/ScrollBar.h"
#include "interface/View.h"
#include "interface/ViewNativeWindow.h"
#include "interface/ViewPaint.h"
#include "interface/Window.h"
#include "messaging/Looper.h"
#include "messaging/MessageCodes.h"

#include <commctrl.h>

#include <new>

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

BHandler* HandlerOfNativeWindow(HWND handle)
{
	if (handle == nullptr)
		return nullptr;
	LONG_PTR procedure = GetWindowLongPtrW(handle, GWLP_WNDPROC);
	if (procedure != reinterpret_cast<LONG_PTR>(TopLevelWindowProc) &&
		procedure != reinterpret_cast<LONG_PTR>(ViewNativeWindow::ViewWindowProc))
		return nullptr;
	return reinterpret_cast<BHandler*>(GetWindowLongPtrW(handle, GWLP_USERDATA));
}

BView* ViewOfNativeWindow(HWND handle)
{
	return dynamic_cast<BView*>(HandlerOfNativeWindow(handle));
}

BWindow* WindowOfNativeWindow(HWND handle)
{
	return dynamic_cast<BWindow*>(HandlerOfNativeWindow(handle));
}

// --- delivery ---

NativeDelivery::NativeDelivery(BLooper* looper)
	: fLooper(looper), fWindow(dynamic_cast<BWindow*>(looper)), fLock(looper)
{
}

NativeDelivery::~NativeDelivery()
{
	if (!fLock.IsLocked())
		return;
	if (fOpen && fWindow != nullptr)
		fWindow->ApplyPendingFrame();
	fLock.Unlock();
	fLooper->RunUnlockedWork();
}

bool NativeDelivery::Reach(BHandler* handler)
{
	fOpen = false;
	fHandler = handler;
	if (!fLock.IsLocked() || handler == nullptr || handler->Looper() != fLooper)
		return false;
	fValidity = handler->Validity();
	fOpen = fValidity != nullptr && fValidity->IsValid();
	return fOpen;
}

BLooper* NativeDelivery::LooperFor(HWND handle)
{
	if (BWindow* window = BWindow::ThreadWindow())
		return window;
	BHandler* handler = HandlerOfNativeWindow(handle);
	return handler != nullptr ? handler->Looper() : nullptr;
}

void NativeDelivery::RunDueWork(BLooper* looper, bigtime_t when)
{
	if (looper == nullptr)
		return;
	// A quit among the messages ends the loop at its next look; the event is
	// still delivered.
	bool quit = false;
	looper->DispatchDueWork(when, &quit);
}

void NativeDelivery::Dispatch(const BMessage& message)
{
	Dispatch(std::unique_ptr<BMessage>(new (std::nothrow) BMessage(message)));
}

bool NativeDelivery::StillReaches() const
{
	return fOpen && fValidity->IsValid() && fHandler->Looper() == fLooper;
}

void NativeDelivery::Dispatch(std::unique_ptr<BMessage> message)
{
	if (message == nullptr || !StillReaches())
		return;
	fLooper->DispatchOne(message.release(), fHandler, kNoToken, false);
}

// --- translations ---

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

int HandleMenuSelect(HWND handle, WPARAM wParam, LPARAM lParam)
{
	HMENU menu = reinterpret_cast<HMENU>(lParam);
	if ((HIWORD(wParam) & MF_POPUP) == 0 || menu == nullptr)
		return 0;
	NativeDelivery delivery(NativeDelivery::LooperFor(handle));
	if (!delivery.Reach(HandlerOfNativeWindow(handle)))
		return 0;
	MENUITEMINFOW info = {};
	info.cbSize = sizeof(info);
	info.fMask = MIIM_FTYPE | MIIM_DATA;
	if (!GetMenuItemInfoW(menu, LOWORD(wParam), TRUE, &info) || info.dwItemData == 0)
		return -1;
	BMenu* submenu = reinterpret_cast<BMenuItem*>(info.dwItemData)->Submenu();
	if (submenu == nullptr)
		return -1;
	if (submenu->FillState() == kMenuFillFailed)
		return 0;
	bool filled = submenu->Fill(submenu->FillState() == kMenuFilled);
	submenu->SetFillState(filled ? kMenuFilled : kMenuFillFailed);
	return 0;
}

LRESULT HandleNativeScroll(WPARAM wParam, LPARAM lParam)
{
	HWND control = reinterpret_cast<HWND>(lParam);
	LRESULT result = 0;
	{
		NativeDelivery delivery(NativeDelivery::LooperFor(control));
		BScrollBar* bar = dynamic_cast<BScrollBar*>(HandlerOfNativeWindow(control));
		if (!delivery.Reach(bar))
			return 0;
		result = bar->HandleNativeScroll(wParam);
	}
	DispatchPendingPaints();
	return result;
}

}  // namespace BPrivate
