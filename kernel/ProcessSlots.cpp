// Process-wide slots set up by the entry point and the application object.
#include "kernel/ProcessSlots.h"

#include <atomic>

namespace {

std::atomic<HINSTANCE> gModuleHandle{nullptr};
std::atomic<HACCEL> gAcceleratorTable{nullptr};
std::atomic<HWND> gApplicationWindow{nullptr};

}  // namespace

HINSTANCE ProcessModuleHandle()
{
	return gModuleHandle.load(std::memory_order_acquire);
}

void SetProcessModuleHandle(HINSTANCE module)
{
	gModuleHandle.store(module, std::memory_order_release);
}

HACCEL ProcessAcceleratorTable()
{
	return gAcceleratorTable.load(std::memory_order_acquire);
}

void SetProcessAcceleratorTable(HACCEL table)
{
	if (table != nullptr)
		gAcceleratorTable.store(table, std::memory_order_release);
}

HWND ProcessApplicationWindow()
{
	return gApplicationWindow.load(std::memory_order_acquire);
}

void SetProcessApplicationWindow(HWND window)
{
	gApplicationWindow.store(window, std::memory_order_release);
}
