// Formatting of diagnostics into any BDataIO.
//
// DebugOut(stream) << "Negative token: " << BPrivate::Hex32{token} << BPrivate::kEndLine;
// Every item is one Write of its text; a null stream makes every item a no-op,
// so a chain on a missing stream is harmless. Lines end with "\r\n".
#pragma once

#include "support/SupportDefs.h"

class BDataIO;
class BString;

namespace BPrivate {

struct EndLine {};
constexpr EndLine kEndLine{};

// A 32-bit value in eight upper-case hexadecimal digits, the form tokens and
// other 32-bit identities print in on every architecture.
struct Hex32 {
	uint32 value;
};

// 'abcd' for printable codes, otherwise 0x and eight hexadecimal digits.
struct TypeCode {
	uint32 code;
};

class HexDump {
public:
	// The single-line limit starts at the bytes per line; groups are 4 bytes for
	// 16 or more bytes per line, 1 below 8, otherwise 2.
	HexDump(const void* data, int32 length, int32 bytesPerLine = 16, const char* prefix = "");
	HexDump& SetSingleLineLimit(int32 limit);
	HexDump& SetPrefix(const char* prefix);

	const void* data;
	int32 length;
	int32 bytesPerLine;
	int32 singleLineLimit;
	int32 groupSize;
	const char* prefix;
};

typedef const char* (*SymbolLookup)(const void* address);

// Up to 16 return addresses, ending at the first null one.
struct CallStack {
	const void* const* addresses;
	SymbolLookup lookup;
	const char* prefix;
};

class DebugOut {
public:
	explicit DebugOut(BDataIO* stream) : fStream(stream) {}
	BDataIO* Stream() const { return fStream; }

	DebugOut& operator<<(const char* text);
	DebugOut& operator<<(const BString& text);
	DebugOut& operator<<(EndLine);
	DebugOut& operator<<(int32 value);
	DebugOut& operator<<(uint32 value);
	DebugOut& operator<<(long value);
	DebugOut& operator<<(unsigned long value);
	DebugOut& operator<<(int64 value);
	DebugOut& operator<<(uint64 value);
	DebugOut& operator<<(double value);
	DebugOut& operator<<(const void* pointer);
	DebugOut& operator<<(Hex32 value);
	DebugOut& operator<<(TypeCode code);
	DebugOut& operator<<(const HexDump& dump);
	DebugOut& operator<<(const CallStack& stack);

private:
	DebugOut& WriteText(const char* text, size_t length);
	DebugOut& Printf(const char* format, ...) __attribute__((format(gnu_printf, 2, 3)));

	BDataIO* fStream;
};

}  // namespace BPrivate
