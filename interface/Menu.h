// BMenuItem, BMenu and BMenuBar: as much of menus as the native window layer
// calls. A menu bar builds the native menu of its window; an item carries a
// command identifier by which a native command finds it, and a message it
// posts to its window when invoked; a submenu fills its native popup when it
// is about to open; an owner-drawn item measures itself.
//
// Menus are built and used on their window's thread, with the window locked.
#pragma once

#include "messaging/Messenger.h"
#include "support/List.h"
#include "support/String.h"

#include <windows.h>

class BMenu;
class BMessage;
class BWindow;

class BMenuItem {
public:
	// Takes `message` and `submenu`; either may be null.
	BMenuItem(const BString& label, BMessage* message, BMenu* submenu = nullptr);
	virtual ~BMenuItem();

	BMenuItem(const BMenuItem&) = delete;
	BMenuItem& operator=(const BMenuItem&) = delete;

	// Sends a copy of the message to the item's window: the send's status, or
	// kBadValue without a message.
	[[nodiscard]] virtual status_t Invoke();
	// The size of the item when it is drawn by its owner: its label in the
	// platform's menu font.
	virtual void Measure(float* width, float* height) const;

	const BString& Label() const { return fLabel; }
	BMenu* Submenu() const { return fSubmenu; }
	// Unique in the process; the native menu reports it with WM_COMMAND.
	uint32 Command() const { return fCommand; }
	void SetTarget(const BMessenger& target) { fTarget = target; }

private:
	BString fLabel;
	BMessage* fMessage;
	BMenu* fSubmenu;
	uint32 fCommand;
	BMessenger fTarget;
};

// The fill states of a submenu.
constexpr int32 kMenuNotFilled = 0;
constexpr int32 kMenuFilled = 1;
constexpr int32 kMenuFillFailed = 2;

class BMenu {
public:
	explicit BMenu(const BString& name);
	// Deletes the items; the native menu goes with the window it was built for.
	virtual ~BMenu();

	BMenu(const BMenu&) = delete;
	BMenu& operator=(const BMenu&) = delete;

	// Takes the item; false when memory ran out (the item is then deleted).
	bool AddItem(BMenuItem* item);
	int32 CountItems() const { return fItems.CountItems(); }
	BMenuItem* ItemAt(int32 index) const { return static_cast<BMenuItem*>(fItems.ItemAt(index)); }
	const BString& Name() const { return fName; }

	// Puts the items into the native popup, which is about to open; told
	// whether it was filled before. False when it could not be filled.
	virtual bool Fill(bool filledBefore);
	int32 FillState() const { return fFillState; }
	void SetFillState(int32 state) { fFillState = state; }
	HMENU NativeMenu() const { return fNative; }

protected:
	// Appends every item to `menu`: its command, the item as its data, and a
	// native popup of its own for a submenu. Items post to `target`.
	bool AppendItems(HMENU menu, const BMessenger& target);

	HMENU fNative = nullptr;

private:
	BString fName;
	BList fItems;
	int32 fFillState = kMenuNotFilled;
	BMessenger fTarget;
};

class BMenuBar : public BMenu {
public:
	explicit BMenuBar(const BString& name) : BMenu(name) {}

	// The window's native menu bar, items posting to the window; null on
	// failure. The native menu then belongs to the window's native window.
	HMENU BuildNativeMenu(BWindow* window);
};
