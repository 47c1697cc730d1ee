// The benchmarks' clock: seconds on the performance counter.
#pragma once
#include <windows.h>

inline double NowSeconds()
{
	static const LARGE_INTEGER frequency = [] {
		LARGE_INTEGER value;
		QueryPerformanceFrequency(&value);
		return value;
	}();
	LARGE_INTEGER now;
	QueryPerformanceCounter(&now);
	return static_cast<double>(now.QuadPart) / static_cast<double>(frequency.QuadPart);
}
