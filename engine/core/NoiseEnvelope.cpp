#include "engine/core/NoiseEnvelope.h"

#include <cmath>
#include <limits>

#include "engine/core/Params.h"

namespace tunk {

namespace {

constexpr double kSamplesPerMs = double(kSampleRate) / 1000.0;

int32_t ClapsOf(float count)
{
	if (!(count >= 1))
		return 1;  // a non-number too
	if (count >= float(NoiseEnvelope::kMaxClaps))
		return NoiseEnvelope::kMaxClaps;
	return int32_t(count);
}

}  // namespace

NoiseEnvelope::NoiseEnvelope(float decayMs, float curveValue, float clapCount, float clapSpacingMs)
	: curve(curveValue), claps(ClapsOf(clapCount))
{
	if (!(decayMs > 0))
		decayMs = 1;
	if (!(clapSpacingMs > 0) || std::isinf(clapSpacingMs))
		clapSpacingMs = 10;
	decaySamples = double(decayMs) * kSamplesPerMs;
	spacingSamples = double(clapSpacingMs) * kSamplesPerMs;
	const double last = spacingSamples * double(claps - 1) + decaySamples;
	end = last < 9.0e18 ? int64_t(std::ceil(last)) : std::numeric_limits<int64_t>::max();
}

float NoiseEnvelope::Position(int64_t i) const
{
	const double t = double(i);
	const double bursts = t / spacingSamples;  // huge for the tiniest spacings
	const int32_t burst = bursts < double(claps - 1) ? int32_t(bursts) : claps - 1;
	return float((t - spacingSamples * double(burst)) / decaySamples);
}

float NoiseEnvelope::At(int64_t i) const
{
	if (i < 0 || i >= end)
		return 0;
	const float x = Position(i);
	return x < 1.0f ? curve.At(x) : 0.0f;
}

void NoiseEnvelope::AtBlock(int64_t first, float* out, int32_t n) const
{
	float x[dsp::EnvelopeCurve::kMaxBlock];
	for (int32_t k = 0; k < n; k++) {
		const int64_t i = first + k;
		// Past the end the position is pinned at 1, where every curve is 0.
		x[k] = (i < 0 || i >= end) ? 1.0f : Position(i);
		if (x[k] > 1.0f)
			x[k] = 1.0f;
	}
	curve.AtBlock(x, out, n);
	for (int32_t k = 0; k < n; k++) {
		if (x[k] >= 1.0f)
			out[k] = 0;
	}
}

}  // namespace tunk
