// NativeCoordinates: where framework coordinates meet the platform's.
//
// Framework coordinates are floats in units of a 96-DPI pixel: frames, bounds,
// view points, update rectangles. Native coordinates are the integers of the
// platform's windows, messages and device contexts, in pixels of the display.
// Every crossing between the two in the interface layer goes through these
// functions, with the scale of the window concerned (DisplayScale.h): window
// and view frames and the sizes the platform reports for them, invalidated
// and painted rectangles, mouse and drop points. At 96 DPI the scale is 1 and
// every conversion is exact.
//
// A pixel that became units comes back as the same pixel, at every scale:
// units carry the float error of the division that made them and of the sums
// and differences made with them since (a point plus a scroll origin, an edge
// minus an edge), which can leave them a hair below the whole pixel they
// stand for.
//
// Private to the interface layer; any thread.
#pragma once

#include "interface/DisplayScale.h"
#include "interface/Point.h"
#include "interface/Rect.h"

#include <windows.h>

#include <cmath>

namespace BPrivate {

// How far a pixel's units may stray from it by float error alone: floats
// near 8192 units step by 2^-10 of a unit, 2^-9 of a pixel at a scale of 2.
// Twice that is still far below any fraction of a pixel laid out on purpose.
constexpr float kPixelTolerance = 1.0f / 256.0f;

// A pixel coordinate kept as a float, truncated toward zero to whole pixels;
// one within kPixelTolerance of a whole pixel is that pixel.
inline int WholePixels(float pixels)
{
	float nearest = std::round(pixels);
	return static_cast<int>(std::fabs(pixels - nearest) <= kPixelTolerance ? nearest : std::trunc(pixels));
}

// Rounded up to whole pixels.
inline int CeiledPixels(float pixels)
{
	return static_cast<int>(std::ceil(pixels));
}

// A framework coordinate or length as a native one, truncated toward zero,
// as frames, sizes and update rectangles are.
inline int NativeUnits(float value, DisplayScale scale)
{
	return WholePixels(scale.ToNative(value));
}

// The same taken to the nearest integer, halves away from zero, as a point a
// caller names is.
inline int RoundedNativeUnits(float value, DisplayScale scale)
{
	return static_cast<int>(std::lround(scale.ToNative(value)));
}

// Whether a framework length is a whole number of native pixels: contents
// moved by it can be copied pixel for pixel.
inline bool IsWholeNativeLength(float value, DisplayScale scale)
{
	return scale.ToNative(value) == std::trunc(scale.ToNative(value));
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

inline POINT RoundedNativePoint(BPoint point, DisplayScale scale)
{
	return POINT{RoundedNativeUnits(point.x, scale), RoundedNativeUnits(point.y, scale)};
}

inline BPoint FrameworkPoint(POINT point, DisplayScale scale)
{
	return BPoint(FrameworkUnits(point.x, scale), FrameworkUnits(point.y, scale));
}

// A point of a view's native window (client pixels) as a point of the view,
// whose native window shows it from `origin` (its scroll origin) on.
inline BPoint ViewPointOfClient(POINT client, BPoint origin, DisplayScale scale)
{
	BPoint units = FrameworkPoint(client, scale);
	return BPoint(units.x + origin.x, units.y + origin.y);
}

// The way back: the client pixel a view point falls on, to the nearest one,
// so that a point made by ViewPointOfClient gives back its own pixel.
inline POINT ClientPointOfView(BPoint point, BPoint origin, DisplayScale scale)
{
	return RoundedNativePoint(BPoint(point.x - origin.x, point.y - origin.y), scale);
}

// The size the platform reports for a native window (pixels) in framework
// units. `asked` is the size in units the framework gave the window: a length
// that is its native length stays as asked, so that a size the display cannot
// show exactly (a third of a pixel at 150 %) survives the platform's report,
// and a view that goes back to another scale or out of its window has the
// size it was given. Another length (the platform sized the window itself) is
// converted.
inline BPoint FrameworkSize(LONG width, LONG height, BPoint asked, DisplayScale scale)
{
	return BPoint(NativeUnits(asked.x, scale) == width ? asked.x : FrameworkUnits(width, scale),
		NativeUnits(asked.y, scale) == height ? asked.y : FrameworkUnits(height, scale));
}

// A native rectangle kept in pixels, as floats: the off-screen buffer's
// update rectangle, which GDI+ addresses in pixels of the buffer.
inline BRect PixelRect(const RECT& rect)
{
	return BRect(static_cast<float>(rect.left), static_cast<float>(rect.top), static_cast<float>(rect.right),
		static_cast<float>(rect.bottom));
}

}  // namespace BPrivate
