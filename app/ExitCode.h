// The uninstaller's exit codes, for the scripts that run it (the README lists
// them). A removal that did not complete and a folder left alone for safety are
// never reported as success.
#pragma once

#include "support/SupportDefs.h"

enum RkExitCode : int32 {
	// The folder went, the user cancelled, or there was nothing to remove.
	kExitDone = 0,
	// A removal was asked for and nothing was removed, also when the folders
	// changed after the window opened.
	kExitNothingRemoved = 1,
	// A removal was asked for and only part of the folder went.
	kExitPartlyRemoved = 2,
	// The folder is there but was left alone for safety, whatever the user pressed.
	kExitFolderRefused = 3,
};

// The int32 field of kExitCodeMessage, which the window sends the application
// before it asks it to quit.
constexpr const char* kExitCodeField = "exit_code";
