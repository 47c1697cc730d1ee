// RkRemovalList: which folder the uninstaller removes, and removing it.
//
// The product folder is Documents\Quorvane\Brisca. When the vendor folder holds
// nothing but the product folder (or nothing at all), the vendor folder is
// listed instead so that no empty vendor folder stays behind. The list holds at
// most one full path, and only ever a folder that can be moved as a whole
// without reaching outside it. The decision fails closed:
// - a vendor path that is not a folder, a listing that fails and an entry whose
//   path cannot be formed all count as "holds something else", so nothing beyond
//   the product folder is removed on a doubt;
// - a candidate inside a link, a candidate that is a link or a file, and a tree
//   holding a link, an unreadable entry or a path too long for the shell are
//   never listed at all. Such a folder is kept as the refused folder, with the
//   reason, so that the user can be told why it stays.
// Removal makes the list again first and removes nothing when the folders on
// disk no longer give the list that was shown. Its one operation is the move to
// the recycle bin, which leaves a folder the bin cannot take where it is; what
// the move achieved is then read from the disk (RkRemovalOutcome).
#pragma once

#include "app/RemovalOutcome.h"
#include "storage/FolderTree.h"
#include "support/String.h"
#include "support/Vector.h"

class BPath;

class RkRemovalList {
public:
	// Fills the list from the user's documents folder.
	void FindFolders();
	// Decides about one candidate whose last component should be `name`.
	void ConsiderFolder(BPath& path, const char* name);
	// When the candidate's parent is the vendor folder and a listing that ran
	// to its end found nothing but the candidate, the vendor folder goes in the
	// candidate's place: it is listed if its tree allows (else refused), and the
	// answer is true either way, so that the candidate is not considered on its
	// own.
	bool ListVendorFolderInstead(BPath& path, const char* name);
	// Makes the list again and, when it is the same, moves the listed folder to
	// the recycle bin; then tells from the disk what went. Nothing listed is
	// kRemoved; a list that differs is kChanged, with nothing removed.
	RkRemovalOutcome RemoveFolders();

	int32 CountFolders() const { return fFolders.CountItems(); }
	// The empty string when the index is out of range.
	const BString& FolderAt(int32 index) const;
	const BVector<BString>& Folders() const { return fFolders; }

	// The folder that is there but is left alone for safety, and why: its
	// path is empty and the reason kContained when none was refused.
	const BString& RefusedFolder() const { return fRefused; }
	FolderTreeState RefusalReason() const { return fRefusal; }

private:
	[[nodiscard]] bool Append(const BString& path);
	// Lists the folder if its whole tree lies inside it, and keeps its
	// inventory; refuses it if it is there but does not.
	void ListOrRefuse(const BString& path);
	void Refuse(const BString& path, FolderTreeState reason);
	bool SameFoldersAs(const RkRemovalList& other) const;

	BVector<BString> fFolders;
	// Every entry of the listed folder's tree, when the list was made.
	BVector<BString> fInventory;
	BString fRefused;
	FolderTreeState fRefusal = FolderTreeState::kContained;
};
