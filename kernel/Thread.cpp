// Thread creation, the per-thread records in thread-local storage and their
// release when a thread ends, and thread names for debuggers.
#include "kernel/Thread.h"

#include "kernel/DebuggerHook.h"
#include "kernel/ForegroundHook.h"
#include "kernel/ThreadRecord.h"

#include <windows.h>

#include <atomic>
#include <cstdlib>
#include <new>

namespace {

constexpr int32 kLowestPriority = -15;
// The exception through which debuggers learn a thread's name.
constexpr DWORD kThreadNameException = 0x406D1388;
constexpr ULONG_PTR kThreadNameInfoType = 0x1000;
constexpr int32 kNoIndex = -1;

std::atomic<int32> gRecordIndex{kNoIndex};

HANDLE NativeHandle(thread_handle thread)
{
	// Sign-extended, as the platform widens 32-bit handle values.
	return reinterpret_cast<HANDLE>(static_cast<intptr_t>(thread));
}

thread_handle HandleValue(HANDLE thread)
{
	return static_cast<thread_handle>(reinterpret_cast<intptr_t>(thread));
}

// The first use happens on the main thread during start-up; should two threads
// race anyway, the loser gives its index back.
int32 RecordIndex()
{
	int32 index = gRecordIndex.load(std::memory_order_acquire);
	if (index != kNoIndex)
		return index;
	DWORD allocated = TlsAlloc();
	if (allocated == TLS_OUT_OF_INDEXES)
		return kNoIndex;
	int32 expected = kNoIndex;
	if (gRecordIndex.compare_exchange_strong(expected, static_cast<int32>(allocated),
			std::memory_order_acq_rel))
		return static_cast<int32>(allocated);
	TlsFree(allocated);
	return expected;
}

void DestroyRecord(ThreadRecord* record)
{
	std::free(record->fName);
	delete record;
}

// A record for a thread the framework did not spawn: the main thread or a
// thread started by someone else.
ThreadRecord* CreateRecordForCallingThread(int32 index)
{
	ThreadRecord* record = new (std::nothrow) ThreadRecord();
	if (record == nullptr)
		return nullptr;
	record->fThreadId = GetCurrentThreadId();
	HANDLE process = GetCurrentProcess();
	HANDLE duplicate = nullptr;
	if (!DuplicateHandle(process, GetCurrentThread(), process, &duplicate, 0, TRUE, DUPLICATE_SAME_ACCESS)) {
		delete record;
		return nullptr;
	}
	record->fThreadHandle.Reset(duplicate);
	if (!TlsSetValue(static_cast<DWORD>(index), record)) {
		DestroyRecord(record);
		return nullptr;
	}
	return record;
}

ThreadRecord* CallingThreadRecord()
{
	int32 index = RecordIndex();
	if (index == kNoIndex)
		return nullptr;
	ThreadRecord* record = static_cast<ThreadRecord*>(TlsGetValue(static_cast<DWORD>(index)));
	if (record != nullptr)
		return record;
	record = CreateRecordForCallingThread(index);
	if (record == nullptr)
		DebuggerHook("Failure creating thread record!");
	return record;
}

DWORD WINAPI ThreadStart(void* parameter)
{
	ThreadRecord* record = static_cast<ThreadRecord*>(parameter);
	if (record->fName != nullptr)
		NameThreadForDebugger(record->fName);
	// Without its record in place the thread would get a second one, and
	// wake-ups sent to this record would never reach its loop.
	if (!TlsSetValue(static_cast<DWORD>(RecordIndex()), record))
		DebuggerHook("Failure storing thread record!");
	BPrivate::InstallForegroundHook(record);
	return static_cast<DWORD>(record->fEntry(record->fArgument));
}

// Runs on every thread detach, for threads of every origin.
void NTAPI ReleaseRecordOnThreadDetach(void*, DWORD reason, void*)
{
	if (reason != DLL_THREAD_DETACH)
		return;
	int32 index = gRecordIndex.load(std::memory_order_acquire);
	if (index == kNoIndex)
		return;
	ThreadRecord* record = static_cast<ThreadRecord*>(TlsGetValue(static_cast<DWORD>(index)));
	if (record == nullptr)
		return;
	TlsSetValue(static_cast<DWORD>(index), nullptr);
	DestroyRecord(record);
}

// With or without a debugger the naming exception ends here: a debugger that
// knows the convention sees it first and passes it on, then this handler lets
// the raising code continue.
LONG CALLBACK ContinueAfterThreadName(EXCEPTION_POINTERS* exception)
{
	if (exception->ExceptionRecord->ExceptionCode == kThreadNameException)
		return EXCEPTION_CONTINUE_EXECUTION;
	return EXCEPTION_CONTINUE_SEARCH;
}

BOOL CALLBACK InstallThreadNameHandler(INIT_ONCE*, void*, void** handler)
{
	*handler = AddVectoredExceptionHandler(1, ContinueAfterThreadName);
	return *handler != nullptr;
}

}  // namespace

// The loader calls the callbacks listed between the C runtime's .CRT$XLA and
// .CRT$XLZ markers on every thread attach and detach. `used` keeps the entry in
// the object file, which is linked whenever threads are spawned or asked for.
extern "C" {
__attribute__((section(".CRT$XLY"), used))
PIMAGE_TLS_CALLBACK gZelThreadRecordDetach = ReleaseRecordOnThreadDetach;
}

namespace BPrivate {

ThreadRecord* StoredThreadRecord()
{
	int32 index = gRecordIndex.load(std::memory_order_acquire);
	if (index == kNoIndex)
		return nullptr;
	return static_cast<ThreadRecord*>(TlsGetValue(static_cast<DWORD>(index)));
}

}  // namespace BPrivate

thread_handle SpawnThread(ThreadEntry entry, const BString& name, int32 priority, void* argument,
	ThreadRecord** outRecord)
{
	if (RecordIndex() == kNoIndex)
		return -1;
	ThreadRecord* record = new (std::nothrow) ThreadRecord();
	if (record == nullptr)
		return -1;
	record->fEntry = entry;
	record->fArgument = argument;
	if (!name.IsEmpty()) {
		record->fName = name.ToUtf8();
		if (record->fName == nullptr) {
			delete record;
			return -1;
		}
	}
	record->fThreadHandle.Reset(
		CreateThread(nullptr, 0, ThreadStart, record, CREATE_SUSPENDED, &record->fThreadId));
	if (!record->fThreadHandle) {
		DestroyRecord(record);
		DebuggerHook("Failure spawning thread!");
		return -1;
	}
	thread_handle thread = HandleValue(record->fThreadHandle.Get());
	// It answers 0 whatever happens: a priority that no level accepts leaves
	// the thread at the normal one.
	(void)SetPriorityWithFallback(thread, priority);
	if (outRecord != nullptr)
		*outRecord = record;
	return thread;
}

status_t StartThread(thread_handle thread)
{
	return ResumeThread(NativeHandle(thread)) == static_cast<DWORD>(-1) ? kError : kOk;
}

status_t SetPriorityWithFallback(thread_handle thread, int32 priority)
{
	HANDLE native = NativeHandle(thread);
	for (int32 level = priority; level >= kLowestPriority; level--) {
		if (SetThreadPriority(native, level))
			break;
	}
	return kOk;
}

thread_handle CurrentThreadHandle()
{
	ThreadRecord* record = CallingThreadRecord();
	return record != nullptr ? HandleValue(record->fThreadHandle.Get()) : -1;
}

ThreadRecord* RecordForThread(thread_handle thread)
{
	ThreadRecord* record = CallingThreadRecord();
	if (record == nullptr)
		return nullptr;
	if (thread == -1 || thread == HandleValue(record->fThreadHandle.Get()))
		return record;
	return nullptr;
}

void NameThreadForDebugger(const char* name)
{
	static INIT_ONCE handlerOnce = INIT_ONCE_STATIC_INIT;
	void* handler = nullptr;
	if (!InitOnceExecuteOnce(&handlerOnce, InstallThreadNameHandler, nullptr, &handler))
		return;
	// The information block debuggers read: type, name, thread (-1: the caller), flags.
	const ULONG_PTR information[4] = {
		kThreadNameInfoType,
		reinterpret_cast<ULONG_PTR>(name),
		static_cast<DWORD>(-1),
		0,
	};
	RaiseException(kThreadNameException, 0, 4, information);
}
