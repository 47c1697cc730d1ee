// RkApp: the uninstaller's application object.
//
// Its only work of its own is to open the uninstall window once the
// application loop runs; quitting, when the window has closed, is
// BApplication's. Lives on the entry point's stack and runs on the main thread.
#pragma once

#include "messaging/Application.h"

class RkApp : public BApplication {
public:
	// Vendor "Quorvane", application "Brisca Uninstaller".
	RkApp();

	// Opens the uninstall window; without memory for it the application runs on without one.
	void OnReady() override;
};
