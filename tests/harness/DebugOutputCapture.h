// Captures what the process writes to the platform's debugger output.
//
// The debugger output raises a continuable exception that carries the text;
// a vectored handler sees it before anything else, records it and lets the
// program go on. Only lines written while a capture object lives are kept.
#pragma once

#include <string>
#include <vector>

namespace zeltest {

class DebugOutputCapture {
public:
	DebugOutputCapture();
	~DebugOutputCapture();

	// Everything written since the capture began (or the last Take), in order.
	std::vector<std::string> Take();
	// True when some written text contains `part`.
	bool Contains(const std::string& part);

	DebugOutputCapture(const DebugOutputCapture&) = delete;
	DebugOutputCapture& operator=(const DebugOutputCapture&) = delete;

private:
	void* fHandler;
};

}  // namespace zeltest
