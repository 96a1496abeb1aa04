// The noise layer: a source (white, pink or metal, or metal in the others), its own
// optional filter, its envelope with clap bursts and a tail, and its level and gain, mixed into the tone after the tone's filter. It resumes
// wherever it stopped, so a voice can render it a block at a time.
#pragma once

#include <cstdint>
#include <optional>

#include "engine/core/Dsp.h"
#include "engine/core/FilterDesign.h"
#include "engine/core/NoiseEnvelope.h"
#include "engine/core/NoiseSource.h"

namespace tunk {

struct NoiseSettings {
	float level = 0;  // 0 (or a non-number) is off
	NoiseType type = NoiseType::White;
	uint32_t seed = 1;
	float tuneHz = 540;
	float decayMs = 200;
	float curve = 1;
	std::optional<FilterMode> filter;  // none: unfiltered
	float cutoffHz = 5000;
	float q = 1;
	float clapCount = 1;
	float clapSpacingMs = 10;
	float metalShare = 0;  // metal in white or pink noise, 0 to 1
	float tailMs = 0;      // the last burst's own fall; 0 for none
	float gainDb = 0;      // after the filter, so that a filtered noise can reach full scale
};

// The noise filter's mode for the noiseFilter code: 1 to 3 as FilterMode, anything else
// (0 above all) none.
std::optional<FilterMode> NoiseFilterOf(float code);

class NoiseLayer {
public:
	explicit NoiseLayer(const NoiseSettings& settings);

	bool On() const { return level != 0; }

	static constexpr int32_t kMaxBlock = 256;

	// For samples `first` to `first + n - 1` (n at most kMaxBlock): the envelope times the
	// level into `gains` and the source's samples into `sources`. False, with nothing
	// written or stepped, when the layer adds nothing to them (off, or its envelope has
	// ended). Calls follow one another without gaps from sample 0.
	bool Prepare(int64_t first, float* gains, float* sources, int32_t n);
	// One prepared source sample through the layer's filter, in order.
	float Filter(float s)
	{
		return filtered ? dsp::FilterSample(s, filter.coef, filter.history, kFilterSections) : s;
	}
	// The layer's filter for a caller that runs it over prepared samples itself; null
	// when the layer is unfiltered.
	FilterState* Filtered() { return filtered ? &filter : nullptr; }

	// Prepare and Filter together: adds the layer's samples to `mix`.
	void MixBlock(int64_t first, float* mix, int32_t n);

private:
	float level;
	NoiseSource source;
	NoiseEnvelope envelope;
	bool filtered;
	FilterState filter;
};

}  // namespace tunk
