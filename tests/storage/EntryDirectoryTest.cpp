// BEntry deletion and BDirectory listing against real folders.
#include "storage/Directory.h"
#include "storage/Entry.h"
#include "storage/Path.h"
#include "tests/harness/Folders.h"

#include <gtest/gtest.h>

#include <windows.h>

#include <set>
#include <string>

using namespace zeltest;

namespace {

std::set<std::wstring> ListNames(BDirectory& folder)
{
	std::set<std::wstring> names;
	BEntry entry;
	while (folder.NextEntry(&entry, false) == kOk) {
		BPath path;
		EXPECT_EQ(entry.CopyPathTo(&path), kOk);
		names.insert(path.LastComponent().Chars());
	}
	return names;
}

TEST(Directory, EmptyFolderListsNothingAndDotsAreSkipped)
{
	ScratchFolder scratch;
	BDirectory folder(ToBString(scratch.Path()));
	EXPECT_EQ(folder.Status(), kOk);
	EXPECT_TRUE(ListNames(folder).empty());
	BString path;
	EXPECT_EQ(folder.NextEntryPath(&path), kNoMoreEntries);
}

TEST(Directory, ListsEveryEntryOnceThenStaysExhaustedUntilRestarted)
{
	ScratchFolder scratch;
	MakeFolder(scratch / L"Brisca");
	MakeFile(scratch / L"readme.txt");
	MakeFile(scratch / L".hidden");
	BDirectory folder(ToBString(scratch.Path()));
	std::set<std::wstring> expected{L"Brisca", L"readme.txt", L".hidden"};
	EXPECT_EQ(ListNames(folder), expected);

	BEntry entry;
	EXPECT_EQ(folder.NextEntry(&entry, false), kNoMoreEntries);
	EXPECT_EQ(folder.NextEntry(&entry, false), kNoMoreEntries);
	EXPECT_EQ(folder.RestartIteration(), kOk);
	EXPECT_EQ(ListNames(folder), expected);
}

TEST(Directory, EntryPathsAreFullPaths)
{
	ScratchFolder scratch;
	MakeFile(scratch / L"one.txt");
	BDirectory folder(ToBString(scratch.Path()));
	BString path;
	ASSERT_EQ(folder.NextEntryPath(&path), kOk);
	EXPECT_EQ(std::wstring(path.Chars()), scratch / L"one.txt");
}

TEST(Directory, RefusedRequestsAndMissingFolders)
{
	ScratchFolder scratch;
	MakeFile(scratch / L"one.txt");
	BDirectory folder(ToBString(scratch.Path()));
	BEntry entry;
	EXPECT_EQ(folder.NextEntry(nullptr, false), kError);
	EXPECT_EQ(folder.NextEntry(&entry, true), kError);
	EXPECT_EQ(folder.NextRawEntries(nullptr, 0, 1), 0);
	EXPECT_EQ(folder.CountEntries(), 0);

	// A listing that fails is never mistaken for an empty folder.
	BDirectory missing(ToBString(scratch / L"missing"));
	EXPECT_EQ(missing.NextEntry(&entry, false), kError);
	BDirectory file(ToBString(scratch / L"one.txt"));
	EXPECT_EQ(file.NextEntry(&entry, false), kError);
	HANDLE exclusive = CreateFileW(scratch.Path().c_str(), GENERIC_READ, 0, nullptr, OPEN_EXISTING,
		FILE_FLAG_BACKUP_SEMANTICS, nullptr);
	ASSERT_NE(exclusive, INVALID_HANDLE_VALUE);
	EXPECT_EQ(folder.NextEntry(&entry, false), kError);
	CloseHandle(exclusive);
	BDirectory empty{BString()};
	EXPECT_LT(empty.Status(), 0);
	EXPECT_EQ(empty.NextEntry(&entry, false), kError);
}

TEST(Entry, DeletesAFileDirectly)
{
	ScratchFolder scratch;
	MakeFile(scratch / L"file.txt");
	BEntry entry(ToBString(scratch / L"file.txt"), false);
	EXPECT_EQ(entry.Status(), kOk);
	EXPECT_TRUE(entry.ExistsOnDisk());
	EXPECT_EQ(entry.Delete(), kOk);
	EXPECT_FALSE(Exists(scratch / L"file.txt"));
	EXPECT_EQ(entry.Delete(), kError);
}

TEST(Entry, DeletesAFolderWithItsContentThroughTheShell)
{
	ScratchFolder scratch;
	std::wstring tree = scratch / L"tree";
	MakeFolder(tree);
	MakeFolder(Join(tree, L"inner"));
	MakeFile(Join(tree, L"inner\\deep.txt"));
	MakeFile(scratch / L"sibling.txt");
	BEntry entry(ToBString(tree), false);
	EXPECT_EQ(entry.Delete(), kOk);
	EXPECT_FALSE(Exists(tree));
	EXPECT_TRUE(Exists(scratch / L"sibling.txt"));
}

// The move to the bin takes a folder only, and never through a link: the
// shell, given a link, would move its target.
TEST(Entry, MoveToRecycleBinTakesAPlainFolderOnly)
{
	ScratchFolder scratch;
	MakeFolder(scratch / L"target");
	MakeFile(scratch / L"target\\keep.txt");
	ASSERT_TRUE(MakeLink(scratch / L"link", scratch / L"target"));
	MakeFile(scratch / L"file.txt");
	EmptyTrash();

	BEntry link(ToBString(scratch / L"link"), false);
	EXPECT_EQ(link.MoveToRecycleBin(), kNotAllowed);
	EXPECT_EQ(link.Delete(), kNotAllowed);
	BEntry file(ToBString(scratch / L"file.txt"), false);
	EXPECT_EQ(file.MoveToRecycleBin(), kNotAllowed);
	EXPECT_TRUE(Exists(scratch / L"file.txt"));
	EXPECT_TRUE(Exists(scratch / L"target\\keep.txt"));
	EXPECT_EQ(CountTrashedEntries(L"target"), 0);

	BEntry folder(ToBString(scratch / L"target"), false);
	EXPECT_EQ(folder.MoveToRecycleBin(), kOk);
	EXPECT_FALSE(Exists(scratch / L"target"));
	EXPECT_TRUE(Exists(Join(TrashFilesFolder(), L"target\\keep.txt")));
	EXPECT_EQ(folder.MoveToRecycleBin(), kError);
}

TEST(Entry, ReadOnlyFileAndFolderAreRefusedAndLeftInPlace)
{
	ScratchFolder scratch;
	MakeFile(scratch / L"locked.txt");
	ASSERT_TRUE(SetReadOnly(scratch / L"locked.txt", true));
	BEntry file(ToBString(scratch / L"locked.txt"), false);
	EXPECT_EQ(file.Delete(), kReadOnly);
	EXPECT_TRUE(Exists(scratch / L"locked.txt"));

	MakeFolder(scratch / L"locked");
	MakeFile(scratch / L"locked\\inside.txt");
	ASSERT_TRUE(SetReadOnly(scratch / L"locked", true));
	BEntry folder(ToBString(scratch / L"locked"), false);
	EXPECT_EQ(folder.Delete(), kReadOnly);
	EXPECT_TRUE(Exists(scratch / L"locked\\inside.txt"));
}

TEST(Entry, PathCopiesAndEmptyEntries)
{
	BEntry entry;
	EXPECT_EQ(entry.Status(), kError);
	EXPECT_EQ(entry.Delete(), kError);
	EXPECT_FALSE(entry.ExistsOnDisk());
	EXPECT_EQ(entry.SetFromString(BString(L"C:\\x\\y")), kOk);
	BString text;
	EXPECT_EQ(entry.CopyPathStringTo(&text), kOk);
	EXPECT_TRUE(text == "C:\\x\\y");
	BPath path;
	EXPECT_EQ(entry.CopyPathTo(&path), kOk);
	EXPECT_TRUE(path.LastComponent() == "y");
	EXPECT_EQ(entry.CopyPathTo(nullptr), kError);
	EXPECT_EQ(entry.CopyPathStringTo(nullptr), kError);
}

}  // namespace
