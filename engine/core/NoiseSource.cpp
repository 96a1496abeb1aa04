#include "engine/core/NoiseSource.h"

#include <cmath>

#include "engine/core/Kernels.h"
#include "engine/core/Params.h"

namespace tunk {

namespace {

constexpr float kDefaultTune = 540.0f;

}  // namespace

NoiseType NoiseTypeOf(float code)
{
	if (code == 2)
		return NoiseType::Pink;
	if (code == 3)
		return NoiseType::Metal;
	return NoiseType::White;
}

uint32_t NoiseSeedOf(float value)
{
	if (std::isnan(value))
		return 1;
	if (value <= 0)
		return 0;
	if (value >= 65535)
		return 65535;
	return uint32_t(value);
}

void NoiseSource::Start(NoiseType newType, uint32_t seed, float tuneHz)
{
	type = newType;
	generator = NoiseGenerator(seed);
	pink.fill(0);
	if (!(tuneHz > 0) || std::isinf(tuneHz))
		tuneHz = kDefaultTune;
	waveCount = 0;
	for (double ratio : kMetalRatios) {
		const double dt = double(tuneHz) * ratio / double(kSampleRate);
		// Phases from the seed, so that the six edges do not all meet at the start.
		const uint32_t phase = uint32_t(generator.Next() >> 32);
		// A wave at or beyond half the sample rate, or too slow to move at all, is left out.
		const auto step = dt < 0.5 ? uint32_t(std::lround(dt * 0x1p32)) : 0u;
		if (step > 0)
			waves[size_t(waveCount++)] = {phase, step, float(dt), 1.0f / float(dt), 1.0f / 6.0f};
	}
}

void NoiseSource::MixMetal(float share)
{
	metalShare = share > 0 ? (share < 1 ? share : 1.0f) : 0.0f;
}

void NoiseSource::Block(int64_t first, float* out, int32_t n)
{
	switch (type) {
		case NoiseType::Pink: PinkBlock(out, n); break;
		case NoiseType::Metal: MetalBlock(first, out, n); break;
		default:
			kernels::White(generator.State(), out, n);
			generator.Skip(n);
			break;
	}
	if (metalShare > 0 && type != NoiseType::Metal) {
		float metal[kernels::kMaxBlock];
		MetalBlock(first, metal, n);
		const float rest = 1.0f - metalShare;
		for (int32_t k = 0; k < n; k++)
			out[k] = out[k] * rest + metal[k] * metalShare;
	}
}

void NoiseSource::PinkBlock(float* out, int32_t n)
{
	// The white samples first, into `out`, then turned into pink in place.
	kernels::White(generator.State(), out, n);
	generator.Skip(n);
	kernels::Pink(pink.data(), out, out, n);
}

void NoiseSource::MetalBlock(int64_t first, float* out, int32_t n)
{
	kernels::Metal(waves.data(), waveCount, first, out, n);
}

}  // namespace tunk
