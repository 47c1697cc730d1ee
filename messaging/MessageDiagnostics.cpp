// Diagnostic lines of the message body and the old-format reader.
#include "messaging/MessageDiagnostics.h"

#include "support/DebugDataIO.h"
#include "support/DebugFormat.h"

#include <cstdio>
#include <cstring>

namespace BPrivate {

namespace {

const char kBodyPrefix[] = "\033[35mBMessageBody\033[0m";

}  // namespace

DiagnosticLine BodyDiagnostic()
{
	DiagnosticLine line;
	line.Text(kBodyPrefix);
	return line;
}

void DumpBodyToErrorOut(const uint8* data, uint32 length)
{
	DebugOut(gErrorOut) << kBodyPrefix << HexDump(data, static_cast<int32>(length)) << kEndLine;
}

void DiagnosticLine::Append(const char* text, size_t length)
{
	// Two bytes stay free for the line end and one for the terminator.
	size_t room = sizeof(fText) - 3 - fLength;
	if (length > room)
		length = room;
	std::memcpy(fText + fLength, text, length);
	fLength += length;
	fText[fLength] = 0;
}

DiagnosticLine& DiagnosticLine::Text(const char* text)
{
	if (text == nullptr)
		text = "(nil)";
	Append(text, std::strlen(text));
	return *this;
}

DiagnosticLine& DiagnosticLine::Unsigned(uint32 value)
{
	char digits[16];
	int length = std::snprintf(digits, sizeof(digits), "%u", value);
	Append(digits, static_cast<size_t>(length));
	return *this;
}

DiagnosticLine& DiagnosticLine::Signed(int32 value)
{
	char digits[16];
	int length = std::snprintf(digits, sizeof(digits), "%d", value);
	Append(digits, static_cast<size_t>(length));
	return *this;
}

DiagnosticLine& DiagnosticLine::Pointer(uint32 value)
{
	char digits[16];
	int length = std::snprintf(digits, sizeof(digits), "%08X", value);
	Append(digits, static_cast<size_t>(length));
	return *this;
}

DiagnosticLine& DiagnosticLine::ErrorText(status_t status)
{
	return Text(std::strerror(status));
}

void DiagnosticLine::Finish()
{
	fText[fLength++] = '\r';
	fText[fLength++] = '\n';
	fText[fLength] = 0;
}

void DiagnosticLine::ToErrorOut()
{
	Finish();
	gErrorOut->Write(fText, fLength);
}

void DiagnosticLine::ToDebuggerOut()
{
	Finish();
	gDebuggerOut->Write(fText, fLength);
}

}  // namespace BPrivate
