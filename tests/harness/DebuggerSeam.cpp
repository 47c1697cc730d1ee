// Installs the debugger-box recorder before any test runs.
#include "tests/harness/DebuggerSeam.h"

#include "kernel/DebuggerHook.h"

#include <windows.h>

#include <mutex>

namespace zeltest {

namespace {

std::mutex& ReportsLock()
{
	static std::mutex lock;
	return lock;
}

std::vector<std::string>& Reports()
{
	static std::vector<std::string> reports;
	return reports;
}

int32 RecordReport(const char* message)
{
	std::lock_guard<std::mutex> guard(ReportsLock());
	Reports().push_back(message);
	return IDOK;
}

struct RecorderInstaller {
	RecorderInstaller() { SetDebuggerBoxObserver(RecordReport); }
};

const RecorderInstaller sInstaller;

}  // namespace

std::vector<std::string> TakeDebuggerReports()
{
	std::lock_guard<std::mutex> guard(ReportsLock());
	std::vector<std::string> taken;
	taken.swap(Reports());
	return taken;
}

}  // namespace zeltest
