// The window engine's view of its low-pass filter (designed in engine/core/FilterDesign),
// for stepping it one sample at a time.
#pragma once

#include "kits/support/SupportDefs.h"

// coef[0] is the overall gain, then p1, p2, z1, z2 per section; history holds two state
// values per section, the newest first.
struct FILTER {
	uint32 length;
	float* history;
	float* coef;
};

float iir_filter(float input, FILTER* filter);
