// Counts of the process's resources that do not rely on GetProcessHandleCount
// or GetGuiResources (both always 0 under Wine).
#include "tests/harness/ResourceCounts.h"

#include <windows.h>
#include <tlhelp32.h>
#include <winternl.h>

#include <cstdint>

namespace zeltest {

namespace {

// Handle values are multiples of 4; the process's table stays far below this.
constexpr uintptr_t kHandleProbeLimit = 0x20000;

// GDI's handle table, shared with the process and reachable from its PEB:
// 65536 entries of 24 bytes on both architectures (the entry's fields are
// 64-bit wide), an entry in use when its type byte is set.
constexpr int kGdiTableEntries = 65536;
constexpr size_t kGdiEntrySize = 24;
constexpr size_t kGdiTypeByte = 14;
#ifdef _WIN64
constexpr size_t kGdiTableOffsetInPeb = 0xF8;
#else
constexpr size_t kGdiTableOffsetInPeb = 0x94;
#endif

// GCC 12 mistakes the segment-register read of NtCurrentTeb for an
// out-of-bounds array access.
#pragma GCC diagnostic push
#pragma GCC diagnostic ignored "-Warray-bounds"
const uint8_t* GdiSharedHandleTable()
{
	const uint8_t* peb = reinterpret_cast<const uint8_t*>(NtCurrentTeb()->ProcessEnvironmentBlock);
	return *reinterpret_cast<const uint8_t* const*>(peb + kGdiTableOffsetInPeb);
}
#pragma GCC diagnostic pop

BOOL CALLBACK CountChild(HWND, LPARAM count)
{
	++*reinterpret_cast<int*>(count);
	return TRUE;
}

BOOL CALLBACK CountOwnTopLevel(HWND window, LPARAM count)
{
	DWORD process = 0;
	GetWindowThreadProcessId(window, &process);
	if (process != GetCurrentProcessId())
		return TRUE;
	++*reinterpret_cast<int*>(count);
	EnumChildWindows(window, CountChild, count);
	return TRUE;
}

}  // namespace

int CountKernelHandles()
{
	int count = 0;
	for (uintptr_t value = 4; value < kHandleProbeLimit; value += 4) {
		DWORD flags = 0;
		if (GetHandleInformation(reinterpret_cast<HANDLE>(value), &flags))
			count++;
	}
	return count;
}

int CountGdiObjects()
{
	const uint8_t* table = GdiSharedHandleTable();
	if (table == nullptr)
		return -1;
	int count = 0;
	for (int entry = 0; entry < kGdiTableEntries; entry++) {
		if (table[entry * kGdiEntrySize + kGdiTypeByte] != 0)
			count++;
	}
	return count;
}

int CountProcessWindows()
{
	int count = 0;
	EnumWindows(CountOwnTopLevel, reinterpret_cast<LPARAM>(&count));
	return count;
}

int CountProcessThreads()
{
	HANDLE snapshot = CreateToolhelp32Snapshot(TH32CS_SNAPTHREAD, 0);
	if (snapshot == INVALID_HANDLE_VALUE)
		return -1;
	int count = 0;
	THREADENTRY32 entry = {};
	entry.dwSize = sizeof(entry);
	for (BOOL more = Thread32First(snapshot, &entry); more; more = Thread32Next(snapshot, &entry)) {
		if (entry.th32OwnerProcessID == GetCurrentProcessId())
			count++;
	}
	CloseHandle(snapshot);
	return count;
}

ResourceCensus ResourceCensus::Take()
{
	return {CountKernelHandles(), CountGdiObjects(), CountProcessWindows(), CountProcessThreads()};
}

ResourceCensus ResourceCensus::TakeSteady()
{
	constexpr int kAttempts = 40;
	constexpr DWORD kIntervalMillis = 50;
	ResourceCensus last = Take();
	for (int attempt = 0; attempt < kAttempts; attempt++) {
		Sleep(kIntervalMillis);
		ResourceCensus now = Take();
		if (now == last)
			return now;
		last = now;
	}
	return last;
}

}  // namespace zeltest
