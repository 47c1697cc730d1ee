// BDirectory: folder listing over FindFirstFileW/FindNextFileW.
#include "storage/Directory.h"

#include "storage/Entry.h"
#include "storage/Path.h"

#include <windows.h>

#include <cwchar>

namespace {

bool IsDotOrDotDot(const wchar_t* name)
{
	return std::wcscmp(name, L".") == 0 || std::wcscmp(name, L"..") == 0;
}

// A search that found nothing (a folder without even "." and "..", such as a
// drive root) or ran out of names has ended; any other error is a failure.
status_t EndOrFailure(DWORD endError)
{
	return GetLastError() == endError ? kNoMoreEntries : kError;
}

}  // namespace

BDirectory::BDirectory(const BString& path)
	: fPath(path), fStatus(path.Length() > 0 && fPath.Length() == path.Length() ? kOk : kError)
{
}

BDirectory::~BDirectory()
{
	fPath.Clear();
	fStatus = kError;
	(void)RestartIteration();  // always 0
}

status_t BDirectory::SetEntryFromFound(BEntry* entry, const wchar_t* name) const
{
	BPath path(&fPath);
	if (path.AddComponent(BString(name)) != kOk)
		return kError;
	return entry->SetFromString(path.Path()) == kOk ? kOk : kError;
}

status_t BDirectory::NextEntry(BEntry* entry, bool traverse)
{
	// Without a path the pattern would list the current folder instead.
	if (entry == nullptr || traverse || fStatus < 0)
		return kError;
	WIN32_FIND_DATAW found = {};
	if (!fFind) {
		BPath pattern(&fPath);
		if (pattern.AddComponent("*.*") != kOk)
			return kError;
		BString patternText = pattern.Path();
		if (patternText.Chars() == nullptr)
			return kError;
		fFind.Reset(FindFirstFileW(patternText.Chars(), &found));
		if (!fFind)
			return EndOrFailure(ERROR_FILE_NOT_FOUND);
		if (!IsDotOrDotDot(found.cFileName))
			return SetEntryFromFound(entry, found.cFileName);
	}
	while (FindNextFileW(fFind.Get(), &found)) {
		if (!IsDotOrDotDot(found.cFileName))
			return SetEntryFromFound(entry, found.cFileName);
	}
	return EndOrFailure(ERROR_NO_MORE_FILES);
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
