// Native focus and menu measuring notifications.
#include "interface/NativeNotifications.h"

#include "interface/Menu.h"
#include "interface/View.h"
#include "interface/Window.h"
#include "interface/WindowNative.h"
#include "support/Autolock.h"

#include <windows.h>

namespace {

// The window follows a native focus change for the scope's length:
// SetFocused must not move the native focus back while it follows the
// platform's own change. A change the platform makes while another is
// followed (a hook moved the focus) leaves the outer one followed when it
// ends.
class FollowedFocusChange {
public:
	explicit FollowedFocusChange(BWindow* window)
		: fWindow(window), fOuterFollowed(BPrivate::WindowNative::IsHandlingNativeFocus(window))
	{
		BPrivate::WindowNative::SetHandlingNativeFocus(window, true);
	}
	~FollowedFocusChange() { BPrivate::WindowNative::SetHandlingNativeFocus(fWindow, fOuterFollowed); }

	FollowedFocusChange(const FollowedFocusChange&) = delete;
	FollowedFocusChange& operator=(const FollowedFocusChange&) = delete;

private:
	BWindow* fWindow;
	bool fOuterFollowed;
};

}  // namespace

void HandleNativeFocus(BView* view, NativeFocus change)
{
	BWindow* window = view->Window();
	BAutolock lock(window);
	if (!lock.IsLocked() || !window->IsActive())
		return;
	FollowedFocusChange following(window);
	if (change == NativeFocus::kGained && !view->IsFocus())
		view->SetFocused(true);
	else if (change == NativeFocus::kLost && view->IsFocus())
		view->SetFocused(false);
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
