// Key and wheel messages built from real input: SendInput presses keys and turns
// the wheel, a plain native window of the test's own receives the system's key
// and wheel messages, and its procedure builds the framework messages from them.
#include "interface/Keyboard.h"

#include "messaging/Message.h"
#include "messaging/MessageCodes.h"
#include "messaging/TypeCodes.h"
#include "tests/harness/InjectedInput.h"

#include <gtest/gtest.h>

#include <vector>

namespace {

using zeltest::KeyStroke;

struct Built {
	status_t status;
	uint32 what;
	LPARAM keyData;
	BMessage message;

	int32 Int32(const char* name) const
	{
		int32 value = -12345;
		message.GetInt32(name, &value);
		return value;
	}
	int8 Byte() const
	{
		int8 value = 0;
		EXPECT_EQ(message.CopyData("byte", kInt8Type, 0, &value, 1), kOk);
		return value;
	}
	bool HasRepeat() const
	{
		int32 value;
		return message.GetInt32("be:key_repeat", &value) == kOk;
	}
};

LRESULT CALLBACK RecordingProcedure(HWND window, UINT native, WPARAM wParam, LPARAM lParam)
{
	auto* built = reinterpret_cast<std::vector<Built>*>(GetWindowLongPtrW(window, GWLP_USERDATA));
	if (built == nullptr)
		return DefWindowProcW(window, native, wParam, lParam);
	BMessage message;
	switch (native) {
	case WM_KEYDOWN:
	case WM_SYSKEYDOWN:
		built->push_back({BuildKeyMessage(&message, kKeyDown, wParam, lParam), kKeyDown, lParam, message});
		return 0;
	case WM_KEYUP:
	case WM_SYSKEYUP:
		built->push_back({BuildKeyMessage(&message, kKeyUp, wParam, lParam), kKeyUp, lParam, message});
		return 0;
	case WM_MOUSEWHEEL:
		built->push_back({BuildWheelMessage(&message, wParam), 0, lParam, message});
		return 0;
	default:
		return DefWindowProcW(window, native, wParam, lParam);
	}
}

class KeyInput : public ::testing::Test {
protected:
	static void SetUpTestSuite()
	{
		BPrivate::LoadKeyTables();
		sBuilt = new std::vector<Built>;
		sWindow = new zeltest::FocusedWindow(RecordingProcedure, sBuilt);
	}
	static void TearDownTestSuite()
	{
		delete sWindow;
		delete sBuilt;
	}

	void SetUp() override
	{
		ASSERT_TRUE(sWindow->HasFocus()) << "the test window does not have the keyboard focus";
		Take(0);
	}
	void TearDown() override { zeltest::ReleaseInjectedKeys(); }

	// Waits for `count` messages built since the last call and hands them over.
	static std::vector<Built> Take(size_t count)
	{
		zeltest::PumpUntil([&] { return sBuilt->size() >= count; });
		std::vector<Built> taken;
		taken.swap(*sBuilt);
		return taken;
	}

	static std::vector<Built>* sBuilt;
	static zeltest::FocusedWindow* sWindow;
};

std::vector<Built>* KeyInput::sBuilt;
zeltest::FocusedWindow* KeyInput::sWindow;

constexpr LPARAM kWasDownBit = 1 << 30;

struct CodeCase {
	const char* name;
	KeyStroke key;
	uint32 downWhat;
	int32 code;
	// The modifier word on the key's own down and up messages.
	uint32 downModifiers;
	uint32 upModifiers;
};

std::vector<CodeCase> CodeCases()
{
	std::vector<CodeCase> cases = {
		{"backspace", {VK_BACK}, kKeyDown, 8, 0, 0},
		{"tab", {VK_TAB}, kKeyDown, 9, 0, 0},
		{"return", {VK_RETURN}, kKeyDown, 10, 0, 0},
		{"space", {VK_SPACE}, kKeyDown, 32, 0, 0},
		{"page up", {VK_PRIOR}, kKeyDown, 11, 0, 0},
		{"page down", {VK_NEXT}, kKeyDown, 12, 0, 0},
		{"end", {VK_END}, kKeyDown, 4, 0, 0},
		{"home", {VK_HOME}, kKeyDown, 1, 0, 0},
		{"left", {VK_LEFT}, kKeyDown, 28, 0, 0},
		{"up", {VK_UP}, kKeyDown, 30, 0, 0},
		{"right", {VK_RIGHT}, kKeyDown, 29, 0, 0},
		{"down", {VK_DOWN}, kKeyDown, 31, 0, 0},
		{"insert", {VK_INSERT}, kKeyDown, 5, 0, 0},
		{"delete", {VK_DELETE}, kKeyDown, 127, 0, 0},
		// The Delete key of a keyboard is extended, but its scan code 0x53 lacks bits of 0x1C.
		{"delete, extended", {VK_DELETE, 0x53, true}, kKeyDown, 127, 0, 0},
		{"keypad 0", {VK_NUMPAD0}, kKeyDown, 18, 0, 0},
		{"keypad decimal", {VK_DECIMAL}, kKeyDown, 19, 0, 0},
		{"F9", {VK_F9}, kKeyDown, 10, 0, 0},
		{"F10", {VK_F10}, kKeyDown, 11, 0, 0},
		{"keypad enter", {VK_RETURN, 0x1C, true}, kKeyDown, 17, 0, 0},
		{"delete, extended scan 0x5F", {VK_DELETE, 0x5F, true}, kKeyDown, 19, 0, 0},
		{"shift", {VK_SHIFT}, kUnmappedKeyDown, 1, kShiftKey | kLeftShiftKey, 0},
		{"control", {VK_CONTROL}, kUnmappedKeyDown, 2, kControlKey | kLeftControlKey, 0},
		{"alt", {VK_MENU}, kUnmappedKeyDown, 4, kAltKey | kLeftAltKey, 0},
		{"application", {VK_APPS}, kUnmappedKeyDown, 128, kMenuKey, 0},
		// A lock key turns its lock on as it goes down.
		{"caps lock", {VK_CAPITAL}, kUnmappedKeyDown, 8, kCapsLock, kCapsLock},
		{"scroll lock", {VK_SCROLL}, kUnmappedKeyDown, 16, kScrollLock, kScrollLock},
		{"num lock", {VK_NUMLOCK, 0x45, true}, kUnmappedKeyDown, 32, kNumLock, kNumLock},
	};
	for (WORD letter = 'A'; letter <= 'Z'; letter++)
		cases.push_back({"letter", {letter}, kKeyDown, letter + 32, 0, 0});
	return cases;
}

TEST_F(KeyInput, EveryTableEntryGivesItsCodeOnDownAndUp)
{
	for (const CodeCase& entry : CodeCases()) {
		SCOPED_TRACE(::testing::Message() << entry.name << " (virtual key " << entry.key.vk << ")");
		zeltest::TapKey(entry.key);
		std::vector<Built> built = Take(2);
		ASSERT_EQ(built.size(), 2u);
		const Built& down = built[0];
		const Built& up = built[1];
		EXPECT_EQ(down.status, kOk);
		EXPECT_EQ(up.status, kOk);
		EXPECT_EQ(down.message.what, entry.downWhat);
		EXPECT_EQ(up.message.what, entry.downWhat == kKeyDown ? kKeyUp : kUnmappedKeyUp);
		for (const Built* one : {&down, &up}) {
			EXPECT_EQ(one->Int32("be:key"), entry.code);
			EXPECT_EQ(one->Int32("raw_char"), entry.code);
			EXPECT_EQ(one->Byte(), static_cast<int8>(entry.code));
		}
		EXPECT_EQ(static_cast<uint32>(down.Int32("modifiers")), entry.downModifiers);
		EXPECT_EQ(static_cast<uint32>(up.Int32("modifiers")), entry.upModifiers);
		EXPECT_EQ(down.Int32("be:key_repeat"), 0);
		EXPECT_FALSE(up.HasRepeat());
		zeltest::ReleaseInjectedKeys();
		Take(0);
	}
}

TEST_F(KeyInput, DigitsPunctuationEscapeAndOtherFunctionKeysGiveNoMessage)
{
	std::vector<WORD> keys = {VK_ESCAPE, VK_F1, VK_F12, VK_OEM_1, VK_OEM_PLUS, VK_OEM_COMMA, VK_OEM_MINUS,
		VK_OEM_PERIOD, VK_OEM_2, VK_OEM_4};
	for (WORD digit = '0'; digit <= '9'; digit++)
		keys.push_back(digit);
	for (WORD vk : keys) {
		SCOPED_TRACE(::testing::Message() << "virtual key " << vk);
		zeltest::TapKey({vk});
		std::vector<Built> built = Take(2);
		ASSERT_EQ(built.size(), 2u);
		EXPECT_EQ(built[0].status, -1);
		EXPECT_EQ(built[1].status, -1);
	}
}

// The modifier word of "A" pressed while other keys are held or locks are on;
// the letter stays lower-case whatever the shift and caps lock state.
TEST_F(KeyInput, LettersCarryTheModifierWordOfTheKeysHeld)
{
	struct ModifierCase {
		const char* name;
		std::vector<KeyStroke> held;
		std::vector<WORD> locks;
		uint32 modifiers;
	};
	// Wine tells the right shift key from the left one by the extended flag.
	const KeyStroke rightShift{VK_RSHIFT, 0x36, true};
	const ModifierCase cases[] = {
		{"nothing", {}, {}, 0},
		{"left shift", {{VK_LSHIFT, 0x2A}}, {}, 0x101},
		{"right shift", {rightShift}, {}, 0x201},
		{"left control", {{VK_LCONTROL, 0x1D}}, {}, 0x402},
		{"right control", {{VK_RCONTROL, 0x1D, true}}, {}, 0x802},
		{"left alt", {{VK_LMENU, 0x38}}, {}, 0x1004},
		{"right alt", {{VK_RMENU, 0x38, true}}, {}, 0x2004},
		{"application key", {{VK_APPS}}, {}, 0x80},
		{"caps lock", {}, {VK_CAPITAL}, 0x8},
		{"left shift with caps lock", {{VK_LSHIFT, 0x2A}}, {VK_CAPITAL}, 0x109},
		{"scroll lock", {}, {VK_SCROLL}, 0x10},
		{"num lock", {}, {VK_NUMLOCK}, 0x20},
		{"both shifts and both controls", {{VK_LSHIFT, 0x2A}, rightShift, {VK_LCONTROL, 0x1D},
			{VK_RCONTROL, 0x1D, true}}, {}, 0xF03},
	};
	for (const ModifierCase& entry : cases) {
		SCOPED_TRACE(entry.name);
		for (WORD lock : entry.locks)
			zeltest::TapKey({lock});
		for (const KeyStroke& key : entry.held)
			zeltest::PressKey(key);
		Take(2 * entry.locks.size() + entry.held.size());
		zeltest::PressKey({'A'});
		std::vector<Built> built = Take(1);
		ASSERT_EQ(built.size(), 1u);
		EXPECT_EQ(built[0].message.what, kKeyDown);
		EXPECT_EQ(built[0].Int32("be:key"), 'a');
		EXPECT_EQ(static_cast<uint32>(built[0].Int32("modifiers")), entry.modifiers);
		EXPECT_EQ(CurrentModifiers(false), entry.modifiers) << "the thread's key state";
		EXPECT_EQ(CurrentModifiers(true), entry.modifiers) << "the devices' key state";
		zeltest::ReleaseInjectedKeys();
		Take(0);
	}
}

TEST_F(KeyInput, HeldKeyCountsItsRepeatsUntilReleased)
{
	const KeyStroke held{'R'};
	for (int press = 0; press < 4; press++)
		zeltest::PressKey(held);
	zeltest::ReleaseKey(held);
	zeltest::PressKey(held);
	std::vector<Built> built = Take(6);
	ASSERT_EQ(built.size(), 6u);
	const int32 repeats[] = {0, 1, 2, 3};
	for (int press = 0; press < 4; press++) {
		SCOPED_TRACE(press);
		EXPECT_EQ(built[press].Int32("be:key_repeat"), repeats[press]);
		// The system marks every press after the first as a repeat of a key already down.
		EXPECT_EQ((built[press].keyData & kWasDownBit) != 0, press > 0);
	}
	EXPECT_EQ(built[4].message.what, kKeyUp);
	EXPECT_EQ(built[5].Int32("be:key_repeat"), 0) << "a new press after the release starts again";

	// Another key pressed in between starts its own count.
	zeltest::PressKey({'S'});
	zeltest::PressKey(held);
	built = Take(2);
	ASSERT_EQ(built.size(), 2u);
	EXPECT_EQ(built[0].Int32("be:key_repeat"), 0);
	EXPECT_EQ(built[1].Int32("be:key_repeat"), 0) << "the held key's identity was replaced";
}

TEST_F(KeyInput, WheelNotchesTowardTheUserArePositive)
{
	RECT frame;
	GetWindowRect(sWindow->Handle(), &frame);
	zeltest::MovePointer({(frame.left + frame.right) / 2, (frame.top + frame.bottom) / 2});
	const struct {
		int units;
		float deltaY;
	} notches[] = {{-WHEEL_DELTA, 1.0f}, {WHEEL_DELTA, -1.0f}, {-3 * WHEEL_DELTA, 3.0f}, {WHEEL_DELTA / 2, -0.5f}};
	for (const auto& notch : notches) {
		SCOPED_TRACE(notch.units);
		zeltest::TurnWheel(notch.units);
		std::vector<Built> built = Take(1);
		ASSERT_EQ(built.size(), 1u);
		EXPECT_EQ(built[0].status, kOk);
		EXPECT_EQ(built[0].message.what, kMouseWheelChanged);
		EXPECT_FLOAT_EQ(built[0].message.FloatAt("be:wheel_delta_y", 0), notch.deltaY);
		EXPECT_EQ(built[0].message.FloatAt("be:wheel_delta_x", 0), 0.0f);
	}
}

}  // namespace
