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

// The resonance slider holds the filter's Q in hundredths.
constexpr int32 kResonanceScale = 100;

// The resonance slider's position for a Q: rounded, so that a Q the slider set (a float of
// n / 100) comes back as n.
inline int32 ResonanceSliderValue(double q)
{
	return SliderValue(std::round(q * kResonanceScale));
}

// The Q a resonance slider position stands for.
inline float ResonanceQ(int32 sliderValue)
{
	return float(sliderValue) / float(kResonanceScale);
}
