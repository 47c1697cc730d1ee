// RkApp: the uninstaller's application object.
#include "app/RkApp.h"

#include "app/RkWin.h"

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

RkApp::RkApp() : BApplication(UninstallerVendor(), UninstallerName())
{
}

void RkApp::OnReady()
{
	RkWin* window = new (std::nothrow) RkWin();
	if (window != nullptr)
		window->Show();
}
