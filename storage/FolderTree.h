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
// The answer says why a folder is not contained, so that a caller can tell the
// user; on request the walk also keeps an inventory of the tree, from which a
// caller can tell afterwards what of it is still on disk.
//
// Any thread; the walk keeps no state between calls.
#pragma once

#include "support/String.h"
#include "support/Vector.h"

enum class FolderTreeState : int32 {
	kContained,    // a plain folder whose whole tree lies inside it
	kMissing,      // no entry at the path
	kNotAFolder,   // a file
	kLink,         // the folder itself is a link to another place
	kHoldsLink,    // an entry in its tree is a link to another place
	kPathTooLong,  // a path in the tree reaches the limit
	kUnreadable,   // a listing or an entry could not be read
};

// The shell's operations are not safe on paths of this many characters or more.
constexpr int32 kShellPathLimit = 260;

// The folder alone, from its attributes: kContained for a folder that is not a
// reparse point. Its content is not read.
FolderTreeState ExamineFolder(const BString& path);

// The folder and its whole tree; every path in it must be shorter than
// pathLimit. A file that is a link the platform does not mark as one is told
// from a plain file by its final path. With `inventory`, the full path of every
// entry of a contained tree is appended to it, each folder before what it
// holds; an inventory that cannot be kept makes the tree kUnreadable.
FolderTreeState ExamineFolderTree(const BString& path, int32 pathLimit, BVector<BString>* inventory = nullptr);
