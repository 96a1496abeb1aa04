// The wave and shape tables the renderer reads: kTableLength entries plus a guard entry.
#pragma once

#include <cstdint>

#include "engine/core/Params.h"

namespace tunk {

constexpr int32_t kTableEntries = kTableLength + 1;

// One period of the oscillator `oscType`. False for a code that names no waveform: the
// table is then left as it was.
bool BuildWaveTable(int32_t oscType, float* table);

// The tanh shaper of `drive` over inputs -1 to +1; its guard entry repeats the last one.
void BuildShapeTable(float drive, float* table);

}  // namespace tunk
