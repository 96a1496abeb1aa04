// BPoint: a point in a view's coordinates (x to the right, y downwards).
#pragma once

class BPoint {
public:
	constexpr BPoint() = default;
	constexpr BPoint(float px, float py) : x(px), y(py) {}

	void Set(float px, float py)
	{
		x = px;
		y = py;
	}

	constexpr BPoint operator+(const BPoint& p) const { return BPoint(x + p.x, y + p.y); }
	constexpr BPoint operator-(const BPoint& p) const { return BPoint(x - p.x, y - p.y); }
	BPoint& operator+=(const BPoint& p)
	{
		x += p.x;
		y += p.y;
		return *this;
	}
	BPoint& operator-=(const BPoint& p)
	{
		x -= p.x;
		y -= p.y;
		return *this;
	}
	constexpr bool operator==(const BPoint& p) const = default;

	float x = 0;
	float y = 0;
};

inline constexpr BPoint B_ORIGIN(0, 0);
