// BDirectory: folder listing over FindFirstFileW/FindNextFileW.
#include "storage/Directory.h"

#include "storage/Entry.h"
#include "storage/Path.h"

#include <cstring>
#include <cwchar>

namespace {

bool IsDotOrDotDot(const wchar_t* name)
{
	return std::wcscmp(name, L".") == 0 || std::wcscmp(name, L"..") == 0;
}

}  // namespace

BDirectory::BDirectory(const BString& path)
	: fPath(path), fStatus(path.Length() > 0 && fPath.Length() == path.Length() ? kOk : kError)
{
	std::memset(&fFound, 0, sizeof(fFound));
}

BDirectory::~BDirectory()
{
	fPath.Clear();
	fStatus = kError;
	(void)RestartIteration();  // always 0
}

status_t BDirectory::SetEntryFromFound(BEntry* entry) const
{
	BPath path(&fPath);
	if (path.AddComponent(BString(fFound.cFileName)) != kOk)
		return kError;
	return entry->SetFromString(path.Path()) == kOk ? kOk : kError;
}

status_t BDirectory::NextEntry(BEntry* entry, bool traverse)
{
	// Without a path the pattern would list the current folder instead.
	if (entry == nullptr || traverse || fStatus < 0)
		return kError;
	if (!fFind) {
		BPath pattern(&fPath);
		if (pattern.AddComponent("*.*") != kOk)
			return kError;
		BString patternText = pattern.Path();
		if (patternText.Chars() == nullptr)
			return kError;
		fFind.Reset(FindFirstFileW(patternText.Chars(), &fFound));
		if (!fFind)
			return EndOrFailure(ERROR_FILE_NOT_FOUND);
		if (!IsDotOrDotDot(fFound.cFileName))
			return SetEntryFromFound(entry);
	}
	while (FindNextFileW(fFind.Get(), &fFound)) {
		if (!IsDotOrDotDot(fFound.cFileName))
			return SetEntryFromFound(entry);
	}
	return EndOrFailure(ERROR_NO_MORE_FILES);
}

// A search that found nothing (a folder without even "." and "..", such as a
// drive root) or ran out of names has ended; any other error is a failure.
status_t BDirectory::EndOrFailure(DWORD endError)
{
	return GetLastError() == endError ? kNoMoreEntries : kError;
}

status_t BDirectory::NextEntryPath(BString* path)
{
	if (path == nullptr)
		return kError;
	BEntry entry;
	status_t status = NextEntry(&entry, false);
	if (status != kOk)
		return status;
	return entry.CopyPathStringTo(path);
}

int32 BDirectory::NextRawEntries(void* /*buffer*/, size_t /*length*/, int32 /*count*/)
{
	return 0;
}

status_t BDirectory::RestartIteration()
{
	fFind.Reset();
	return kOk;
}

int32 BDirectory::CountEntries()
{
	return 0;
}
