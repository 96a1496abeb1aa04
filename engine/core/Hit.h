// How one note plays a sound: its velocity and the hit's number turn the sound's values into
// the values that hit renders and the gain it plays at. One pure function for every player
// (the window, MIDI, both plugins, a kit's pads, tunk-render and the sample packs), so that
// they all play a note to the same samples.
#pragma once

#include <cstdint>

#include "engine/core/Params.h"

namespace tunk {

// The velocity every full-level note has; the sound plays as its values say.
constexpr int32_t kFullVelocity = 127;
// The note the windows play with Shift held: soft enough that the velocity rows are heard.
constexpr int32_t kSoftVelocity = 40;

struct Hit {
	SoundParams params; // what the hit renders
	float level = 1;    // the velocity's level by the sound's curve: velocity / 127 by default
	float gain = 1;     // the hit's own variation of level, 1 without
};

// Hit number `hit` (0: the sound without variation; 1, 2 ... each its own variation) of a
// note of `velocity` (1..127, brought into that range). A pure function of the sound, the
// velocity, the hit and `seed`: the same call gives the same hit on every path. At velocity
// 127 and hit 0 the values are the sound's own, bit for bit, and at the rows' defaults a soft
// note differs from it only by its level, velocity / 127.
Hit HitOf(const SoundParams& sound, int32_t velocity, uint32_t hit = 0, uint32_t seed = 0);

// The sound moved by `semitones`: every frequency of it (the start and end pitches, the
// filter's cutoff, the noise's tune and cutoff) times the same ratio. 0 leaves it as it is.
SoundParams Transposed(const SoundParams& sound, double semitones);

// The gain of a note whose curve gave `level`, for a player whose velocity scale is `scale`:
// full at any velocity for a scale of 0, `level` for a scale of 1.
constexpr float VelocityGain(float level, float scale)
{
	return (1.0f - scale) + scale * level;
}

} // namespace tunk
