// The message an envelope view posts to its window while its curve is dragged. Its int32
// field "curvetype" names the view that sent it.
#pragma once

#include "kits/support/SupportDefs.h"

inline constexpr uint32 kCurveMessage = four_char_code("cvmm");
inline constexpr int32 kAmpCurveType = 1;
inline constexpr int32 kFreqCurveType = 2;
inline constexpr int32 kNoiseCurveType = 3;
