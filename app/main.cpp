// The uninstaller's entry point: brings up OLE and GDI+, records the module
// handle and the accelerator table, and runs the application until its window
// has gone. It takes no arguments. It exits with the code the window handed the
// application (app/ExitCode.h): 0 when the folder went, the user cancelled or
// there was nothing to remove, non-zero when a removal did not complete or a
// folder was left alone for safety.
#include "app/ResourceIds.h"
#include "app/RkApp.h"
#include "kernel/ProcessSlots.h"
#include "kernel/WinOleInitialization.h"

#include <windows.h>
#include <objidl.h>
#include <gdiplus.h>

namespace {

// The application is gone when this returns, before GDI+ and OLE go down.
int32 RunUninstaller()
{
	RkApp app;
	// Run answers the loop's thread; the application has quit either way.
	(void)app.Run();
	return app.ExitCode();
}

}  // namespace

int WINAPI wWinMain(HINSTANCE instance, HINSTANCE, PWSTR, int)
{
	// Taken down last, after GDI+.
	WinOleInitialization ole = WinOleInitialization::Begin();
	if (!ole)
		return 0;
	// Version 1, no debug hook, GDI+'s own background thread, external codecs.
	Gdiplus::GdiplusStartupInput gdiplusInput;
	ULONG_PTR gdiplusToken = 0;
	// A failed start shows where drawing happens; the program goes on regardless.
	(void)Gdiplus::GdiplusStartup(&gdiplusToken, &gdiplusInput, nullptr);

	SetProcessModuleHandle(instance);
	// A missing table leaves the slot as it was: the pump then translates nothing.
	SetProcessAcceleratorTable(LoadAcceleratorsA(instance, MAKEINTRESOURCEA(IDC_BRISCA_UNINSTALLER)));

	int32 exitCode = RunUninstaller();

	Gdiplus::GdiplusShutdown(gdiplusToken);
	return static_cast<int>(exitCode);
}
