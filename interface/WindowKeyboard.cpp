// BWindow: the keyboard. Keys reach the window's and the focus view's hooks,
// Control with a key runs the window's shortcuts, and Tab moves the focus
// through the navigable views. All of it runs on the window's thread with the
// window locked.
#include "interface/Window.h"

#include "interface/Keyboard.h"
#include "interface/Menu.h"
#include "interface/View.h"
#include "interface/WindowLockCheck.h"
#include "messaging/Application.h"
#include "messaging/Message.h"
#include "messaging/MessageCodes.h"
#include "messaging/Messenger.h"

#include <new>

namespace {

// The modifiers keys and shortcuts are told apart by: shift, control, alt and
// the menu key, without left and right.
constexpr uint32 kShortcutModifiers = kShiftKey | kControlKey | kAltKey | kMenuKey;
constexpr int32 kQuitKey = 'q';
constexpr int32 kKeyLimit = 256;

int32 LowerCase(int32 key)
{
	return key >= 'A' && key <= 'Z' ? key + ('a' - 'A') : key;
}

}  // namespace

struct BWindow::shortcut_entry {
	int32 key;
	uint32 modifiers;
	// The message goes without an explicit handler: the preferred handler takes it.
	bool preferredTarget;
	BHandler* target;
	BMenuItem* item;
	uint32 what;
};

// --- shortcuts ---

status_t BWindow::AddShortcut(uint32 key, uint32 modifiers, uint32 what, BHandler* target)
{
	BPrivate::WindowLockCheck check(this, "AddShortcut");
	shortcut_entry* entry = new (std::nothrow) shortcut_entry{LowerCase(static_cast<int32>(key)),
		modifiers & kShortcutModifiers, target == nullptr, target, nullptr, what};
	if (entry == nullptr || !fShortcuts.AddItem(entry)) {
		delete entry;
		return kNoMemory;
	}
	return kOk;
}

status_t BWindow::AddShortcut(uint32 key, uint32 modifiers, BMenuItem* item)
{
	BPrivate::WindowLockCheck check(this, "AddShortcut");
	shortcut_entry* entry = new (std::nothrow)
		shortcut_entry{LowerCase(static_cast<int32>(key)), modifiers & kShortcutModifiers, false, nullptr, item, 0};
	if (entry == nullptr || !fShortcuts.AddItem(entry)) {
		delete entry;
		return kNoMemory;
	}
	return kOk;
}

void BWindow::DeleteShortcuts()
{
	for (int32 i = 0; i < fShortcuts.CountItems(); i++)
		delete static_cast<shortcut_entry*>(fShortcuts.ItemAtFast(i));
	fShortcuts.MakeEmpty();
}

// --- keys ---

void BWindow::HandleKey(BMessage* message, BHandler* target)
{
	int32 key = 0;
	if (message->GetInt32("be:key", &key) != kOk)
		return;
	int32 modifiers = 0;
	message->GetInt32("modifiers", &modifiers);
	uint32 masked = static_cast<uint32>(modifiers) & kShortcutModifiers;
	bool down = message->what == kKeyDown;
	if (down && (masked & kControlKey) != 0) {
		HandleShortcutKey(message, static_cast<uint32>(key), masked);
		return;
	}
	if (key < 0 || key >= kKeyLimit)
		return;
	char bytes[2] = {static_cast<char>(key), 0};
	if (down ? OnKeyDown(bytes, 1) : OnKeyUp(bytes, 1))
		return;
	if (BView* view = dynamic_cast<BView*>(target)) {
		if (down)
			view->OnKeyDown(bytes, 1);
		else
			view->OnKeyUp(bytes, 1);
		return;
	}
	if (down && key == kTabKey)
		NavigateByTab(masked);
}

void BWindow::HandleShortcutKey(BMessage* message, uint32 key, uint32 modifiers)
{
	int32 repeat = 0;
	message->GetInt32("be:key_repeat", &repeat);
	// An auto-repeated shortcut acts on every second repeat.
	if (repeat % 2 == 1)
		return;
	fShortcutRepeat = repeat;
	if (key == kQuitKey && modifiers == kControlKey && (fFeel < kOwnedFeel || fFeel > kLastModalFeel)) {
		BMessage quit(kQuitRequested);
		// The application may be going; then nobody is asked.
		if (quit.AddBool("shortcut", true) == kOk && ProcessApplication() != nullptr)
			(void)ApplicationMessenger().Send(&quit);
		fShortcutRepeat = -1;
		return;
	}
	OnMenusBeginning();
	shortcut_entry* found = nullptr;
	int32 wanted = LowerCase(static_cast<int32>(key));
	for (int32 i = 0; i < fShortcuts.CountItems() && found == nullptr; i++) {
		shortcut_entry* entry = static_cast<shortcut_entry*>(fShortcuts.ItemAtFast(i));
		if (entry->key == wanted && entry->modifiers == modifiers)
			found = entry;
	}
	if (found != nullptr && found->item != nullptr) {
		found->item->Invoke();
	} else if (found != nullptr) {
		BMessage shortcut(found->what);
		// The shortcut acts without its repeat count when that cannot be added.
		if (fShortcutRepeat >= 0)
			(void)shortcut.AddInt32("be:key_repeat", fShortcutRepeat);
		// A target that has left the window misses the shortcut, as a click on a
		// control that has gone would.
		(void)Post(&shortcut, found->preferredTarget ? nullptr : found->target);
	}
	OnMenusEnded();
	fShortcutRepeat = -1;
}

// --- keyboard navigation ---

// Tab moves forward, Shift+Tab back, and with Control by groups.
void BWindow::NavigateByTab(uint32 modifiers)
{
	uint32 mode = (modifiers & kShiftKey) != 0 ? 0 : kNavigateForward;
	if ((modifiers & kControlKey) != 0)
		mode |= kNavigateGroups;
	NavigateKeyboard(mode);
}

void BWindow::NavigateKeyboard(uint32 mode)
{
	BView* start = fFocusView;
	BView* current = start;
	BView* first = nullptr;
	for (;;) {
		BView* next = NextNavigationTarget(current, mode);
		if (next == nullptr || next == start || next == first)
			break;
		if (first == nullptr)
			first = next;
		next->SetFocused(true);
		if (next->IsFocus()) {
			ShowFocusCues();
			break;
		}
		current = next;
	}
}

BView* BWindow::NextNavigationTarget(BView* from, uint32 mode)
{
	if (fRootView == nullptr)
		return nullptr;
	BList views(20);
	CollectViews(fRootView, &views);
	int32 count = views.CountItems();
	if (count == 0)
		return nullptr;
	bool forward = (mode & kNavigateForward) != 0;
	int32 step = forward ? 1 : -1;
	int32 index = from != nullptr ? views.IndexOf(from) : -1;
	int32 position = index >= 0 ? index : (forward ? -1 : count);
	auto viewAt = [&](int32 at) { return static_cast<BView*>(views.ItemAtFast(((at % count) + count) % count)); };

	if ((mode & kNavigateGroups) != 0) {
		// The search goes on from the next group, the group's own view included.
		bool grouped = false;
		for (int32 k = 1; k <= count && !grouped; k++) {
			BView* view = viewAt(position + k * step);
			if (!view->IsHidden() && (view->ViewFlags() & kNavigableGroup) != 0) {
				position += (k - 1) * step;
				grouped = true;
			}
		}
		if (!grouped)
			return nullptr;
	}
	for (int32 k = 1; k <= count; k++) {
		BView* view = viewAt(position + k * step);
		if (!view->IsHidden() && (view->ViewFlags() & kNavigable) != 0)
			return view;
	}
	return nullptr;
}

