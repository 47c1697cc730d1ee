// FolderTree: whether a folder and everything in it lie inside the folder.
//
// Moving a folder as a whole is safe only when nothing in it reaches elsewhere:
// a symbolic link, junction or mount point (a reparse point) anywhere in the
// tree, or an entry whose path is too long for the shell's file operations,
// would take an operation on the folder out of it. The walk reads each folder's
// listing and never descends through a link. Where the platform reports a link
// without the reparse attribute (Wine does so for links to files), the entry is
// still caught: it is opened without following links and its final path, as
// the file system resolves it, must be its folder's final path plus its own
// name. Anything the walk cannot read counts against the folder.
//
// Any thread; the walk keeps no state between calls.
#pragma once

#include "support/String.h"

enum class FolderTreeState : int32 {
	kContained,    // a plain folder whose whole tree lies inside it
	kMissing,      // no entry at the path
	kNotAFolder,   // a file
	kLink,         // the folder, or an entry in its tree, leads elsewhere
	kPathTooLong,  // a path in the tree reaches the limit
	kUnreadable,   // a listing or an entry could not be read
};

// The shell's operations are not safe on paths of this many characters or more.
constexpr int32 kShellPathLimit = 260;

// The folder alone, from its attributes: kContained for a folder that is not a
// reparse point. Its content is not read.
FolderTreeState ExamineFolder(const BString& path);

// The folder and its whole tree; every path in it must be shorter than pathLimit.
FolderTreeState ExamineFolderTree(const BString& path, int32 pathLimit);
