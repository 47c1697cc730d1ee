// The process-wide interface metrics: sizes derived from the plain system font
// and the platform's scroll bars, and the colour defaults, by index.
//
// The application fills both tables while it starts, on its thread, before any
// window exists, and clears them when it goes; in between any thread may read.
#pragma once

#include "interface/Color.h"
#include "support/SupportDefs.h"

// Indexes of the metrics table.
constexpr int32 kPlainFontSizeMetric = 2;
// ceil(ascent + descent + leading) of the plain font.
constexpr int32 kLineHeightMetric = 3;
constexpr int32 kHorizontalScrollBarHeightMetric = 5;
constexpr int32 kVerticalScrollBarWidthMetric = 6;
// Index of the colour table.
constexpr int32 kScrollBarColorIndex = 21;

// 0 for an index outside the table or before the table was filled.
float InterfaceMetric(int32 index);
// All zero for an index outside the table or before the table was filled.
rgb_color InterfaceColor(int32 index);

namespace BPrivate {

// Needs the system fonts.
void LoadInterfaceMetrics();
void ClearInterfaceMetrics();

}  // namespace BPrivate
