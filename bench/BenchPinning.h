// Keeps a benchmark's threads on fixed processors, so that neither side of a
// comparison is moved between processors or spread over them while the other
// is not. Each says where it pinned, or that the platform refused.
//
// PinToOneProcessor puts every thread of the process, the ones the framework
// starts included, on the last processor the process may use. A benchmark
// whose threads must truly run at once (two threads contending for a lock)
// pins each of them with PinThisThread instead: the first on the last
// processor, the second on the one before it.
#pragma once
#include <windows.h>

#include <cstdio>

namespace BenchPinning {

// The processors the process may use, highest first; false when they cannot be read.
inline bool AllowedProcessors(int* chosen, int count)
{
	DWORD_PTR allowed = 0;
	DWORD_PTR system = 0;
	if (!GetProcessAffinityMask(GetCurrentProcess(), &allowed, &system) || allowed == 0)
		return false;
	int found = 0;
	for (int i = static_cast<int>(sizeof(allowed) * 8) - 1; i >= 0 && found < count; i--) {
		if ((allowed >> i) & 1)
			chosen[found++] = i;
	}
	// Fewer processors than asked for: the last ones share.
	for (int i = found; i < count; i++)
		chosen[i] = chosen[i % found];
	return true;
}

}  // namespace BenchPinning

inline void PinToOneProcessor()
{
	int processor = 0;
	if (!BenchPinning::AllowedProcessors(&processor, 1)) {
		std::printf("threads not pinned: the processors cannot be read\n");
	} else if (!SetProcessAffinityMask(GetCurrentProcess(), static_cast<DWORD_PTR>(1) << processor)) {
		std::printf("threads not pinned: the platform refused\n");
	} else {
		std::printf("threads pinned to processor %d\n", processor);
	}
	std::fflush(stdout);
}

// `rank` 0 is the benchmark's main thread, 1 the thread that runs beside it.
inline void PinThisThread(int rank)
{
	int processors[2] = {0, 0};
	if (!BenchPinning::AllowedProcessors(processors, 2) ||
		SetThreadAffinityMask(GetCurrentThread(), static_cast<DWORD_PTR>(1) << processors[rank]) == 0)
		std::printf("thread %d not pinned\n", rank);
}
