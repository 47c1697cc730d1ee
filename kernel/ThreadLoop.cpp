// The per-thread native message loop, its step and its wake-ups.
//
// The platform hands out WM_PAINT only when nothing else is queued, so while
// other messages keep arriving the loop forces queued paints through once
// 33.333 ms have passed since the last paint, and after a paint or a wake-up it
// reads input before other queued messages: a busy looper keeps repainting and
// stays responsive. Timers are set 11 ms late, so that a timer never fires
// before the step's wake time. When the platform refuses a timer, the loop's
// wait for the next message is limited to the step's wake time instead, and a
// wake-up that cannot be posted to the loop's own thread is not needed: the
// loop finds the step due before it waits.
//
// Input goes to windows, so a thread that serves none (a looper of its own,
// woken through its thread queue) has no input to read first: it skips the
// peek for input, which under Wine costs a round trip to the platform's server
// on every wake-up.
//
// A step that asks to quit ends the loop through the record, not only through
// WM_QUIT: any other message loop on the thread (a modal loop, a peek for
// paint messages inside a handler) may take WM_QUIT out of the queue, and the
// loop would then wait for good. The loop looks at the record before every
// wait and after every message; WM_QUIT is still posted so that a modal loop
// the step ran inside ends too.
#include "kernel/ThreadLoop.h"

#include "kernel/ForegroundHook.h"
#include "kernel/ProcessSlots.h"
#include "kernel/SystemTime.h"
#include "kernel/ThreadRecord.h"
#include "support/DebugDataIO.h"
#include "support/DebugFormat.h"

namespace {

constexpr bigtime_t kPaintInterval = 33333;
constexpr bigtime_t kTimerLateMillis = 11;
// Removes the next mouse, key or raw input message.
constexpr UINT kRemoveInput = PM_REMOVE | PM_QS_INPUT;
static_assert(kRemoveInput == 0x04070001, "mouse, key and raw input only, whatever later platform versions add");

void KillPendingTimer(ThreadRecord* record)
{
	if (record->fTimerId != 0) {
		KillTimer(nullptr, record->fTimerId);
		record->fTimerId = 0;
	}
}

void CALLBACK RunStepOnTimer(HWND, UINT, UINT_PTR, DWORD);

void SetStepTimer(ThreadRecord* record, bigtime_t when, bigtime_t now)
{
	bigtime_t millis = (when - now) / 1000 + kTimerLateMillis;
	if (millis > USER_TIMER_MAXIMUM)
		millis = USER_TIMER_MAXIMUM;
	record->fTimerId = SetTimer(nullptr, 0, static_cast<UINT>(millis), RunStepOnTimer);
}

bool PostWakeup(ThreadRecord* record)
{
	HWND window = record->fWakeWindow.load(std::memory_order_acquire);
	if (window != nullptr)
		return PostMessageW(window, BWM_WAKEUP, 0, 0) != FALSE;
	return PostThreadMessageW(record->fThreadId, BWM_WAKEUP, 0, 0) != FALSE;
}

// A step that wants to run again at once goes back through the queue rather
// than recursing, so that the messages queued meanwhile are handled first.
void RunStep(ThreadRecord* record, bigtime_t now)
{
	KillPendingTimer(record);
	record->fInStep = true;
	record->fWakePending.store(false, std::memory_order_release);
	bool quit = false;
	bigtime_t next = record->fStep(record->fStepArgument, now, &quit);
	record->fNextWakeTime = next;
	record->fInStep = false;
	if (quit) {
		record->fQuitRequested = true;
		PostQuitMessage(0);
		return;
	}
	if (next == kInfinite)
		return;
	bigtime_t after = SystemTimeMicros();
	if (next <= after)
		(void)PostWakeup(record);  // due now: the loop looks before it waits
	else
		SetStepTimer(record, next, after);
}

// For callbacks that the platform may call inside the step (a modal loop the
// step runs) or after the loop ended: the step never runs inside itself, nor
// after its loop.
void RunStepOfCallingThread()
{
	ThreadRecord* record = BPrivate::StoredThreadRecord();
	if (record != nullptr && record->fStep != nullptr && !record->fInStep)
		RunStep(record, SystemTimeMicros());
}

void CALLBACK RunStepOnTimer(HWND, UINT, UINT_PTR, DWORD)
{
	RunStepOfCallingThread();
}

bool ServesWindows(const ThreadRecord* record)
{
	return record->fWakeWindow.load(std::memory_order_relaxed) != nullptr;
}

bool StepIsDue(const ThreadRecord* record, bigtime_t now)
{
	return now >= record->fNextWakeTime || record->fWakePending.load(std::memory_order_acquire);
}

void Dispatch(MSG* message)
{
	if (TranslateAcceleratorW(message->hwnd, ProcessAcceleratorTable(), message) == 0) {
		TranslateMessage(message);
		DispatchMessageW(message);
	}
}

// Dispatches every queued WM_PAINT; false when WM_QUIT turned up instead.
// `painted` tells whether any paint was dispatched.
bool DispatchQueuedPaints(bool* painted)
{
	MSG message;
	*painted = false;
	while (PeekMessageW(&message, nullptr, WM_PAINT, WM_PAINT, PM_REMOVE)) {
		if (message.message == WM_QUIT)
			return false;
		DispatchMessageW(&message);
		*painted = true;
	}
	return true;
}

// True when a message may be read without waiting past the step's wake time:
// always while a timer stands for that time or none is wanted. Without the
// timer (the platform refused one) the wait ends at the wake time, false.
bool MessageComesBeforeStep(const ThreadRecord* record)
{
	if (record->fTimerId != 0 || record->fNextWakeTime == kInfinite)
		return true;
	bigtime_t wait = (record->fNextWakeTime - SystemTimeMicros()) / 1000 + kTimerLateMillis;
	DWORD millis = wait <= 0 ? 0 : (wait >= INFINITE ? INFINITE - 1 : static_cast<DWORD>(wait));
	return MsgWaitForMultipleObjectsEx(0, nullptr, millis, QS_ALLINPUT, MWMO_INPUTAVAILABLE) != WAIT_TIMEOUT;
}

// A loop that ended on the record's word, before it read its WM_QUIT, takes
// that message out: left in the queue it would end the next loop of this
// thread (an application run again on the main thread) before it began. Only
// WM_QUIT is taken; whatever else is queued stays.
void TakeLeftQuitMessage()
{
	MSG message;
	PeekMessageW(&message, nullptr, WM_QUIT, WM_QUIT, PM_REMOVE);
}

// GetMessage answers -1 only for a broken call; the loop cannot go on, but
// says why it ends.
void ReportFailedMessageRead()
{
	BPrivate::DebugOut(gErrorOut) << "ThreadLoop: reading the next message failed (error "
		<< static_cast<uint32>(GetLastError()) << "); the loop ends" << BPrivate::kEndLine;
}

// The loop proper; returns when WM_QUIT arrives.
void PumpMessages(ThreadRecord* record)
{
	bigtime_t now = SystemTimeMicros();
	bigtime_t paintDeadline = now + kPaintInterval;
	RunStep(record, now);
	bool paintOverdue = false;
	bool preferInput = false;
	MSG message;
	while (!record->fQuitRequested) {
		if (paintOverdue) {
			now = SystemTimeMicros();
			if (StepIsDue(record, now))
				RunStep(record, now);
			bool painted;
			if (!DispatchQueuedPaints(&painted))
				return;
			// The forced paints count as the last paint.
			if (painted) {
				paintDeadline = now + kPaintInterval;
				paintOverdue = false;
			}
			preferInput = true;
		}

		now = SystemTimeMicros();
		bool found = preferInput && ServesWindows(record) && PeekMessageW(&message, nullptr, 0, 0, kRemoveInput);
		if (!found)
			found = PeekMessageW(&message, nullptr, 0, 0, PM_REMOVE);
		if (!found) {
			if (StepIsDue(record, now))
				RunStep(record, now);
			if (record->fQuitRequested)
				return;
			if (!MessageComesBeforeStep(record))
				continue;
			BOOL read = GetMessageW(&message, nullptr, 0, 0);
			if (read == 0)
				return;
			if (read == -1) {
				ReportFailedMessageRead();
				return;
			}
			now = SystemTimeMicros();
		}
		if (message.message == WM_QUIT)
			return;

		if (message.message == WM_PAINT) {
			paintDeadline = now + kPaintInterval;
			preferInput = true;
			paintOverdue = false;
		} else {
			paintOverdue = now >= paintDeadline;
			if (message.message == BWM_WAKEUP) {
				RunStep(record, now);
				preferInput = true;
				continue;
			}
			preferInput = false;
		}
		Dispatch(&message);
	}
}

}  // namespace

status_t RunThreadLoop(ThreadLoopStep step, void* argument)
{
	ThreadRecord* record = RecordForThread(-1);
	if (record == nullptr)
		return kError;
	record->fTimerId = 0;
	record->fStep = step;
	record->fStepArgument = argument;
	record->fQuitRequested = false;
	BPrivate::InstallForegroundHook(record);
	PumpMessages(record);
	KillPendingTimer(record);
	// A wake-up that reaches a window procedure after the loop has ended finds no step.
	record->fStep = nullptr;
	if (record->fQuitRequested)
		TakeLeftQuitMessage();
	return kOk;
}

status_t WakeThreadLoop(ThreadRecord* record, bigtime_t when)
{
	if (record == nullptr)
		return kError;
	if (record->fThreadId == GetCurrentThreadId()) {
		// The step's own answer decides its next run.
		if (record->fInStep)
			return kOk;
		bigtime_t now = SystemTimeMicros();
		if (when > now && when < record->fNextWakeTime) {
			KillPendingTimer(record);
			record->fNextWakeTime = when;
			SetStepTimer(record, when, now);
			return kOk;
		}
	}
	// Marked before posting, so that the step run by this very wake-up clears it.
	record->fWakePending.store(true, std::memory_order_release);
	return PostWakeup(record) ? kOk : kError;
}

void RunThreadLoopStepNow()
{
	RunStepOfCallingThread();
}

ThreadRecord* SetWakeWindow(HWND window)
{
	ThreadRecord* record = RecordForThread(-1);
	if (record != nullptr)
		record->fWakeWindow.store(window, std::memory_order_release);
	return record;
}

bool ThreadServesWindows()
{
	ThreadRecord* record = BPrivate::StoredThreadRecord();
	return record != nullptr && ServesWindows(record);
}
