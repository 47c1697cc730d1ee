#include "tests/harness/GuardedBuffer.h"

#include <windows.h>

#include <cstdio>
#include <cstring>

namespace zeltest {

namespace {

const std::vector<uint8_t>* gFaultingInput = nullptr;

LONG CALLBACK ReportFaultingInput(EXCEPTION_POINTERS* info)
{
	const std::vector<uint8_t>* input = gFaultingInput;
	if (info->ExceptionRecord->ExceptionCode != EXCEPTION_ACCESS_VIOLATION || input == nullptr)
		return EXCEPTION_CONTINUE_SEARCH;
	std::fprintf(stderr, "fault on input of %u bytes:\n", static_cast<unsigned>(input->size()));
	for (size_t i = 0; i < input->size(); i++)
		std::fprintf(stderr, "%02X%s", (*input)[i], i % 32 == 31 ? "\n" : "");
	std::fprintf(stderr, "\n");
	std::fflush(stderr);
	// Reported once: the fault goes on to end the process.
	gFaultingInput = nullptr;
	return EXCEPTION_CONTINUE_SEARCH;
}

}  // namespace

GuardedBuffer::GuardedBuffer(size_t capacity)
{
	SYSTEM_INFO info;
	GetSystemInfo(&info);
	fPageSize = info.dwPageSize;
	fCommitted = (capacity + fPageSize - 1) / fPageSize * fPageSize;
	if (fCommitted == 0)
		fCommitted = fPageSize;
	fBase = static_cast<uint8_t*>(
		VirtualAlloc(nullptr, fCommitted + fPageSize, MEM_RESERVE | MEM_COMMIT, PAGE_READWRITE));
	DWORD old;
	fGuarded = fBase != nullptr && VirtualProtect(fBase + fCommitted, fPageSize, PAGE_NOACCESS, &old);
}

GuardedBuffer::~GuardedBuffer()
{
	if (fBase != nullptr)
		VirtualFree(fBase, 0, MEM_RELEASE);
}

bool GuardedBuffer::IsValid() const
{
	return fGuarded;
}

const uint8_t* GuardedBuffer::Place(const std::vector<uint8_t>& input)
{
	if (!fGuarded || input.size() > fCommitted)
		return nullptr;
	uint8_t* start = fBase + fCommitted - input.size();
	if (!input.empty())
		std::memcpy(start, input.data(), input.size());
	return start;
}

const uint8_t* GuardedBuffer::GuardPage() const
{
	return fBase == nullptr ? nullptr : fBase + fCommitted;
}

FaultingInputReporter::FaultingInputReporter()
	: fHandler(AddVectoredExceptionHandler(1, ReportFaultingInput))
{
}

FaultingInputReporter::~FaultingInputReporter()
{
	gFaultingInput = nullptr;
	if (fHandler != nullptr)
		RemoveVectoredExceptionHandler(fHandler);
}

void FaultingInputReporter::SetInput(const std::vector<uint8_t>* input)
{
	gFaultingInput = input;
}

}  // namespace zeltest
