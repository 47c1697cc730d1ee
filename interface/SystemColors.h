// The process-wide table of system colours, indexed by the framework's own
// colour numbers (window, text, highlights, buttons, menus, tool tips).
//
// The application object fills it once while it starts, on its thread, before
// any window exists; afterwards it is only read, from any thread.
#pragma once

#include "interface/Color.h"

constexpr int32 kSystemColorCount = 21;

// Entry `index`; an index outside the table gives entry 0, the window colour.
rgb_color SystemColor(int32 index);

// Black on a light colour (channel sum 384 or more), white on a dark one: the
// text colour that stays readable on `background`.
rgb_color ContrastingBlackOrWhite(rgb_color background);

namespace BPrivate {

// Reads the platform's current colours into the table.
void LoadSystemColors();

}  // namespace BPrivate
