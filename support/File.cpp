// BFile: kernel file handles behind the byte stream interface.
#include "support/File.h"

#include <windows.h>

#include <climits>

namespace {

struct OpenRequest {
	DWORD access;
	DWORD share;
	DWORD disposition;
};

// False when the mode asks for no access or, for writing, for neither way of creating.
bool TranslateMode(uint32 mode, OpenRequest* request)
{
	request->share = (mode & kFileShareAll) != 0
		? FILE_SHARE_READ | FILE_SHARE_WRITE | FILE_SHARE_DELETE
		: FILE_SHARE_READ;
	if ((mode & kFileRead) != 0) {
		request->access = GENERIC_READ;
		request->disposition = OPEN_EXISTING;
		return true;
	}
	if ((mode & kFileWrite) != 0)
		request->access = GENERIC_WRITE;
	else if ((mode & kFileReadWrite) != 0)
		request->access = GENERIC_READ | GENERIC_WRITE;
	else
		return false;
	if ((mode & kFileCreateNew) != 0)
		request->disposition = CREATE_NEW;
	else if ((mode & kFileOpenOrCreate) != 0)
		request->disposition = (mode & kFileTruncate) != 0 ? CREATE_ALWAYS : OPEN_ALWAYS;
	else
		return false;
	return true;
}

// One kernel call moves at most this much, so that the count fits the result.
DWORD TransferSize(size_t size)
{
	return size > INT32_MAX ? static_cast<DWORD>(INT32_MAX) : static_cast<DWORD>(size);
}

bool MovePointer(HANDLE file, LONGLONG position, DWORD method, LONGLONG* previous = nullptr)
{
	LARGE_INTEGER distance;
	distance.QuadPart = position;
	LARGE_INTEGER reached;
	if (!SetFilePointerEx(file, distance, &reached, method))
		return false;
	if (previous != nullptr)
		*previous = reached.QuadPart;
	return true;
}

}  // namespace

BFile::~BFile() = default;

status_t BFile::OpenPath(const char* path, uint32 mode)
{
	fStatus = kError;
	fPath.Clear();
	fHandle.Reset();
	if (path == nullptr)
		return fStatus;
	fPath.Assign(path);
	// An empty text converts to nothing, and so does text that is not UTF-8.
	if (fPath.IsEmpty())
		return fStatus;
	OpenRequest request;
	if (!TranslateMode(mode, &request))
		return fStatus;
	fHandle.Reset(CreateFileW(fPath.Chars(), request.access, request.share, nullptr,
		request.disposition, FILE_ATTRIBUTE_NORMAL, nullptr));
	if (!IsOpen())
		return fStatus;
	if ((mode & kFileAppend) != 0)
		(void)MovePointer(fHandle.Get(), 0, FILE_END);  // a pointer left at 0 only writes over the start
	return fStatus = kOk;
}

int32 BFile::Read(void* buffer, size_t size)
{
	DWORD transferred = 0;
	// A failed kernel transfer answers 0, like an empty one; its error is not examined.
	if (!IsOpen() || !ReadFile(fHandle.Get(), buffer, TransferSize(size), &transferred, nullptr))
		return 0;
	return static_cast<int32>(transferred);
}

int32 BFile::Write(const void* buffer, size_t size)
{
	DWORD transferred = 0;
	// As for Read: a failed kernel transfer answers 0.
	if (!IsOpen() || !WriteFile(fHandle.Get(), buffer, TransferSize(size), &transferred, nullptr))
		return 0;
	return static_cast<int32>(transferred);
}

status_t BFile::Sync()
{
	return IsOpen() && FlushFileBuffers(fHandle.Get()) ? kOk : kError;
}

int32 BFile::ReadAt(int32 position, void* buffer, size_t size)
{
	LONGLONG previous;
	if (!IsOpen() || !MovePointer(fHandle.Get(), 0, FILE_CURRENT, &previous))
		return 0;
	// A position the kernel refuses transfers nothing rather than at the wrong place.
	int32 count = MovePointer(fHandle.Get(), position, FILE_BEGIN) ? Read(buffer, size) : 0;
	// The count is the answer; the pointer goes back where the kernel lets it.
	(void)MovePointer(fHandle.Get(), previous, FILE_BEGIN);
	return count;
}

int32 BFile::WriteAt(int32 position, const void* buffer, size_t size)
{
	LONGLONG previous;
	if (!IsOpen() || !MovePointer(fHandle.Get(), 0, FILE_CURRENT, &previous))
		return 0;
	int32 count = MovePointer(fHandle.Get(), position, FILE_BEGIN) ? Write(buffer, size) : 0;
	// The count is the answer; the pointer goes back where the kernel lets it.
	(void)MovePointer(fHandle.Get(), previous, FILE_BEGIN);
	return count;
}

int32 BFile::Seek(int32, int32)
{
	return 0;
}

int32 BFile::Position() const
{
	LONGLONG current;
	if (!IsOpen() || !MovePointer(fHandle.Get(), 0, FILE_CURRENT, &current))
		return 0;
	return static_cast<int32>(static_cast<uint32>(current));
}

status_t BFile::SetSize(int32)
{
	return kError;
}
