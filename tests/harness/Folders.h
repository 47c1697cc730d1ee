// Real folders for tests: the private documents folder, scratch trees and the trash.
//
// Every test run has a private HOME, which Wine maps to the documents folder, so
// whatever these helpers create or delete lives in that private tree only.
#pragma once

#include "support/String.h"

#include <string>
#include <vector>

namespace zeltest {

std::wstring DocumentsFolder();
// The root folder of the system drive, with its backslash (C:\).
std::wstring SystemDriveRoot();
// Where Wine's shell puts what a deletion with undo moves to the trash.
std::wstring TrashFilesFolder();

std::wstring Join(const std::wstring& folder, const std::wstring& leaf);
bool Exists(const std::wstring& path);
bool IsFolder(const std::wstring& path);
void MakeFolder(const std::wstring& path);
void MakeFile(const std::wstring& path, const char* contents = "brisca");
// Makes the folder `root` and each entry under it, in order: a name ending in a
// backslash is a folder, any other a file.
void MakeTree(const std::wstring& root, const std::vector<std::wstring>& entries);
// The first 4 KB of a file, read while others may still write it; "<missing>"
// when it cannot be opened.
std::string FileContents(const std::wstring& path);
// True when the entry reads back with the wanted attribute.
bool SetReadOnly(const std::wstring& path, bool readOnly);
// Deletes a tree for good, read-only entries included, without following the
// links in it; absent paths are fine.
void RemoveTree(const std::wstring& path);
// A symbolic link at `link` to an existing `target`, made on the Unix side:
// Wine's CreateSymbolicLinkW answers success and makes nothing.
bool MakeLink(const std::wstring& link, const std::wstring& target);
// Entries of the trash whose names begin with the given name (the shell may add
// a number when the name is taken).
int CountTrashedEntries(const std::wstring& name);
void EmptyTrash();

BString ToBString(const std::wstring& text);

// A uniquely named folder that is removed with its content at the end of a test.
class ScratchFolder {
public:
	ScratchFolder();
	explicit ScratchFolder(const std::wstring& path);
	~ScratchFolder();
	const std::wstring& Path() const { return fPath; }
	std::wstring operator/(const std::wstring& leaf) const { return Join(fPath, leaf); }

	ScratchFolder(const ScratchFolder&) = delete;
	ScratchFolder& operator=(const ScratchFolder&) = delete;

private:
	std::wstring fPath;
};

}  // namespace zeltest
