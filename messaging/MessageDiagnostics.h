// One diagnostic line of the message code, assembled before it is written.
//
// The body code reports to the error stream with the magenta "BMessageBody"
// prefix; the old-format reader reports to the debugger stream. A line is built
// in a fixed buffer (a diagnostic must not fail for want of memory) and goes
// out with one write, so lines of different threads never interleave.
#pragma once

#include "support/SupportDefs.h"

#include <cstddef>

namespace BPrivate {

class DiagnosticLine {
public:
	DiagnosticLine& Text(const char* text);
	DiagnosticLine& Unsigned(uint32 value);
	DiagnosticLine& Signed(int32 value);
	DiagnosticLine& Pointer(uint32 value);
	// The standard library's text for a status ("Unknown error" for the framework's).
	DiagnosticLine& ErrorText(status_t status);

	// End the line with "\r\n" and write it.
	void ToErrorOut();
	void ToDebuggerOut();

private:
	void Append(const char* text, size_t length);
	void Finish();

	char fText[480];
	size_t fLength = 0;
};

// Starts a line with the colour-wrapped "BMessageBody" prefix.
DiagnosticLine BodyDiagnostic();
// The prefix and a hex dump of a body's data area, 16 bytes a line, to the
// error stream. Being several lines, it may interleave with other threads'.
void DumpBodyToErrorOut(const uint8* data, uint32 length);

}  // namespace BPrivate
