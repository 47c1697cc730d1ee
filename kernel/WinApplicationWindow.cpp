// WinApplicationWindow: registering, making and destroying the hidden window.
#include "kernel/WinApplicationWindow.h"

#include "kernel/ProcessSlots.h"

namespace {

constexpr wchar_t kApplicationWindowClass[] = L"Zel Main Window";

bool RegisterApplicationWindowClass(HINSTANCE instance)
{
	WNDCLASSEXW windowClass = {};
	windowClass.cbSize = sizeof(windowClass);
	windowClass.style = CS_HREDRAW | CS_VREDRAW;
	windowClass.lpfnWndProc = DefWindowProcW;
	windowClass.hInstance = instance;
	windowClass.hIcon = LoadIconW(nullptr, IDI_APPLICATION);
	windowClass.hCursor = LoadCursorW(nullptr, IDC_ARROW);
	windowClass.lpszClassName = kApplicationWindowClass;
	return RegisterClassExW(&windowClass) != 0 || GetLastError() == ERROR_CLASS_ALREADY_EXISTS;
}

}  // namespace

WinApplicationWindow::~WinApplicationWindow()
{
	Destroy();
}

bool WinApplicationWindow::Create()
{
	HINSTANCE instance = ProcessModuleHandle();
	HWND window = nullptr;
	if (RegisterApplicationWindowClass(instance)) {
		window = CreateWindowExW(0, kApplicationWindowClass, kApplicationWindowClass, WS_OVERLAPPEDWINDOW, 0, 0,
			100, 100, nullptr, nullptr, instance, nullptr);
	}
	fWindow = window;
	SetProcessApplicationWindow(window);
	return window != nullptr;
}

bool WinApplicationWindow::Destroy()
{
	HWND window = static_cast<HWND>(fWindow);
	if (window == nullptr)
		return true;
	if (!DestroyWindow(window))
		return false;
	fWindow = nullptr;
	if (ProcessApplicationWindow() == window)
		SetProcessApplicationWindow(nullptr);
	return true;
}
