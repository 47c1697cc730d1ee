// Pieces of the concurrency tests: a group of threads joined within a
// deadline, a census of what the process holds (threads, kernel handles,
// tokens), and waits that last as long as messages keep arriving.
#pragma once

#include "messaging/Message.h"
#include "messaging/TokenSpace.h"
#include "tests/looper/LooperTestSupport.h"

#include <windows.h>
#include <tlhelp32.h>

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
		bool finished = fAllFinished.wait_for(guard, std::chrono::milliseconds(kLooperDeadlineMillis),
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

inline int CountProcessThreads()
{
	HANDLE snapshot = CreateToolhelp32Snapshot(TH32CS_SNAPTHREAD, 0);
	if (snapshot == INVALID_HANDLE_VALUE)
		return -1;
	THREADENTRY32 entry;
	entry.dwSize = sizeof(entry);
	int count = 0;
	for (BOOL more = Thread32First(snapshot, &entry); more; more = Thread32Next(snapshot, &entry)) {
		if (entry.th32OwnerProcessID == GetCurrentProcessId())
			count++;
	}
	CloseHandle(snapshot);
	return count;
}

struct ProcessCensus {
	int threads;
	DWORD handles;
	int32 tokens;

	static ProcessCensus Take()
	{
		ProcessCensus census;
		census.threads = CountProcessThreads();
		census.handles = 0;
		GetProcessHandleCount(GetCurrentProcess(), &census.handles);
		census.tokens = gDefaultTokens.CountLiveTokens();
		return census;
	}
	bool operator==(const ProcessCensus& other) const
	{
		return threads == other.threads && handles == other.handles && tokens == other.tokens;
	}
};

// A thread that has run out of work ends a little later, and only then
// releases its handle; nothing signals that moment, so the census is polled
// until it matches or the deadline passes. The last census taken is answered.
inline ProcessCensus CensusOnceSettledAt(const ProcessCensus& expected)
{
	ProcessCensus census = ProcessCensus::Take();
	for (DWORD waited = 0; !(census == expected) && waited < kLooperDeadlineMillis; waited += 5) {
		Sleep(5);
		census = ProcessCensus::Take();
	}
	return census;
}

inline void ExpectCensus(const ProcessCensus& census, const ProcessCensus& expected)
{
	EXPECT_EQ(census.threads, expected.threads) << "threads left behind";
	EXPECT_EQ(census.handles, expected.handles) << "kernel handles left behind";
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
	message.AddInt32("sender", sender);
	message.AddInt32("seq", sequence);
	return message;
}

inline int32 Int32Of(const BMessage& message, const char* name)
{
	int32 value = -1;
	message.GetInt32(name, &value);
	return value;
}

}  // namespace zeltest
