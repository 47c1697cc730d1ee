// RkWin: the uninstaller's only window, "Uninstall Brisca".
//
// Constructing it works out what to remove (the removal list, once), builds
// the content (the text, the folder in bold, "OK" and "Cancel") and sizes the
// window to it. A folder that is there but left alone for safety is shown with
// the reason, and "OK" is disabled. "OK" removes the listed folder, when the
// disk still gives the same list, and closes the window; when the removal did
// not complete, a message box says what is left before it closes. "Cancel" and
// the close box only close it. A closing window hands its exit code to the
// application and asks it to quit.
//
// Constructed on the application thread, before the window's own thread
// exists; HandleMessage and ConfirmQuit run on the window's thread.
#pragma once

#include "app/RemovalList.h"
#include "interface/Window.h"

class RkWin : public BWindow {
public:
	RkWin();
	~RkWin() override;

	// "OK" and "Cancel"; everything else is the window's.
	void HandleMessage(BMessage* message) override;
	// Tells the application the exit code, asks it to quit as well, and
	// always agrees.
	bool ConfirmQuit() override;

	const RkRemovalList& Folders() const { return fFolders; }
	// What the program is to exit with, as things stand (RkExitCode).
	int32 ExitCode() const { return fExitCode; }

private:
	void BuildContent();
	void Remove();
	// Shows the message in a box owned by this window and returns once the
	// user has answered it.
	void ShowReport(const BString& text);

	RkRemovalList fFolders;
	int32 fExitCode;
};
