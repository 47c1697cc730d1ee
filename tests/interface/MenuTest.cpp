// Menus on native menus: the popup of a submenu belongs to the menu it is
// inserted in, and goes at once when it cannot be inserted.
#include "interface/Menu.h"

#include <gtest/gtest.h>

#include <windows.h>

namespace {

// A menu whose items go into a native menu the test gives.
class ItemsMenu : public BMenu {
public:
	ItemsMenu() : BMenu(BString("items")) {}
	bool AppendTo(HMENU menu) { return AppendItems(menu, BMessenger()); }
};

HMENU PopupAt(HMENU menu, UINT position)
{
	MENUITEMINFOW info = {};
	info.cbSize = sizeof(info);
	info.fMask = MIIM_SUBMENU;
	return GetMenuItemInfoW(menu, position, TRUE, &info) ? info.hSubMenu : nullptr;
}

TEST(MenuTest, ASubmenusPopupGoesWithItsMenuOrAtOnceWhenItCannotBeInserted)
{
	for (bool insertable : {true, false}) {
		SCOPED_TRACE(insertable ? "inserted" : "not inserted");
		ItemsMenu menu;
		BMenu* submenu = new BMenu(BString("more"));
		ASSERT_TRUE(menu.AddItem(new BMenuItem(BString("More"), nullptr, submenu)));
		HMENU native = CreateMenu();
		ASSERT_NE(native, nullptr);
		// A menu that went can take no item.
		if (!insertable) {
			ASSERT_TRUE(DestroyMenu(native));
		}

		EXPECT_EQ(menu.AppendTo(native), insertable);
		if (!insertable) {
			EXPECT_EQ(submenu->NativeMenu(), nullptr);
			continue;
		}
		HMENU popup = submenu->NativeMenu();
		ASSERT_TRUE(IsMenu(popup));
		EXPECT_EQ(PopupAt(native, 0), popup);
		EXPECT_EQ(submenu->FillState(), kMenuNotFilled);
		ASSERT_TRUE(DestroyMenu(native));
		EXPECT_FALSE(IsMenu(popup));
	}
}

}  // namespace
