// Counts of the process's resources that do not rely on GetProcessHandleCount
// or GetGuiResources (both always 0 under Wine).
#include "tests/harness/ResourceCounts.h"

#include <windows.h>
#include <tlhelp32.h>
#include <winternl.h>

#include <cstdint>
#include <cwchar>
#include <ostream>
#include <vector>

namespace zeltest {

namespace {

// Handle values are multiples of 4; the process's table stays far below this.
constexpr uintptr_t kHandleProbeLimit = 0x20000;

// The system's list of open handles (SystemExtendedHandleInformation): one
// call answers for every process, where probing asks once per possible handle
// value and takes over a second under Wine, too slow for checks that poll.
constexpr ULONG kExtendedHandleInformation = 64;
constexpr NTSTATUS kInfoLengthMismatch = static_cast<NTSTATUS>(0xC0000004);

struct HandleEntry {
	void* object;
	ULONG_PTR processId;
	ULONG_PTR handle;
	ULONG access;
	USHORT creatorBackTrace;
	USHORT type;
	ULONG attributes;
	ULONG reserved;
};

struct HandleList {
	ULONG_PTR count;
	ULONG_PTR reserved;
	HandleEntry entries[1];
};

typedef NTSTATUS(NTAPI* QuerySystemInformation)(ULONG, void*, ULONG, ULONG*);

// The process's handle values from the system's list; false when the system
// does not give the list.
bool ListKernelHandlesFromSystem(std::vector<HANDLE>* handles)
{
	QuerySystemInformation query = reinterpret_cast<QuerySystemInformation>(
		reinterpret_cast<void*>(GetProcAddress(GetModuleHandleW(L"ntdll.dll"), "NtQuerySystemInformation")));
	if (query == nullptr)
		return false;
	std::vector<uint8_t> buffer(256 * 1024);
	NTSTATUS status;
	for (;;) {
		ULONG needed = 0;
		status = query(kExtendedHandleInformation, buffer.data(), static_cast<ULONG>(buffer.size()), &needed);
		if (status != kInfoLengthMismatch || buffer.size() >= (64u << 20))
			break;
		buffer.resize(buffer.size() * 2 > needed ? buffer.size() * 2 : needed);
	}
	if (status != 0)
		return false;
	const HandleList* list = reinterpret_cast<const HandleList*>(buffer.data());
	ULONG_PTR self = GetCurrentProcessId();
	for (ULONG_PTR i = 0; i < list->count; i++) {
		if (list->entries[i].processId == self)
			handles->push_back(reinterpret_cast<HANDLE>(list->entries[i].handle));
	}
	return true;
}

void ListKernelHandlesByProbing(std::vector<HANDLE>* handles)
{
	for (uintptr_t value = 4; value < kHandleProbeLimit; value += 4) {
		DWORD flags = 0;
		if (GetHandleInformation(reinterpret_cast<HANDLE>(value), &flags))
			handles->push_back(reinterpret_cast<HANDLE>(value));
	}
}

// Under Wine every thread that registers a drop target opens an OLE RPC
// endpoint, a named pipe "\Device\NamedPipe\lrpc\pipe\OLE_<ids>" with an
// event beside it, and both stay open for the rest of the process, after the
// thread and its apartment are gone (measured: two handles more for each such
// thread). They are the platform's own, not the program's.
constexpr int kHandlesPerOleEndpoint = 2;
constexpr ULONG kObjectNameInformation = 1;
constexpr wchar_t kOleEndpointPrefix[] = L"\\Device\\NamedPipe\\lrpc\\pipe\\OLE_";

typedef NTSTATUS(NTAPI* QueryObject)(HANDLE, ULONG, void*, ULONG, ULONG*);

bool IsOleRpcEndpoint(QueryObject query, HANDLE handle)
{
	if (GetFileType(handle) != FILE_TYPE_PIPE)
		return false;
	alignas(UNICODE_STRING) uint8_t buffer[1024];
	ULONG length = 0;
	if (query(handle, kObjectNameInformation, buffer, sizeof(buffer), &length) != 0)
		return false;
	const UNICODE_STRING* name = reinterpret_cast<const UNICODE_STRING*>(buffer);
	size_t prefixLength = wcslen(kOleEndpointPrefix);
	return name->Length / sizeof(wchar_t) >= prefixLength &&
	       wcsncmp(name->Buffer, kOleEndpointPrefix, prefixLength) == 0;
}

int CountOleRpcEndpoints(const std::vector<HANDLE>& handles)
{
	QueryObject query = reinterpret_cast<QueryObject>(
		reinterpret_cast<void*>(GetProcAddress(GetModuleHandleW(L"ntdll.dll"), "NtQueryObject")));
	if (query == nullptr)
		return 0;
	int count = 0;
	for (HANDLE handle : handles) {
		if (IsOleRpcEndpoint(query, handle))
			count++;
	}
	return count;
}

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
	std::vector<HANDLE> handles;
	if (!ListKernelHandlesFromSystem(&handles))
		ListKernelHandlesByProbing(&handles);
	return static_cast<int>(handles.size()) - kHandlesPerOleEndpoint * CountOleRpcEndpoints(handles);
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

testing::AssertionResult LeftNothingBehind(const ResourceCensus& before, const ResourceCensus& after, int lives)
{
	const int allowed = lives / 4;
	const bool kept = after.handles - before.handles <= allowed && after.gdiObjects - before.gdiObjects <= allowed &&
	                  after.windows - before.windows <= allowed && after.threads - before.threads <= allowed;
	if (kept)
		return testing::AssertionSuccess();
	return testing::AssertionFailure() << "after " << lives << " lives: " << testing::PrintToString(after)
	                                   << ", before them: " << testing::PrintToString(before)
	                                   << " (at most " << allowed << " more of each)";
}

void PrintTo(const ResourceCensus& census, std::ostream* out)
{
	*out << census.handles << " kernel handles, " << census.gdiObjects << " GDI objects, " << census.windows
	     << " windows, " << census.threads << " threads";
}

}  // namespace zeltest
