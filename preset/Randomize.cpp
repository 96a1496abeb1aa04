#include "preset/Randomize.h"

#include <algorithm>
#include <cctype>
#include <cmath>
#include <random>
#include <vector>

#include "preset/SoundLevel.h"

namespace {

// Uniform numbers from the standard generator, mapped by hand: the distributions of the
// standard library differ between its implementations.
class Dice {
public:
	explicit Dice(uint64_t seed) : fEngine(seed) {}

	// [0, 1) from the top 53 bits.
	double Unit() { return double(fEngine() >> 11) * 0x1.0p-53; }
	double Between(double low, double high) { return low + (high - low) * Unit(); }
	// Even odds per octave: for frequencies and times.
	double LogBetween(double low, double high)
	{
		return std::exp(Between(std::log(low), std::log(high)));
	}
	bool Chance(double probability) { return Unit() < probability; }
	int Pick(int count) { return std::min(int(Unit() * count), count - 1); }

private:
	std::mt19937_64 fEngine;
};

float Whole(double value)
{
	return float(std::round(value));
}
float Hundredths(double value)
{
	return float(std::round(value * 100) / 100);
}

// A value within the parameter's row, above 0 where the row starts at 0: a mutated sound
// keeps some pitch, length and level. A curve's row starts below 0 and keeps its minimum.
float Bounded(tunk::Param param, float value)
{
	const tunk::ParamInfo& info = tunk::Info(param);
	const float lowest = info.min == 0 ? tunk::ShownStep(info) : info.min;
	return std::clamp(value, lowest, info.max);
}

// A curve of the given magnitude range and sign, never near 0, where the envelope has no value.
float Curve(Dice& dice, double low, double high)
{
	double c = dice.Between(low, high);
	if (std::fabs(c) < 0.5)
		c = c < 0 ? -0.5 : 0.5;
	return Hundredths(c);
}

struct Ranges {
	std::vector<int32> waves; // drawn with equal odds
	double freqLow, freqHigh;
	double lengthLow, lengthHigh; // ms
	double pitchOdds;             // chance of the frequency envelope
	double pitchLow, pitchHigh;   // its curve
	double envLow, envHigh;       // the amplitude envelope's curve; always on
	double driveOdds, driveHigh;
	double filterOdds, cutoffLow, cutoffHigh, qLow, qHigh;
};

// What each category draws from; the factory sounds of each category lie inside.
const Ranges& RangesOf(SoundCategory category)
{
	static const Ranges kick{
	    {1, 1, 1, 4}, 100, 250, 200, 1000, 1, -12, -2, -4, 2, 0.3, 8, 0.4, 300, 8000, 0.5, 1.5};
	static const Ranges tom{
	    {1, 1, 4}, 100, 450, 250, 800, 0.8, 1, 4, -4, -1, 0.2, 4, 0.3, 1000, 6000, 0.7, 1.5};
	static const Ranges zap{
	    {1, 2, 3, 4}, 1500, 4000, 100, 600, 1, -10, -2, -2, 1, 0.3, 6, 0.5, 4000, 12000, 0.7, 1.5};
	static const Ranges blip{
	    {1, 2, 3, 4}, 600, 3500, 15, 120, 0.2, -4, -1, -5, 3, 0.1, 4, 0.3, 2000, 10000, 0.7, 1.5};
	static const Ranges bass{
	    {1, 1, 2, 3}, 40, 200, 400, 3000, 1, -3, 3, -2, 3, 0.3, 4, 0.5, 150, 800, 0.7, 2};
	static const Ranges click{
	    {1, 2, 4}, 800, 3500, 5, 100, 0.3, 2, 6, -6, -2, 0.2, 5, 0.3, 2000, 12000, 0.7, 3};
	static const Ranges anything{
	    {1, 2, 3, 4}, 40, 4000, 20, 2000, 0.6, -10, 10, -6, 6, 0.4, 10, 0.5, 100, 16000, 0.3, 3};
	switch (category) {
		case SoundCategory::Kick: return kick;
		case SoundCategory::Tom: return tom;
		case SoundCategory::Zap: return zap;
		case SoundCategory::Blip: return blip;
		case SoundCategory::Bass: return bass;
		case SoundCategory::Click: return click;
		case SoundCategory::Anything: break;
	}
	return anything;
}

constexpr double kQuietest = 0.25; // -12 dBFS: a sound that cannot reach this is redrawn

PresetParams Draw(const Ranges& r, Dice& dice)
{
	PresetParams p = DefaultPresetParams();
	p.oscType = r.waves[size_t(dice.Pick(int(r.waves.size())))];
	p.startFreq = Bounded(tunk::Param::startFreq, Whole(dice.LogBetween(r.freqLow, r.freqHigh)));
	p.duration = Bounded(tunk::Param::duration, Whole(dice.LogBetween(r.lengthLow, r.lengthHigh)));
	p.freqEnvEnabled = dice.Chance(r.pitchOdds) ? 1 : 0;
	p.freqEnvelope = Curve(dice, r.pitchLow, r.pitchHigh);
	p.ampEnvEnabled = 1;
	p.ampEnvelope = Curve(dice, r.envLow, r.envHigh);
	p.distortionEnabled = dice.Chance(r.driveOdds) ? 1 : 0;
	p.distortion = Bounded(tunk::Param::distortion, Whole(dice.Between(1, r.driveHigh)));
	p.filterEnabled = dice.Chance(r.filterOdds) ? 1 : 0;
	p.filterCutoff =
	    Bounded(tunk::Param::filterCutoff, Whole(dice.LogBetween(r.cutoffLow, r.cutoffHigh)));
	p.filterQ = Bounded(tunk::Param::filterQ, Hundredths(dice.Between(r.qLow, r.qHigh)));
	return p;
}

} // namespace

const std::vector<SoundCategoryName>& SoundCategories()
{
	static const std::vector<SoundCategoryName> categories{
	    {SoundCategory::Kick, "kick", "Kicks"},
	    {SoundCategory::Tom, "tom", "Toms"},
	    {SoundCategory::Zap, "zap", "Zaps and Lasers"},
	    {SoundCategory::Blip, "blip", "Blips and Interface"},
	    {SoundCategory::Bass, "bass", "Bass Drops and Sub Hits"},
	    {SoundCategory::Click, "click", "Clicks, Rims and Woodblocks"},
	    {SoundCategory::Anything, "anything", "Anything"},
	};
	return categories;
}

const SoundCategoryName& NameOf(SoundCategory category)
{
	for (const SoundCategoryName& c : SoundCategories())
		if (c.category == category)
			return c;
	return SoundCategories().back();
}

std::optional<SoundCategory> FindSoundCategory(std::string_view keyOrName)
{
	auto same = [](std::string_view a, std::string_view b) {
		return a.size() == b.size() &&
		       std::equal(a.begin(), a.end(), b.begin(), [](char x, char y) {
			       return std::tolower((unsigned char)x) == std::tolower((unsigned char)y);
		       });
	};
	for (const SoundCategoryName& c : SoundCategories())
		if (same(keyOrName, c.key) || same(keyOrName, c.name))
			return c.category;
	return std::nullopt;
}

PresetParams Randomize(SoundCategory category, uint64_t seed)
{
	Dice dice(seed);
	const Ranges& ranges = RangesOf(category);
	PresetParams p = Draw(ranges, dice);
	double peak = PeakAtFullAmplitude(p);
	// A filter far below the pitch can leave almost nothing; such a draw is replaced. The
	// ranges make that rare, and the default sound is the answer should it keep happening.
	for (int tries = 0; peak < kQuietest && tries < 100; ++tries) {
		p = Draw(ranges, dice);
		peak = PeakAtFullAmplitude(p);
	}
	if (peak < kQuietest)
		return DefaultPresetParams();
	// The level between -6 and -1 dBFS, in hundredths as the amplitude slider shows it,
	// rounded down so that the peak stays below full scale.
	double target = std::pow(10.0, dice.Between(-6, -1) / 20);
	p.amplitude = float(std::floor(std::min(1.0, target / peak) * 100) / 100);
	return p;
}

PresetParams Mutate(const PresetParams& params, uint64_t seed)
{
	Dice dice(seed);
	PresetParams p = params;
	// Up to about a tenth either way; frequencies and times on a log scale.
	auto scale = [&](float value, double spread) {
		return value * std::exp(dice.Between(-spread, spread));
	};
	// Within what the controls show, and never down to a silent or empty sound.
	p.startFreq = Bounded(tunk::Param::startFreq, Whole(scale(p.startFreq, 0.1)));
	p.duration = Bounded(tunk::Param::duration, Whole(scale(p.duration, 0.1)));
	auto nudgeCurve = [&](tunk::Param param, float curve) {
		float moved = Bounded(param, Hundredths(curve + dice.Between(-0.5, 0.5)));
		// The envelope has no value at 0; a curve does not cross it by mutation.
		if (std::fabs(moved) < 0.1f || (moved < 0) != (curve < 0))
			moved = curve < 0 ? -0.1f : 0.1f;
		return moved;
	};
	p.freqEnvelope = nudgeCurve(tunk::Param::freqEnvelope, p.freqEnvelope);
	p.ampEnvelope = nudgeCurve(tunk::Param::ampEnvelope, p.ampEnvelope);
	p.distortion = Bounded(tunk::Param::distortion, p.distortion + float(dice.Pick(3) - 1));
	p.filterCutoff = Bounded(tunk::Param::filterCutoff, Whole(scale(p.filterCutoff, 0.15)));
	p.filterQ = Bounded(tunk::Param::filterQ, Hundredths(p.filterQ + dice.Between(-0.15, 0.15)));
	p.amplitude = Bounded(tunk::Param::amplitude, Hundredths(scale(p.amplitude, 0.05)));
	double peak = PeakAtFullAmplitude(p);
	if (peak * p.amplitude >= 1.0)
		p.amplitude = float(0.89 / peak); // -1 dBFS
	return p;
}
