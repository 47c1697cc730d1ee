// RkRemovalOutcome: what a removal achieved, read from the disk afterwards.
#include "app/RemovalOutcome.h"

#include "app/ExitCode.h"
#include "storage/Path.h"

namespace {

// `path` lies inside `folder` (below it, not the folder itself).
bool IsInside(const BString& path, const BString& folder)
{
	return path.Length() > folder.Length() + 1 && path.Compare(folder, folder.Length()) == 0 &&
		path.Chars()[folder.Length()] == L'\\';
}

BString RelativeTo(const BString& folder, const BString& path)
{
	BString relative;
	path.AppendRangeTo(&relative, folder.Length() + 1, path.Length() - folder.Length() - 1);
	return relative;
}

void AppendLeftEntries(BString* text, const BVector<BString>& left)
{
	if (left.CountItems() == 0) {
		text->Append("Everything in it went; the folder itself is still there, empty.");
		return;
	}
	text->Append("What is left is still in it:\n");
	for (int32 index = 0; index < left.CountItems() && index < kMaxLeftShown; ++index) {
		text->Append("\n");
		text->Append(left.ItemAt(index));
	}
	if (left.CountItems() > kMaxLeftShown) {
		text->Append("\nand ");
		text->Append(left.CountItems() - kMaxLeftShown);
		text->Append(" more");
	}
}

// A sentence, the folder on a line of its own, and what follows.
BString FolderMessage(const char* sentence, const BString& folder)
{
	BString text(sentence);
	text.Append("\n\n");
	text.Append(folder);
	text.Append("\n\n");
	return text;
}

}  // namespace

RkRemovalOutcome OutcomeOnDisk(const BString& folder, const BVector<BString>& inventory)
{
	RkRemovalOutcome outcome;
	outcome.folder = folder;
	if (!PathExistsOnDisk(folder))
		return outcome;
	// The inventory lists each folder right before what it holds, so an entry
	// holds something still there exactly when the next entry still there
	// lies inside it.
	// Without memory an entry still there may go unnoticed: the outcome then
	// says partly removed instead of nothing, still not a success.
	BVector<BString> remaining;
	for (const BString& entry : inventory) {
		if (PathExistsOnDisk(entry))
			remaining.AddItem(entry);
	}
	bool whole = remaining.CountItems() == inventory.CountItems();
	outcome.result = whole ? RkRemovalResult::kNothingRemoved : RkRemovalResult::kPartlyRemoved;
	for (int32 index = 0; !whole && index < remaining.CountItems(); ++index) {
		const BString& entry = remaining.ItemAt(index);
		bool holdsMore = index + 1 < remaining.CountItems() && IsInside(remaining.ItemAt(index + 1), entry);
		if (!holdsMore)
			outcome.left.AddItem(RelativeTo(folder, entry));
	}
	return outcome;
}

BString OutcomeReport(const RkRemovalOutcome& outcome)
{
	BString text;
	switch (outcome.result) {
		case RkRemovalResult::kRemoved:
			break;
		case RkRemovalResult::kNothingRemoved:
			text = FolderMessage("This folder could not be moved to the Recycle Bin:", outcome.folder);
			text.Append("Nothing was removed.");
			break;
		case RkRemovalResult::kPartlyRemoved:
			text = FolderMessage("This folder could only partly be moved to the Recycle Bin:", outcome.folder);
			AppendLeftEntries(&text, outcome.left);
			break;
		case RkRemovalResult::kChanged:
			text = FolderMessage(
				"The folders changed since this window opened, so this folder was not removed:", outcome.folder);
			text.Append("Nothing was removed.");
			break;
	}
	return text;
}

int32 ExitCodeOf(RkRemovalResult result)
{
	switch (result) {
		case RkRemovalResult::kRemoved:
			return kExitDone;
		case RkRemovalResult::kPartlyRemoved:
			return kExitPartlyRemoved;
		case RkRemovalResult::kNothingRemoved:
		case RkRemovalResult::kChanged:
			break;
	}
	return kExitNothingRemoved;
}
