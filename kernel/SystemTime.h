// The framework clock, sleeping and the calendar.
//
// Framework times are signed 64-bit microseconds since the clock base, the
// platform's millisecond clock read at the first call in the process. The clock
// has millisecond resolution and never runs backwards. Any thread may call.
#pragma once

#include "support/SupportDefs.h"

bigtime_t SystemTimeMicros();

// Sleeps whole milliseconds (999 microseconds sleep 0); kInfinite sleeps for
// ever and a negative time does not sleep. Returns 0.
[[nodiscard]] status_t SleepMicros(bigtime_t micros);

// The current UTC date and time; every null pointer is skipped. Months run from
// 1, days of the week from 0 (Sunday).
void ReadCalendarTime(int32* year, int32* month, int32* dayOfWeek, int32* day, int32* hour,
	int32* minute, int32* second, int32* milliseconds);
