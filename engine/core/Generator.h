// One sound's generator: its parameters, the wave and shape tables built from them and its
// filter. The tables are rebuilt only when asked, so an owner decides when a change of
// waveform or drive takes effect; the filter is redesigned by every render.
#pragma once

#include <cstdint>
#include <optional>

#include "engine/core/Dsp.h"
#include "engine/core/FilterDesign.h"
#include "engine/core/LayeredChain.h"
#include "engine/core/Params.h"
#include "engine/core/Tables.h"

namespace tunk {

class Generator {
public:
	// The default sound with its tables built and its filter designed.
	Generator();
	// The sound of `params` with its tables built (the sine for a code that names no
	// waveform); its filter is designed by the first render.
	explicit Generator(const SoundParams& params);

	SoundParams params;

	// From the oscillator code; a code that names no waveform builds the sine, the table a
	// fresh generator has, so that a preset sounds the same whatever was loaded before it.
	void BuildWaveTable();
	// From the drive.
	void BuildShapeTable() { tunk::BuildShapeTable(params[Param::distortion], shapeTable); }
	const float* WaveTable() const { return waveTable; }
	const float* ShapeTable() const { return shapeTable; }

	void DesignFilter(float q, float cutoff) { DesignLowPass(q, cutoff, &filter); }
	FilterState& Filter() { return filter; }
	const FilterState& Filter() const { return filter; }

	// Renders `count` samples (SampleCount(params), which the caller has checked) from the
	// current tables. The filter is designed from params first, so it starts from rest.
	void RenderInto(int16_t* out, int64_t count);

	// The same render in pieces, for players that compute a sound as it plays: Start() takes
	// params as they are now (tables included) and rewinds to the first sample; each Next()
	// writes the following samples. However the calls split the sound, its samples are
	// RenderInto's bit for bit. Neither allocates.
	// Rewinds to a sound of `count` samples (SampleCount(params); a refused duration gives
	// an empty sound when count is negative) and designs the filter.
	void Start(int64_t count);
	// Writes the next min(n, Remaining()) samples to `out` and returns how many.
	int64_t Next(int16_t* out, int64_t n);
	int64_t Remaining() const { return count - position; }

	// Sets params and rebuilds both tables as the constructor does (a code that names no
	// waveform gets the sine), without allocating: a player reuses one generator per voice.
	void Reset(const SoundParams& p);
	// Sets params and copies the tables built for them elsewhere (a player's cache of
	// them): `wave` for the oscillator code, `shape` for the drive; `shape` may be null
	// when the distortion stage is off, which never reads it.
	void Load(const SoundParams& p, const float* wave, const float* shape);

private:
	float waveTable[kTableEntries] = {};
	float shapeTable[kTableEntries] = {};
	FilterState filter;

	// Where a render in pieces stands.
	int64_t count = 0;
	int64_t position = 0;
	float phase = 0;
	int switches = 0;
	dsp::EnvelopeCurve freqCurve{1};
	dsp::EnvelopeCurve ampCurve{1};
	// The second engine's chain, for a sound that uses its layers (UsesLayers); the first
	// engine's passes above render every other sound.
	std::optional<LayeredChain> layers;
};

}  // namespace tunk
