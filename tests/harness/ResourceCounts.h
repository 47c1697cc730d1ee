// What the process holds, counted for real: kernel handles, GDI objects,
// native windows and threads.
//
// Wine answers 0 to GetProcessHandleCount and GetGuiResources whatever the
// process holds, so a leak check built on them can never fail. These counts
// read the system's handle list (or probe the handle table where the list is
// not given), read GDI's shared handle table and enumerate windows and threads
// instead. Some objects are made once and cached by the platform
// (a memory DC's first use, for one), so compare counts taken after a first
// cycle of the work under test.
#pragma once

#include <gtest/gtest.h>

#include <iosfwd>

namespace zeltest {

// Valid kernel handle values of this process, less the OLE RPC endpoints that
// Wine keeps open for good once a thread has registered a drop target.
int CountKernelHandles();
// GDI objects of this process in use; -1 when the table cannot be found.
int CountGdiObjects();
// Native windows of this process: top-level ones and all their descendants.
int CountProcessWindows();
// Threads of this process.
int CountProcessThreads();

struct ResourceCensus {
	int handles;
	int gdiObjects;
	int windows;
	int threads;

	static ResourceCensus Take();
	// Once two censuses 50 ms apart agree (at most two seconds): a thread
	// whose work is over, and what it holds, may still be on its way out.
	static ResourceCensus TakeSteady();
	bool operator==(const ResourceCensus& other) const
	{
		return handles == other.handles && gdiObjects == other.gdiObjects && windows == other.windows &&
		       threads == other.threads;
	}
};

// Whether `lives` repetitions of some work left nothing behind. A leak in that
// work grows a count by at least one per life; the platform's own caches and
// helper threads grow it by a few at most, however many lives there were
// (seen: 1 or 2 kernel handles, 3 GDI objects, only with another window-test
// process busy beside the test). So a count may grow by at most a quarter of
// the lives, never by one per life.
testing::AssertionResult LeftNothingBehind(const ResourceCensus& before, const ResourceCensus& after, int lives);

// How a census reads in a test's failure message.
void PrintTo(const ResourceCensus& census, std::ostream* out);

}  // namespace zeltest
