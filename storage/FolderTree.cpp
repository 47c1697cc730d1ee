// FolderTree: a walk over a folder's tree that never goes through a link.
#include "storage/FolderTree.h"

#include "kernel/WinOwner.h"
#include "storage/Directory.h"
#include "storage/Entry.h"
#include "storage/Path.h"

#include <windows.h>

#include <cstdlib>

namespace {

bool IsLink(DWORD attributes)
{
	return (attributes & FILE_ATTRIBUTE_REPARSE_POINT) != 0;
}

bool IsFolder(DWORD attributes)
{
	return (attributes & FILE_ATTRIBUTE_DIRECTORY) != 0;
}

// Case is ignored as the file systems of the platform ignore it.
bool SameText(const BString& one, const BString& other)
{
	return CompareStringOrdinal(one.CharsOrEmpty(), one.Length(), other.CharsOrEmpty(), other.Length(), TRUE) ==
		CSTR_EQUAL;
}

// Where the file system really keeps the entry. The entry is opened without
// following a link where the platform allows it; where it does not (Wine), the
// answer is the link's target, which is what gives such a link away.
bool ReadFinalPath(const BString& path, BString* finalPath)
{
	WinHandle entry(CreateFileW(path.Chars(), FILE_READ_ATTRIBUTES,
		FILE_SHARE_READ | FILE_SHARE_WRITE | FILE_SHARE_DELETE, nullptr, OPEN_EXISTING,
		FILE_FLAG_BACKUP_SEMANTICS | FILE_FLAG_OPEN_REPARSE_POINT, nullptr));
	if (!entry)
		return false;
	DWORD units = GetFinalPathNameByHandleW(entry.Get(), nullptr, 0, FILE_NAME_NORMALIZED);
	if (units == 0)
		return false;
	wchar_t* buffer = static_cast<wchar_t*>(std::malloc(units * sizeof(wchar_t)));
	if (buffer == nullptr)
		return false;
	DWORD written = GetFinalPathNameByHandleW(entry.Get(), buffer, units, FILE_NAME_NORMALIZED);
	bool read = written > 0 && written < units;
	if (read) {
		finalPath->Assign(buffer, static_cast<int32>(written));
		read = finalPath->Length() == static_cast<int32>(written);
	}
	std::free(buffer);
	return read;
}

// The entry's final path is its folder's final path plus a separator and its
// name: it is where its path says.
bool LiesInFolder(const BString& folder, const BString& folderFinal, const BString& path, const BString& finalPath)
{
	BString expected(folderFinal);
	path.AppendRangeTo(&expected, folder.Length(), path.Length() - folder.Length());
	return SameText(finalPath, expected);
}

// Appends to the inventory when there is one; false when memory ran out.
bool Record(BVector<BString>* inventory, const BString& path)
{
	return inventory == nullptr || inventory->AddItem(path) >= 0;
}

FolderTreeState ExamineEntries(
	const BString& folder, const BString& folderFinal, int32 pathLimit, BVector<BString>* inventory);

// One entry of a folder whose own final path is folderFinal.
FolderTreeState ExamineEntry(const BString& folder, const BString& folderFinal, const BString& path, int32 pathLimit,
	BVector<BString>* inventory)
{
	if (path.Length() >= pathLimit)
		return FolderTreeState::kPathTooLong;
	DWORD attributes = GetFileAttributesW(path.Chars());
	if (attributes == INVALID_FILE_ATTRIBUTES)
		return FolderTreeState::kUnreadable;
	if (IsLink(attributes))
		return FolderTreeState::kHoldsLink;
	BString finalPath;
	if (!ReadFinalPath(path, &finalPath))
		return FolderTreeState::kUnreadable;
	if (!LiesInFolder(folder, folderFinal, path, finalPath))
		return FolderTreeState::kHoldsLink;
	if (!Record(inventory, path))
		return FolderTreeState::kUnreadable;
	if (IsFolder(attributes))
		return ExamineEntries(path, finalPath, pathLimit, inventory);
	return FolderTreeState::kContained;
}

// Every path adds at least two characters to its folder's, so the path limit
// also bounds how deep this recursion goes.
FolderTreeState ExamineEntries(
	const BString& folder, const BString& folderFinal, int32 pathLimit, BVector<BString>* inventory)
{
	BDirectory listing(folder);
	BEntry entry;
	status_t status;
	while ((status = listing.NextEntry(&entry, false)) == kOk) {
		BString path;
		if (entry.CopyPathStringTo(&path) != kOk)
			return FolderTreeState::kUnreadable;
		FolderTreeState state = ExamineEntry(folder, folderFinal, path, pathLimit, inventory);
		if (state != FolderTreeState::kContained)
			return state;
	}
	return status == kNoMoreEntries ? FolderTreeState::kContained : FolderTreeState::kUnreadable;
}

// A file, or a link to a file elsewhere that the platform does not mark as a
// link (Wine): the two differ only in where the file system keeps them.
FolderTreeState ExamineFile(const BString& path)
{
	BPath parent;
	BString parentFinal;
	BString finalPath;
	if (BPath(&path).ParentPath(&parent) != kOk || !ReadFinalPath(parent.Path(), &parentFinal) ||
		!ReadFinalPath(path, &finalPath))
		return FolderTreeState::kUnreadable;
	return LiesInFolder(parent.Path(), parentFinal, path, finalPath) ? FolderTreeState::kNotAFolder
																	 : FolderTreeState::kLink;
}

}  // namespace

FolderTreeState ExamineFolder(const BString& path)
{
	DWORD attributes = path.Length() > 0 ? GetFileAttributesW(path.Chars()) : INVALID_FILE_ATTRIBUTES;
	if (attributes == INVALID_FILE_ATTRIBUTES)
		return FolderTreeState::kMissing;
	if (IsLink(attributes))
		return FolderTreeState::kLink;
	if (!IsFolder(attributes))
		return FolderTreeState::kNotAFolder;
	return FolderTreeState::kContained;
}

FolderTreeState ExamineFolderTree(const BString& path, int32 pathLimit, BVector<BString>* inventory)
{
	if (path.Length() >= pathLimit)
		return FolderTreeState::kPathTooLong;
	FolderTreeState state = ExamineFolder(path);
	if (state == FolderTreeState::kNotAFolder)
		return ExamineFile(path);
	if (state != FolderTreeState::kContained)
		return state;
	BString finalPath;
	if (!ReadFinalPath(path, &finalPath))
		return FolderTreeState::kUnreadable;
	return ExamineEntries(path, finalPath, pathLimit, inventory);
}
