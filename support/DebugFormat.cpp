// Formatting of diagnostics: every item is assembled first and written once.
#include "support/DebugFormat.h"

#include "support/DataIO.h"
#include "support/String.h"

#include <cstdarg>
#include <cstdio>
#include <cstdlib>
#include <cstring>

namespace BPrivate {

namespace {

constexpr int32 kMostBytesPerLine = 60;
constexpr int kMostStackFrames = 16;

// Formats into a small buffer; the length of what fits, 0 after an error.
size_t FormatInto(char* buffer, size_t size, const char* format, va_list arguments)
	__attribute__((format(gnu_printf, 3, 0)));

size_t FormatInto(char* buffer, size_t size, const char* format, va_list arguments)
{
	int written = std::vsnprintf(buffer, size, format, arguments);
	if (written <= 0)
		return 0;
	return static_cast<size_t>(written) < size ? static_cast<size_t>(written) : size - 1;
}

// A growing text on the heap; after an allocation failure it stays failed and
// the item is dropped rather than written in part.
class TextBuilder {
public:
	~TextBuilder() { std::free(fText); }

	void Add(const char* text, size_t length)
	{
		if (!Reserve(length))
			return;
		std::memcpy(fText + fLength, text, length);
		fLength += length;
	}
	void Add(const char* text) { Add(text, std::strlen(text)); }
	void Add(char character) { Add(&character, 1); }
	void AddFormatted(const char* format, ...) __attribute__((format(gnu_printf, 2, 3)))
	{
		char piece[64];
		va_list arguments;
		va_start(arguments, format);
		size_t length = FormatInto(piece, sizeof(piece), format, arguments);
		va_end(arguments);
		Add(piece, length);
	}

	bool Failed() const { return fFailed; }
	const char* Text() const { return fText; }
	size_t Length() const { return fLength; }

private:
	bool Reserve(size_t more)
	{
		if (fFailed)
			return false;
		if (fLength + more <= fCapacity)
			return true;
		size_t capacity = (fLength + more) * 2 + 64;
		char* grown = static_cast<char*>(std::realloc(fText, capacity));
		if (grown == nullptr) {
			fFailed = true;
			return false;
		}
		fText = grown;
		fCapacity = capacity;
		return true;
	}

	char* fText = nullptr;
	size_t fLength = 0;
	size_t fCapacity = 0;
	bool fFailed = false;
};

bool IsPrintable(uint8 byte)
{
	return byte >= 32 && byte <= 126;
}

bool CodeIsQuotable(uint32 code)
{
	char characters[4];
	for (int i = 0; i < 4; ++i) {
		characters[i] = static_cast<char>((code >> (24 - 8 * i)) & 0xFF);
		uint8 byte = static_cast<uint8>(characters[i]);
		if (byte < 0x20 || byte > 0x7E || byte == '\'' || byte == '\\')
			return false;
	}
	return !(characters[0] == '0' && characters[1] == 'x');
}

void AddHexLine(TextBuilder& text, const HexDump& dump, const uint8* bytes, int32 count, int32 perLine,
	bool multiLine)
{
	int32 group = dump.groupSize > 0 ? dump.groupSize : 1;
	// Lines of a multi-line dump are padded to the full width.
	int32 width = multiLine ? perLine : count;
	for (int32 i = 0; i < width; ++i) {
		if (i > 0 && i % group == 0)
			text.Add(' ');
		if (i < count)
			text.AddFormatted("%02X", bytes[i]);
		else
			text.Add("  ");
	}
	text.Add(" '");
	for (int32 i = 0; i < width; ++i)
		text.Add(i < count && IsPrintable(bytes[i]) ? static_cast<char>(bytes[i]) : i < count ? '.' : ' ');
	text.Add('\'');
}

void AddHexDump(TextBuilder& text, const HexDump& dump)
{
	const char* prefix = dump.prefix != nullptr ? dump.prefix : "";
	if (dump.data == nullptr || dump.length <= 0) {
		if (dump.singleLineLimit < 0)
			text.Add("\r\n");
		text.Add(prefix);
		if (dump.data == nullptr)
			text.Add("(NULL)");
		else if (dump.length == 0)
			text.Add("(empty)");
		else
			text.AddFormatted("(bad length: %ld)", static_cast<long>(dump.length));
		return;
	}
	int32 perLine = dump.bytesPerLine;
	if (perLine > kMostBytesPerLine)
		perLine = kMostBytesPerLine;
	if (perLine < 1)
		perLine = 1;
	bool multiLine = dump.length > dump.singleLineLimit;
	if (multiLine)
		text.Add("\r\n");
	const uint8* bytes = static_cast<const uint8*>(dump.data);
	for (int32 offset = 0; offset < dump.length; offset += perLine) {
		int32 count = dump.length - offset < perLine ? dump.length - offset : perLine;
		if (multiLine) {
			text.Add(prefix);
			text.AddFormatted("0x%06x: ", static_cast<unsigned>(offset));
		}
		AddHexLine(text, dump, bytes + offset, count, perLine, multiLine);
		if (offset + perLine < dump.length)
			text.Add('\n');
	}
}

}  // namespace

HexDump::HexDump(const void* dumpData, int32 dumpLength, int32 perLine, const char* dumpPrefix)
	: data(dumpData),
	  length(dumpLength),
	  bytesPerLine(perLine),
	  singleLineLimit(perLine),
	  groupSize(perLine >= 16 ? 4 : perLine < 8 ? 1 : 2),
	  prefix(dumpPrefix)
{
}

HexDump& HexDump::SetSingleLineLimit(int32 limit)
{
	singleLineLimit = limit;
	return *this;
}

HexDump& HexDump::SetPrefix(const char* newPrefix)
{
	prefix = newPrefix;
	return *this;
}

DebugOut& DebugOut::WriteText(const char* text, size_t length)
{
	if (fStream != nullptr && length > 0)
		fStream->Write(text, length);
	return *this;
}

DebugOut& DebugOut::Printf(const char* format, ...)
{
	if (fStream == nullptr)
		return *this;
	char text[64];
	va_list arguments;
	va_start(arguments, format);
	size_t length = FormatInto(text, sizeof(text), format, arguments);
	va_end(arguments);
	return WriteText(text, length);
}

DebugOut& DebugOut::operator<<(const char* text)
{
	if (text == nullptr)
		text = "(nil)";
	return WriteText(text, std::strlen(text));
}

DebugOut& DebugOut::operator<<(const BString& text)
{
	if (fStream == nullptr)
		return *this;
	char* utf8 = text.ToUtf8();
	if (utf8 == nullptr)
		return *this << "Null";
	WriteText(utf8, std::strlen(utf8));
	std::free(utf8);
	return *this;
}

DebugOut& DebugOut::operator<<(EndLine)
{
	return WriteText("\r\n", 2);
}

DebugOut& DebugOut::operator<<(int32 value)
{
	return Printf("%d", value);
}

DebugOut& DebugOut::operator<<(uint32 value)
{
	return Printf("%u", value);
}

DebugOut& DebugOut::operator<<(long value)
{
	return Printf("%ld", value);
}

DebugOut& DebugOut::operator<<(unsigned long value)
{
	return Printf("%lu", value);
}

DebugOut& DebugOut::operator<<(int64 value)
{
	return Printf("%lld", static_cast<long long>(value));
}

DebugOut& DebugOut::operator<<(uint64 value)
{
	return Printf("%llu", static_cast<unsigned long long>(value));
}

DebugOut& DebugOut::operator<<(double value)
{
	if (fStream == nullptr)
		return *this;
	char text[64];
	int written = std::snprintf(text, sizeof(text) - 2, "%g", value);
	if (written <= 0)
		return *this;
	size_t length = std::strlen(text);
	if (std::strpbrk(text, ".eE") == nullptr) {
		text[length++] = '.';
		text[length++] = '0';
	}
	return WriteText(text, length);
}

DebugOut& DebugOut::operator<<(const void* pointer)
{
	// Addresses keep their full width: eight digits on 32-bit Windows.
	return Printf("%0*llX", static_cast<int>(2 * sizeof(void*)),
		static_cast<unsigned long long>(reinterpret_cast<uintptr_t>(pointer)));
}

DebugOut& DebugOut::operator<<(Hex32 value)
{
	return Printf("%08X", value.value);
}

DebugOut& DebugOut::operator<<(TypeCode code)
{
	if (!CodeIsQuotable(code.code))
		return Printf("0x%08X", code.code);
	char text[7] = {'\'', 0, 0, 0, 0, '\'', 0};
	for (int i = 0; i < 4; ++i)
		text[1 + i] = static_cast<char>((code.code >> (24 - 8 * i)) & 0xFF);
	return WriteText(text, 6);
}

DebugOut& DebugOut::operator<<(const HexDump& dump)
{
	if (fStream == nullptr)
		return *this;
	TextBuilder text;
	AddHexDump(text, dump);
	if (!text.Failed())
		WriteText(text.Text(), text.Length());
	return *this;
}

DebugOut& DebugOut::operator<<(const CallStack& stack)
{
	if (fStream == nullptr || stack.addresses == nullptr)
		return *this;
	const char* prefix = stack.prefix != nullptr ? stack.prefix : "";
	TextBuilder text;
	for (int frame = 0; frame < kMostStackFrames && stack.addresses[frame] != nullptr; ++frame) {
		const void* address = stack.addresses[frame];
		const char* symbol = stack.lookup != nullptr ? stack.lookup(address) : nullptr;
		text.Add(prefix);
		text.AddFormatted("0x%08llx: <", static_cast<unsigned long long>(reinterpret_cast<uintptr_t>(address)));
		text.Add(symbol != nullptr ? symbol : "---");
		text.AddFormatted(">+0x%08lx\r\n", 0ul);
	}
	if (!text.Failed())
		WriteText(text.Text(), text.Length());
	return *this;
}

}  // namespace BPrivate
