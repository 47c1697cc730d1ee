// BEntry: existence tests and deletion of single entries.
#include "storage/Entry.h"

#include "storage/Path.h"

#include <windows.h>
#include <shellapi.h>

#include <cstdlib>
#include <cstring>

namespace {

// Into the recycle bin, with no confirmation, no progress and no error window.
constexpr FILEOP_FLAGS kShellDeleteFlags =
	FOF_SILENT | FOF_NOCONFIRMATION | FOF_ALLOWUNDO | FOF_NOCONFIRMMKDIR | FOF_NOERRORUI;

}  // namespace

BEntry::BEntry(const BString& path, bool /*traverse*/)
{
	(void)SetFromString(path);  // kept in Status()
}

void BEntry::Reset()
{
	fPath.Clear();
	fStatus = kError;
	fSecondStatus = kError;
	fReserved[0] = fReserved[1] = 0;
}

status_t BEntry::SetFromString(const BString& path)
{
	BString copy(path);
	Reset();
	if (copy.Length() == 0)
		return fStatus;
	fPath = copy;
	fStatus = fPath.Length() == copy.Length() ? kOk : kNoMemory;
	return fStatus;
}

bool BEntry::ExistsOnDisk() const
{
	return PathExistsOnDisk(fPath);
}

status_t BEntry::CopyPathTo(BPath* out) const
{
	if (out == nullptr)
		return kError;
	return out->SetFromString(&fPath, nullptr);
}

status_t BEntry::CopyPathStringTo(BString* out) const
{
	if (out == nullptr)
		return kError;
	*out = fPath;
	return out->Length() == fPath.Length() ? kOk : kError;
}

status_t BEntry::Delete()
{
	if (fPath.Length() == 0)
		return kError;
	DWORD attributes = GetFileAttributesW(fPath.Chars());
	if (attributes == INVALID_FILE_ATTRIBUTES)
		return kError;
	// Tested first, so that a read-only folder is refused as well.
	if (attributes & FILE_ATTRIBUTE_READONLY)
		return kReadOnly;
	if (attributes & FILE_ATTRIBUTE_DIRECTORY)
		return DeleteFolderThroughShell();
	return DeleteFileW(fPath.Chars()) ? kOk : kError;
}

status_t BEntry::DeleteFolderThroughShell()
{
	// The shell takes a list of names, each NUL-terminated, ended by an empty name.
	size_t units = static_cast<size_t>(fPath.Length());
	wchar_t* list = static_cast<wchar_t*>(std::malloc(2 * units + 40));
	if (list == nullptr)
		return kError;
	std::memcpy(list, fPath.Chars(), (units + 1) * sizeof(wchar_t));
	list[units + 1] = L'\0';

	SHFILEOPSTRUCTW operation;
	std::memset(&operation, 0, sizeof(operation));
	operation.hwnd = nullptr;
	operation.wFunc = FO_DELETE;
	operation.pFrom = list;
	operation.pTo = nullptr;
	operation.fFlags = kShellDeleteFlags;
	int result = SHFileOperationW(&operation);
	std::free(list);
	return result == 0 ? kOk : kError;
}
