// The uninstaller's entry point.
#include "kernel/ProcessSlots.h"

#include <windows.h>

int WINAPI wWinMain(HINSTANCE instance, HINSTANCE, PWSTR, int)
{
	SetProcessModuleHandle(instance);
	return 0;
}
