// BPath: path joining and splitting, and the platform's special folders.
#include "storage/Path.h"

#include "kernel/ProcessSlots.h"

#include <windows.h>
#include <shlobj.h>

#include <cstdlib>
#include <cstring>

namespace {

constexpr int kFolderBufferUnits = 260;
// Function-local, so that paths work during static initialisation of other units too.
const BString& Separator()
{
	static const BString separator(L"\\");
	return separator;
}

const BString& DriveColon()
{
	static const BString colon(L":");
	return colon;
}

}  // namespace

bool PathExistsOnDisk(const BString& path)
{
	return path.Chars() != nullptr && GetFileAttributesW(path.Chars()) != INVALID_FILE_ATTRIBUTES;
}

// The constructors keep the outcome in Status().
BPath::BPath(int32 folderKind)
{
	(void)SetToFolder(folderKind);
}

BPath::BPath(const BString* path, const BString* leaf)
{
	(void)SetFromString(path, leaf);
}

void BPath::Clear()
{
	fPath.Clear();
	fStatus = kError;
}

status_t BPath::TakeCopyOf(const BString& path)
{
	fPath = path;
	if (fPath.Length() != path.Length()) {
		fPath.Clear();
		return fStatus = kNoMemory;
	}
	return fStatus = kOk;
}

status_t BPath::SetFromString(const BString* path, const BString* leaf)
{
	if (path == nullptr)
		return kError;
	// Copy first: the path may be this object's own string.
	BString copy(*path);
	BString leafCopy = leaf != nullptr ? *leaf : BString();
	Clear();
	// A leaf that is not empty always joins.
	if (TakeCopyOf(copy) == kOk && leafCopy.Length() > 0)
		(void)AddComponent(leafCopy);
	return fStatus;
}

status_t BPath::SetFromText(const wchar_t* text, bool flag)
{
	if (flag)
		return kError;
	Clear();
	if (text != nullptr)
		fPath.Assign(text);
	if (fPath.Length() > 0)
		fStatus = kOk;
	return fStatus;
}

status_t BPath::AddComponent(const BString& leaf)
{
	if (leaf.Length() == 0)
		return kError;
	if (fPath.Length() == 0) {
		fPath = leaf;
		return kOk;
	}
	bool pathEndsWithSeparator = fPath.FindLast(Separator()) == fPath.Length() - 1;
	bool leafStartsWithSeparator = leaf.FindFirst(Separator(), 0) == 0;
	if (!pathEndsWithSeparator) {
		if (!leafStartsWithSeparator)
			fPath.Append(Separator());
		fPath.Append(leaf);
	} else if (!leafStartsWithSeparator) {
		fPath.Append(leaf);
	} else {
		fPath.Append(leaf.Chars() + 1, leaf.Length() - 1);
	}
	return kOk;
}

status_t BPath::AddComponent(const char* utf8)
{
	if (utf8 == nullptr)
		return kError;
	return AddComponent(BString(utf8));
}

BString BPath::LastComponent() const
{
	int32 separator = fPath.FindLast(Separator());
	if (separator < 0)
		return BString();
	return BString(CharNextW(fPath.Chars() + separator));
}

status_t BPath::ParentPath(BPath* out) const
{
	if (out == nullptr || fPath.Length() == 0)
		return kError;
	int32 separator = fPath.FindLast(Separator());
	if (separator < 0)
		return kError;
	size_t bytes = 2 * static_cast<size_t>(fPath.Length()) + 8;
	wchar_t* scratch = static_cast<wchar_t*>(std::malloc(bytes));
	if (scratch == nullptr)
		return kError;
	std::memcpy(scratch, fPath.Chars(), (static_cast<size_t>(fPath.Length()) + 1) * sizeof(wchar_t));
	scratch[separator] = L'\0';
	// The parent's own status says whether it holds a path (C: for C:\x does).
	(void)out->SetFromText(scratch, false);
	std::free(scratch);
	return kOk;
}

bool BPath::ExistsOnDisk() const
{
	return PathExistsOnDisk(fPath);
}

bool BPath::IsFolderOnDisk() const
{
	if (fPath.Chars() == nullptr)
		return false;
	DWORD attributes = GetFileAttributesW(fPath.Chars());
	return attributes != INVALID_FILE_ATTRIBUTES && (attributes & FILE_ATTRIBUTE_DIRECTORY) != 0;
}

bool BPath::SetToShellFolder(int csidl)
{
	wchar_t buffer[kFolderBufferUnits];
	// The folder's default location, not its current redirection.
	if (SHGetFolderPathW(nullptr, csidl, nullptr, SHGFP_TYPE_DEFAULT, buffer) != S_OK)
		return false;
	fPath.Assign(buffer);
	return true;
}

void BPath::SetToApplicationFolder()
{
	wchar_t buffer[kFolderBufferUnits];
	DWORD length = GetModuleFileNameW(ProcessModuleHandle(), buffer, kFolderBufferUnits);
	if (length == 0)
		return;
	BString fileName(buffer);
	BPath program(&fileName);
	// A program path without a folder leaves this path unset, status -1.
	(void)program.ParentPath(this);
}

void BPath::CutToDriveRoot()
{
	// Keep the drive letter, the colon and the backslash after it.
	int32 colon = fPath.FindLast(DriveColon());
	if (colon >= 0 && fPath.Length() >= colon + 2)
		fPath.Assign(fPath, colon + 2);
	else
		fPath.Clear();
}

status_t BPath::SetToFolder(int32 folderKind)
{
	Clear();
	switch (folderKind) {
		case kApplicationFolder:
			SetToApplicationFolder();
			break;
		case kUserDocumentsFolder:
			SetToShellFolder(CSIDL_PERSONAL);
			break;
		case kUserLocalDataFolder:
			SetToShellFolder(CSIDL_LOCAL_APPDATA);
			break;
		case kSystemDriveRoot:
			if (SetToShellFolder(CSIDL_SYSTEM))
				CutToDriveRoot();
			break;
		default:
			break;
	}
	fStatus = fPath.Length() > 0 ? kOk : kError;
	return fStatus;
}
