// The walk over a folder's tree against real folders and real links.
#include "storage/FolderTree.h"
#include "tests/harness/Folders.h"

#include <gtest/gtest.h>

#include <windows.h>

#include <algorithm>
#include <functional>
#include <vector>

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
		{"itself a link to a file, which the platform does not mark", [](auto& tree, auto& outside) {
			ASSERT_TRUE(MakeLink(tree, Join(outside, L"keep.txt")));
		}, FolderTreeState::kLink},
		{"a link deep inside to a folder outside", [&](auto& tree, auto& outside) {
			plainTree(tree);
			ASSERT_TRUE(MakeLink(Join(tree, L"Saves\\away"), outside));
		}, FolderTreeState::kHoldsLink},
		{"a link to a file outside", [&](auto& tree, auto& outside) {
			plainTree(tree);
			ASSERT_TRUE(MakeLink(Join(tree, L"Saves\\notes.txt"), Join(outside, L"keep.txt")));
		}, FolderTreeState::kHoldsLink},
		{"a link back to its parent", [&](auto& tree, auto&) {
			plainTree(tree);
			ASSERT_TRUE(MakeLink(Join(tree, L"Saves\\up"), tree + L"\\.."));
		}, FolderTreeState::kHoldsLink},
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

// Held open without sharing, a folder can be neither opened nor listed by anyone else.
TEST(FolderTree, AnEntryThatCannotBeOpenedMakesTheTreeUnreadable)
{
	ScratchFolder scratch;
	std::wstring tree = scratch / L"Brisca";
	MakeFolder(tree);
	MakeFolder(Join(tree, L"Saves"));
	HANDLE exclusive = CreateFileW(Join(tree, L"Saves").c_str(), GENERIC_READ, 0, nullptr, OPEN_EXISTING,
		FILE_FLAG_BACKUP_SEMANTICS, nullptr);
	ASSERT_NE(exclusive, INVALID_HANDLE_VALUE);
	FolderTreeState state = ExamineFolderTree(ToBString(tree), kShellPathLimit);
	CloseHandle(exclusive);
	EXPECT_EQ(state, FolderTreeState::kUnreadable);
	EXPECT_EQ(ExamineFolderTree(ToBString(tree), kShellPathLimit), FolderTreeState::kContained);
}

TEST(FolderTree, TheInventoryHoldsEveryEntryEachFolderBeforeWhatItHolds)
{
	ScratchFolder scratch;
	std::wstring tree = scratch / L"Brisca";
	MakeTree(tree,
		{L"Saves\\", L"Saves\\Old\\", L"Saves\\Old\\zero.sav", L"Saves\\one.sav", L"Empty\\", L"brisca.ini"});

	BVector<BString> inventory;
	ASSERT_EQ(ExamineFolderTree(ToBString(tree), kShellPathLimit, &inventory), FolderTreeState::kContained);
	std::vector<std::wstring> entries;
	for (const BString& entry : inventory)
		entries.push_back(entry.CharsOrEmpty());
	std::vector<std::wstring> expected;
	for (const wchar_t* entry :
		{L"Saves", L"Saves\\Old", L"Saves\\Old\\zero.sav", L"Saves\\one.sav", L"Empty", L"brisca.ini"})
		expected.push_back(Join(tree, entry));
	std::vector<std::wstring> sorted = entries;
	std::sort(sorted.begin(), sorted.end());
	std::sort(expected.begin(), expected.end());
	EXPECT_EQ(sorted, expected);

	// What a folder holds follows it at once, before anything beside it.
	for (size_t index = 0; index < entries.size(); ++index) {
		std::wstring prefix = entries[index] + L"\\";
		auto inside = [&](const std::wstring& entry) { return entry.compare(0, prefix.size(), prefix) == 0; };
		size_t held = static_cast<size_t>(std::count_if(entries.begin(), entries.end(), inside));
		for (size_t next = index + 1; next <= index + held && next < entries.size(); ++next)
			EXPECT_TRUE(inside(entries[next])) << "not together under " << index;
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
