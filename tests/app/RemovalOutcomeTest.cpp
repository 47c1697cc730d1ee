// What a removal achieved, read from real folders after part of them was
// deleted by hand, and what the user and the exit code are told of it.
#include "app/ExitCode.h"
#include "app/RemovalOutcome.h"
#include "storage/FolderTree.h"
#include "tests/harness/Folders.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <string>
#include <vector>

using namespace zeltest;

namespace {

std::vector<std::wstring> Sorted(const BVector<BString>& strings)
{
	std::vector<std::wstring> sorted;
	for (const BString& text : strings)
		sorted.push_back(text.CharsOrEmpty());
	std::sort(sorted.begin(), sorted.end());
	return sorted;
}

// Brisca\brisca.ini, Brisca\Saves\{one,two}.sav, Brisca\Saves\Old\zero.sav and
// the empty Brisca\Empty; answers the inventory taken as the removal takes it.
BVector<BString> MakeProductTree(const std::wstring& tree)
{
	MakeTree(tree, {L"brisca.ini", L"Saves\\", L"Saves\\one.sav", L"Saves\\two.sav", L"Saves\\Old\\",
		L"Saves\\Old\\zero.sav", L"Empty\\"});
	BVector<BString> inventory;
	EXPECT_EQ(ExamineFolderTree(ToBString(tree), kShellPathLimit, &inventory), FolderTreeState::kContained);
	return inventory;
}

TEST(RemovalOutcome, IsWhatTheDiskStillHoldsOfTheInventory)
{
	struct Case {
		const char* name;
		std::vector<std::wstring> deleted;  // relative to the folder; empty: the folder
		RkRemovalResult result;
		std::vector<std::wstring> left;
	};
	const Case cases[] = {
		{"nothing went", {}, RkRemovalResult::kNothingRemoved, {}},
		{"the folder went", {L""}, RkRemovalResult::kRemoved, {}},
		{"one file went", {L"brisca.ini"}, RkRemovalResult::kPartlyRemoved,
			{L"Empty", L"Saves\\Old\\zero.sav", L"Saves\\one.sav", L"Saves\\two.sav"}},
		{"a folder with all it held went", {L"Saves"}, RkRemovalResult::kPartlyRemoved, {L"Empty", L"brisca.ini"}},
		{"a folder that held only a file that went is left itself",
			{L"Saves\\Old\\zero.sav", L"Saves\\one.sav", L"brisca.ini", L"Empty"}, RkRemovalResult::kPartlyRemoved,
			{L"Saves\\Old", L"Saves\\two.sav"}},
		{"everything in it went", {L"Saves", L"brisca.ini", L"Empty"}, RkRemovalResult::kPartlyRemoved, {}},
	};
	for (const Case& c : cases) {
		SCOPED_TRACE(c.name);
		ScratchFolder scratch;
		std::wstring tree = scratch / L"Brisca";
		BVector<BString> inventory = MakeProductTree(tree);
		ASSERT_EQ(inventory.CountItems(), 7);
		for (const std::wstring& entry : c.deleted)
			RemoveTree(entry.empty() ? tree : Join(tree, entry));

		RkRemovalOutcome outcome = OutcomeOnDisk(ToBString(tree), inventory);
		EXPECT_EQ(outcome.result, c.result);
		EXPECT_EQ(std::wstring(outcome.folder.CharsOrEmpty()), tree);
		EXPECT_EQ(Sorted(outcome.left), c.left);
	}
}

TEST(RemovalOutcome, TheReportNamesTheFolderAndABoundedListOfWhatIsLeftAndTheExitCodeFollows)
{
	ScratchFolder scratch;
	std::wstring tree = scratch / L"Brisca";
	MakeFolder(tree);
	for (wchar_t name = L'a'; name <= L'h'; ++name)
		MakeFile(Join(tree, std::wstring(1, name) + L".sav"));
	BVector<BString> inventory;
	ASSERT_EQ(ExamineFolderTree(ToBString(tree), kShellPathLimit, &inventory), FolderTreeState::kContained);

	RkRemovalOutcome whole = OutcomeOnDisk(ToBString(tree), inventory);
	std::wstring wholeReport = OutcomeReport(whole).CharsOrEmpty();
	EXPECT_EQ(wholeReport,
		L"This folder could not be moved to the Recycle Bin:\n\n" + tree + L"\n\nNothing was removed.");
	EXPECT_EQ(ExitCodeOf(whole.result), kExitNothingRemoved);

	RemoveTree(Join(tree, L"c.sav"));
	RkRemovalOutcome partly = OutcomeOnDisk(ToBString(tree), inventory);
	ASSERT_EQ(partly.left.CountItems(), 7);
	std::wstring partlyReport = OutcomeReport(partly).CharsOrEmpty();
	std::wstring expected = L"This folder could only partly be moved to the Recycle Bin:\n\n" + tree +
		L"\n\nWhat is left is still in it:\n";
	for (int32 index = 0; index < kMaxLeftShown; ++index)
		expected += std::wstring(L"\n") + partly.left.ItemAt(index).CharsOrEmpty();
	expected += L"\nand 2 more";
	EXPECT_EQ(partlyReport, expected);
	EXPECT_EQ(partlyReport.find(L"c.sav"), std::wstring::npos);
	EXPECT_EQ(ExitCodeOf(partly.result), kExitPartlyRemoved);

	RkRemovalOutcome changed;
	changed.result = RkRemovalResult::kChanged;
	changed.folder = ToBString(tree);
	EXPECT_EQ(std::wstring(OutcomeReport(changed).CharsOrEmpty()),
		L"The folders changed since this window opened, so this folder was not removed:\n\n" + tree +
			L"\n\nNothing was removed.");
	EXPECT_EQ(ExitCodeOf(changed.result), kExitNothingRemoved);

	RemoveTree(tree);
	RkRemovalOutcome removed = OutcomeOnDisk(ToBString(tree), inventory);
	EXPECT_EQ(removed.result, RkRemovalResult::kRemoved);
	EXPECT_EQ(OutcomeReport(removed).Length(), 0);
	EXPECT_EQ(ExitCodeOf(removed.result), kExitDone);
}

}  // namespace
