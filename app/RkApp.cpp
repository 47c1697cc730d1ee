// RkApp: the uninstaller's application object.
#include "app/RkApp.h"

#include "app/ExitCode.h"
#include "app/RkWin.h"
#include "messaging/Message.h"
#include "messaging/MessageCodes.h"

#include <new>

namespace {

const BString* UninstallerVendor()
{
	static const BString name("Quorvane");
	return &name;
}

const BString* UninstallerName()
{
	static const BString name("Brisca Uninstaller");
	return &name;
}

}  // namespace

RkApp::RkApp() : BApplication(UninstallerVendor(), UninstallerName()), fExitCode(kExitDone)
{
}

void RkApp::OnReady()
{
	RkWin* window = new (std::nothrow) RkWin();
	if (window != nullptr)
		window->Show();
}

void RkApp::HandleMessage(BMessage* message)
{
	if (message->what != kExitCodeMessage) {
		BApplication::HandleMessage(message);
		return;
	}
	int32 exitCode = kExitDone;
	if (message->GetInt32(kExitCodeField, &exitCode) == kOk)
		fExitCode = exitCode;
}
