// Where the application puts each new editor window: cascaded, each one step down and right
// of the one placed before, and always wholly on the screen.
#pragma once

#include <optional>

#include "kits/interface/Point.h"
#include "kits/interface/Rect.h"

// How far each window is moved from the one before.
inline constexpr float kCascadeStep = 24;

// The top left corner for a window of `size` (width and height, bars included): one step right
// and down from `last` when there is one, else `first`. Each axis on its own: where the step
// would take the window past the screen's edge, that axis goes back to `first`, so on a short
// screen windows still step sideways. Whatever the corner, the window is moved in so that it
// lies on `screen` (its top left corner wins where it is bigger than the screen).
BPoint CascadePlace(const BRect& screen, BPoint first, std::optional<BPoint> last, BPoint size);
