// rgb_color: the framework's colour value, one byte per channel.
//
// The channels sit in memory as red, green, blue, alpha, so a colour read as
// one little-endian 32-bit word has red in its low byte and alpha in its high
// byte. A plain value; any thread may use it.
#pragma once

#include "support/SupportDefs.h"

struct rgb_color {
	uint8 red;
	uint8 green;
	uint8 blue;
	uint8 alpha;

	bool operator==(const rgb_color& other) const
	{
		return red == other.red && green == other.green && blue == other.blue && alpha == other.alpha;
	}
	bool operator!=(const rgb_color& other) const { return !(*this == other); }
};

static_assert(sizeof(rgb_color) == 4, "a colour is read as one 32-bit word");
