// The walk over a folder's tree against real folders and real links.
#include "storage/FolderTree.h"
#include "tests/harness/Folders.h"

#include <gtest/gtest.h>

#include <functional>

using namespace zeltest;

namespace {

// A folder under `tree` whose file path is exactly `length` characters long.
void MakePathOfLength(const std::wstring& tree, size_t length)
{
	std::wstring fileName = L"f.txt";
	size_t folderNameLength = length - tree.size() - fileName.size() - 2;
	std::wstring folder = Join(tree, std::wstring(folderNameLength, L'n'));
	MakeFolder(L"\\\\?\\" + folder);
	MakeFile(L"\\\\?\\" + Join(folder, fileName));
	ASSERT_EQ(Join(folder, fileName).size(), length);
	ASSERT_TRUE(Exists(L"\\\\?\\" + Join(folder, fileName)));
}

struct Layout {
	const char* name;
	// Makes the tree at its path; `outside` is a folder beside it.
	std::function<void(const std::wstring& tree, const std::wstring& outside)> make;
	FolderTreeState expected;
};

TEST(FolderTree, OnlyATreeThatStaysInsideItselfIsContained)
{
	auto plainTree = [](const std::wstring& tree) {
		MakeFolder(tree);
		MakeFolder(Join(tree, L"Saves"));
		MakeFile(Join(tree, L"Saves\\one.sav"));
	};
	const Layout layouts[] = {
		{"plain folders and files", [&](auto& tree, auto&) { plainTree(tree); }, FolderTreeState::kContained},
		{"empty folder", [](auto& tree, auto&) { MakeFolder(tree); }, FolderTreeState::kContained},
		{"nothing", [](auto&, auto&) {}, FolderTreeState::kMissing},
		{"a file", [](auto& tree, auto&) { MakeFile(tree); }, FolderTreeState::kNotAFolder},
		{"a link to a folder", [](auto& tree, auto& outside) { ASSERT_TRUE(MakeLink(tree, outside)); },
			FolderTreeState::kLink},
		{"a link deep inside to a folder outside", [&](auto& tree, auto& outside) {
			plainTree(tree);
			ASSERT_TRUE(MakeLink(Join(tree, L"Saves\\away"), outside));
		}, FolderTreeState::kLink},
		{"a link to a file outside", [&](auto& tree, auto& outside) {
			plainTree(tree);
			ASSERT_TRUE(MakeLink(Join(tree, L"Saves\\notes.txt"), Join(outside, L"keep.txt")));
		}, FolderTreeState::kLink},
		{"a link back to its parent", [&](auto& tree, auto&) {
			plainTree(tree);
			ASSERT_TRUE(MakeLink(Join(tree, L"Saves\\up"), tree + L"\\.."));
		}, FolderTreeState::kLink},
		{"a path of 259 characters", [](auto& tree, auto&) {
			MakeFolder(tree);
			MakePathOfLength(tree, 259);
		}, FolderTreeState::kContained},
		{"a path of 260 characters", [](auto& tree, auto&) {
			MakeFolder(tree);
			MakePathOfLength(tree, 260);
		}, FolderTreeState::kPathTooLong},
	};
	for (const Layout& layout : layouts) {
		SCOPED_TRACE(layout.name);
		ScratchFolder scratch;
		std::wstring outside = scratch / L"outside";
		MakeFolder(outside);
		MakeFile(Join(outside, L"keep.txt"));
		std::wstring tree = scratch / L"Brisca";
		layout.make(tree, outside);
		EXPECT_EQ(ExamineFolderTree(ToBString(tree), kShellPathLimit), layout.expected);
		EXPECT_EQ(FileContents(Join(outside, L"keep.txt")), "brisca");
	}
}

TEST(FolderTree, TheFolderAloneIsJudgedByItsAttributes)
{
	ScratchFolder scratch;
	MakeFolder(scratch / L"plain");
	MakeFile(scratch / L"file");
	ASSERT_TRUE(MakeLink(scratch / L"link", scratch / L"plain"));
	EXPECT_EQ(ExamineFolder(ToBString(scratch / L"plain")), FolderTreeState::kContained);
	EXPECT_EQ(ExamineFolder(ToBString(scratch / L"file")), FolderTreeState::kNotAFolder);
	EXPECT_EQ(ExamineFolder(ToBString(scratch / L"link")), FolderTreeState::kLink);
	EXPECT_EQ(ExamineFolder(ToBString(scratch / L"missing")), FolderTreeState::kMissing);
	EXPECT_EQ(ExamineFolder(BString()), FolderTreeState::kMissing);
}

}  // namespace
