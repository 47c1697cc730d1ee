// RkRemovalList: the uninstaller's one decision and its one action.
#include "app/RemovalList.h"

#include "storage/Directory.h"
#include "storage/Entry.h"
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

// The vendor folder that would go in the product's place: it is named so and
// holds nothing but the product.
bool IsVendorHoldingOnly(const BPath& vendor, const char* name)
{
	if (vendor.LastComponent().Compare(BString(kVendorFolderName)) != 0 || vendor.Path().Length() == 0)
		return false;
	BDirectory folder(vendor.Path());
	return folder.Status() >= 0 && FolderHoldsOnly(folder, BString(name));
}

}  // namespace

// Without memory for the entry the folder stays unlisted, so nothing is removed by mistake.
bool RkRemovalList::Append(const BString& path)
{
	return path.Length() > 0 && fFolders.AddItem(path) >= 0;
}

void RkRemovalList::ListOrRefuse(const BString& path)
{
	BVector<BString> inventory;
	FolderTreeState state = ExamineFolderTree(path, kShellPathLimit, &inventory);
	if (state == FolderTreeState::kContained) {
		if (Append(path))
			fInventory = inventory;
	} else if (state != FolderTreeState::kMissing) {
		Refuse(path, state);
	}
}

void RkRemovalList::Refuse(const BString& path, FolderTreeState reason)
{
	fRefused = path;
	fRefusal = reason;
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
	BPath parent;
	if (path.ParentPath(&parent) != kOk)
		return;
	switch (ExamineFolder(parent.Path())) {
		case FolderTreeState::kContained:
			break;
		case FolderTreeState::kLink:
			// A candidate inside a link lies elsewhere, whatever its path says.
			// The link is what stays, when the candidate is in it or it would
			// have gone in the candidate's place.
			if (path.ExistsOnDisk() || IsVendorHoldingOnly(parent, name))
				Refuse(parent.Path(), FolderTreeState::kLink);
			return;
		default:
			return;
	}
	if (ListVendorFolderInstead(path, name))
		return;
	ListOrRefuse(path.Path());
}

bool RkRemovalList::ListVendorFolderInstead(BPath& path, const char* name)
{
	BPath vendor;
	if (path.ParentPath(&vendor) != kOk || vendor.Status() < 0)
		return false;
	if (!vendor.IsFolderOnDisk() || !IsVendorHoldingOnly(vendor, name))
		return false;
	ListOrRefuse(vendor.Path());
	return true;
}

// The tree walks of the new list run right before the move, so that the disk
// has as little time as possible to change between the check and the move.
RkRemovalOutcome RkRemovalList::RemoveFolders()
{
	RkRemovalOutcome outcome;
	if (CountFolders() == 0)
		return outcome;
	RkRemovalList current;
	current.FindFolders();
	if (!SameFoldersAs(current)) {
		outcome.result = RkRemovalResult::kChanged;
		outcome.folder = FolderAt(0);
		return outcome;
	}
	// The list holds one folder, and the inventory is its tree's.
	const BString& folder = current.FolderAt(0);
	BEntry entry(folder, false);
	// The move's answer is not trusted either way: the disk says what went.
	if (entry.Status() >= 0)
		(void)entry.MoveToRecycleBin();
	return OutcomeOnDisk(folder, current.fInventory);
}
