// NativeCoordinates: where framework coordinates meet the platform's.
//
// Framework coordinates are floats in units of a 96-DPI pixel: frames, bounds,
// view points, update rectangles. Native coordinates are the integers of the
// platform's windows, messages and device contexts. Every crossing between
// the two in the interface layer goes through these functions: window and
// view frames, invalidated and painted rectangles, mouse and drop points, the
// off-screen buffer. A scale between the two (the display's DPI over 96)
// therefore has one place to live; today it is 1.
//
// Private to the interface layer; any thread.
#pragma once

#include "interface/Point.h"
#include "interface/Rect.h"

#include <windows.h>

#include <cmath>

namespace BPrivate {

// A framework coordinate or length as a native one, truncated toward zero,
// as frames, sizes and update rectangles are.
inline int NativeUnits(float value)
{
	return static_cast<int>(value);
}

// The same taken to the nearest integer, halves away from zero, as a point a
// caller names is.
inline int RoundedNativeUnits(float value)
{
	return static_cast<int>(std::lround(value));
}

// The same rounded up, so that a partly covered pixel is covered: the size
// of a buffer that must hold a rectangle.
inline int CeiledNativeUnits(float value)
{
	return static_cast<int>(std::ceil(value));
}

// A native coordinate as a framework one.
inline float FrameworkUnits(LONG value)
{
	return static_cast<float>(value);
}

inline RECT NativeRect(BRect rect)
{
	return RECT{NativeUnits(rect.left), NativeUnits(rect.top), NativeUnits(rect.right), NativeUnits(rect.bottom)};
}

inline BRect FrameworkRect(const RECT& rect)
{
	return BRect(FrameworkUnits(rect.left), FrameworkUnits(rect.top), FrameworkUnits(rect.right),
		FrameworkUnits(rect.bottom));
}

inline POINT NativePoint(BPoint point)
{
	return POINT{NativeUnits(point.x), NativeUnits(point.y)};
}

inline POINT RoundedNativePoint(BPoint point)
{
	return POINT{RoundedNativeUnits(point.x), RoundedNativeUnits(point.y)};
}

inline BPoint FrameworkPoint(POINT point)
{
	return BPoint(FrameworkUnits(point.x), FrameworkUnits(point.y));
}

}  // namespace BPrivate
