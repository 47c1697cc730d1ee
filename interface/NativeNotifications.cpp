// Native focus, menu selection, scroll bar and menu measuring notifications.
#include "interface/NativeNotifications.h"

#include "interface/Menu.h"
#include "interface/NativeWindow.h"
#include "interface/Render.h"
#include "interface/ScrollBar.h"
#include "interface/View.h"
#include "interface/Window.h"

#include <windows.h>

void HandleNativeFocus(BView* view, int kind)
{
	BWindow* window = view->Window();
	if (window == nullptr || !window->Lock())
		return;
	if (window->IsActive()) {
		// SetFocused must not move the native focus back while it follows
		// the platform's own change.
		window->SetHandlingNativeFocus(true);
		if (kind == kNativeFocusGained && !view->IsFocus())
			view->SetFocused(true);
		else if (kind == kNativeFocusLost && view->IsFocus())
			view->SetFocused(false);
		window->SetHandlingNativeFocus(false);
	}
	window->Unlock();
}

int HandleMenuSelect(HWND handle, WPARAM wParam, LPARAM lParam)
{
	HMENU menu = reinterpret_cast<HMENU>(lParam);
	if ((HIWORD(wParam) & MF_POPUP) == 0 || menu == nullptr)
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
	BHandler* handler = HandlerOfNativeWindow(handle);
	BLooper* looper = handler != nullptr ? handler->Looper() : nullptr;
	if (looper == nullptr || !looper->Lock())
		return 0;
	bool filled = submenu->Fill(submenu->FillState() == kMenuFilled);
	submenu->SetFillState(filled ? kMenuFilled : kMenuFillFailed);
	looper->Unlock();
	return 0;
}

LRESULT HandleNativeScroll(WPARAM wParam, LPARAM lParam)
{
	BScrollBar* bar = dynamic_cast<BScrollBar*>(HandlerOfNativeWindow(reinterpret_cast<HWND>(lParam)));
	if (bar == nullptr)
		return 0;
	BLooper* looper = bar->Looper();
	if (looper == nullptr || !looper->Lock())
		return 0;
	LRESULT result = bar->HandleNativeScroll(wParam);
	looper->Unlock();
	DispatchPendingPaints();
	return result;
}

bool MeasureMenuItem(LPARAM lParam)
{
	MEASUREITEMSTRUCT* measure = reinterpret_cast<MEASUREITEMSTRUCT*>(lParam);
	if (measure == nullptr || measure->CtlType != ODT_MENU || measure->itemData == 0)
		return false;
	float width = 0.0f;
	float height = 0.0f;
	reinterpret_cast<BMenuItem*>(measure->itemData)->Measure(&width, &height);
	measure->itemWidth = static_cast<UINT>(width);
	measure->itemHeight = static_cast<UINT>(height);
	return true;
}
