// Process-wide slots: the module handle, the accelerator table and the hidden
// application window. Each is written once, early, by the thread that owns it
// (the entry point, the application object) and read by any thread after that.
#pragma once

#include <windows.h>

HINSTANCE ProcessModuleHandle();
void SetProcessModuleHandle(HINSTANCE module);

HACCEL ProcessAcceleratorTable();
// A null table is ignored, so a failed load never clears a table set earlier.
void SetProcessAcceleratorTable(HACCEL table);

HWND ProcessApplicationWindow();
void SetProcessApplicationWindow(HWND window);
