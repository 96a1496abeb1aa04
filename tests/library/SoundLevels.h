// What the ear would judge of a rendered sound, measured from its samples: level, clipping,
// how long it is heard and its pitch (from zero crossings) over a stretch of it.
#pragma once

#include <algorithm>
#include <cmath>
#include <cstdint>
#include <cstdlib>
#include <vector>

#include "engine/core/Params.h"
#include "engine/core/Render.h"
#include "preset/PresetRecord.h"

struct SoundLevels {
	int64_t length = 0;
	int peak = 0;           // largest magnitude
	int64_t clipped = 0;    // samples at the rails
	int64_t audibleEnd = 0; // one past the last sample within 40 dB of the peak
	double PeakDbfs() const { return 20 * std::log10(peak / 32767.0); }
};

inline std::vector<int16_t> RenderPreset(const tunk::SoundParams& sound)
{
	int64_t count = tunk::SampleCount(sound);
	std::vector<int16_t> samples(size_t(std::max<int64_t>(count, 0)));
	if (count < 0 || tunk::Render(sound, samples.data(), count) != tunk::RenderStatus::Ok)
		samples.clear();
	return samples;
}

inline std::vector<int16_t> RenderPreset(const PresetParams& params)
{
	return RenderPreset(ToSoundParams(params));
}

inline SoundLevels MeasureLevels(const std::vector<int16_t>& samples)
{
	SoundLevels levels;
	levels.length = int64_t(samples.size());
	for (int16_t s : samples) {
		int magnitude = std::abs(int(s));
		levels.peak = std::max(levels.peak, magnitude);
		if (magnitude >= 32767)
			levels.clipped++;
	}
	for (int64_t i = levels.length; i > 0; --i)
		if (levels.peak > 0 && std::abs(int(samples[size_t(i - 1)])) * 100 >= levels.peak) {
			levels.audibleEnd = i;
			break;
		}
	return levels;
}

// The pitch in Hz over samples [from, to), from the sign changes: two per period.
inline double CrossingRate(const std::vector<int16_t>& samples, int64_t from, int64_t to)
{
	to = std::min<int64_t>(to, int64_t(samples.size()));
	if (to - from < 2)
		return 0;
	int64_t crossings = 0;
	for (int64_t i = from + 1; i < to; ++i)
		if ((samples[size_t(i - 1)] < 0) != (samples[size_t(i)] < 0))
			crossings++;
	return crossings / 2.0 / (double(to - from) / tunk::kSampleRate);
}

// The pitch at the start (the first 15 % of what is heard), in its body (10 to 40 %) and
// late (50 to 80 %).
struct PitchCourse {
	double early, body, late;
};

inline PitchCourse MeasurePitch(const std::vector<int16_t>& samples)
{
	int64_t end = MeasureLevels(samples).audibleEnd;
	auto at = [&](double share) { return int64_t(share * double(end)); };
	return {CrossingRate(samples, 0, std::max<int64_t>(at(0.15), 2)),
	    CrossingRate(samples, at(0.1), at(0.4)), CrossingRate(samples, at(0.5), at(0.8))};
}
