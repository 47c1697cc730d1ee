// CallOnce: bit 0 of the state claims the call, bit 1 says it has finished.
#include "support/CallOnce.h"

#include <windows.h>

namespace {

constexpr int32 kClaimed = 1;
constexpr int32 kFinished = 2;
constexpr DWORD kPollMillis = 20;

}  // namespace

void CallOnce(std::atomic<int32>& state, OnceFunction function, void* argument)
{
	if (state.fetch_or(kClaimed, std::memory_order_acq_rel) == 0) {
		function(argument);
		state.fetch_or(kFinished, std::memory_order_acq_rel);
		return;
	}
	while (state.fetch_or(0, std::memory_order_acq_rel) < kFinished)
		Sleep(kPollMillis);
}
