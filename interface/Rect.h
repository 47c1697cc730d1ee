// BRect: a rectangle in floating-point view coordinates.
//
// A plain value; any thread may use it. The unset rectangle is (0, 0, -1, -1),
// so that it is recognisably empty. Messages carry it as a 'RECT' item of four
// 32-bit floats: left, top, right, bottom.
#pragma once

struct BRect {
	float left = 0.0f;
	float top = 0.0f;
	float right = -1.0f;
	float bottom = -1.0f;

	constexpr BRect() = default;
	constexpr BRect(float l, float t, float r, float b) : left(l), top(t), right(r), bottom(b) {}

	float Width() const { return right - left; }
	float Height() const { return bottom - top; }

	bool operator==(const BRect& other) const
	{
		return left == other.left && top == other.top && right == other.right && bottom == other.bottom;
	}
	bool operator!=(const BRect& other) const { return !(*this == other); }
};

static_assert(sizeof(BRect) == 16, "a rectangle travels as four 32-bit floats");
