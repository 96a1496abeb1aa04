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
	phase.fill(0);
	increment.fill(0);
	perIncrement.fill(0);
	gain.fill(0);
	for (size_t k = 0; k < kMetalRatios.size(); k++) {
		const double dt = double(tuneHz) * kMetalRatios[k] / double(kSampleRate);
		if (dt < 0.5) {
			increment[k] = dt;
			perIncrement[k] = 1.0f / float(dt);
			gain[k] = 1.0f / 6.0f;
		}
		// Phases from the seed, so that the six edges do not all meet at the start.
		phase[k] = generator.NextUnit();
	}
}

void NoiseSource::Block(int64_t first, float* out, int32_t n)
{
	switch (type) {
		case NoiseType::Pink: PinkBlock(out, n); break;
		case NoiseType::Metal: MetalBlock(first, out, n); break;
		default:
			for (int32_t k = 0; k < n; k++)
				out[k] = generator.NextSigned();
			break;
	}
}

// Paul Kellet's weighting of white noise into -3 dB/octave: six leaky integrators of
// different speeds summed, flat within about 0.05 dB above 10 Hz.
void NoiseSource::PinkBlock(float* out, int32_t n)
{
	std::array<float, 7> b = pink;
	for (int32_t k = 0; k < n; k++) {
		const float white = generator.NextSigned();
		b[0] = 0.99886f * b[0] + white * 0.0555179f;
		b[1] = 0.99332f * b[1] + white * 0.0750759f;
		b[2] = 0.96900f * b[2] + white * 0.1538520f;
		b[3] = 0.86650f * b[3] + white * 0.3104856f;
		b[4] = 0.55000f * b[4] + white * 0.5329522f;
		b[5] = -0.7616f * b[5] - white * 0.0168980f;
		float sum = b[0] + b[1] + b[2] + b[3] + b[4] + b[5] + b[6] + white * 0.5362f;
		b[6] = white * 0.115926f;
		// Scaled to about white's loudness; the rare peaks beyond full scale are held there.
		sum *= 0.25f;
		out[k] = sum > 1.0f ? 1.0f : (sum < -1.0f ? -1.0f : sum);
	}
	pink = b;
}

// Wave by wave over the block, each sample's six added in one order; the edges' corrections
// only where an edge is near.
void NoiseSource::MetalBlock(int64_t first, float* out, int32_t n)
{
	for (int32_t k = 0; k < n; k++)
		out[k] = 0;
	for (size_t w = 0; w < phase.size(); w++) {
		const double step = increment[w];
		if (step == 0)
			continue;
		const kernels::MetalWave wave{phase[w], step, float(step), perIncrement[w], gain[w]};
		kernels::AddMetalWave(wave, first, out, n);
	}
}

}  // namespace tunk
