#include "preset/SoundLevel.h"

#include <algorithm>
#include <cmath>
#include <cstdlib>
#include <limits>
#include <vector>

#include "engine/core/Render.h"

namespace {

constexpr double kFullScale = 32767.0;

// The peak of the sound as rendered, 0 when it cannot be rendered.
int RenderedPeak(const PresetParams& params, bool* clipped)
{
	std::vector<int16_t> samples;
	if (tunk::Render(ToSoundParams(params), &samples) != tunk::RenderStatus::Ok)
		return 0;
	SoundLevel level = MeasureSoundLevel(samples.data(), int64_t(samples.size()));
	*clipped = level.clipped > 0;
	return level.peak;
}

} // namespace

SoundLevel MeasureSoundLevel(const int16_t* samples, int64_t count)
{
	SoundLevel level;
	level.samples = std::max<int64_t>(count, 0);
	level.milliseconds = double(level.samples) * 1000.0 / tunk::kSampleRate;
	for (int64_t i = 0; i < level.samples; ++i) {
		int magnitude = std::abs(int(samples[i]));
		level.peak = std::max(level.peak, magnitude);
		if (magnitude >= 32767)
			level.clipped++;
	}
	level.peakDbfs = level.peak > 0 ? 20 * std::log10(level.peak / kFullScale)
	                                : -std::numeric_limits<double>::infinity();
	return level;
}

double PeakAtFullAmplitude(PresetParams params)
{
	// Rendered so quietly that no sample wraps around, then scaled back. The conversion
	// floors, so a sample of magnitude m stood for less than m + 1.
	constexpr double kProbe = 1.0 / 64;
	params.amplitude = float(kProbe);
	bool clipped = false;
	int peak = RenderedPeak(params, &clipped);
	return peak > 0 ? (peak + 1) / kFullScale / kProbe : 0;
}

PresetParams Normalize(const PresetParams& params, double targetDbfs)
{
	double unit = PeakAtFullAmplitude(params);
	if (unit <= 0 || !std::isfinite(unit))
		return params;
	const int target = int(std::floor(std::pow(10.0, std::min(targetDbfs, 0.0) / 20) * kFullScale));
	// Safe by construction: the estimate of the peak errs on the loud side.
	PresetParams best = params;
	best.amplitude = float(target / kFullScale / unit);
	// That errs on the quiet side by up to a fraction of a percent; a few renders move the
	// peak onto the target, and only a render that stays under it is taken.
	PresetParams p = best;
	double amplitude = best.amplitude;
	for (int step = 0; step < 8; ++step) {
		p.amplitude = float(amplitude);
		bool clipped = false;
		int peak = RenderedPeak(p, &clipped);
		if (peak <= 0)
			return params;
		if (!clipped && peak <= target) {
			best = p;
			if (peak >= target * 0.994) // within 0.05 dB
				break;
		}
		amplitude *= double(target) / peak * (peak > target ? 0.9999 : 1.0);
	}
	return best;
}
