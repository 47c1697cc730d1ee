// ThreadRecord: the framework's per-thread state, kept in thread-local storage.
//
// Owned by its thread and touched only there, except that WakeThreadLoop may
// post a wake-up and set the wake-pending flag from any thread.
#pragma once

#include "kernel/Thread.h"
#include "kernel/ThreadLoop.h"
#include "kernel/WinOwner.h"

#include <windows.h>

#include <atomic>

struct ThreadRecord {
	ThreadEntry fEntry = nullptr;
	void* fArgument = nullptr;
	bool fHookInstalled = false;
	// The creation handle, or a duplicate for threads not spawned by the framework.
	WinHandle fThreadHandle;
	DWORD fThreadId = 0;
	// Wake-ups go to this window, or to the thread's queue when it is null. Set
	// by the thread while other threads may already be posting wake-ups.
	std::atomic<HWND> fWakeWindow{nullptr};
	UINT_PTR fTimerId = 0;
	ThreadLoopStep fStep = nullptr;
	void* fStepArgument = nullptr;
	bool fInStep = false;
	// When the step wants to run again, on the framework clock; kInfinite for never.
	bigtime_t fNextWakeTime = 0;
	std::atomic<bool> fWakePending{false};
	// The step asked to quit: the loop ends at its next look, whether or not
	// its WM_QUIT arrives.
	bool fQuitRequested = false;
	// UTF-8, from malloc; null without a name.
	char* fName = nullptr;
};

namespace BPrivate {

// The calling thread's record as stored, without creating one.
ThreadRecord* StoredThreadRecord();

}  // namespace BPrivate
