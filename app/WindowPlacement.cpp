#include "app/WindowPlacement.h"

#include <algorithm>

namespace {

// One axis of the corner: a step on from the last when the window still ends within the
// screen there, else back to the first place; either way moved in so that the window lies on
// the screen, its start winning when it is longer than the screen.
float Place(float screenStart, float screenEnd, float first, std::optional<float> last, float length)
{
	float where = first;
	if (last && *last + kCascadeStep + length <= screenEnd + 1)
		where = *last + kCascadeStep;
	return std::max(screenStart, std::min(where, screenEnd + 1 - length));
}

} // namespace

BPoint CascadePlace(const BRect& screen, BPoint first, std::optional<BPoint> last, BPoint size)
{
	std::optional<float> lastX;
	std::optional<float> lastY;
	if (last) {
		lastX = last->x;
		lastY = last->y;
	}
	return BPoint(Place(screen.left, screen.right, first.x, lastX, size.x),
	    Place(screen.top, screen.bottom, first.y, lastY, size.y));
}
