// The parameters of one sound, with the default sound as their initial values, and the
// fixed rates every part of the program shares.
#pragma once

#include <cstdint>

namespace tunk {

// The one sample rate of generation, filter design, playback and export.
constexpr int32_t kSampleRate = 44100;
// Entries of one period in the wave and shape tables (each has one guard entry more).
constexpr int32_t kTableLength = 2048;

// Oscillator codes of SoundParams::oscType.
enum : int32_t { kOscSine = 1, kOscSquare = 2, kOscSaw = 3, kOscTriangle = 4 };

// What the window's controls offer for each parameter (the curves: what their views reach).
// The plugin's ports and the random sounds keep within the same bounds.
struct ParamRange {
	float min;
	float max;
};
constexpr ParamRange kStartFreqRange{0, 4000};  // Hz
constexpr ParamRange kDurationRange{0, 3000};   // ms
constexpr ParamRange kAmplitudeRange{0, 1};
constexpr ParamRange kCurveRange{-50, 50};
constexpr ParamRange kDistortionRange{1, 10};
constexpr ParamRange kCutoffRange{20, 20000};  // Hz
constexpr ParamRange kQRange{0.1f, 4};

// A new sound: sine at 1000 Hz for 200 ms at amplitude 0.95, curves and drive 1, cutoff
// 5000 Hz with resonance 1, every section off.
struct SoundParams {
	float startFreq = 1000;     // Hz; negative runs the oscillator backwards
	float duration = 200;       // ms
	float amplitude = 0.95f;
	float freqEnvelope = 1;     // curve of the pitch drop
	float ampEnvelope = 1;      // curve of the decay
	float distortion = 1;       // drive of the tanh shaper
	float filterCutoff = 5000;  // Hz
	float filterQ = 1;
	int32_t oscType = kOscSine;
	bool freqEnvEnabled = false;
	bool ampEnvEnabled = false;
	bool distortionEnabled = false;
	bool filterEnabled = false;

	bool operator==(const SoundParams&) const = default;
};

}  // namespace tunk
