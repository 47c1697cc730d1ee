// RkApp: the uninstaller's application object.
//
// Its work of its own is to open the uninstall window once the application
// loop runs, and to keep the exit code the window hands it before the window
// asks it to quit; quitting is BApplication's. Lives on the entry point's stack
// and runs on the main thread.
#pragma once

#include "messaging/Application.h"

class RkApp : public BApplication {
public:
	// Vendor "Quorvane", application "Brisca Uninstaller".
	RkApp();

	// Opens the uninstall window; without memory for it the application runs on without one.
	void OnReady() override;
	// Keeps the window's exit code; everything else is the application's.
	void HandleMessage(BMessage* message) override;

	// What the program exits with (RkExitCode): 0 until the window says otherwise.
	int32 ExitCode() const { return fExitCode; }

private:
	int32 fExitCode;
};
