// Keyboard and wheel input in the framework's terms: the modifier-key word and
// the key and wheel messages built from native input messages.
//
// The character-code tables are filled once per process, before any window
// exists, and are read-only afterwards. Key messages are built on window
// threads; the auto-repeat state is one process-wide pair shared by all of them.
#pragma once

#include "support/SupportDefs.h"

#include <windows.h>

class BMessage;

// Modifier bits: shift, control and alt, each with a left and a right bit.
constexpr uint32 kShiftKey = 0x1;
constexpr uint32 kControlKey = 0x2;
constexpr uint32 kAltKey = 0x4;
constexpr uint32 kCapsLock = 0x8;
constexpr uint32 kScrollLock = 0x10;
constexpr uint32 kNumLock = 0x20;
constexpr uint32 kMenuKey = 0x80;
constexpr uint32 kLeftShiftKey = 0x100;
constexpr uint32 kRightShiftKey = 0x200;
constexpr uint32 kLeftControlKey = 0x400;
constexpr uint32 kRightControlKey = 0x800;
constexpr uint32 kLeftAltKey = 0x1000;
constexpr uint32 kRightAltKey = 0x2000;

// The character code of the Tab key, which moves the keyboard focus.
constexpr int32 kTabKey = 9;

// The modifier word from the keys' state: the calling thread's input state, or
// with `async` the state of the devices this moment.
uint32 CurrentModifiers(bool async);

// Fills `message` from a native key message (wParam the virtual key, lParam
// the key data): the fields and the what code, which is kKeyDown or kKeyUp as
// given, or its unmapped form for a key without a character of its own. 0, or
// -1 when the key gives no message (the message's fields may then be partial).
[[nodiscard]] status_t BuildKeyMessage(BMessage* message, uint32 what, WPARAM wParam, LPARAM lParam);

// Fills `message` from a native wheel message: one notch away from the user is
// -1.0 in "be:wheel_delta_y"; the what code becomes kMouseWheelChanged.
[[nodiscard]] status_t BuildWheelMessage(BMessage* message, WPARAM wParam);

namespace BPrivate {

// Fills the character-code tables once per process; later calls do nothing.
void LoadKeyTables();

}  // namespace BPrivate
