// Private to the interface layer's sources: the platform's GDI+ header, with
// the includes it needs before it, and its flat functions in scope.
//
// Public headers never include this; they name the GDI+ types through the
// forward declarations of interface/GdiPlus.h.
#pragma once

#include <windows.h>
// GDI+ needs the COM stream interfaces, which WIN32_LEAN_AND_MEAN leaves out.
#include <objidl.h>
#include <gdiplus.h>

namespace gdip = Gdiplus::DllExports;
