// Test programs write their output unbuffered, so that a program that dies
// mid-test still shows everything it printed up to that point.
#include <cstdio>

namespace {

struct UnbufferedOutput {
	UnbufferedOutput()
	{
		std::setvbuf(stdout, nullptr, _IONBF, 0);
		std::setvbuf(stderr, nullptr, _IONBF, 0);
	}
};

const UnbufferedOutput gUnbufferedOutput;

}  // namespace
