// Owners of the user-interface resources of the platform: GDI objects, device
// contexts, the object selected into a device context, native windows, menus
// and cursors.
//
// Each resource has one owner that releases it when the owner goes, the way
// WinOwner does for kernel handles, so that a paint path or a window's
// destruction cannot leak on an early return. Owners move and never copy, and
// are used on the thread that holds the object they belong to.
#pragma once

#include "kernel/WinOwner.h"

#include <windows.h>

namespace BPrivate {

// Brushes, pens, bitmaps, fonts and regions: all go with DeleteObject.
template <typename GdiHandle>
struct GdiObjectTraits {
	typedef GdiHandle Handle;
	static Handle Invalid() { return nullptr; }
	static bool IsValid(Handle handle) { return handle != nullptr; }
	static void Release(Handle handle) { DeleteObject(handle); }
};

// A device context made by CreateDC or CreateCompatibleDC.
struct CreatedDCTraits {
	typedef HDC Handle;
	static Handle Invalid() { return nullptr; }
	static bool IsValid(Handle handle) { return handle != nullptr; }
	static void Release(Handle handle) { DeleteDC(handle); }
};

// A native window this object created; destroyed on the thread that owns it.
struct WindowTraits {
	typedef HWND Handle;
	static Handle Invalid() { return nullptr; }
	static bool IsValid(Handle handle) { return handle != nullptr; }
	static void Release(Handle handle) { DestroyWindow(handle); }
};

// A menu made by CreateMenu or CreatePopupMenu, until it is handed to the
// menu or window that destroys it with itself.
struct MenuTraits {
	typedef HMENU Handle;
	static Handle Invalid() { return nullptr; }
	static bool IsValid(Handle handle) { return handle != nullptr; }
	static void Release(Handle handle) { DestroyMenu(handle); }
};

// A cursor made by CreateCursor; shared system cursors are never owned.
struct CursorTraits {
	typedef HCURSOR Handle;
	static Handle Invalid() { return nullptr; }
	static bool IsValid(Handle handle) { return handle != nullptr; }
	static void Release(Handle handle) { DestroyCursor(handle); }
};

}  // namespace BPrivate

template <typename GdiHandle>
using WinGdiObject = WinOwner<BPrivate::GdiObjectTraits<GdiHandle>>;
typedef WinGdiObject<HBRUSH> WinBrush;
typedef WinGdiObject<HBITMAP> WinBitmap;
typedef WinGdiObject<HFONT> WinFont;
typedef WinOwner<BPrivate::CreatedDCTraits> WinCreatedDC;
typedef WinOwner<BPrivate::WindowTraits> WinWindowHandle;
typedef WinOwner<BPrivate::MenuTraits> WinMenu;
typedef WinOwner<BPrivate::CursorTraits> WinCursor;

// The device context of a window (GetDC), given back with ReleaseDC.
class WinWindowDC {
public:
	explicit WinWindowDC(HWND window) : fWindow(window), fDC(GetDC(window)) {}
	~WinWindowDC()
	{
		if (fDC != nullptr)
			ReleaseDC(fWindow, fDC);
	}

	WinWindowDC(const WinWindowDC&) = delete;
	WinWindowDC& operator=(const WinWindowDC&) = delete;

	HDC Get() const { return fDC; }
	explicit operator bool() const { return fDC != nullptr; }

private:
	HWND fWindow;
	HDC fDC;
};

// A paint of a window: BeginPaint when made, EndPaint when it goes, so that
// the window is validated however the paint ends.
class WinPaint {
public:
	explicit WinPaint(HWND window) : fWindow(window), fDC(BeginPaint(window, &fPaint)) {}
	~WinPaint() { EndPaint(fWindow, &fPaint); }

	WinPaint(const WinPaint&) = delete;
	WinPaint& operator=(const WinPaint&) = delete;

	// Null when the paint could not begin.
	HDC DC() const { return fDC; }
	// The area to paint, in client coordinates.
	const RECT& Area() const { return fPaint.rcPaint; }
	bool IsEmpty() const { return fDC == nullptr || IsRectEmpty(&fPaint.rcPaint); }

private:
	HWND fWindow;
	PAINTSTRUCT fPaint = {};
	HDC fDC;
};

// Selects an object into a device context for a scope and puts the previous
// object back when the scope ends, so that the selected object can be deleted
// afterwards.
class WinSelection {
public:
	WinSelection(HDC dc, HGDIOBJ object) : fDC(dc), fPrevious(SelectObject(dc, object)) {}
	~WinSelection()
	{
		if (fPrevious != nullptr && fPrevious != HGDI_ERROR)
			SelectObject(fDC, fPrevious);
	}

	WinSelection(const WinSelection&) = delete;
	WinSelection& operator=(const WinSelection&) = delete;

	bool Succeeded() const { return fPrevious != nullptr && fPrevious != HGDI_ERROR; }

private:
	HDC fDC;
	HGDIOBJ fPrevious;
};
