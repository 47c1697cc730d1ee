// BPoint: a position in floating-point view coordinates.
//
// A plain value; any thread may use it. Messages carry it as a 'BPNT' item of
// two 32-bit floats, x first.
#pragma once

struct BPoint {
	float x = 0.0f;
	float y = 0.0f;

	constexpr BPoint() = default;
	constexpr BPoint(float px, float py) : x(px), y(py) {}

	bool operator==(const BPoint& other) const { return x == other.x && y == other.y; }
	bool operator!=(const BPoint& other) const { return !(*this == other); }
};

static_assert(sizeof(BPoint) == 8, "a point travels as two 32-bit floats");
