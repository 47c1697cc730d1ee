// Loopers used after static shutdown: the looper list is gone, and Lock and
// IsLocked say so on the standard output instead of touching it. A child copy
// of this test program does the late calls; the test reads its output.
#include "tests/messaging/LooperTestSupport.h"

#include <gtest/gtest.h>

#include <windows.h>

#include <string>

namespace {

constexpr wchar_t kChildVariable[] = L"ZEL_LOOPER_AFTER_MAIN";

// Constructed before every static object of normal priority, the looper list
// among them, and therefore destroyed after all of them.
struct AfterShutdownProbe {
	~AfterShutdownProbe()
	{
		if (looper == nullptr)
			return;
		bool locked = looper->Lock();
		bool isLocked = looper->IsLocked();
		if (!locked && !isLocked) {
			fputs("late calls failed\n", stdout);
			fflush(stdout);
		}
	}
	BLooper* looper = nullptr;
};

AfterShutdownProbe gAfterShutdown __attribute__((init_priority(101)));

bool IsChild()
{
	return GetEnvironmentVariableW(kChildVariable, nullptr, 0) != 0;
}

// Runs this program with only the given test and answers what it printed.
std::string RunChild(const wchar_t* filter)
{
	SECURITY_ATTRIBUTES inherit = {sizeof(inherit), nullptr, TRUE};
	HANDLE readEnd = nullptr;
	HANDLE writeEnd = nullptr;
	if (!CreatePipe(&readEnd, &writeEnd, &inherit, 0))
		return "<no pipe>";
	SetHandleInformation(readEnd, HANDLE_FLAG_INHERIT, 0);

	wchar_t program[MAX_PATH];
	GetModuleFileNameW(nullptr, program, MAX_PATH);
	std::wstring commandLine = L"\"" + std::wstring(program) + L"\" --gtest_filter=" + filter;
	STARTUPINFOW startup = {};
	startup.cb = sizeof(startup);
	startup.dwFlags = STARTF_USESTDHANDLES;
	startup.hStdOutput = writeEnd;
	startup.hStdError = writeEnd;
	startup.hStdInput = GetStdHandle(STD_INPUT_HANDLE);
	PROCESS_INFORMATION process = {};
	SetEnvironmentVariableW(kChildVariable, L"1");
	BOOL started = CreateProcessW(program, &commandLine[0], nullptr, nullptr, TRUE, 0, nullptr, nullptr,
		&startup, &process);
	SetEnvironmentVariableW(kChildVariable, nullptr);
	CloseHandle(writeEnd);
	std::string output;
	if (started) {
		char buffer[512];
		DWORD read = 0;
		while (ReadFile(readEnd, buffer, sizeof(buffer), &read, nullptr) && read > 0)
			output.append(buffer, read);
		WaitForSingleObject(process.hProcess, zeltest::kDeadlineMillis);
		CloseHandle(process.hThread);
		CloseHandle(process.hProcess);
	}
	CloseHandle(readEnd);
	return output;
}

}  // namespace

TEST(LooperShutdown, LateLockAndIsLockedReportThatMainReturned)
{
	if (IsChild()) {
		// Left for the probe, which calls it after static shutdown.
		gAfterShutdown.looper = new BLooper("static");
		gAfterShutdown.looper->Unlock();
		return;
	}
	std::string output = RunChild(L"LooperShutdown.LateLockAndIsLockedReportThatMainReturned");
	// The standard output is in text mode, so its line ends come out as "\r\n".
	EXPECT_NE(output.find("Attempt to lock a looper after main() returned. Can't have static Loopers.\r\n"),
		std::string::npos) << output;
	EXPECT_NE(output.find("IsLocked() called after main() returned. Can't have static Loopers.\r\n"),
		std::string::npos) << output;
	EXPECT_NE(output.find("late calls failed"), std::string::npos) << output;
}
