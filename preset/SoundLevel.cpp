#include "preset/SoundLevel.h"

#include <algorithm>
#include <cmath>
#include <cstdlib>
#include <limits>
#include <type_traits>
#include <vector>

#include "engine/core/Render.h"

namespace {

constexpr double kFullScale = 32767.0;

// The peak of the sound as rendered, 0 when it cannot be rendered.
int RenderedPeak(const tunk::SoundParams& params, bool* clipped)
{
	std::vector<int16_t> samples;
	if (tunk::Render(params, &samples) != tunk::RenderStatus::Ok)
		return 0;
	SoundLevel level = MeasureSoundLevel(samples.data(), int64_t(samples.size()));
	*clipped = level.clipped > 0;
	return level.peak;
}

// How a sound's level is turned: the tone and the noise together, in the proportion they
// hold, the louder of them reaching `level`. A noise beyond the top of its level's row rises
// by its gain instead, so that a filtered noise can still reach full scale. A sound without
// noise turns its amplitude alone, whatever it holds (0 included).
struct LevelShares {
	double tone = 1, noise = 0;
	double gainDb = 0;  // the noise's gain as it plays
	explicit LevelShares(const tunk::SoundParams& p)
	{
		const double a = p[tunk::Param::amplitude], n = p[tunk::Param::noiseLevel];
		if (std::isfinite(n) && n > 0 && std::isfinite(a)) {
			const double louder = std::max(a, n);
			tone = a / louder;
			noise = n / louder;
		}
		if (const float gain = p[tunk::Param::noiseGain]; std::isfinite(gain))
			gainDb = gain;
	}
	// The loudest level that keeps the amplitude, the noise's level and its gain within their
	// rows; unbounded for a sound without noise.
	double Loudest() const
	{
		if (noise <= 0)
			return std::numeric_limits<double>::infinity();
		const double gainLeft = std::max(0.0, double(tunk::Info(tunk::Param::noiseGain).max) - gainDb);
		const double noiseTop = double(tunk::Info(tunk::Param::noiseLevel).max) * std::pow(10.0, gainLeft / 20);
		return std::min(tone > 0 ? double(tunk::Info(tunk::Param::amplitude).max) / tone
		                         : std::numeric_limits<double>::infinity(),
		    noiseTop / noise);
	}
	// The sound at `level`; beside a noise each value stays within its row (a level a float
	// step beyond Loudest lands on the rows' tops).
	tunk::SoundParams At(tunk::SoundParams p, double level) const
	{
		p[tunk::Param::amplitude] = float(tone * level);
		if (noise > 0) {
			p[tunk::Param::amplitude] = std::min(p[tunk::Param::amplitude], tunk::Info(tunk::Param::amplitude).max);
			const double wanted = noise * level;
			const double top = tunk::Info(tunk::Param::noiseLevel).max;
			p[tunk::Param::noiseLevel] = float(std::min(wanted, top));
			if (wanted > top) {
				const double gainTop = std::max(gainDb, double(tunk::Info(tunk::Param::noiseGain).max));
				p[tunk::Param::noiseGain] = float(std::min(gainDb + 20 * std::log10(wanted / top), gainTop));
			}
		}
		return p;
	}
};

} // namespace

SoundLevel MeasureSoundLevel(const int16_t* samples, int64_t count)
{
	SoundLevel level;
	level.samples = std::max<int64_t>(count, 0);
	level.milliseconds = double(level.samples) * 1000.0 / tunk::kSampleRate;
	// Runs after every regeneration: whole blocks of a fixed length without branches, which
	// the compiler turns into vector instructions, then the rest one by one.
	int16_t lowest = 0;
	int16_t highest = 0;
	int64_t clipped = 0;
	auto take = [&](const int16_t* block, auto length) {
		int16_t low = lowest;
		int16_t high = highest;
		int32_t railed = 0;
		for (int32_t i = 0; i < int32_t(length); ++i) {
			const int16_t s = block[i];
			low = s < low ? s : low;
			high = s > high ? s : high;
			railed += int32_t(s == 32767) + int32_t(s <= -32767);
		}
		lowest = low;
		highest = high;
		clipped += railed;
	};
	constexpr int32_t kBlock = 4096;
	int64_t start = 0;
	for (; start + kBlock <= level.samples; start += kBlock)
		take(samples + start, std::integral_constant<int32_t, kBlock>());
	take(samples + start, int32_t(level.samples - start));
	level.peak = std::max(int(highest), -int(lowest));
	level.clipped = clipped;
	level.peakDbfs = level.peak > 0 ? 20 * std::log10(level.peak / kFullScale)
	                                : -std::numeric_limits<double>::infinity();
	return level;
}

double PeakAtLevels(tunk::SoundParams params)
{
	// Rendered so quietly that no sample wraps around, then scaled back. The conversion
	// floors, so a sample of magnitude m stood for less than m + 1. A noise lifted by its gain
	// through a resonant filter can stand far beyond full scale even so: a probe that comes
	// near full scale may have wrapped, and a quieter one is taken.
	constexpr double kStep = 1.0 / 64;
	double probe = 1;
	for (int round = 0; round < 4; ++round) {
		probe *= kStep;
		tunk::SoundParams quiet = params;
		quiet[tunk::Param::amplitude] = float(params[tunk::Param::amplitude] * probe);
		quiet[tunk::Param::noiseLevel] = float(params[tunk::Param::noiseLevel] * probe);
		bool clipped = false;
		const int peak = RenderedPeak(quiet, &clipped);
		if (peak <= 0)
			return 0;
		if (peak < kFullScale / 2)
			return (peak + 1) / kFullScale / probe;
	}
	return 0;
}

double PeakAtFullAmplitude(PresetParams params)
{
	params.amplitude = 1;
	return PeakAtLevels(ToSoundParams(params));
}

tunk::SoundParams Normalize(const tunk::SoundParams& params, double targetDbfs)
{
	const LevelShares shares(params);
	double unit = PeakAtLevels(shares.At(params, 1));
	if (unit <= 0 || !std::isfinite(unit))
		return params;
	const int target = int(std::floor(std::pow(10.0, std::min(targetDbfs, 0.0) / 20) * kFullScale));
	// Rounded up to a float step, so that a sound held at its loudest sits on its rows' tops.
	const double loudest = std::nextafter(float(shares.Loudest()), std::numeric_limits<float>::infinity());
	// Safe by construction: the estimate of the peak errs on the loud side. In float steps, as
	// the amplitude holds it.
	double level = float(std::min(target / kFullScale / unit, loudest));
	tunk::SoundParams best = shares.At(params, level);
	// That errs on the quiet side by up to a fraction of a percent; a few renders move the
	// peak onto the target, and only a render that stays under it is taken.
	for (int step = 0; step < 8; ++step) {
		tunk::SoundParams p = shares.At(params, level);
		bool clipped = false;
		int peak = RenderedPeak(p, &clipped);
		if (peak <= 0)
			return params;
		if (!clipped && peak <= target) {
			best = p;
			if (peak >= target * 0.994 || level >= loudest) // within 0.05 dB, or as loud as it goes
				break;
		}
		level = std::min(level * double(target) / peak * (peak > target ? 0.9999 : 1.0), loudest);
	}
	return best;
}

PresetParams Normalize(const PresetParams& params, double targetDbfs)
{
	PresetParams normal = params;
	normal.amplitude = Normalize(ToSoundParams(params), targetDbfs)[tunk::Param::amplitude];
	return normal;
}
