// The slider position for a parameter value, shared by the window's layout, commands and
// refresh.
#pragma once

#include <cmath>

#include "kits/support/SupportDefs.h"

// Truncated toward zero, and kept inside int32 so that a typed value far beyond any slider
// (or not a number) stays defined.
inline int32 SliderValue(double value)
{
	if (std::isnan(value))
		return 0;
	if (value >= 2147483647.0)
		return 2147483647;
	if (value <= -2147483648.0)
		return -2147483647 - 1;
	return int32(value);
}
