// The removal list against real folders in the private documents folder.
#include "app/RemovalList.h"
#include "storage/Path.h"
#include "tests/harness/Folders.h"

#include <gtest/gtest.h>

#include <windows.h>

#include <functional>
#include <memory>

using namespace zeltest;

namespace {

class RemovalListTest : public ::testing::Test {
protected:
	void SetUp() override
	{
		ASSERT_FALSE(DocumentsFolder().empty());
		fVendor = std::make_unique<ScratchFolder>(Join(DocumentsFolder(), L"Quorvane"));
		fProduct = *fVendor / L"Brisca";
		EmptyTrash();
	}

	std::wstring Found()
	{
		RkRemovalList list;
		list.FindFolders();
		if (list.CountFolders() == 0)
			return std::wstring();
		EXPECT_EQ(list.CountFolders(), 1);
		return list.FolderAt(0).Chars();
	}

	// Where Brisca is really not there, nothing is refused either, so that the
	// window may say there is nothing to remove.
	void ExpectNothingRefused()
	{
		RkRemovalList list;
		list.FindFolders();
		EXPECT_EQ(list.RefusedFolder().Length(), 0);
	}

	RkRemovalResult FindAndRemove()
	{
		RkRemovalList list;
		list.FindFolders();
		return list.RemoveFolders().result;
	}

	std::unique_ptr<ScratchFolder> fVendor;
	std::wstring fProduct;
};

TEST_F(RemovalListTest, VendorHoldingOnlyTheProductIsListedAndTrashedWhole)
{
	MakeFolder(fProduct);
	MakeFile(Join(fProduct, L"game.dat"));
	EXPECT_EQ(Found(), fVendor->Path());

	EXPECT_EQ(FindAndRemove(), RkRemovalResult::kRemoved);
	EXPECT_FALSE(Exists(fVendor->Path()));
	EXPECT_EQ(CountTrashedEntries(L"Quorvane"), 1);
	EXPECT_TRUE(Exists(Join(TrashFilesFolder(), L"Quorvane\\Brisca\\game.dat")));
}

TEST_F(RemovalListTest, ProductBesideAnotherFileIsListedAloneAndTheFileSurvives)
{
	MakeFolder(fProduct);
	MakeFile(*fVendor / L"Readme.txt");
	EXPECT_EQ(Found(), fProduct);

	EXPECT_EQ(FindAndRemove(), RkRemovalResult::kRemoved);
	EXPECT_FALSE(Exists(fProduct));
	EXPECT_TRUE(Exists(*fVendor / L"Readme.txt"));
	EXPECT_EQ(CountTrashedEntries(L"Brisca"), 1);
	EXPECT_EQ(CountTrashedEntries(L"Quorvane"), 0);
}

TEST_F(RemovalListTest, ProductBesideAnotherFolderIsListedAlone)
{
	MakeFolder(fProduct);
	MakeFolder(*fVendor / L"Zorvik");
	MakeFile(*fVendor / L"Zorvik\\keep.txt");
	EXPECT_EQ(Found(), fProduct);

	EXPECT_EQ(FindAndRemove(), RkRemovalResult::kRemoved);
	EXPECT_FALSE(Exists(fProduct));
	EXPECT_TRUE(Exists(*fVendor / L"Zorvik\\keep.txt"));
}

TEST_F(RemovalListTest, AnEntryEnumeratedBeforeTheProductDecidesTheSame)
{
	// Names sorting before "Brisca" come first from Wine's and NTFS's listings alike.
	MakeFolder(*fVendor / L"Aardvark");
	MakeFolder(fProduct);
	MakeFile(*fVendor / L"0-first.txt");
	EXPECT_EQ(Found(), fProduct);
}

TEST_F(RemovalListTest, EmptyVendorFolderIsListedAndRecycled)
{
	EXPECT_EQ(Found(), fVendor->Path());
	EXPECT_EQ(FindAndRemove(), RkRemovalResult::kRemoved);
	EXPECT_FALSE(Exists(fVendor->Path()));
	EXPECT_EQ(CountTrashedEntries(L"Quorvane"), 1);
}

// The removal fails closed: whatever cannot be shown to hold only the product
// folder is never listed as a whole.
TEST_F(RemovalListTest, VendorPathThatIsAFileIsNeverListedAndSurvives)
{
	std::wstring vendorPath = fVendor->Path();
	fVendor.reset();
	MakeFile(vendorPath, "not a folder");
	EXPECT_EQ(Found(), L"");
	ExpectNothingRefused();
	EXPECT_EQ(FindAndRemove(), RkRemovalResult::kRemoved);
	EXPECT_TRUE(Exists(vendorPath));
	EXPECT_FALSE(IsFolder(vendorPath));
	RemoveTree(vendorPath);
}

TEST_F(RemovalListTest, VendorFolderWhoseListingFailsIsNeverListed)
{
	MakeFolder(fProduct);
	MakeFile(*fVendor / L"Other product.dat");
	// Held open without sharing, the folder cannot be listed, while the paths
	// inside it can still be tested.
	HANDLE exclusive = CreateFileW(fVendor->Path().c_str(), GENERIC_READ, 0, nullptr, OPEN_EXISTING,
		FILE_FLAG_BACKUP_SEMANTICS, nullptr);
	ASSERT_NE(exclusive, INVALID_HANDLE_VALUE);
	std::wstring found = Found();
	EXPECT_EQ(FindAndRemove(), RkRemovalResult::kRemoved);
	CloseHandle(exclusive);

	EXPECT_EQ(found, fProduct);
	EXPECT_TRUE(Exists(*fVendor / L"Other product.dat"));
	EXPECT_EQ(CountTrashedEntries(L"Quorvane"), 0);
}

TEST_F(RemovalListTest, VendorWithoutTheProductListsNothing)
{
	MakeFile(*fVendor / L"Readme.txt");
	MakeFolder(*fVendor / L"Other");
	EXPECT_EQ(Found(), L"");
	ExpectNothingRefused();
	EXPECT_EQ(FindAndRemove(), RkRemovalResult::kRemoved);
	EXPECT_TRUE(Exists(*fVendor / L"Readme.txt"));
	EXPECT_TRUE(Exists(*fVendor / L"Other"));
}

TEST_F(RemovalListTest, NoVendorFolderListsNothing)
{
	fVendor.reset();
	ASSERT_FALSE(Exists(Join(DocumentsFolder(), L"Quorvane")));
	EXPECT_EQ(Found(), L"");
	ExpectNothingRefused();
}

// Layouts in which a removal would reach outside the folder it removes: none
// is listed, so "OK" could remove nothing, and the folder that is there is
// kept with the reason it stays.
TEST_F(RemovalListTest, NothingThatLeadsOutsideIsListedAndTheFolderThereIsRefusedWithItsReason)
{
	struct Layout {
		const char* name;
		std::function<void()> make;
		std::wstring refused;
		FolderTreeState reason;
	};
	ScratchFolder outside;
	MakeFile(outside / L"keep.txt");
	std::wstring documents = DocumentsFolder();
	std::wstring vendor = Join(documents, L"Quorvane");
	auto productBesideReadme = [&] {
		MakeFolder(fProduct);
		MakeFile(*fVendor / L"Readme.txt");
	};
	HANDLE exclusive = INVALID_HANDLE_VALUE;
	const Layout layouts[] = {
		{"vendor folder is a link", [&] {
			fVendor.reset();
			MakeFolder(outside / L"Brisca");
			ASSERT_TRUE(MakeLink(vendor, outside.Path()));
		}, vendor, FolderTreeState::kLink},
		{"product folder is a link to the documents folder, alone in the vendor folder", [&] {
			ASSERT_TRUE(MakeLink(fProduct, documents));
		}, vendor, FolderTreeState::kHoldsLink},
		{"product folder is a link to a folder outside", [&] {
			MakeFile(*fVendor / L"Readme.txt");
			ASSERT_TRUE(MakeLink(fProduct, outside.Path()));
		}, fProduct, FolderTreeState::kLink},
		{"product is a link to a file", [&] {
			MakeFile(*fVendor / L"Readme.txt");
			ASSERT_TRUE(MakeLink(fProduct, outside / L"keep.txt"));
		}, fProduct, FolderTreeState::kLink},
		{"product is a file", [&] {
			MakeFile(*fVendor / L"Readme.txt");
			MakeFile(fProduct);
		}, fProduct, FolderTreeState::kNotAFolder},
		{"product holds a link", [&] {
			productBesideReadme();
			ASSERT_TRUE(MakeLink(Join(fProduct, L"notes.txt"), outside / L"keep.txt"));
		}, fProduct, FolderTreeState::kHoldsLink},
		{"product holds a path of 260 characters", [&] {
			productBesideReadme();
			// Past the platform's plain path limit only the long form of a path reaches.
			std::wstring folder = L"\\\\?\\" + Join(fProduct, std::wstring(255 - fProduct.size(), L'n'));
			MakeFolder(folder);
			MakeFile(Join(folder, L"save"));
		}, fProduct, FolderTreeState::kPathTooLong},
		{"product cannot be read", [&] {
			productBesideReadme();
			MakeFolder(Join(fProduct, L"Saves"));
			exclusive = CreateFileW(Join(fProduct, L"Saves").c_str(), GENERIC_READ, 0, nullptr, OPEN_EXISTING,
				FILE_FLAG_BACKUP_SEMANTICS, nullptr);
			ASSERT_NE(exclusive, INVALID_HANDLE_VALUE);
		}, fProduct, FolderTreeState::kUnreadable},
	};
	for (const Layout& layout : layouts) {
		SCOPED_TRACE(layout.name);
		fVendor.reset();
		RemoveTree(vendor);
		fVendor = std::make_unique<ScratchFolder>(vendor);
		layout.make();
		RkRemovalList list;
		list.FindFolders();
		if (exclusive != INVALID_HANDLE_VALUE) {
			CloseHandle(exclusive);
			exclusive = INVALID_HANDLE_VALUE;
		}
		EXPECT_EQ(list.CountFolders(), 0);
		EXPECT_EQ(std::wstring(list.RefusedFolder().CharsOrEmpty()), layout.refused);
		EXPECT_EQ(list.RefusalReason(), layout.reason);
		EXPECT_EQ(list.RemoveFolders().result, RkRemovalResult::kRemoved);
		EXPECT_EQ(FileContents(outside / L"keep.txt"), "brisca");
		EXPECT_EQ(CountTrashedEntries(L"Quorvane") + CountTrashedEntries(L"Brisca"), 0);
		fVendor.reset();
		RemoveTree(vendor);
	}
}

// "OK" makes the list again, and a list that changed since it was shown
// removes nothing.
TEST_F(RemovalListTest, AListThatChangedBeforeTheRemovalRemovesNothing)
{
	struct Change {
		const char* name;
		bool vendorAlone;
		std::function<void()> make;
	};
	ScratchFolder outside;
	MakeFile(outside / L"keep.txt");
	const Change changes[] = {
		{"a new entry in the vendor folder", true, [&] { MakeFolder(*fVendor / L"NewProduct"); }},
		{"the product folder turned into a link", false, [&] {
			RemoveTree(fProduct);
			ASSERT_TRUE(MakeLink(fProduct, outside.Path()));
		}},
		{"the product folder turned into a file", false, [&] {
			RemoveTree(fProduct);
			MakeFile(fProduct);
		}},
	};
	for (const Change& change : changes) {
		SCOPED_TRACE(change.name);
		fVendor.reset();
		fVendor = std::make_unique<ScratchFolder>(Join(DocumentsFolder(), L"Quorvane"));
		MakeFolder(fProduct);
		MakeFile(Join(fProduct, L"game.dat"));
		if (!change.vendorAlone)
			MakeFile(*fVendor / L"Readme.txt");
		RkRemovalList shown;
		shown.FindFolders();
		ASSERT_EQ(shown.CountFolders(), 1);

		change.make();
		RkRemovalOutcome outcome = shown.RemoveFolders();
		EXPECT_EQ(outcome.result, RkRemovalResult::kChanged);
		EXPECT_TRUE(outcome.folder == shown.FolderAt(0));
		EXPECT_TRUE(Exists(fVendor->Path()));
		EXPECT_TRUE(Exists(fProduct));
		EXPECT_EQ(FileContents(outside / L"keep.txt"), "brisca");
		EXPECT_EQ(CountTrashedEntries(L"Quorvane") + CountTrashedEntries(L"Brisca"), 0);
	}
}

TEST_F(RemovalListTest, ReadOnlyProductIsListedAndTheRemovalSaysNothingWent)
{
	MakeFolder(fProduct);
	MakeFile(Join(fProduct, L"save.dat"));
	MakeFile(*fVendor / L"Readme.txt");
	ASSERT_TRUE(SetReadOnly(fProduct, true));
	EXPECT_EQ(Found(), fProduct);

	RkRemovalList list;
	list.FindFolders();
	RkRemovalOutcome outcome = list.RemoveFolders();
	EXPECT_EQ(outcome.result, RkRemovalResult::kNothingRemoved);
	EXPECT_EQ(std::wstring(outcome.folder.CharsOrEmpty()), fProduct);
	EXPECT_EQ(outcome.left.CountItems(), 0);
	EXPECT_TRUE(Exists(Join(fProduct, L"save.dat")));
	EXPECT_EQ(CountTrashedEntries(L"Brisca"), 0);
}

TEST_F(RemovalListTest, ProductInAnotherCaseFailsTheNameTestButExistsOnDisk)
{
	std::wstring lowerCase = *fVendor / L"brisca";
	MakeFolder(lowerCase);
	MakeFile(*fVendor / L"Readme.txt");
	// The vendor test sees a name that differs, so the product path is tested for
	// existence, and the case-blind file system finds it.
	EXPECT_EQ(Found(), fProduct);
}

TEST_F(RemovalListTest, ProductInAnotherCaseAloneStillLeavesTheVendorFolderUnlisted)
{
	MakeFolder(*fVendor / L"brisca");
	// The only entry differs in case from the product name: not "only the product".
	EXPECT_EQ(Found(), fProduct);
}

TEST(RemovalListCandidates, CandidatesOfAnotherNameOrWithoutStatusAreIgnored)
{
	ScratchFolder scratch;
	MakeFolder(scratch / L"Quorvane");
	MakeFolder(scratch / L"Quorvane\\Brisca");
	MakeFile(scratch / L"Quorvane\\other.txt");
	BString base = ToBString(scratch / L"Quorvane\\Brisca");

	RkRemovalList list;
	BPath empty;
	list.ConsiderFolder(empty, "Brisca");
	BPath path(&base);
	list.ConsiderFolder(path, nullptr);
	list.ConsiderFolder(path, "Other");
	EXPECT_EQ(list.CountFolders(), 0);

	list.ConsiderFolder(path, "Brisca");
	ASSERT_EQ(list.CountFolders(), 1);
	EXPECT_TRUE(list.FolderAt(0) == base);
}

TEST(RemovalListCandidates, ParentOfAnotherNameIsNeverTheVendorFolder)
{
	ScratchFolder scratch;
	MakeFolder(scratch / L"Brisca");
	BString candidate = ToBString(scratch / L"Brisca");
	BPath path(&candidate);

	RkRemovalList list;
	EXPECT_FALSE(list.ListVendorFolderInstead(path, "Brisca"));
	list.ConsiderFolder(path, "Brisca");
	ASSERT_EQ(list.CountFolders(), 1);
	EXPECT_TRUE(list.FolderAt(0) == candidate);
}

}  // namespace
