// How the three system fonts are made, and where they fall back to when the
// platform lacks the families it names. Private to the interface layer; the
// fonts themselves are read through PlainFont, BoldFont and FixedFont.
//
// A platform whose font folder lacks its own fonts (Wine without its core
// fonts) names a message font face that GDI+ cannot make, and has no generic
// monospace or even sans-serif family. Text stays drawable there as long as
// any TrueType family is installed.
#pragma once

#include "interface/Font.h"

#include <windows.h>

namespace BPrivate {

// The families the system fonts fall back to, in the order they are tried.
// Each answers a family name, or an empty one when the platform has none.
struct font_family_sources {
	BString (*sansSerif)();
	BString (*monospace)();
	BString (*firstTrueType)();
};

// The platform's own: GDI+'s generic sans-serif and monospace families, and
// the first TrueType family GDI enumerates that draws ordinary text.
const font_family_sources& PlatformFontFamilies();

struct system_font_set {
	BFont plain;
	BFont bold;
	BFont fixed;
};

// Makes each font on its own. Plain comes from `message` and bold from
// `caption`, each in its own face, else in the sans-serif family, else in the
// first TrueType family, at the size, weight and slant the LOGFONT gives.
// Fixed is the monospace family at the plain size, else the plain font's
// family. A font no family could make is left without a GDI+ font. kOk when
// the plain font was made; kNameNotFound when not even that could be made.
[[nodiscard]] status_t MakeSystemFonts(HDC display, const LOGFONTW& message, const LOGFONTW& caption,
	const font_family_sources& sources, system_font_set* fonts);

}  // namespace BPrivate
