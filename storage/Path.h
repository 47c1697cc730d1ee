// BPath: a path string with join, split and special-folder operations.
//
// The backslash is the only separator. Nothing is normalised, resolved or
// canonicalised: doubled separators, "." and ".." and forward slashes stay as
// they are. The status is -1 while no path is held and 0 once one is.
#pragma once

#include "support/String.h"

enum FolderKind : int32 {
	kUserDocumentsFolder = 3006,
	kUserLocalDataFolder = 3012,
	kSystemDriveRoot = 4003,
	kApplicationFolder = 5000,
};

class BPath {
public:
	BPath() = default;
	explicit BPath(int32 folderKind);
	explicit BPath(const BString* path, const BString* leaf = nullptr);
	virtual ~BPath() = default;

	[[nodiscard]] status_t SetFromString(const BString* path, const BString* leaf = nullptr);
	// A true flag is refused (-1); the status becomes 0 only for a non-empty text.
	[[nodiscard]] status_t SetFromText(const wchar_t* text, bool flag);
	[[nodiscard]] status_t SetToFolder(int32 folderKind);
	void Clear();

	[[nodiscard]] status_t AddComponent(const BString& leaf);
	[[nodiscard]] status_t AddComponent(const char* utf8);

	BString Path() const { return fPath; }
	BString LastComponent() const;
	[[nodiscard]] status_t ParentPath(BPath* out) const;
	bool ExistsOnDisk() const;
	// True when the path names an existing folder (not a file).
	bool IsFolderOnDisk() const;
	[[nodiscard]] status_t Status() const { return fStatus; }

private:
	bool SetToShellFolder(int csidl);
	void SetToApplicationFolder();
	void CutToDriveRoot();
	[[nodiscard]] status_t TakeCopyOf(const BString& path);

	BString fPath;
	status_t fStatus = kError;
};

// True when the path text is non-empty and names an existing entry of any kind.
bool PathExistsOnDisk(const BString& path);
