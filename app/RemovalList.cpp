// RkRemovalList: the uninstaller's one decision and its one action.
#include "app/RemovalList.h"

#include "storage/Directory.h"
#include "storage/Entry.h"
#include "storage/FolderTree.h"
#include "storage/Path.h"

namespace {

const char* const kVendorFolderName = "Quorvane";
const char* const kProductFolderName = "Brisca";

// An entry whose path cannot be formed is not known to be the product folder.
bool EntryIsNamed(const BEntry& entry, const BString& name)
{
	BPath entryPath;
	if (entry.CopyPathTo(&entryPath) != kOk)
		return false;
	return entryPath.LastComponent().Compare(name) == 0;
}

// Reads at most two entries: a second entry means the folder holds something
// else. Only a listing that ends normally can show the folder to be empty; a
// listing that fails may hide anything.
bool FolderHoldsOnly(BDirectory& folder, const BString& name)
{
	BEntry entry;
	status_t status = folder.NextEntry(&entry, false);
	if (status == kNoMoreEntries)
		return true;
	if (status != kOk || !EntryIsNamed(entry, name))
		return false;
	return folder.NextEntry(&entry, false) == kNoMoreEntries;
}

}  // namespace

// Without memory for the entry the folder stays unlisted, so nothing is removed by mistake.
void RkRemovalList::Append(const BString& path)
{
	if (path.Length() > 0)
		fFolders.AddItem(path);
}

void RkRemovalList::AppendIfContained(const BString& path)
{
	if (ExamineFolderTree(path, kShellPathLimit) == FolderTreeState::kContained)
		Append(path);
}

bool RkRemovalList::SameFoldersAs(const RkRemovalList& other) const
{
	if (other.CountFolders() != CountFolders())
		return false;
	for (int32 index = 0; index < CountFolders(); ++index) {
		if (FolderAt(index).Compare(other.FolderAt(index)) != 0)
			return false;
	}
	return true;
}

const BString& RkRemovalList::FolderAt(int32 index) const
{
	static const BString sNoFolder;
	if (index < 0 || index >= fFolders.CountItems())
		return sNoFolder;
	return fFolders.ItemAt(index);
}

void RkRemovalList::FindFolders()
{
	BPath path(kUserDocumentsFolder);
	if (path.Status() < 0)
		return;
	if (path.AddComponent(kVendorFolderName) != kOk || path.AddComponent(kProductFolderName) != kOk)
		return;
	ConsiderFolder(path, kProductFolderName);
}

void RkRemovalList::ConsiderFolder(BPath& path, const char* name)
{
	if (name == nullptr || path.Status() < 0)
		return;
	if (path.LastComponent().Compare(BString(name)) != 0)
		return;
	// A candidate inside a link lies elsewhere, whatever its path says.
	BPath parent;
	if (path.ParentPath(&parent) != kOk || ExamineFolder(parent.Path()) != FolderTreeState::kContained)
		return;
	if (ListVendorFolderInstead(path, name))
		return;
	AppendIfContained(path.Path());
}

bool RkRemovalList::ListVendorFolderInstead(BPath& path, const char* name)
{
	BPath vendor;
	if (path.ParentPath(&vendor) != kOk || vendor.Status() < 0)
		return false;
	if (vendor.LastComponent().Compare(BString(kVendorFolderName)) != 0)
		return false;
	if (!vendor.IsFolderOnDisk() || vendor.Path().Length() == 0)
		return false;
	BDirectory folder(vendor.Path());
	if (folder.Status() < 0)
		return false;
	if (!FolderHoldsOnly(folder, BString(name)))
		return false;
	AppendIfContained(vendor.Path());
	return true;
}

// The tree walks of the new list run right before the move, so that the disk
// has as little time as possible to change between the check and the move.
status_t RkRemovalList::RemoveFolders()
{
	if (CountFolders() == 0)
		return kOk;
	RkRemovalList current;
	current.FindFolders();
	if (!SameFoldersAs(current))
		return kRemovalListChanged;
	status_t result = kOk;
	for (const BString& folder : fFolders) {
		BEntry entry(folder, false);
		status_t status = entry.Status() < 0 ? entry.Status() : entry.MoveToRecycleBin();
		if (result == kOk)
			result = status;
	}
	return result;
}
