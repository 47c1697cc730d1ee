// Basic types and the status codes shared by every subsystem of the framework.
//
// Status codes are signed 32-bit values: 0 is success, every failure is negative.
// Time values are signed 64-bit microseconds on the framework clock; kInfinite
// means "without limit".
#pragma once

#include <cstddef>
#include <cstdint>

typedef int8_t int8;
typedef uint8_t uint8;
typedef int16_t int16;
typedef uint16_t uint16;
typedef int32_t int32;
typedef uint32_t uint32;
typedef int64_t int64;
typedef uint64_t uint64;

typedef int32 status_t;
typedef int64 bigtime_t;
typedef uint32 type_code;

constexpr bigtime_t kInfinite = INT64_C(0x7FFFFFFFFFFFFFFF);

constexpr status_t MakeStatus(uint32 value) { return static_cast<status_t>(value); }

constexpr status_t kOk = 0;
constexpr status_t kError = -1;
constexpr status_t kNoMemory = MakeStatus(0x80000000u);
constexpr status_t kNotAllowed = MakeStatus(0x80000002u);
constexpr status_t kBadIndex = MakeStatus(0x80000003u);
constexpr status_t kBadType = MakeStatus(0x80000004u);
constexpr status_t kBadValue = MakeStatus(0x80000005u);
constexpr status_t kMismatchedValues = MakeStatus(0x80000006u);
constexpr status_t kNameNotFound = MakeStatus(0x80000007u);
constexpr status_t kNameInUse = MakeStatus(0x80000008u);
constexpr status_t kTimedOut = MakeStatus(0x80000009u);
constexpr status_t kInterrupted = MakeStatus(0x8000000Au);
constexpr status_t kWouldBlock = MakeStatus(0x8000000Bu);
constexpr status_t kNotInitialised = MakeStatus(0x8000000Du);
constexpr status_t kBadData = MakeStatus(0x80000010u);
constexpr status_t kNoSuchHandler = MakeStatus(0x80001100u);
constexpr status_t kBadTarget = MakeStatus(0x80001200u);
constexpr status_t kNoReplyAddress = MakeStatus(0x80002000u);
constexpr status_t kReplyAlreadySent = MakeStatus(0x80002001u);
constexpr status_t kNotALooper = MakeStatus(0x80002003u);
constexpr status_t kBadScriptRequest = MakeStatus(0x80002008u);
constexpr status_t kNotAMessage = MakeStatus(0x80002010u);
constexpr status_t kNameTooLong = MakeStatus(0x80006004u);
constexpr status_t kReadOnly = MakeStatus(0x80006008u);
constexpr status_t kUnsupported = MakeStatus(0x8000600Eu);

// Four-character codes: the first character lands in the most significant byte,
// so FourCC("_QRQ") == 0x5F515251.
constexpr uint32 FourCC(const char (&code)[5])
{
	return (static_cast<uint32>(static_cast<uint8>(code[0])) << 24) |
	       (static_cast<uint32>(static_cast<uint8>(code[1])) << 16) |
	       (static_cast<uint32>(static_cast<uint8>(code[2])) << 8) |
	       static_cast<uint32>(static_cast<uint8>(code[3]));
}
