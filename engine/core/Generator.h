// One sound's generator: its parameters, the wave and shape tables built from them and its
// filter. The tables are rebuilt only when asked, so an owner decides when a change of
// waveform or drive takes effect; the filter is redesigned by every render.
#pragma once

#include <cstdint>

#include "engine/core/FilterDesign.h"
#include "engine/core/SoundParams.h"
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

	// From params.oscType; a code that names no waveform keeps the previous table.
	void BuildWaveTable() { tunk::BuildWaveTable(params.oscType, waveTable); }
	// From params.distortion.
	void BuildShapeTable() { tunk::BuildShapeTable(params.distortion, shapeTable); }
	const float* WaveTable() const { return waveTable; }
	const float* ShapeTable() const { return shapeTable; }

	void DesignFilter(float q, float cutoff) { DesignLowPass(q, cutoff, &filter); }
	FilterState& Filter() { return filter; }
	const FilterState& Filter() const { return filter; }

	// Renders `count` samples (SampleCount(params), which the caller has checked) from the
	// current tables. The filter is designed from params first, so it starts from rest.
	void RenderInto(int16_t* out, int64_t count);

private:
	float waveTable[kTableEntries] = {};
	float shapeTable[kTableEntries] = {};
	FilterState filter;
};

}  // namespace tunk
