// Key and wheel messages from native input, and the modifier word.
//
// A key's character code comes from two pairs of tables indexed by the virtual
// key: one pair for ordinary keys and one for the extended keys whose scan code
// has bits 0x1C set (the keypad's Enter among them). The primary table gives the
// characters; the fallback table gives the modifier and lock keys, which are
// reported as unmapped keys. The tables are filled once, before any window
// thread reads them, and never change afterwards, so readers take no lock.
#include "interface/Keyboard.h"

#include "messaging/Message.h"
#include "messaging/MessageCodes.h"
#include "support/CallOnce.h"

#include <atomic>

namespace {

constexpr int32 kKeyTableSize = 256;

struct KeyTables {
	int32 primary[kKeyTableSize];
	int32 fallback[kKeyTableSize];
};

// Zero-initialised before any code runs; filled by LoadKeyTables.
KeyTables gOrdinaryKeys;
KeyTables gExtendedKeys;
std::atomic<int32> gKeyTablesOnce{0};

struct CodeEntry {
	int vk;
	int32 code;
};

constexpr CodeEntry kOrdinaryCodes[] = {
	{VK_BACK, 8}, {VK_TAB, 9}, {VK_RETURN, 10}, {VK_SPACE, 32}, {VK_PRIOR, 11}, {VK_NEXT, 12},
	{VK_END, 4}, {VK_HOME, 1}, {VK_LEFT, 28}, {VK_UP, 30}, {VK_RIGHT, 29}, {VK_DOWN, 31},
	{VK_INSERT, 5}, {VK_DELETE, 127}, {VK_NUMPAD0, 18}, {VK_DECIMAL, 19}, {VK_F9, 10}, {VK_F10, 11},
};

constexpr CodeEntry kOrdinaryFallbackCodes[] = {
	{VK_SHIFT, 1}, {VK_CONTROL, 2}, {VK_MENU, 4}, {VK_CAPITAL, 8},
	{VK_SCROLL, 16}, {VK_NUMLOCK, 32}, {VK_APPS, 128},
};

constexpr CodeEntry kExtendedCodes[] = {
	{VK_RETURN, 17},
	{VK_DELETE, 19},
};

struct ModifierRow {
	int vk;
	uint32 bits;
	SHORT test;
};

constexpr SHORT kKeyIsDown = static_cast<SHORT>(0x8000);
constexpr SHORT kToggled = 0x1;

constexpr ModifierRow kModifierRows[] = {
	{VK_LSHIFT, kShiftKey | kLeftShiftKey, kKeyIsDown},
	{VK_RSHIFT, kShiftKey | kRightShiftKey, kKeyIsDown},
	{VK_LCONTROL, kControlKey | kLeftControlKey, kKeyIsDown},
	{VK_RCONTROL, kControlKey | kRightControlKey, kKeyIsDown},
	{VK_LMENU, kAltKey | kLeftAltKey, kKeyIsDown},
	{VK_RMENU, kAltKey | kRightAltKey, kKeyIsDown},
	{VK_CAPITAL, kCapsLock, kToggled},
	{VK_SCROLL, kScrollLock, kToggled},
	{VK_NUMLOCK, kNumLock, kToggled},
	{VK_APPS, kMenuKey, kKeyIsDown},
};

// The key data of a native key message: bit 24 marks an extended key, bits 16
// to 23 hold the scan code, bit 30 says the key was already down.
constexpr LPARAM kExtendedKeyBit = 1 << 24;
constexpr LPARAM kExtendedScanBits = 0x1C0000;
constexpr LPARAM kWasDownBit = 1 << 30;
// What tells one physical key from another: the low five bits of the scan
// code, with the top four bits of the repeat count. Neither the scan code's
// upper bits nor the extended bit take part, so keys that differ only there
// (the keypad's Enter and the main Enter) count as one key.
constexpr LPARAM kKeyIdentityBits = 0x1FF000;

// The last key pressed and how often its press has repeated. Shared by every
// window thread without a lock: two threads typing at once can only disturb
// each other's repeat count, never memory.
std::atomic<int32> gRepeatKey{0};
std::atomic<int32> gRepeatCount{0};

template <size_t N>
void Fill(int32* table, const CodeEntry (&entries)[N])
{
	for (const CodeEntry& entry : entries)
		table[entry.vk] = entry.code;
}

void FillKeyTables(void*)
{
	Fill(gOrdinaryKeys.primary, kOrdinaryCodes);
	Fill(gOrdinaryKeys.fallback, kOrdinaryFallbackCodes);
	Fill(gExtendedKeys.primary, kExtendedCodes);
}

bool IsExtendedSpecial(LPARAM lParam)
{
	return (lParam & kExtendedKeyBit) != 0 && (lParam & kExtendedScanBits) == kExtendedScanBits;
}

// The repeat count this key message stands for, with the shared pair updated.
int32 TrackRepeat(bool keyDown, LPARAM lParam)
{
	int32 id = static_cast<int32>(lParam & kKeyIdentityBits);
	if (!keyDown) {
		if (gRepeatKey.load(std::memory_order_relaxed) == id)
			gRepeatCount.store(0, std::memory_order_relaxed);
		return 0;
	}
	if ((lParam & kWasDownBit) != 0 && gRepeatKey.load(std::memory_order_relaxed) == id)
		return gRepeatCount.fetch_add(1, std::memory_order_relaxed) + 1;
	gRepeatKey.store(id, std::memory_order_relaxed);
	gRepeatCount.store(0, std::memory_order_relaxed);
	return 0;
}

}  // namespace

uint32 CurrentModifiers(bool async)
{
	uint32 modifiers = 0;
	for (const ModifierRow& row : kModifierRows) {
		// The low bit of GetAsyncKeyState says whether the key was pressed since
		// the previous call, not whether its lock is on, so the locks always
		// come from the key state.
		bool device = async && row.test == kKeyIsDown;
		SHORT state = device ? GetAsyncKeyState(row.vk) : GetKeyState(row.vk);
		if ((state & row.test) != 0)
			modifiers |= row.bits;
	}
	return modifiers;
}

status_t BuildKeyMessage(BMessage* message, uint32 what, WPARAM wParam, LPARAM lParam)
{
	if (message == nullptr || wParam >= kKeyTableSize)
		return -1;
	int vk = static_cast<int>(wParam);
	uint32 modifiers = CurrentModifiers(false);

	const KeyTables& tables = IsExtendedSpecial(lParam) ? gExtendedKeys : gOrdinaryKeys;
	bool unmapped = false;
	int32 code = tables.primary[vk];
	if (code == 0 && vk >= 'A' && vk <= 'Z') {
		code = vk + ('a' - 'A');
	} else if (code == 0) {
		code = tables.fallback[vk];
		unmapped = true;
	}
	if (code == 0)
		return -1;

	bool keyDown = what == kKeyDown;
	int32 repeat = TrackRepeat(keyDown, lParam);

	if (message->AddInt8("byte", static_cast<int8>(code)) != kOk || message->AddInt32("be:key", code) != kOk ||
	    message->AddInt32("raw_char", code) != kOk ||
	    message->AddInt32("modifiers", static_cast<int32>(modifiers)) != kOk)
		return -1;
	if (keyDown && message->AddInt32("be:key_repeat", repeat) != kOk)
		return -1;

	if (unmapped)
		message->what = keyDown ? kUnmappedKeyDown : kUnmappedKeyUp;
	else
		message->what = what;
	return kOk;
}

status_t BuildWheelMessage(BMessage* message, WPARAM wParam)
{
	if (message == nullptr)
		return -1;
	// One notch is 120 units of the signed high word; away from the user is positive.
	constexpr float kNotchScale = 0.008333334f;
	float notches = static_cast<float>(GET_WHEEL_DELTA_WPARAM(wParam)) * kNotchScale;
	if (message->AddFloat("be:wheel_delta_x", 0.0f) != kOk || message->AddFloat("be:wheel_delta_y", -notches) != kOk)
		return -1;
	message->what = kMouseWheelChanged;
	return kOk;
}

namespace BPrivate {

void LoadKeyTables()
{
	CallOnce(gKeyTablesOnce, FillKeyTables, nullptr);
}

}  // namespace BPrivate
