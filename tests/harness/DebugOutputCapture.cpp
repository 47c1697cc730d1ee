// Debugger output seen through a vectored exception handler.
#include "tests/harness/DebugOutputCapture.h"

#include <windows.h>

#include <mutex>

namespace zeltest {

namespace {

constexpr DWORD kDebugPrintException = 0x40010006;

std::mutex gLinesLock;
std::vector<std::string> gLines;

LONG CALLBACK RecordDebugPrint(EXCEPTION_POINTERS* info)
{
	EXCEPTION_RECORD* record = info->ExceptionRecord;
	if (record->ExceptionCode != kDebugPrintException || record->NumberParameters < 2)
		return EXCEPTION_CONTINUE_SEARCH;
	const char* text = reinterpret_cast<const char*>(record->ExceptionInformation[1]);
	size_t length = static_cast<size_t>(record->ExceptionInformation[0]);
	if (text != nullptr && length > 0) {
		std::lock_guard<std::mutex> guard(gLinesLock);
		gLines.emplace_back(text, length - 1);
	}
	return EXCEPTION_CONTINUE_EXECUTION;
}

}  // namespace

DebugOutputCapture::DebugOutputCapture()
{
	Take();
	fHandler = AddVectoredExceptionHandler(1, RecordDebugPrint);
}

DebugOutputCapture::~DebugOutputCapture()
{
	RemoveVectoredExceptionHandler(fHandler);
}

std::vector<std::string> DebugOutputCapture::Take()
{
	std::lock_guard<std::mutex> guard(gLinesLock);
	std::vector<std::string> lines;
	lines.swap(gLines);
	return lines;
}

bool DebugOutputCapture::Contains(const std::string& part)
{
	std::lock_guard<std::mutex> guard(gLinesLock);
	for (const std::string& line : gLines) {
		if (line.find(part) != std::string::npos)
			return true;
	}
	return false;
}

}  // namespace zeltest
