// Pieces of the concurrency tests: a group of threads joined within a
// deadline, a census of what the process holds (threads, kernel handles,
// windows, GDI objects, tokens), and waits that last as long as messages keep
// arriving.
#pragma once

#include "messaging/Message.h"
#include "messaging/TokenSpace.h"
#include "tests/harness/ResourceCounts.h"
#include "tests/messaging/LooperTestSupport.h"

#include <windows.h>

#include <condition_variable>
#include <mutex>
#include <thread>
#include <vector>

namespace zeltest {

// Starts `count` threads running body(index) at once. Join waits for all of
// them within the deadline; a thread still running then is left detached, so
// that the test fails instead of hanging.
class ThreadGroup {
public:
	template<class Body>
	ThreadGroup(int count, Body body)
	{
		for (int index = 0; index < count; index++) {
			fThreads.emplace_back([this, body, index] {
				fStart.Wait();
				body(index);
				std::lock_guard<std::mutex> guard(fMutex);
				fFinished++;
				fAllFinished.notify_all();
			});
		}
		fStart.Set();
	}
	~ThreadGroup() { Join(); }
	ThreadGroup(const ThreadGroup&) = delete;
	ThreadGroup& operator=(const ThreadGroup&) = delete;

	bool Join()
	{
		std::unique_lock<std::mutex> guard(fMutex);
		bool finished = fAllFinished.wait_for(guard, std::chrono::milliseconds(kDeadlineMillis),
			[&] { return fFinished == fThreads.size(); });
		guard.unlock();
		for (std::thread& thread : fThreads) {
			if (!thread.joinable())
				continue;
			if (finished)
				thread.join();
			else
				thread.detach();
		}
		return finished;
	}

private:
	Event fStart;
	std::mutex fMutex;
	std::condition_variable fAllFinished;
	size_t fFinished = 0;
	std::vector<std::thread> fThreads;
};

// What the process holds: threads, kernel handles, windows and GDI objects,
// counted for real, and the tokens of the token space.
struct ProcessCensus {
	ResourceCensus resources;
	int32 tokens;

	static ProcessCensus Take() { return {ResourceCensus::Take(), gDefaultTokens.CountLiveTokens()}; }
	bool operator==(const ProcessCensus& other) const
	{
		return resources == other.resources && tokens == other.tokens;
	}
};

// A thread that has run out of work ends a little later, and only then
// releases its handle; nothing signals that moment, so the census is polled
// until it matches or the deadline passes. The last census taken is answered.
inline ProcessCensus CensusOnceSettledAt(const ProcessCensus& expected)
{
	ProcessCensus census = ProcessCensus::Take();
	for (DWORD waited = 0; !(census == expected) && waited < kDeadlineMillis; waited += 5) {
		Sleep(5);
		census = ProcessCensus::Take();
	}
	return census;
}

// The census once it has stopped changing: what a first round of work leaves
// for good (the platform's caches) becomes the baseline of later rounds.
inline ProcessCensus SteadyCensus()
{
	ProcessCensus census = ProcessCensus::Take();
	int unchanged = 0;
	for (DWORD waited = 0; unchanged < 3 && waited < kDeadlineMillis; waited += 20) {
		Sleep(20);
		ProcessCensus next = ProcessCensus::Take();
		unchanged = next == census ? unchanged + 1 : 0;
		census = next;
	}
	return census;
}

inline void ExpectCensus(const ProcessCensus& census, const ProcessCensus& expected)
{
	EXPECT_EQ(census.resources.threads, expected.resources.threads) << "threads left behind";
	EXPECT_EQ(census.resources.handles, expected.resources.handles) << "kernel handles left behind";
	EXPECT_EQ(census.resources.windows, expected.resources.windows) << "windows left behind";
	EXPECT_EQ(census.resources.gdiObjects, expected.resources.gdiObjects) << "GDI objects left behind";
	EXPECT_EQ(census.tokens, expected.tokens) << "tokens left behind";
}

// Waits for `count` messages as long as they keep coming: only a deadline
// without any progress gives up.
inline bool WaitForAll(RecordingHandler& handler, size_t count)
{
	for (;;) {
		size_t before = handler.Count();
		if (handler.WaitFor(count))
			return true;
		if (handler.Count() == before)
			return false;
	}
}

inline BMessage Tagged(uint32 what, int32 sender, int32 sequence)
{
	BMessage message(what);
	(void)message.AddInt32("sender", sender);  // untagged, it fails the order check
	(void)message.AddInt32("seq", sequence);
	return message;
}

inline int32 Int32Of(const BMessage& message, const char* name)
{
	int32 value = -1;
	message.GetInt32(name, &value);
	return value;
}

}  // namespace zeltest
