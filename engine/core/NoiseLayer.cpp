#include "engine/core/NoiseLayer.h"

#include <cmath>

#include "engine/core/Dsp.h"
#include "engine/core/Kernels.h"

namespace tunk {

std::optional<FilterMode> NoiseFilterOf(float code)
{
	if (code == 1 || code == 2 || code == 3)
		return FilterMode(int32_t(code));
	return std::nullopt;
}

// The level times the gain; a gain of 0 dB (or not a finite number) leaves it as it is.
float Gained(float level, float gainDb)
{
	if (gainDb == 0 || !std::isfinite(gainDb))
		return level;
	const float gained = float(double(level) * std::pow(10.0, double(gainDb) / 20));
	return std::isfinite(gained) ? gained : 0.0f;
}

NoiseLayer::NoiseLayer(const NoiseSettings& s)
	: level(std::isfinite(s.level) ? Gained(s.level, s.gainDb) : 0.0f),
	  envelope(s.decayMs, s.curve, s.clapCount, s.clapSpacingMs, s.tailMs),
	  filtered(s.filter.has_value())
{
	source.Start(s.type, s.seed, s.tuneHz);
	source.MixMetal(s.metalShare);
	if (filtered)
		DesignFilter(*s.filter, s.q, s.cutoffHz, &filter);
}

bool NoiseLayer::Prepare(int64_t first, float* gains, float* sources, int32_t n)
{
	if (level == 0 || first >= envelope.End())
		return false;
	envelope.AtBlock(first, gains, n);
	kernels::Amplify(nullptr, level, gains, n);
	source.Block(first, sources, n);
	return true;
}

void NoiseLayer::MixBlock(int64_t first, float* mix, int32_t n)
{
	float gains[kMaxBlock];
	float sources[kMaxBlock];
	if (!Prepare(first, gains, sources, n))
		return;
	for (int32_t k = 0; k < n; k++)
		mix[k] = mix[k] + Filter(sources[k]) * gains[k];
}

}  // namespace tunk
