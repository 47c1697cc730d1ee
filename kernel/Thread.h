// Threads of the framework: creation with names and priorities, the calling
// thread's handle and record, and thread names for debuggers.
//
// Every thread that uses the framework has a ThreadRecord (kernel/ThreadRecord.h)
// in thread-local storage: created at spawn, or on first need for the main
// thread and threads started elsewhere, and freed when the thread ends. Any
// thread may call these functions.
#pragma once

#include "support/SupportDefs.h"
#include "support/String.h"

struct ThreadRecord;

// A kernel thread handle as a 32-bit value (kernel handles fit in 32 bits on
// both architectures); -1 for none. The handle belongs to the thread's record
// and is closed when the thread ends.
typedef int32 thread_handle;

// A thread body; its result is the thread's exit code.
typedef int32 (*ThreadEntry)(void* argument);

// Creates a suspended thread that runs entry(argument) once StartThread resumes
// it. A non-empty name is given to debuggers when the thread starts. The
// priority is a platform priority level (see SetPriorityWithFallback). Returns
// the thread's handle, or -1: after reporting "Failure spawning thread!" when
// the platform refused the thread, silently when memory ran out. On success
// `outRecord`, when not null, receives the new thread's record.
thread_handle SpawnThread(ThreadEntry entry, const BString& name, int32 priority, void* argument,
	ThreadRecord** outRecord = nullptr);

// Resumes a spawned thread. 0, or -1 when it failed.
[[nodiscard]] status_t StartThread(thread_handle thread);

// Sets the platform priority level, or the highest level below it that the
// platform accepts, trying no lower than -15. Returns 0.
[[nodiscard]] status_t SetPriorityWithFallback(thread_handle thread, int32 priority);

// The calling thread's handle, creating its record first when it has none.
// -1, after a report through the debugger hook, when no record could be made.
thread_handle CurrentThreadHandle();

// The calling thread's record (created on first need) when `thread` is -1 or
// the calling thread's handle; null for any other thread or when no record
// could be made.
ThreadRecord* RecordForThread(thread_handle thread);

// Raises the platform's thread-naming exception for the calling thread and
// carries on, with or without a debugger attached.
void NameThreadForDebugger(const char* name);
