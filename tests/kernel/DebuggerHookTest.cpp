// The debugger hook reaches the test recorder instead of a modal box.
#include "kernel/DebuggerHook.h"
#include "tests/harness/DebugOutputCapture.h"
#include "tests/harness/DebuggerSeam.h"

#include <gtest/gtest.h>

#include <windows.h>

namespace {

int32 AnswerOk(const char*)
{
	return IDOK;
}

TEST(DebuggerHook, ReportsReachTheRecorderAndTheBoxAnswerIsReturned)
{
	zeltest::TakeDebuggerReports();
	zeltest::DebugOutputCapture capture;
	EXPECT_EQ(DebuggerHook("Failure spawning thread!"), IDOK);
	EXPECT_EQ(capture.Take(), (std::vector<std::string>{"DEBUGGER: Failure spawning thread!\r\n"}));
	EXPECT_EQ(DebuggerHook(nullptr), IDOK);
	std::vector<std::string> reports = zeltest::TakeDebuggerReports();
	ASSERT_EQ(reports.size(), 2u);
	EXPECT_EQ(reports[0], "Failure spawning thread!");
	EXPECT_EQ(reports[1], "");

	DebuggerBoxObserver recorder = SetDebuggerBoxObserver(AnswerOk);
	EXPECT_NE(recorder, nullptr);
	EXPECT_EQ(DebuggerHook("quiet"), IDOK);
	EXPECT_TRUE(zeltest::TakeDebuggerReports().empty());
	SetDebuggerBoxObserver(recorder);
}

}  // namespace
