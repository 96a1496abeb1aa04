#include "engine/core/NoiseEnvelope.h"

#include <algorithm>
#include <cmath>
#include <limits>

#include "engine/core/Kernels.h"
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

// The powers of e^(c / decay), each the one before times the step.
void FillPowers(std::array<double, NoiseEnvelope::kAnchor>& powers, bool stepped, double c,
	double decay)
{
	const double ratio = stepped ? std::exp(c / decay) : 1.0;
	powers[0] = 1.0;
	for (size_t m = 1; m < powers.size(); m++)
		powers[m] = powers[m - 1] * ratio;
}

}  // namespace

NoiseEnvelope::NoiseEnvelope(float decayMs, float curveValue, float clapCount, float clapSpacingMs,
	float tailMs)
	: curve(curveValue), claps(ClapsOf(clapCount))
{
	if (!(decayMs > 0))
		decayMs = 1;
	if (!(clapSpacingMs > 0) || std::isinf(clapSpacingMs))
		clapSpacingMs = 10;
	decaySamples = double(decayMs) * kSamplesPerMs;
	spacingSamples = double(clapSpacingMs) * kSamplesPerMs;
	tailed = tailMs > 0 && !std::isinf(tailMs);
	tailSamples = tailed ? double(tailMs) * kSamplesPerMs : decaySamples;
	const double last = spacingSamples * double(claps - 1) + tailSamples;
	end = last < 9.0e18 ? int64_t(std::ceil(last)) : std::numeric_limits<int64_t>::max();
	c = double(curveValue);
	stepped = std::fabs(c) >= 1e-3 && std::fabs(c) <= 80;  // false for a non-number
	FillPowers(powers, stepped, c, decaySamples);
	if (tailed)
		FillPowers(tailPowers, stepped, c, tailSamples);
	perDenominator = stepped ? 1.0 / (1.0 - std::exp(c)) : 1.0;
}

int32_t NoiseEnvelope::BurstOf(int64_t i) const
{
	const double bursts = double(i) / spacingSamples;  // huge for the tiniest spacings
	return bursts < double(claps - 1) ? int32_t(bursts) : claps - 1;
}

int64_t NoiseEnvelope::FirstOfBurst(int32_t b) const
{
	if (b == 0)
		return 0;
	int64_t i = int64_t(std::ceil(double(b) * spacingSamples));
	while (i > 0 && BurstOf(i - 1) >= b)
		i--;
	while (BurstOf(i) < b)
		i++;
	return i;
}

double NoiseEnvelope::Position(int64_t i, int32_t burst) const
{
	return (double(i) - spacingSamples * double(burst)) / DecayOf(burst);
}

float NoiseEnvelope::At(int64_t i) const
{
	float gain = 0;
	AtBlock(i, &gain, 1);
	return gain;
}

void NoiseEnvelope::AtBlock(int64_t first, float* out, int32_t n) const
{
	int32_t k = 0;
	while (k < n) {
		const int64_t i = first + k;
		if (i < 0 || i >= end) {
			out[k++] = 0;
			continue;
		}
		const int32_t burst = BurstOf(i);
		if (!stepped) {
			const float x = float(Position(i, burst));
			out[k++] = x < 1.0f ? curve.At(x) : 0.0f;
			continue;
		}
		// A run of samples in one burst between two anchors.
		const int64_t burstStart = FirstOfBurst(burst);
		const int64_t anchor = std::max(burstStart, i - i % kAnchor);
		int64_t stop = std::min(first + n, std::min(end, anchor - anchor % kAnchor + kAnchor));
		if (burst + 1 < claps)
			stop = std::min(stop, FirstOfBurst(burst + 1));
		const double e = std::exp(c * Position(anchor, burst));
		const int32_t run = int32_t(stop - i);
		kernels::DecayGains(e, PowersOf(burst) + (i - anchor), i, spacingSamples * double(burst),
			DecayOf(burst), perDenominator, out + k, run);
		k += run;
	}
}

}  // namespace tunk
