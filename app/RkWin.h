// RkWin: the uninstaller's only window, "Uninstall Brisca".
//
// Constructing it works out what to remove (the removal list, once), builds
// the content (the text, the folder in bold, "OK" and "Cancel") and sizes the
// window to it. "OK" removes the listed folder, when the disk still gives the
// same list, and closes the window; "Cancel" and the close box only close it;
// a closing window always asks the application to quit. Nothing is confirmed
// or reported.
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
	// Asks the application to quit as well, and always agrees.
	bool ConfirmQuit() override;

	const RkRemovalList& Folders() const { return fFolders; }

private:
	void BuildContent();

	RkRemovalList fFolders;
};
