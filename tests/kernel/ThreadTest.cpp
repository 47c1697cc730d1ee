// Spawned and foreign threads: suspension, records, names, priorities, and the
// release of each record's handle when its thread ends.
#include "kernel/Thread.h"
#include "kernel/ThreadRecord.h"
#include "tests/harness/Deadline.h"

#include <gtest/gtest.h>

#include <windows.h>

#include <cstring>
#include <thread>

namespace {

using zeltest::kDeadlineMillis;

// What a spawned thread saw of itself.
struct Observation {
	HANDLE started = CreateEventW(nullptr, TRUE, FALSE, nullptr);
	ThreadRecord* record = nullptr;
	thread_handle handle = -1;
	bool foundByHandle = false;
	int priority = 0;
	char name[64] = {};

	~Observation() { CloseHandle(started); }
};

int32 Observe(void* argument)
{
	Observation* observation = static_cast<Observation*>(argument);
	observation->record = RecordForThread(-1);
	observation->handle = CurrentThreadHandle();
	observation->foundByHandle = RecordForThread(observation->handle) == observation->record;
	observation->priority = GetThreadPriority(GetCurrentThread());
	if (observation->record != nullptr && observation->record->fName != nullptr)
		strncpy(observation->name, observation->record->fName, sizeof(observation->name) - 1);
	SetEvent(observation->started);
	return 42;
}

HANDLE Duplicate(HANDLE handle)
{
	HANDLE copy = nullptr;
	HANDLE process = GetCurrentProcess();
	DuplicateHandle(process, handle, process, &copy, 0, FALSE, DUPLICATE_SAME_ACCESS);
	return copy;
}

HANDLE Native(thread_handle thread)
{
	return reinterpret_cast<HANDLE>(static_cast<intptr_t>(thread));
}

bool IsOpenHandle(HANDLE handle)
{
	DWORD flags;
	return GetHandleInformation(handle, &flags) != FALSE;
}

TEST(SpawnThread, RunsSuspendedUntilStartedWithItsOwnRecord)
{
	Observation observation;
	ThreadRecord* spawnedRecord = nullptr;
	// "Fenêtre ✓": the name is kept as UTF-8.
	thread_handle thread = SpawnThread(Observe, BString(L"Fen\u00eatre \u2713"), 1, &observation,
		&spawnedRecord);
	ASSERT_NE(thread, -1);
	ASSERT_NE(spawnedRecord, nullptr);
	HANDLE waitable = Duplicate(Native(thread));
	ASSERT_NE(waitable, nullptr);

	EXPECT_EQ(WaitForSingleObject(observation.started, 100), WAIT_TIMEOUT);
	ASSERT_EQ(StartThread(thread), kOk);
	ASSERT_EQ(WaitForSingleObject(observation.started, kDeadlineMillis), WAIT_OBJECT_0);
	ASSERT_EQ(WaitForSingleObject(waitable, kDeadlineMillis), WAIT_OBJECT_0);

	EXPECT_EQ(observation.record, spawnedRecord);
	EXPECT_EQ(observation.handle, thread);
	EXPECT_TRUE(observation.foundByHandle);
	EXPECT_EQ(observation.priority, 1);
	EXPECT_STREQ(observation.name, "Fen\xc3\xaatre \xe2\x9c\x93");
	DWORD exitCode = 0;
	EXPECT_TRUE(GetExitCodeThread(waitable, &exitCode));
	EXPECT_EQ(exitCode, 42u);
	// The record, and with it the creation handle, went when the thread ended.
	EXPECT_FALSE(IsOpenHandle(Native(thread)));
	CloseHandle(waitable);
}

TEST(SpawnThread, RefusedPrioritiesFallToTheNextAcceptedOne)
{
	struct Case {
		int32 asked;
		int expected;
	} cases[] = {{7, THREAD_PRIORITY_HIGHEST}, {-1, -1}, {-16, THREAD_PRIORITY_NORMAL}};
	for (const Case& c : cases) {
		Observation observation;
		thread_handle thread = SpawnThread(Observe, BString(), c.asked, &observation);
		ASSERT_NE(thread, -1);
		ASSERT_EQ(StartThread(thread), kOk);
		ASSERT_EQ(WaitForSingleObject(observation.started, kDeadlineMillis), WAIT_OBJECT_0);
		EXPECT_EQ(observation.priority, c.expected) << "asked " << c.asked;
		EXPECT_STREQ(observation.name, "") << "an empty name is not kept";
	}
}

TEST(SpawnThread, StartingSomethingThatIsNoThreadFails)
{
	EXPECT_EQ(StartThread(-1 - 0x1000), kError);
}

TEST(CurrentThreadHandle, ForeignThreadsGetARecordThatEndsWithThem)
{
	thread_handle handles[2] = {-1, -1};
	HANDLE copies[2] = {nullptr, nullptr};
	DWORD ids[2] = {0, 0};
	for (int i = 0; i < 2; i++) {
		std::thread foreign([&, i] {
			handles[i] = CurrentThreadHandle();
			ids[i] = GetCurrentThreadId();
			copies[i] = Duplicate(Native(handles[i]));
			ThreadRecord* record = RecordForThread(-1);
			EXPECT_NE(record, nullptr);
			if (record != nullptr) {
				EXPECT_EQ(record->fThreadId, ids[i]);
			}
			EXPECT_EQ(CurrentThreadHandle(), handles[i]) << "one record per thread";
		});
		foreign.join();
	}
	for (int i = 0; i < 2; i++) {
		ASSERT_NE(copies[i], nullptr);
		// A real handle of that very thread, not the pseudo-handle.
		EXPECT_EQ(GetThreadId(copies[i]), ids[i]);
		EXPECT_EQ(WaitForSingleObject(copies[i], kDeadlineMillis), WAIT_OBJECT_0);
		EXPECT_FALSE(IsOpenHandle(Native(handles[i])));
		CloseHandle(copies[i]);
	}
}

TEST(CurrentThreadHandle, TheCallingThreadIsFoundAndNoOtherThreadIs)
{
	thread_handle mine = CurrentThreadHandle();
	ASSERT_NE(mine, -1);
	EXPECT_EQ(CurrentThreadHandle(), mine);
	EXPECT_NE(RecordForThread(mine), nullptr);
	EXPECT_EQ(RecordForThread(mine), RecordForThread(-1));

	thread_handle other = -1;
	std::thread foreign([&] { other = CurrentThreadHandle(); });
	foreign.join();
	EXPECT_EQ(RecordForThread(other), nullptr);
}

int gLaterExceptions = 0;

LONG CALLBACK CountOtherException(EXCEPTION_POINTERS* exception)
{
	if (exception->ExceptionRecord->ExceptionCode == 0xE0C0FFEE) {
		gLaterExceptions++;
		return EXCEPTION_CONTINUE_EXECUTION;
	}
	return EXCEPTION_CONTINUE_SEARCH;
}

TEST(NameThreadForDebugger, ExecutionContinuesAndOtherExceptionsPassOn)
{
	NameThreadForDebugger("kernel test thread");
	NameThreadForDebugger("renamed");
	void* handler = AddVectoredExceptionHandler(0, CountOtherException);
	ASSERT_NE(handler, nullptr);
	RaiseException(0xE0C0FFEE, 0, 0, nullptr);
	RemoveVectoredExceptionHandler(handler);
	EXPECT_EQ(gLaterExceptions, 1);
}

}  // namespace
