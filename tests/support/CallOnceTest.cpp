// CallOnce raced by several threads: one call, and nobody returns before it ends.
#include "support/CallOnce.h"

#include "tests/support/Actor.h"

#include <gtest/gtest.h>

#include <atomic>
#include <chrono>
#include <thread>

namespace {

struct Initialisation {
	std::atomic<int> calls{0};
	std::atomic<bool> finished{false};
};

void InitialiseSlowly(void* argument)
{
	Initialisation* state = static_cast<Initialisation*>(argument);
	state->calls += 1;
	std::this_thread::sleep_for(std::chrono::milliseconds(60));
	state->finished = true;
}

TEST(CallOnce, RacingThreadsRunTheFunctionOnceAndWaitForIt)
{
	std::atomic<int32> once{0};
	Initialisation state;
	std::atomic<bool> go{false};
	std::atomic<int> sawUnfinished{0};
	zeltest::ThreadGroup threads;
	for (int t = 0; t < 6; ++t) {
		threads.Spawn([&] {
			while (!go)
				std::this_thread::yield();
			CallOnce(once, InitialiseSlowly, &state);
			if (!state.finished)
				sawUnfinished += 1;
		});
	}
	go = true;
	ASSERT_TRUE(threads.JoinAll());
	EXPECT_EQ(state.calls, 1);
	EXPECT_EQ(sawUnfinished, 0);
	EXPECT_GE(once.load(), 2);

	CallOnce(once, InitialiseSlowly, &state);
	EXPECT_EQ(state.calls, 1);
}

}  // namespace
