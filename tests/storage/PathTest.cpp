// BPath joining and splitting, and the special folders, on the real platform.
#include "storage/Path.h"
#include "tests/harness/Folders.h"

#include <gtest/gtest.h>

#include <string>

using namespace zeltest;

namespace {

std::wstring Joined(const wchar_t* base, const wchar_t* leaf)
{
	BPath path;
	EXPECT_EQ(path.SetFromText(base, false), kOk);
	EXPECT_EQ(path.AddComponent(BString(leaf)), kOk);
	return path.Path().Chars();
}

std::wstring Text(const BString& text)
{
	return text.Chars() != nullptr ? text.Chars() : L"";
}

TEST(PathJoin, OneSeparatorBetweenComponentsWhateverTheirEnds)
{
	EXPECT_EQ(Joined(L"C:\\a", L"b"), L"C:\\a\\b");
	EXPECT_EQ(Joined(L"C:\\a\\", L"b"), L"C:\\a\\b");
	EXPECT_EQ(Joined(L"C:\\a", L"\\b"), L"C:\\a\\b");
	EXPECT_EQ(Joined(L"C:\\a\\", L"\\b"), L"C:\\a\\b");
	// Nothing is normalised beyond the one joint.
	EXPECT_EQ(Joined(L"C:\\a\\", L"\\\\b"), L"C:\\a\\\\b");
	EXPECT_EQ(Joined(L"C:/a", L"./b"), L"C:/a\\./b");
}

TEST(PathJoin, EmptyLeafIsRefusedAndEmptyPathTakesTheLeaf)
{
	BPath path;
	EXPECT_EQ(path.AddComponent(BString()), kError);
	EXPECT_EQ(path.AddComponent("Brisca"), kOk);
	EXPECT_EQ(Text(path.Path()), L"Brisca");
	EXPECT_EQ(path.AddComponent(static_cast<const char*>(nullptr)), kError);
}

TEST(PathJoin, SetFromStringAddsTheLeafAndMayTakeItsOwnPath)
{
	BString base(L"C:\\users");
	BString leaf(L"root");
	BPath path(&base, &leaf);
	EXPECT_EQ(path.Status(), kOk);
	EXPECT_EQ(Text(path.Path()), L"C:\\users\\root");

	BString own = path.Path();
	EXPECT_EQ(path.SetFromString(&own, &leaf), kOk);
	EXPECT_EQ(Text(path.Path()), L"C:\\users\\root\\root");
	EXPECT_EQ(path.SetFromString(nullptr), kError);
}

TEST(PathText, StatusFollowsTheTextAndTheFlag)
{
	BPath path;
	EXPECT_EQ(path.Status(), kError);
	EXPECT_EQ(path.SetFromText(L"", false), kError);
	EXPECT_EQ(path.SetFromText(L"C:\\x", true), kError);
	EXPECT_EQ(path.SetFromText(L"C:\\x", false), kOk);
	EXPECT_EQ(path.SetFromText(nullptr, false), kError);
	EXPECT_EQ(Text(path.Path()), L"");
}

TEST(PathSplit, LastComponentIsWhatFollowsTheLastSeparator)
{
	BPath path;
	EXPECT_EQ(path.SetFromText(L"C:\\Quorvane\\Brisca", false), kOk);
	EXPECT_EQ(Text(path.LastComponent()), L"Brisca");
	EXPECT_EQ(path.SetFromText(L"C:\\Quorvane\\", false), kOk);
	EXPECT_EQ(Text(path.LastComponent()), L"");
	EXPECT_EQ(path.SetFromText(L"Brisca", false), kOk);
	EXPECT_EQ(Text(path.LastComponent()), L"");
	EXPECT_EQ(path.SetFromText(L"C:/Quorvane/Brisca", false), kOk);
	EXPECT_EQ(Text(path.LastComponent()), L"");
}

TEST(PathSplit, ParentPathCutsAtTheLastSeparator)
{
	BPath path;
	BPath parent;
	EXPECT_EQ(path.SetFromText(L"C:\\Quorvane\\Brisca", false), kOk);
	EXPECT_EQ(path.ParentPath(&parent), kOk);
	EXPECT_EQ(Text(parent.Path()), L"C:\\Quorvane");
	EXPECT_EQ(parent.Status(), kOk);

	EXPECT_EQ(path.SetFromText(L"C:\\Quorvane\\", false), kOk);
	EXPECT_EQ(path.ParentPath(&parent), kOk);
	EXPECT_EQ(Text(parent.Path()), L"C:\\Quorvane");

	// A root's parent is the empty text, which holds no path.
	EXPECT_EQ(path.SetFromText(L"\\Quorvane", false), kOk);
	EXPECT_EQ(path.ParentPath(&parent), kOk);
	EXPECT_EQ(parent.Status(), kError);

	EXPECT_EQ(path.SetFromText(L"Quorvane", false), kOk);
	EXPECT_EQ(path.ParentPath(&parent), kError);
	EXPECT_EQ(path.ParentPath(nullptr), kError);
	EXPECT_EQ(BPath().ParentPath(&parent), kError);
}

TEST(PathFolders, SpecialFoldersAreRealFolders)
{
	BPath documents(kUserDocumentsFolder);
	ASSERT_EQ(documents.Status(), kOk);
	EXPECT_EQ(Text(documents.Path()), DocumentsFolder());
	EXPECT_TRUE(documents.ExistsOnDisk());

	BPath localData(kUserLocalDataFolder);
	EXPECT_EQ(localData.Status(), kOk);
	EXPECT_TRUE(localData.ExistsOnDisk());

	BPath root(kSystemDriveRoot);
	ASSERT_EQ(root.Status(), kOk);
	std::wstring rootText = Text(root.Path());
	ASSERT_EQ(rootText.size(), 3u);
	EXPECT_EQ(rootText.substr(1), L":\\");
	EXPECT_TRUE(root.ExistsOnDisk());

	BPath application(kApplicationFolder);
	ASSERT_EQ(application.Status(), kOk);
	EXPECT_TRUE(application.ExistsOnDisk());
	EXPECT_NE(Text(application.LastComponent()), L"");

	BPath unknown(1234);
	EXPECT_EQ(unknown.Status(), kError);
}

TEST(PathFolders, ExistenceCountsFilesAndFoldersButOnlyFoldersAreFolders)
{
	ScratchFolder scratch;
	MakeFile(scratch / L"file.txt");
	BPath path;
	EXPECT_EQ(path.SetFromText((scratch / L"file.txt").c_str(), false), kOk);
	EXPECT_TRUE(path.ExistsOnDisk());
	EXPECT_FALSE(path.IsFolderOnDisk());
	EXPECT_EQ(path.SetFromText(scratch.Path().c_str(), false), kOk);
	EXPECT_TRUE(path.ExistsOnDisk());
	EXPECT_TRUE(path.IsFolderOnDisk());
	EXPECT_EQ(path.SetFromText((scratch / L"missing").c_str(), false), kOk);
	EXPECT_FALSE(path.ExistsOnDisk());
	EXPECT_FALSE(path.IsFolderOnDisk());
	EXPECT_FALSE(BPath().ExistsOnDisk());
	EXPECT_FALSE(BPath().IsFolderOnDisk());
}

}  // namespace
