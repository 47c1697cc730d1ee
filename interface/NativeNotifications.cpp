// Native focus and menu measuring notifications.
#include "interface/NativeNotifications.h"

#include "interface/Menu.h"
#include "interface/View.h"
#include "interface/Window.h"
#include "interface/WindowNative.h"
#include "support/Autolock.h"

#include <windows.h>

void HandleNativeFocus(BView* view, NativeFocus change)
{
	BWindow* window = view->Window();
	BAutolock lock(window);
	if (!lock.IsLocked())
		return;
	if (window->IsActive()) {
		// SetFocused must not move the native focus back while it follows
		// the platform's own change.
		BPrivate::WindowNative::SetHandlingNativeFocus(window, true);
		if (change == NativeFocus::kGained && !view->IsFocus())
			view->SetFocused(true);
		else if (change == NativeFocus::kLost && view->IsFocus())
			view->SetFocused(false);
		BPrivate::WindowNative::SetHandlingNativeFocus(window, false);
	}
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
