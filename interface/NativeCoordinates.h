// NativeCoordinates: where framework coordinates meet the platform's.
//
// Framework coordinates are floats in units of a 96-DPI pixel: frames, bounds,
// view points, update rectangles. Native coordinates are the integers of the
// platform's windows, messages and device contexts, in pixels of the display.
// Every crossing between the two in the interface layer goes through these
// functions, with the scale of the window concerned (DisplayScale.h): window
// and view frames, invalidated and painted rectangles, mouse and drop points.
// At 96 DPI the scale is 1 and every conversion is exact.
//
// Private to the interface layer; any thread.
#pragma once

#include "interface/DisplayScale.h"
#include "interface/Point.h"
#include "interface/Rect.h"

#include <windows.h>

#include <cmath>

namespace BPrivate {

// A framework coordinate or length as a native one, truncated toward zero,
// as frames, sizes and update rectangles are.
inline int NativeUnits(float value, DisplayScale scale)
{
	return static_cast<int>(scale.ToNative(value));
}

// The same taken to the nearest integer, halves away from zero, as a point a
// caller names is.
inline int RoundedNativeUnits(float value, DisplayScale scale)
{
	return static_cast<int>(std::lround(scale.ToNative(value)));
}

// A native coordinate as a framework one.
inline float FrameworkUnits(LONG value, DisplayScale scale)
{
	return scale.ToFramework(value);
}

inline RECT NativeRect(BRect rect, DisplayScale scale)
{
	return RECT{NativeUnits(rect.left, scale), NativeUnits(rect.top, scale), NativeUnits(rect.right, scale),
		NativeUnits(rect.bottom, scale)};
}

// The pixels a rectangle touches, partly covered ones included: what must be
// drawn again when the rectangle changes.
inline RECT EnclosingNativeRect(BRect rect, DisplayScale scale)
{
	return RECT{static_cast<LONG>(std::floor(scale.ToNative(rect.left))),
		static_cast<LONG>(std::floor(scale.ToNative(rect.top))),
		static_cast<LONG>(std::ceil(scale.ToNative(rect.right))),
		static_cast<LONG>(std::ceil(scale.ToNative(rect.bottom)))};
}

inline BRect FrameworkRect(const RECT& rect, DisplayScale scale)
{
	return BRect(FrameworkUnits(rect.left, scale), FrameworkUnits(rect.top, scale), FrameworkUnits(rect.right, scale),
		FrameworkUnits(rect.bottom, scale));
}

inline POINT NativePoint(BPoint point, DisplayScale scale)
{
	return POINT{NativeUnits(point.x, scale), NativeUnits(point.y, scale)};
}

inline POINT RoundedNativePoint(BPoint point, DisplayScale scale)
{
	return POINT{RoundedNativeUnits(point.x, scale), RoundedNativeUnits(point.y, scale)};
}

inline BPoint FrameworkPoint(POINT point, DisplayScale scale)
{
	return BPoint(FrameworkUnits(point.x, scale), FrameworkUnits(point.y, scale));
}

// A native rectangle kept in pixels, as floats: the off-screen buffer's
// update rectangle, which GDI+ addresses in pixels of the buffer.
inline BRect PixelRect(const RECT& rect)
{
	return BRect(static_cast<float>(rect.left), static_cast<float>(rect.top), static_cast<float>(rect.right),
		static_cast<float>(rect.bottom));
}

// A pixel coordinate kept as a float, truncated or rounded up to whole pixels.
inline int WholePixels(float pixels)
{
	return static_cast<int>(pixels);
}

inline int CeiledPixels(float pixels)
{
	return static_cast<int>(std::ceil(pixels));
}

}  // namespace BPrivate
