// The framework clock on timeGetTime, sleeping and the calendar.
#include "kernel/SystemTime.h"

#include "kernel/MillisecondClock.h"

#include <windows.h>
#include <mmsystem.h>

namespace {

// Sleep takes a 32-bit count in which INFINITE already means for ever.
constexpr bigtime_t kLongestSleepMillis = INFINITE - 1;

BPrivate::MillisecondClock gClock;

}  // namespace

bigtime_t SystemTimeMicros()
{
	return gClock.Elapsed(timeGetTime()) * 1000;
}

status_t SleepMicros(bigtime_t micros)
{
	if (micros == kInfinite) {
		Sleep(INFINITE);
		return kOk;
	}
	bigtime_t millis = micros / 1000;
	if (millis < 0)
		millis = 0;
	if (millis > kLongestSleepMillis)
		millis = kLongestSleepMillis;
	Sleep(static_cast<DWORD>(millis));
	return kOk;
}

void ReadCalendarTime(int32* year, int32* month, int32* dayOfWeek, int32* day, int32* hour,
	int32* minute, int32* second, int32* milliseconds)
{
	SYSTEMTIME now;
	GetSystemTime(&now);
	const struct {
		int32* target;
		WORD value;
	} fields[] = {
		{year, now.wYear}, {month, now.wMonth}, {dayOfWeek, now.wDayOfWeek}, {day, now.wDay},
		{hour, now.wHour}, {minute, now.wMinute}, {second, now.wSecond},
		{milliseconds, now.wMilliseconds},
	};
	for (const auto& field : fields) {
		if (field.target != nullptr)
			*field.target = field.value;
	}
}
