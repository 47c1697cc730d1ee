// Busy threads beside a concurrency test. On an idle machine a looper thread
// runs each step to its end undisturbed; with every processor taken by
// spinning threads it is preempted anywhere, between any two instructions, as
// on a machine that builds and tests beside it. Races hidden by an idle
// machine then show.
#pragma once

#include <windows.h>

#include <atomic>
#include <vector>

namespace zeltest {

class CpuLoad {
public:
	// One spinning thread more than the machine has processors, so that the
	// scheduler always has more ready threads than it can run.
	CpuLoad()
	{
		SYSTEM_INFO system;
		GetSystemInfo(&system);
		DWORD count = system.dwNumberOfProcessors + 1;
		for (DWORD i = 0; i < count; i++) {
			HANDLE thread = CreateThread(nullptr, 0, Spin, &fStop, 0, nullptr);
			if (thread != nullptr)
				fThreads.push_back(thread);
		}
	}
	~CpuLoad()
	{
		fStop = true;
		for (HANDLE thread : fThreads) {
			WaitForSingleObject(thread, INFINITE);
			CloseHandle(thread);
		}
	}
	CpuLoad(const CpuLoad&) = delete;
	CpuLoad& operator=(const CpuLoad&) = delete;

	size_t CountThreads() const { return fThreads.size(); }

private:
	static DWORD WINAPI Spin(void* stop)
	{
		const std::atomic<bool>* flag = static_cast<const std::atomic<bool>*>(stop);
		volatile unsigned sink = 0;
		while (!flag->load(std::memory_order_relaxed))
			sink = sink + 1;
		return 0;
	}

	std::atomic<bool> fStop{false};
	// Plain platform threads: the C++ library keeps records of ended threads
	// for reuse, which the leak censuses would count.
	std::vector<HANDLE> fThreads;
};

}  // namespace zeltest
