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
//   never listed at all.
// Removal makes the list again first and removes nothing when the folders on
// disk no longer give the list that was shown. Its one operation is the move to
// the recycle bin, which leaves a folder the bin cannot take where it is.
#pragma once

#include "support/String.h"
#include "support/Vector.h"

class BPath;

// RemoveFolders' answer when the list made again differs from this one.
constexpr status_t kRemovalListChanged = kMismatchedValues;

class RkRemovalList {
public:
	// Fills the list from the user's documents folder.
	void FindFolders();
	// Decides about one candidate whose last component should be `name`.
	void ConsiderFolder(BPath& path, const char* name);
	// When the candidate's parent is the vendor folder and a listing that ran
	// to its end found nothing but the candidate, the vendor folder goes in the
	// candidate's place: it is listed if its tree allows, and the answer is true
	// either way, so that the candidate is not considered on its own.
	bool ListVendorFolderInstead(BPath& path, const char* name);
	// Makes the list again and, when it is the same, moves every listed folder
	// to the recycle bin. kOk when all went; kRemovalListChanged when nothing
	// was removed because the disk changed; else the first failure.
	[[nodiscard]] status_t RemoveFolders();

	int32 CountFolders() const { return fFolders.CountItems(); }
	// The empty string when the index is out of range.
	const BString& FolderAt(int32 index) const;
	const BVector<BString>& Folders() const { return fFolders; }

private:
	void Append(const BString& path);
	// Lists the folder if its whole tree lies inside it.
	void AppendIfContained(const BString& path);
	bool SameFoldersAs(const RkRemovalList& other) const;

	BVector<BString> fFolders;
};
