// The second engine's chain: the first engine's tone with its additions (end pitch,
// attack and hold, a second tone, filter modes) and the noise layer mixed after the tone's
// filter. A sound whose added values are all neutral does not need it (the first engine's
// frozen chain renders it); with them neutral it renders the tone bit for bit as that chain
// does, so switching the noise on leaves the tone as it was.
#pragma once

#include <cstdint>

#include "engine/core/Dsp.h"
#include "engine/core/FilterDesign.h"
#include "engine/core/NoiseLayer.h"
#include "engine/core/Params.h"
#include "engine/core/ToneLayers.h"

namespace tunk {

// Whether any added value of `params` (a row since version 2) is moved with its gate on: an
// end pitch with the pitch envelope on, an attack, a second tone, a noise level ... Every
// other sound (noise settings with the noise off, say) renders as the first engine. Odd
// values that the layers play as neutral (a negative attack) may take the layers: they
// render the first engine's samples then too.
bool UsesLayers(const SoundParams& params);

// The noise layer's settings from a sound's values.
NoiseSettings NoiseSettingsOf(const SoundParams& params);

class LayeredChain {
public:
	// Starts a sound of `params` of `count` samples (SampleCount(params)) from rest.
	LayeredChain(const SoundParams& params, int64_t count);

	// The next `n` samples from the tables of `params`, continuing where the last call
	// stopped; samples beyond the sound's count are not rendered (the number rendered is
	// returned). Allocates nothing.
	int64_t Render(const float* waveTable, const float* shapeTable, int16_t* out, int64_t n);
	int64_t Position() const { return position; }

private:
	void RenderBlock(const float* waveTable, const float* shapeTable, int16_t* out, int32_t n);

	int64_t count;
	int64_t position = 0;

	bool freqEnv, distortion, ampEnv, filtered;
	float startFreq;
	float amplitude;
	dsp::EnvelopeCurve freqCurve;
	dsp::EnvelopeCurve ampCurve;
	PitchSpan pitch;
	AmpShape shape;
	SecondTone second;
	FilterState filter;
	float phase = 0;
	NoiseLayer noise;
};

}  // namespace tunk
