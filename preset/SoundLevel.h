// How loud a rendered sound is, and how to bring it to a level: the figures a level display
// shows (length, peak, samples at the rails) and the amplitude that puts the peak just
// under full scale. No window toolkit here.
#pragma once

#include <cstdint>

#include "preset/PresetRecord.h"

struct SoundLevel {
	int64_t samples = 0;
	double milliseconds = 0;
	int peak = 0;        // largest magnitude, 0 to 32768
	double peakDbfs = 0; // relative to 32767; minus infinity for silence
	int64_t clipped = 0; // samples at or beyond the rails (+-32767)
};

SoundLevel MeasureSoundLevel(const int16_t* samples, int64_t count);

// The largest magnitude the sound reaches before the 16-bit conversion at amplitude 1,
// where 1.0 is full scale, rounded up to what a render can tell; 0 for silence or a sound
// that cannot be rendered. Everything after the amplitude is linear, so the peak at any
// amplitude is this times the amplitude.
double PeakAtFullAmplitude(PresetParams params);
// The same for a whole sound at the tone's and the noise's levels as they stand: without the
// shaper the two add linearly, so the peak at any levels in the same proportion scales with them.
double PeakAtLevels(tunk::SoundParams params);

// The sound with the amplitude that puts its peak at `targetDbfs` (at most 0), checked on
// the rendered result: no sample clips and the peak lies within 0.05 dB under the target.
// A silent sound, or one that cannot be rendered, comes back unchanged.
PresetParams Normalize(const PresetParams& params, double targetDbfs = -0.3);
// The same for a whole sound: its tone and noise levels move together within their rows, the
// noise beyond a level of 1 by its gain (a sound whose noise is at the top of both rows, or
// whose tone is at an amplitude of 1 beside a noise, may stay under the target).
tunk::SoundParams Normalize(const tunk::SoundParams& params, double targetDbfs = -0.3);
