// BFont: the framework's font descriptor, and the three system fonts.
//
// A descriptor names a family, a face (the framework's face bits) and a size in
// points, holds the GDI+ font made from them and the font's metrics in points.
// A family that is not installed silently becomes GDI+'s generic sans-serif
// family. A descriptor is a value: copying it makes a font of its own.
//
// The system fonts are made once per process, on the thread that starts the
// first application, before any window exists, and are read-only afterwards,
// so any thread may read them. A descriptor itself is used by one thread.
#pragma once

#include "support/String.h"
#include "support/SupportDefs.h"

#include <memory>

class WinGdipFont;

// Face bits.
constexpr uint16 kItalicFace = 0x1;
constexpr uint16 kUnderscoreFace = 0x2;
constexpr uint16 kStrikeoutFace = 0x10;
constexpr uint16 kBoldFace = 0x20;
// Only alone: none of the others.
constexpr uint16 kRegularFace = 0x40;

// The parts of a font's height CombinedHeight adds up.
constexpr uint32 kAscentPart = 0x1;
constexpr uint32 kDescentPart = 0x2;
constexpr uint32 kLeadingPart = 0x4;

class BFont {
public:
	// No font: status -1, empty family, size 0.
	BFont();
	BFont(const BFont& other);
	BFont& operator=(const BFont& other);
	~BFont();

	// Replaces the font; 0 when a GDI+ font was made, -1 otherwise.
	[[nodiscard]] status_t SetFamilyFaceAndSize(const BString& family, uint16 face, float size);
	// Each keeps the other two aspects.
	[[nodiscard]] status_t SetFamily(const BString& family);
	[[nodiscard]] status_t SetFace(uint16 face);
	[[nodiscard]] status_t SetSize(float size);

	// 0 when a GDI+ font exists, -1 otherwise.
	[[nodiscard]] status_t InitCheck() const { return fStatus; }
	// The family asked for; text in a family that is not installed is drawn
	// in the generic sans-serif family.
	const BString& FamilyName() const { return fFamily; }
	// The face GDI+ actually made, read back from the font.
	uint16 Face() const { return fFace; }
	float Size() const { return fSize; }
	// In points. The leading is at least 1 whenever the metrics could be read.
	float Ascent() const { return fAscent; }
	float Descent() const { return fDescent; }
	float Leading() const { return fLeading; }
	// The ceiling of the sum of the parts named by `parts` (kAscentPart, ...).
	float CombinedHeight(uint32 parts) const;

	// The GDI+ font, or null.
	const WinGdipFont* NativeFont() const { return fFont.get(); }

private:
	void CopyFrom(const BFont& other);
	void ComputeMetrics();
	void DeleteFont();

	status_t fStatus = -1;
	BString fFamily;
	uint16 fFace = 0;
	float fSize = 0.0f;
	float fAscent = 0.0f;
	float fDescent = 0.0f;
	float fLeading = 0.0f;
	std::unique_ptr<WinGdipFont> fFont;
};

// GDI+ style bits (1 bold, 2 italic, 4 underline, 8 strikeout) and face bits,
// both ways. Style 0 is the regular face 0x40; face 0x40 alone is style 0.
int32 GdipStyleFromFace(uint16 face);
uint16 FaceFromGdipStyle(int32 style);

// Fills `descriptor` from a GDI+ font made elsewhere (family, face, size in
// points from the font's size and the display's vertical resolution), then
// makes its own font from those; `font` goes with the call.
[[nodiscard]] status_t MakeFontFromGdipFont(std::unique_ptr<WinGdipFont> font, float logPixelsY, BFont* descriptor);

// The system fonts: plain (the platform's message font), bold (its caption
// font) and fixed (GDI+'s generic monospace family at the plain size, or the
// plain font's family where the platform has no monospace family). Where the
// platform cannot make its own faces they fall back to families it has
// (SystemFonts.h). Null until the system fonts were made.
const BFont* PlainFont();
const BFont* BoldFont();
const BFont* FixedFont();

namespace BPrivate {

// Makes the three system fonts, once per process; later calls do nothing.
// Needs GDI+ started. kError when the platform's font settings cannot be
// read, kNameNotFound when no family could make the plain font (no TrueType
// font, or GDI+ not started); a failed attempt keeps nothing, and a later call
// tries again.
[[nodiscard]] status_t StartSystemFonts();

}  // namespace BPrivate
