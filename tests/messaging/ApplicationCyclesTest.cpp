// The application object built, run and destroyed over and over in one
// process: each round must give back every thread, kernel handle, window, GDI
// object and token it took, or a program that restarts its application would
// leak without end.
#include "messaging/Application.h"
#include "messaging/Looper.h"
#include "tests/messaging/ConcurrencySupport.h"
#include "tests/harness/DebuggerSeam.h"
#include "tests/harness/TestApplication.h"

#include <gtest/gtest.h>

#include <windows.h>

using namespace zeltest;

namespace {

constexpr int kRounds = 20;

// One life of the application: built, run on this thread until the quit
// request it posts itself from OnReady, destroyed.
void RunOneApplication()
{
	TestApp* app = new TestApp();
	app->ready = [](TestApp& self) { EXPECT_EQ(self.Post(kQuitRequested), kOk); };
	EXPECT_NE(RunWithDeadline(*app), -1);
	EXPECT_EQ(app->readyCalls, 1);
	delete app;
}

// The census must be able to fail: a handle deliberately left open shows.
TEST(ConcurrentApplicationCycles, TheCensusSeesAHandleLeftOpen)
{
	ProcessCensus before = ProcessCensus::Take();
	HANDLE event = CreateEventW(nullptr, TRUE, FALSE, nullptr);
	ProcessCensus during = ProcessCensus::Take();
	CloseHandle(event);
	ASSERT_NE(event, nullptr);
	EXPECT_EQ(during.resources.handles, before.resources.handles + 1);
	EXPECT_FALSE(during == before);
	EXPECT_EQ(ProcessCensus::Take().resources.handles, before.resources.handles);
}

TEST(ConcurrentApplicationCycles, ManyRoundsLeaveNoThreadHandleOrTokenBehind)
{
	// The platform starts some services of its own on first use (window
	// classes, the message queue of this thread); the first round pays for them.
	int32 tokensBeforeFirst = gDefaultTokens.CountLiveTokens();
	RunOneApplication();
	ProcessCensus baseline = SteadyCensus();
	EXPECT_EQ(baseline.tokens, tokensBeforeFirst);

	for (int round = 1; round < kRounds; round++) {
		RunOneApplication();
		// The application's tokens go with it, at once.
		ASSERT_EQ(gDefaultTokens.CountLiveTokens(), baseline.tokens) << "round " << round;
	}
	ExpectCensus(CensusOnceSettledAt(baseline), baseline);
	EXPECT_TRUE(TakeDebuggerReports().empty());
}

}  // namespace
