// BRect: a rectangle whose right and bottom edges lie inside it (0, 0, 9, 9 covers 10 by 10
// pixels; Width() is right - left, one less than the pixel count).
#pragma once

#include <algorithm>
#include <cmath>

#include "kits/interface/Point.h"
#include "kits/support/SupportDefs.h"

class BRect {
public:
	// An invalid rectangle, as the platform makes by default.
	constexpr BRect() : left(0), top(0), right(-1), bottom(-1) {}
	constexpr BRect(float l, float t, float r, float b) : left(l), top(t), right(r), bottom(b) {}
	constexpr BRect(BPoint leftTop, BPoint rightBottom)
	    : left(leftTop.x), top(leftTop.y), right(rightBottom.x), bottom(rightBottom.y)
	{
	}

	void Set(float l, float t, float r, float b)
	{
		left = l;
		top = t;
		right = r;
		bottom = b;
	}

	constexpr float Width() const { return right - left; }
	constexpr float Height() const { return bottom - top; }
	int32 IntegerWidth() const { return int32(std::ceil(right - left)); }
	int32 IntegerHeight() const { return int32(std::ceil(bottom - top)); }
	constexpr bool IsValid() const { return left <= right && top <= bottom; }

	constexpr BPoint LeftTop() const { return BPoint(left, top); }
	constexpr BPoint RightBottom() const { return BPoint(right, bottom); }
	constexpr BPoint LeftBottom() const { return BPoint(left, bottom); }
	constexpr BPoint RightTop() const { return BPoint(right, top); }

	void SetLeftTop(BPoint p)
	{
		left = p.x;
		top = p.y;
	}
	void SetRightBottom(BPoint p)
	{
		right = p.x;
		bottom = p.y;
	}

	BRect& OffsetBy(float dx, float dy)
	{
		left += dx;
		right += dx;
		top += dy;
		bottom += dy;
		return *this;
	}
	BRect& OffsetBy(BPoint d) { return OffsetBy(d.x, d.y); }
	BRect& OffsetTo(float x, float y) { return OffsetBy(x - left, y - top); }
	BRect& OffsetTo(BPoint p) { return OffsetTo(p.x, p.y); }
	BRect OffsetByCopy(float dx, float dy) const { return BRect(*this).OffsetBy(dx, dy); }
	BRect OffsetToCopy(float x, float y) const { return BRect(*this).OffsetTo(x, y); }
	BRect OffsetToCopy(BPoint p) const { return BRect(*this).OffsetTo(p); }

	BRect& InsetBy(float dx, float dy)
	{
		left += dx;
		right -= dx;
		top += dy;
		bottom -= dy;
		return *this;
	}
	BRect& InsetBy(BPoint d) { return InsetBy(d.x, d.y); }
	BRect InsetByCopy(float dx, float dy) const { return BRect(*this).InsetBy(dx, dy); }

	constexpr bool Contains(BPoint p) const
	{
		return p.x >= left && p.x <= right && p.y >= top && p.y <= bottom;
	}
	constexpr bool Contains(const BRect& r) const
	{
		return r.left >= left && r.right <= right && r.top >= top && r.bottom <= bottom;
	}
	constexpr bool Intersects(const BRect& r) const
	{
		return IsValid() && r.IsValid() && r.left <= right && r.right >= left && r.top <= bottom &&
		       r.bottom >= top;
	}
	// The common part (invalid when they do not meet) and the smallest rectangle holding both.
	BRect operator&(const BRect& r) const
	{
		return BRect(std::max(left, r.left), std::max(top, r.top), std::min(right, r.right),
		    std::min(bottom, r.bottom));
	}
	BRect operator|(const BRect& r) const
	{
		return BRect(std::min(left, r.left), std::min(top, r.top), std::max(right, r.right),
		    std::max(bottom, r.bottom));
	}
	constexpr bool operator==(const BRect& r) const = default;

	float left;
	float top;
	float right;
	float bottom;
};
