// Reading the display's scale from the platform. The per-window and system
// DPI queries exist only on newer systems, so they are looked up once by name;
// without them the screen's LOGPIXELSY answers for every window.
#include "interface/DisplayScale.h"

#include "interface/WinGdi.h"

namespace BPrivate {

namespace {

typedef UINT(WINAPI* DpiForWindowFunction)(HWND);
typedef UINT(WINAPI* DpiForSystemFunction)();

template <typename Function>
Function User32Function(const char* name)
{
	HMODULE user32 = GetModuleHandleW(L"user32.dll");
	if (user32 == nullptr)
		return nullptr;
	return reinterpret_cast<Function>(reinterpret_cast<void*>(GetProcAddress(user32, name)));
}

DisplayScale ScreenScale()
{
	WinWindowDC screen(nullptr);
	int dpi = screen ? GetDeviceCaps(screen.Get(), LOGPIXELSY) : 0;
	return DisplayScale(dpi > 0 ? static_cast<UINT>(dpi) : 0u);
}

}  // namespace

DisplayScale DisplayScaleOf(HWND window)
{
	static const DpiForWindowFunction dpiForWindow = User32Function<DpiForWindowFunction>("GetDpiForWindow");
	UINT dpi = window != nullptr && dpiForWindow != nullptr ? dpiForWindow(window) : 0;
	return dpi != 0 ? DisplayScale(dpi) : ScreenScale();
}

DisplayScale SystemDisplayScale()
{
	static const DpiForSystemFunction dpiForSystem = User32Function<DpiForSystemFunction>("GetDpiForSystem");
	UINT dpi = dpiForSystem != nullptr ? dpiForSystem() : 0;
	return dpi != 0 ? DisplayScale(dpi) : ScreenScale();
}

LONG FontHeightAt96Dpi(LONG height, DisplayScale scale)
{
	return MulDiv(height, static_cast<int>(DisplayScale::kBaseDpi), static_cast<int>(scale.Dpi()));
}

}  // namespace BPrivate
