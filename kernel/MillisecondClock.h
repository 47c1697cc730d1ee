// BPrivate::MillisecondClock: widens readings of a 32-bit millisecond counter
// that wraps every 2^32 ms (about 49.7 days) into a 64-bit count of milliseconds
// since the first reading, so that times keep increasing across the wrap.
//
// Before the first wrap the count equals the unsigned 32-bit difference from the
// first reading. Readings may arrive from several threads slightly out of
// order; a reading older than the latest one seen gives its own, earlier count
// and never pushes the clock forward. The counter must be read at least once
// every 2^31 ms for a wrap to be noticed. Any thread may call.
#pragma once

#include "support/SupportDefs.h"

#include <atomic>

namespace BPrivate {

class MillisecondClock {
public:
	// Milliseconds from the first reading to `reading`.
	int64 Elapsed(uint32 reading);

private:
	static constexpr int64 kNoBase = -1;

	std::atomic<int64> fBase{kNoBase};
	// The largest count handed out so far.
	std::atomic<int64> fLatest{0};
};

}  // namespace BPrivate
