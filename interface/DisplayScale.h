// DisplayScale: the display's resolution over the 96 DPI that framework
// coordinates are counted in.
//
// Frames, bounds, points, pen widths and font sizes of the framework are in
// units of a 96-DPI display whatever the display is; the native layer
// multiplies them by the scale on their way to the platform and divides native
// ones by it on their way back (NativeCoordinates.h). A window keeps the scale
// of the display it is on; the platform is asked at run time, never told.
//
// Private to the interface layer; a value, usable on any thread.
#pragma once

#include <windows.h>

namespace BPrivate {

class DisplayScale {
public:
	static constexpr UINT kBaseDpi = 96;

	// 96 DPI: scale 1.
	constexpr DisplayScale() = default;
	// A resolution the platform cannot have (0) counts as 96 DPI.
	explicit constexpr DisplayScale(UINT dpi) : fDpi(dpi != 0 ? dpi : kBaseDpi) {}

	constexpr UINT Dpi() const { return fDpi; }
	float Factor() const { return static_cast<float>(fDpi) / static_cast<float>(kBaseDpi); }

	// A framework length in native pixels, not yet made whole. Computed in
	// double, so that at 96 DPI every float comes back exactly as it went in.
	float ToNative(float units) const
	{
		return static_cast<float>(static_cast<double>(units) * fDpi / kBaseDpi);
	}
	// A native length in framework units.
	float ToFramework(double pixels) const { return static_cast<float>(pixels * kBaseDpi / fDpi); }
	// A font height of the platform's (whole pixels) at this scale, from
	// its height at 96 DPI.
	LONG FontHeight(LONG heightAt96) const
	{
		return MulDiv(heightAt96, static_cast<int>(fDpi), static_cast<int>(kBaseDpi));
	}

	constexpr bool operator==(const DisplayScale& other) const { return fDpi == other.fDpi; }
	constexpr bool operator!=(const DisplayScale& other) const { return fDpi != other.fDpi; }

private:
	UINT fDpi = kBaseDpi;
};

// The scale of the display a native window is on: its own DPI where the
// platform gives one per window, else the screen's LOGPIXELSY.
DisplayScale DisplayScaleOf(HWND window);
// The scale windows are made at before they exist: the system's DPI where the
// platform gives it, else the screen's LOGPIXELSY.
DisplayScale SystemDisplayScale();

// The 96-DPI height of a font the platform sized for `scale` (its system
// fonts are): whole pixels, as the platform's own 96-DPI fonts are. A
// negative height (a character height) stays negative.
LONG FontHeightAt96Dpi(LONG height, DisplayScale scale);

}  // namespace BPrivate
