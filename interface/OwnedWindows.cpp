// The owned-window map and its lock.
#include "interface/OwnedWindows.h"

#include "support/Autolock.h"
#include "support/KeyedVector.h"
#include "support/Locker.h"
#include "support/Vector.h"

namespace BPrivate {

namespace {

// Every owner's owned native windows, in the order of their creation.
BKeyedVector<HWND, BVector<HWND>> gOwnedWindows;
BLocker gModals("WinWindow:gModals");

}  // namespace

void AddOwnedWindow(HWND owner, HWND owned)
{
	BAutolock lock(gModals);
	if (!lock.IsLocked())
		return;
	BVector<HWND> list = gOwnedWindows.ValueFor(owner);
	if (list.AddItem(owned) >= 0)
		gOwnedWindows.AddItem(owner, list);
}

void RemoveOwnedWindow(HWND owner, HWND owned)
{
	BAutolock lock(gModals);
	if (!lock.IsLocked())
		return;
	if (BVector<HWND>* list = gOwnedWindows.EditValueFor(owner)) {
		for (int32 i = list->CountItems() - 1; i >= 0; i--) {
			if (list->ItemAt(i) == owned)
				list->RemoveItemsAt(i);
		}
		if (list->CountItems() == 0)
			gOwnedWindows.RemoveItemFor(owner);
	}
}

HWND LastOwnedWindow(HWND owner)
{
	BAutolock lock(gModals);
	if (!lock.IsLocked())
		return nullptr;
	const BVector<HWND>& list = gOwnedWindows.ValueFor(owner);
	return list.CountItems() > 0 ? list.ItemAt(list.CountItems() - 1) : nullptr;
}

}  // namespace BPrivate
