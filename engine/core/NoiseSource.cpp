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
			kernels::White(generator.State(), out, n);
			generator.Skip(n);
			break;
	}
}

// Paul Kellet's weighting of white noise into -3 dB/octave: six leaky integrators of
// different speeds summed, flat within about 0.05 dB above 10 Hz.
void NoiseSource::PinkBlock(float* out, int32_t n)
{
	constexpr int32_t kRun = kernels::kMaxBlock;
	for (int32_t done = 0; done < n; done += kRun) {
		const int32_t size = n - done < kRun ? n - done : kRun;
		float white[kRun];
		float rows[7 * kRun];
		kernels::White(generator.State(), white, size);
		generator.Skip(size);
		// Only the integrators carry from sample to sample: they run here, the sum over
		// the block after them.
		std::array<float, 7> b = pink;
		for (int32_t k = 0; k < size; k++) {
			const float w = white[k];
			b[0] = 0.99886f * b[0] + w * 0.0555179f;
			b[1] = 0.99332f * b[1] + w * 0.0750759f;
			b[2] = 0.96900f * b[2] + w * 0.1538520f;
			b[3] = 0.86650f * b[3] + w * 0.3104856f;
			b[4] = 0.55000f * b[4] + w * 0.5329522f;
			b[5] = -0.7616f * b[5] - w * 0.0168980f;
			for (int32_t i = 0; i < 7; i++)
				rows[i * kRun + k] = b[size_t(i)];
			b[6] = w * 0.115926f;
		}
		pink = b;
		kernels::PinkMix(rows, kRun, white, out + done, size);
	}
}

// The waves that sound, each sample's added in the waves' order.
void NoiseSource::MetalBlock(int64_t first, float* out, int32_t n)
{
	std::array<kernels::MetalWave, 6> waves;
	int32_t count = 0;
	for (size_t w = 0; w < phase.size(); w++) {
		if (increment[w] != 0)
			waves[size_t(count++)] = {phase[w], increment[w], float(increment[w]), perIncrement[w], gain[w]};
	}
	kernels::Metal(waves.data(), count, first, out, n);
}

}  // namespace tunk
