// Rendering a whole sound from its parameters into a buffer the caller owns.
#pragma once

#include <cstdint>
#include <vector>

#include "engine/core/Params.h"

namespace tunk {

// The longest sound in samples: ten minutes. Builds that render arbitrary input (the
// fuzzers) lower the bound so that every input renders quickly.
#ifndef TUNK_MAX_SOUND_SECONDS
#define TUNK_MAX_SOUND_SECONDS 600
#endif
constexpr int64_t kMaxSampleCount = int64_t(TUNK_MAX_SOUND_SECONDS) * kSampleRate;

// Samples of the sound: its duration rounded up to whole samples; -1 when the duration
// is refused (negative, not a number, or beyond kMaxSampleCount). 0 is an empty sound.
int64_t SampleCount(const SoundParams& params);

enum class RenderStatus { Ok, Refused, NoMemory };

// Writes exactly SampleCount(params) samples into `out`. Refused, writing nothing, when
// the duration is refused or `capacity` is smaller than the sound. Each render starts
// from rest: the same parameters always give the same samples. An oscType that names no
// waveform renders the sine.
RenderStatus Render(const SoundParams& params, int16_t* out, int64_t capacity);

// Render into a vector sized to the sound; NoMemory when the vector cannot grow (it is
// then empty), Refused as above.
RenderStatus Render(const SoundParams& params, std::vector<int16_t>* out);

}  // namespace tunk
