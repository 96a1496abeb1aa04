#include "engine/core/NoiseSource.h"

#include <cmath>

#include "engine/core/Params.h"

namespace tunk {

namespace {

constexpr float kDefaultTune = 540.0f;

// The correction that band-limits one edge of a square wave (a polynomial step of two
// samples' width), for the position t in [0, 1) after the edge and the increment dt.
double EdgeCorrection(double t, double dt)
{
	if (t < dt) {
		t /= dt;
		return t + t - t * t - 1.0;
	}
	if (t > 1.0 - dt) {
		t = (t - 1.0) / dt;
		return t * t + t + t + 1.0;
	}
	return 0.0;
}

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
	for (size_t k = 0; k < kMetalRatios.size(); k++) {
		const double dt = double(tuneHz) * kMetalRatios[k] / double(kSampleRate);
		increment[k] = dt < 0.5 ? dt : 0.0;
		// Phases from the seed, so that the six edges do not all meet at the start.
		phase[k] = generator.NextUnit();
	}
}

// Paul Kellet's weighting of white noise into -3 dB/octave: six leaky integrators of
// different speeds summed, flat within about 0.05 dB above 10 Hz.
float NoiseSource::StepPink()
{
	const float white = generator.NextSigned();
	pink[0] = 0.99886f * pink[0] + white * 0.0555179f;
	pink[1] = 0.99332f * pink[1] + white * 0.0750759f;
	pink[2] = 0.96900f * pink[2] + white * 0.1538520f;
	pink[3] = 0.86650f * pink[3] + white * 0.3104856f;
	pink[4] = 0.55000f * pink[4] + white * 0.5329522f;
	pink[5] = -0.7616f * pink[5] - white * 0.0168980f;
	float sum = pink[0] + pink[1] + pink[2] + pink[3] + pink[4] + pink[5] + pink[6]
		+ white * 0.5362f;
	pink[6] = white * 0.115926f;
	// Scaled to about white's loudness; the rare peaks beyond full scale are held there.
	sum *= 0.25f;
	return sum > 1.0f ? 1.0f : (sum < -1.0f ? -1.0f : sum);
}

float NoiseSource::StepMetal()
{
	double sum = 0;
	for (size_t k = 0; k < kMetalRatios.size(); k++) {
		const double dt = increment[k];
		if (dt == 0)
			continue;
		const double p = phase[k];
		double half = p + 0.5;
		if (half >= 1.0)
			half -= 1.0;
		double square = p < 0.5 ? 1.0 : -1.0;
		square += EdgeCorrection(p, dt) - EdgeCorrection(half, dt);
		sum += square;
		double next = p + dt;
		phase[k] = next >= 1.0 ? next - 1.0 : next;
	}
	return float(sum * (1.0 / 6.0));
}

}  // namespace tunk
