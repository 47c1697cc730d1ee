// RkRemovalList: which folder the uninstaller removes, and removing it.
//
// The product folder is Documents\Quorvane\Brisca. When the vendor folder holds
// nothing but the product folder (or nothing at all), the vendor folder is
// listed instead so that no empty vendor folder stays behind. The decision
// fails closed: a vendor path that is not a folder, a listing that fails and
// an entry whose path cannot be formed all count as "holds something else", so
// nothing beyond the product folder is ever removed on a doubt.
// The list holds at most one full path. It is filled once, when the uninstall
// window is built, and removal deletes what was listed without asking again.
#pragma once

#include "support/String.h"
#include "support/Vector.h"

class BPath;

class RkRemovalList {
public:
	// Fills the list from the user's documents folder.
	void FindFolders();
	// Decides about one candidate whose last component should be `name`.
	void ConsiderFolder(BPath& path, const char* name);
	// True (and the vendor folder listed) when the candidate's parent is the vendor
	// folder and a listing that ran to its end found nothing but the candidate.
	bool VendorFolderOnlyHolds(BPath& path, const char* name);
	// Deletes every listed entry that still exists; failures are not reported.
	void RemoveFolders();

	int32 CountFolders() const { return fFolders.CountItems(); }
	// The empty string when the index is out of range.
	const BString& FolderAt(int32 index) const;
	const BVector<BString>& Folders() const { return fFolders; }

private:
	void Append(const BString& path);

	BVector<BString> fFolders;
};
