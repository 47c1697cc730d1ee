// Atomic bit operations under real contention.
#include "kernel/Atomics.h"

#include <gtest/gtest.h>

#include <atomic>
#include <thread>
#include <vector>

namespace {

TEST(Atomics, ReturnTheValueBeforeTheChange)
{
	volatile int32 word = 0x0F0;
	EXPECT_EQ(AtomicOr(&word, 0x101), 0x0F0);
	EXPECT_EQ(word, 0x1F1);
	EXPECT_EQ(AtomicAnd(&word, 0x10F), 0x1F1);
	EXPECT_EQ(word, 0x101);
	EXPECT_EQ(AtomicOr(&word, INT32_MIN), 0x101);
	EXPECT_EQ(word, static_cast<int32>(0x80000101u));
}

TEST(Atomics, ThreadsTogglingTheirOwnBitsLoseNoUpdate)
{
	constexpr int kThreads = 4;
	constexpr int kRounds = 20000;
	volatile int32 word = 0;
	std::atomic<int> faults{0};
	std::vector<std::thread> threads;
	for (int t = 0; t < kThreads; t++) {
		threads.emplace_back([&, t] {
			int32 bit = 1 << (t * 7);
			for (int i = 0; i < kRounds; i++) {
				if ((AtomicOr(&word, bit) & bit) != 0)
					faults++;
				if ((AtomicAnd(&word, ~bit) & bit) == 0)
					faults++;
			}
		});
	}
	for (std::thread& thread : threads)
		thread.join();
	EXPECT_EQ(faults.load(), 0);
	EXPECT_EQ(word, 0);
}

}  // namespace
