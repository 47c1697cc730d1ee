// BPrivate::MillisecondClock: a wrap-safe widening of a 32-bit millisecond counter.
#include "kernel/MillisecondClock.h"

namespace BPrivate {

int64 MillisecondClock::Elapsed(uint32 reading)
{
	int64 base = fBase.load(std::memory_order_acquire);
	if (base == kNoBase) {
		int64 expected = kNoBase;
		if (fBase.compare_exchange_strong(expected, reading, std::memory_order_acq_rel))
			base = reading;
		else
			base = expected;
	}
	uint32 sinceBase = reading - static_cast<uint32>(base);
	int64 latest = fLatest.load(std::memory_order_acquire);
	for (;;) {
		// The distance from the latest count, read modulo 2^32 and taken as signed,
		// so that a reading just behind the latest one moves backwards, not a wrap ahead.
		int32 step = static_cast<int32>(sinceBase - static_cast<uint32>(latest));
		int64 elapsed = latest + step;
		// Only a reading taken before the first one can fall below zero.
		if (step <= 0)
			return elapsed < 0 ? 0 : elapsed;
		if (fLatest.compare_exchange_weak(latest, elapsed, std::memory_order_acq_rel))
			return elapsed;
	}
}

}  // namespace BPrivate
