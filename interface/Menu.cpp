// Menus: native menu building, item invocation and measuring.
#include "interface/Menu.h"

#include "interface/WinGdi.h"
#include "interface/Window.h"
#include "messaging/Message.h"

#include <atomic>

namespace {

// Command identifiers of menu items start above those of native controls
// (500..799), so that a native command is never taken for a control's.
std::atomic<uint32> gNextCommand{1000};

}  // namespace

BMenuItem::BMenuItem(const BString& label, BMessage* message, BMenu* submenu)
	: fLabel(label),
	  fMessage(message),
	  fSubmenu(submenu),
	  fCommand(gNextCommand.fetch_add(1, std::memory_order_relaxed))
{
}

BMenuItem::~BMenuItem()
{
	delete fMessage;
	delete fSubmenu;
}

status_t BMenuItem::Invoke()
{
	if (fMessage == nullptr)
		return kBadValue;
	return fTarget.Send(fMessage);
}

void BMenuItem::Measure(float* width, float* height) const
{
	*width = 0.0f;
	*height = 0.0f;
	NONCLIENTMETRICSW metrics = {};
	metrics.cbSize = sizeof(metrics);
	if (!SystemParametersInfoW(SPI_GETNONCLIENTMETRICS, sizeof(metrics), &metrics, 0))
		return;
	WinWindowDC screen(nullptr);
	WinGdiObject<HFONT> font(CreateFontIndirectW(&metrics.lfMenuFont));
	if (!screen || !font)
		return;
	WinSelection selection(screen.Get(), font.Get());
	SIZE size;
	if (GetTextExtentPoint32W(screen.Get(), fLabel.Chars(), fLabel.Length(), &size)) {
		*width = static_cast<float>(size.cx);
		*height = static_cast<float>(size.cy);
	}
}

BMenu::BMenu(const BString& name) : fName(name), fItems(10) {}

BMenu::~BMenu()
{
	for (int32 i = 0; i < fItems.CountItems(); i++)
		delete static_cast<BMenuItem*>(fItems.ItemAtFast(i));
}

bool BMenu::AddItem(BMenuItem* item)
{
	if (item == nullptr)
		return false;
	if (!fItems.AddItem(item)) {
		delete item;
		return false;
	}
	return true;
}

bool BMenu::Fill(bool filledBefore)
{
	if (fNative == nullptr)
		return false;
	if (filledBefore) {
		while (GetMenuItemCount(fNative) > 0)
			DeleteMenu(fNative, 0, MF_BYPOSITION);
	}
	return AppendItems(fNative, fTarget);
}

bool BMenu::AppendItems(HMENU menu, const BMessenger& target)
{
	for (int32 i = 0; i < CountItems(); i++) {
		BMenuItem* item = ItemAt(i);
		item->SetTarget(target);
		MENUITEMINFOW info = {};
		info.cbSize = sizeof(info);
		info.fMask = MIIM_ID | MIIM_DATA | MIIM_STRING | MIIM_FTYPE;
		info.fType = MFT_STRING;
		info.wID = item->Command();
		info.dwItemData = reinterpret_cast<ULONG_PTR>(item);
		info.dwTypeData = const_cast<wchar_t*>(item->Label().Chars() != nullptr ? item->Label().Chars() : L"");
		BMenu* submenu = item->Submenu();
		// A submenu's popup is filled when it is about to open.
		WinMenu popup(submenu != nullptr ? CreatePopupMenu() : nullptr);
		if (popup) {
			info.fMask |= MIIM_SUBMENU;
			info.hSubMenu = popup.Get();
		}
		bool inserted = InsertMenuItemW(menu, static_cast<UINT>(GetMenuItemCount(menu)), TRUE, &info) != FALSE;
		if (submenu != nullptr) {
			// Once inserted the popup goes with the menu it is in; one that
			// could not be inserted goes now.
			submenu->fNative = inserted ? popup.Release() : nullptr;
			submenu->fTarget = target;
			submenu->fFillState = kMenuNotFilled;
		}
		if (!inserted)
			return false;
	}
	return true;
}

HMENU BMenuBar::BuildNativeMenu(BWindow* window)
{
	fNative = nullptr;
	WinMenu menu(CreateMenu());
	// A menu bar that cannot hold every item goes, with the popups it took.
	if (menu && AppendItems(menu.Get(), BMessenger(window, window)))
		fNative = menu.Release();
	return fNative;
}
