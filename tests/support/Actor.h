// Actor: a real thread that runs the tasks handed to it, in order, so that a
// test can choose which thread takes which lock and see which call blocks.
// Every wait a test makes on it has a deadline.
#pragma once

#include <atomic>
#include <chrono>
#include <condition_variable>
#include <deque>
#include <functional>
#include <future>
#include <mutex>
#include <memory>
#include <thread>
#include <vector>

namespace zeltest {

// Long enough for a loaded machine, short enough to fail a hung test quickly.
constexpr std::chrono::milliseconds kPatience{10000};
// How long a call must stay blocked to count as blocked.
constexpr std::chrono::milliseconds kBlockedFor{150};

template<class T>
bool Finishes(std::future<T>& result, std::chrono::milliseconds limit = kPatience)
{
	return result.wait_for(limit) == std::future_status::ready;
}

template<class T>
bool StaysBlocked(std::future<T>& result, std::chrono::milliseconds limit = kBlockedFor)
{
	return result.wait_for(limit) == std::future_status::timeout;
}

template<class Predicate>
bool WaitUntil(Predicate done, std::chrono::milliseconds limit = kPatience)
{
	auto deadline = std::chrono::steady_clock::now() + limit;
	while (!done()) {
		if (std::chrono::steady_clock::now() > deadline)
			return false;
		std::this_thread::sleep_for(std::chrono::milliseconds(1));
	}
	return true;
}

class Actor {
public:
	Actor()
		: fThread([this] { Loop(); })
	{
	}

	// A task still blocked at the end of a (failed) test is abandoned rather
	// than waited for, so the test executable does not hang.
	~Actor()
	{
		{
			std::lock_guard<std::mutex> lock(fMutex);
			fQuit = true;
		}
		fChanged.notify_all();
		if (WaitUntil([this] { return fDone.load(); }))
			fThread.join();
		else
			fThread.detach();
	}

	std::future<bool> Run(std::function<bool()> task)
	{
		std::packaged_task<bool()> packaged(std::move(task));
		std::future<bool> result = packaged.get_future();
		{
			std::lock_guard<std::mutex> lock(fMutex);
			fTasks.push_back(std::move(packaged));
		}
		fChanged.notify_all();
		return result;
	}

	// Runs the task and waits for its answer; false when it did not finish in time.
	bool Call(std::function<bool()> task)
	{
		std::future<bool> result = Run(std::move(task));
		return Finishes(result) && result.get();
	}

	Actor(const Actor&) = delete;
	Actor& operator=(const Actor&) = delete;

private:
	void Loop()
	{
		for (;;) {
			std::packaged_task<bool()> task;
			{
				std::unique_lock<std::mutex> lock(fMutex);
				fChanged.wait(lock, [this] { return fQuit || !fTasks.empty(); });
				if (fTasks.empty())
					break;
				task = std::move(fTasks.front());
				fTasks.pop_front();
			}
			task();
		}
		fDone = true;
	}

	std::mutex fMutex;
	std::condition_variable fChanged;
	std::deque<std::packaged_task<bool()>> fTasks;
	bool fQuit = false;
	std::atomic<bool> fDone{false};
	std::thread fThread;
};

// Threads started together and joined with a deadline; threads still running
// when the group goes (a failed test) are abandoned instead of waited for.
class ThreadGroup {
public:
	~ThreadGroup()
	{
		for (std::thread& thread : fThreads)
			thread.detach();
	}

	void Spawn(std::function<void()> body)
	{
		std::shared_ptr<std::atomic<int>> finished = fFinished;
		fThreads.emplace_back([body, finished] {
			body();
			*finished += 1;
		});
	}

	bool JoinAll(std::chrono::milliseconds limit = kPatience)
	{
		int count = static_cast<int>(fThreads.size());
		if (!WaitUntil([this, count] { return *fFinished == count; }, limit))
			return false;
		for (std::thread& thread : fThreads)
			thread.join();
		fThreads.clear();
		return true;
	}

private:
	std::shared_ptr<std::atomic<int>> fFinished = std::make_shared<std::atomic<int>>(0);
	std::vector<std::thread> fThreads;
};

}  // namespace zeltest
