// BEntry: existence tests and deletion of single entries.
#include "storage/Entry.h"

#include "storage/Path.h"
#include "storage/RecycleBin.h"

#include <windows.h>

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

// The attributes of an entry that may be removed: kReadOnly for a read-only
// one, tested first so that a read-only folder is refused as well.
status_t BEntry::ReadWritableAttributes(uint32* attributes) const
{
	if (fPath.Length() == 0)
		return kError;
	*attributes = GetFileAttributesW(fPath.Chars());
	if (*attributes == INVALID_FILE_ATTRIBUTES)
		return kError;
	return (*attributes & FILE_ATTRIBUTE_READONLY) != 0 ? kReadOnly : kOk;
}

// Given the path of a link, the shell would move the link's target.
status_t BEntry::RecycleFolder(uint32 attributes) const
{
	if ((attributes & FILE_ATTRIBUTE_REPARSE_POINT) != 0)
		return kNotAllowed;
	return BPrivate::MoveFolderToRecycleBin(fPath);
}

status_t BEntry::Delete()
{
	uint32 attributes = 0;
	status_t status = ReadWritableAttributes(&attributes);
	if (status != kOk)
		return status;
	if (attributes & FILE_ATTRIBUTE_DIRECTORY)
		return RecycleFolder(attributes);
	return DeleteFileW(fPath.Chars()) ? kOk : kError;
}

status_t BEntry::MoveToRecycleBin()
{
	uint32 attributes = 0;
	status_t status = ReadWritableAttributes(&attributes);
	if (status != kOk)
		return status;
	if ((attributes & FILE_ATTRIBUTE_DIRECTORY) == 0)
		return kNotAllowed;
	return RecycleFolder(attributes);
}
