// BMessage::Dump: the printable form of a message, nested messages included.
#include "messaging/Message.h"

#include "messaging/MessageChunks.h"
#include "messaging/Messenger.h"
#include "messaging/TokenSpace.h"
#include "support/DataIO.h"
#include "support/DebugFormat.h"

#include <cstdio>
#include <cstdlib>
#include <cstring>

using namespace BPrivate;

namespace {

constexpr int32 kMaxTabs = 44;
constexpr int32 kDumpBytesPerLine = 16;

class DumpWriter {
public:
	explicit DumpWriter(BDataIO* stream) : fStream(stream) {}

	DumpWriter& Text(const char* text) { return Bytes(text, std::strlen(text)); }
	DumpWriter& Bytes(const void* data, size_t length)
	{
		if (fStream != nullptr && length > 0)
			fStream->Write(data, length);
		return *this;
	}
	DumpWriter& Int(int64 value)
	{
		char text[24];
		std::snprintf(text, sizeof(text), "%lld", static_cast<long long>(value));
		return Text(text);
	}
	DumpWriter& UInt(uint64 value)
	{
		char text[24];
		std::snprintf(text, sizeof(text), "%llu", static_cast<unsigned long long>(value));
		return Text(text);
	}
	// `digits` upper-case hexadecimal digits, most significant first.
	DumpWriter& Hex(uint32 value, int32 digits)
	{
		static const char kDigits[] = "0123456789ABCDEF";
		char text[8];
		for (int32 i = 0; i < digits; i++)
			text[i] = kDigits[(value >> (4 * (digits - 1 - i))) & 0xF];
		return Bytes(text, static_cast<size_t>(digits));
	}
	DumpWriter& Tabs(int32 count)
	{
		static const char kTabs[kMaxTabs + 1] = "\t\t\t\t\t\t\t\t\t\t\t\t\t\t\t\t\t\t\t\t\t\t\t\t\t\t\t\t\t\t\t\t\t\t\t\t\t\t\t\t\t\t\t\t";
		return Bytes(kTabs, static_cast<size_t>(count < 0 ? 0 : (count > kMaxTabs ? kMaxTabs : count)));
	}
	DumpWriter& EndLine() { return Text("\r\n"); }
	DumpWriter& Pointer(uint32 value) { return Hex(value, 8); }
	DumpWriter& TypeCode(type_code code);
	DumpWriter& Float(double value);
	DumpWriter& HexDump(const uint8* data, int32 length, int32 prefixTabs);
	DumpWriter& Messenger(const uint8* bytes);
private:
	BDataIO* fStream;
};

DumpWriter& DumpWriter::TypeCode(type_code code)
{
	bool printable = (code >> 16) != (('0' << 8) | 'x');
	for (int32 shift = 24; shift >= 0; shift -= 8) {
		uint32 c = (code >> shift) & 0xFF;
		if (c < 0x20 || c > 0x7E || c == '\'' || c == '\\')
			printable = false;
	}
	if (!printable)
		return Text("0x").Pointer(code);
	char text[7] = {'\'', static_cast<char>(code >> 24), static_cast<char>(code >> 16), static_cast<char>(code >> 8),
		static_cast<char>(code), '\'', 0};
	return Text(text);
}

DumpWriter& DumpWriter::Float(double value)
{
	char text[64];
	std::snprintf(text, sizeof(text), "%g", value);
	Text(text);
	if (std::strpbrk(text, ".eE") == nullptr)
		Text(".0");
	return *this;
}

// 16 bytes a line in groups of 4; longer dumps go on lines of their own with
// an offset, each line prefixed by the given tabs.
DumpWriter& DumpWriter::HexDump(const uint8* data, int32 length, int32 prefixTabs)
{
	if (length == 0) {
		Tabs(prefixTabs);
		return Text("(empty)");
	}
	bool multiLine = length > kDumpBytesPerLine;
	if (multiLine)
		EndLine();
	for (int32 line = 0; line < length; line += kDumpBytesPerLine) {
		if (multiLine) {
			Tabs(prefixTabs);
			char offset[16];
			std::snprintf(offset, sizeof(offset), "0x%06x: ", static_cast<unsigned>(line));
			Text(offset);
		}
		for (int32 i = 0; i < kDumpBytesPerLine; i++) {
			if (i > 0 && i % 4 == 0 && (line + i < length || multiLine))
				Text(" ");
			if (line + i < length)
				Hex(data[line + i], 2);
			else if (multiLine)
				Text("  ");
		}
		Text(" '");
		for (int32 i = 0; i < kDumpBytesPerLine; i++) {
			if (line + i < length) {
				uint8 c = data[line + i];
				char shown = c < 32 || c > 126 ? '.' : static_cast<char>(c);
				Bytes(&shown, 1);
			} else if (multiLine) {
				Text(" ");
			}
		}
		Text("'");
		if (line + kDumpBytesPerLine < length)
			Text("\n");
	}
	return *this;
}

// The messenger form, from the 24-byte layout of a messenger.
DumpWriter& DumpWriter::Messenger(const uint8* bytes)
{
	BMessenger messenger;
	std::memcpy(static_cast<void*>(&messenger), bytes, sizeof(messenger));
	messenger.PrintTo(fStream);
	return *this;
}

template <typename T>
T ValueOf(const void* item)
{
	T value;
	std::memcpy(&value, item, sizeof(T));
	return value;
}

void WriteCharacterValue(DumpWriter& out, const char* kind, const uint8* item)
{
	int8 value = ValueOf<int8>(item);
	out.Text(kind).Int(value).Text(" or ").Pointer(static_cast<uint8>(value));
	if (value >= 0x20 && value <= 0x7E) {
		char character[2] = {static_cast<char>(value), 0};
		out.Text(" or '").Text(character).Text("'");
	}
	out.Text(")");
}

void WriteGeneric(DumpWriter& out, type_code type, const uint8* item, uint32 size, int32 depth)
{
	out.TypeCode(type).Text(" ").UInt(size).Text(" bytes:").HexDump(item, static_cast<int32>(size), depth + 2);
}

void WriteString(DumpWriter& out, const uint8* item, uint32 size, int32 depth)
{
	const void* firstZero = std::memchr(item, 0, size);
	if (size > 0 && firstZero == item + size - 1) {
		out.Text("string(\"").Bytes(item, size - 1).Text("\", ").UInt(size).Text(" bytes)");
		return;
	}
	out.Text("string ").UInt(size).Text(" bytes: ").HexDump(item, static_cast<int32>(size), depth + 2);
}

// The value form of one item; false when the type has no form at this size.
bool WriteTypedValue(DumpWriter& out, type_code type, const uint8* item, uint32 size)
{
	switch (type) {
		case kMessengerType:
			return size == 24 && (out.Messenger(item), true);
		case kBoolType:
			return size == 1 && (out.Text(item[0] != 0 ? "bool(true)" : "bool(false)"), true);
		case kPointType:
			if (size != 8)
				return false;
			out.Text("BPoint(").Float(ValueOf<float>(item)).Text(", ").Float(ValueOf<float>(item + 4)).Text(")");
			return true;
		case kInt8Type:
			return size == 1 && (WriteCharacterValue(out, "int8(", item), true);
		case kCharType:
			return size == 1 && (WriteCharacterValue(out, "char(", item), true);
		case kDoubleType:
			return size == 8 && (out.Text("double(").Float(ValueOf<double>(item)).Text(")"), true);
		case kFloatType:
			return size == 4 && (out.Text("float(").Float(ValueOf<float>(item)).Text(")"), true);
		case kInt64Type: {
			if (size != 8)
				return false;
			int64 value = ValueOf<int64>(item);
			out.Text("int64(").Int(value).Text(" or ").Pointer(static_cast<uint32>(value)).Text(")");
			return true;
		}
		case kInt32Type:
		case kOffsetType:
		case kSignedSizeType: {
			if (size != 4)
				return false;
			const char* kind = type == kInt32Type ? "int32(" : (type == kOffsetType ? "off_t(" : "ssize_t(");
			int32 value = ValueOf<int32>(item);
			out.Text(kind).Int(value).Text(" or ").Pointer(static_cast<uint32>(value)).Text(")");
			return true;
		}
		case kPointerType:
			return size == 4 && (out.Text("pointer(").Pointer(ValueOf<uint32>(item)).Text(")"), true);
		case kRectType:
			if (size != 16)
				return false;
			out.Text("BRect(").Float(ValueOf<float>(item)).Text(", ").Float(ValueOf<float>(item + 4));
			out.Text(")-(").Float(ValueOf<float>(item + 8)).Text(", ").Float(ValueOf<float>(item + 12)).Text(")");
			return true;
		case kColorType:
			return size == 4 && (out.Text("rgb_color(").Int(item[0]).Text(",").Int(item[1]).Text(",").Int(item[2]).Text(",").Int(item[3]).Text(")"), true);
		case kInt16Type: {
			if (size != 2)
				return false;
			int16 value = ValueOf<int16>(item);
			out.Text("int16(").Int(value).Text(" or ").Pointer(static_cast<uint16>(value)).Text(")");
			return true;
		}
		case kSizeType:
		case kUInt32Type: {
			if (size != 4)
				return false;
			uint32 value = ValueOf<uint32>(item);
			out.Text(type == kSizeType ? "size_t(" : "uint32(").UInt(value).Text(" or ").Pointer(value).Text(")");
			return true;
		}
		case kUInt8Type:
			return size == 1 && (out.Text("uint8(").UInt(item[0]).Text(" or ").Pointer(item[0]).Text(")"), true);
		case kUInt64Type: {
			if (size != 8)
				return false;
			uint64 value = ValueOf<uint64>(item);
			out.Text("uint64(").UInt(value).Text(" or ").Pointer(static_cast<uint32>(value));
			out.Text(")");
			return true;
		}
		case kUInt16Type: {
			if (size != 2)
				return false;
			uint16 value = ValueOf<uint16>(item);
			out.Text("uint16(").UInt(value).Text(" or ").Pointer(value).Text(")");
			return true;
		}
		default:
			return false;
	}
}

}  // namespace

void BMessage::DumpItem(BDataIO* output, const BMessageField& field, int32 index, int32 depth) const
{
	DumpWriter out(output);
	const void* data;
	int32 size;
	status_t status = GetData(field.name, field.type, index, &data, &size);
	if (status != kOk) {
		out.Text(std::strerror(status));
		return;
	}
	const uint8* item = static_cast<const uint8*>(data);
	uint32 length = static_cast<uint32>(size);
	if (index == 0 && fHasWhen && field.type == kInt64Type && std::strcmp(field.name, "when") == 0) {
		int64 when = fWhen;
		item = reinterpret_cast<const uint8*>(&when);
		WriteTypedValue(out, field.type, item, 8);
		return;
	}
	// Deeper nesting is shown as bytes: the recursion must not follow any input down.
	if (field.type == kMessageType && depth < kMaxNesting) {
		BMessage nested;
		status = nested.UnflattenItem(item, length);
		if (status == kOk)
			nested.Dump(output, depth + 1);
		else
			out.Text(std::strerror(status));
		return;
	}
	if (field.type == kUtf8Type) {
		WriteString(out, item, length, depth);
		return;
	}
	if (field.type == kRefType) {
		BString text;
		status = GetText(field.name, index, &text);
		if (status != kOk) {
			out.Text(std::strerror(status));
		} else if (char* utf8 = text.ToUtf8()) {
			out.Text(utf8);
			std::free(utf8);
		}
		WriteGeneric(out, field.type, item, length, depth);
		return;
	}
	if (!WriteTypedValue(out, field.type, item, length))
		WriteGeneric(out, field.type, item, length, depth);
}

void BMessage::Dump(BDataIO* output, int32 depth) const
{
	DumpWriter out(output);
	int32 tabs = depth + 1;
	out.Text("BMessage(").TypeCode(what).Text(") {").EndLine();
	uint32 flags = fRecord.flags;
	if (fRecord.target != -1) {
		out.Tabs(tabs).Text((flags & kPreferredTargetFlag) != 0 ? "// Target is preferred:" : "// Target is direct:");
		out.Pointer(static_cast<uint32>(fRecord.target));
		// Checked first without a report: a dump must not add diagnostics of its own.
		void* object = nullptr;
		if (gDefaultTokens.CheckToken(fRecord.target) &&
			gDefaultTokens.GetToken(fRecord.target, kAnyTokenType, &object) == kOk && object != nullptr) {
			out.Text(" (object ");
			DebugOut(output) << object;
			out.Text(")");
		}
		out.EndLine();
	} else if ((flags & kPreferredTargetFlag) != 0) {
		out.Tabs(tabs).Text("// Target is preferred handler").EndLine();
	}
	if ((flags & kDeliveredFlag) != 0) {
		out.Tabs(tabs).Text("// Return to ");
		ReplyAddress().PrintTo(output);
		out.EndLine();
	}
	if ((flags & kReplySentFlag) != 0)
		out.Tabs(tabs).Text("// Reply has been sent").EndLine();
	else if ((flags & kSenderWaitsFlag) != 0)
		out.Tabs(tabs).Text("// Sender is waiting for reply").EndLine();
	else if ((flags & kReplyRequiredFlag) != 0)
		out.Tabs(tabs).Text("// Sender not waiting but requires a reply").EndLine();
	if ((flags & kIsReplyFlag) != 0)
		out.Tabs(tabs).Text("// This is a reply to another message").EndLine();
	if (HasSpecifiers())
		out.Tabs(tabs).Text("// Current specifier is ").Int(fCurrentSpecifier).EndLine();
	if (fHasWhen)
		out.Tabs(tabs).Text("// Timestamp (when) at ").Int(fWhen).Text("us").EndLine();
	uint32 cookie = 0;
	BMessageField field;
	while (fBody != nullptr && fBody->NextField(&cookie, kAnyType, nullptr, 0, -1, &field) == kOk) {
		for (int32 i = 0; i < field.count; i++) {
			out.Tabs(tabs).Text(field.name);
			if (field.count > 1)
				out.Text("[").Int(i).Text("]");
			out.Text(" = ");
			DumpItem(output, field, i, depth);
			out.EndLine();
		}
	}
	out.Tabs(depth).Text("}");
}
