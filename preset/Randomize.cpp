#include "preset/Randomize.h"

#include <algorithm>
#include <cctype>
#include <cmath>
#include <cstdlib>
#include <random>
#include <vector>

#include "engine/core/NoiseSource.h"
#include "engine/core/Render.h"
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
	    {1, 1, 1, 4}, 100, 200, 200, 650, 1, -12, -2, -4, 2, 0.3, 8, 0.4, 300, 8000, 0.5, 1.5};
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
		default: break;
	}
	return anything;
}

constexpr double kQuietest = 0.25; // -12 dBFS: a sound that cannot reach this is redrawn

using tunk::Param;

// Brings a drawn sound to a peak between -6 and -1 dBFS (in hundredths, rounded down), its
// tone and noise kept in proportion and neither beyond 1. False when full levels cannot
// reach -12 dBFS.
bool Level(tunk::SoundParams* p, Dice& dice)
{
	const double peak = PeakAtLevels(*p);
	const float tone = (*p)[Param::amplitude];
	const float noise = (*p)[Param::noiseLevel];
	if (peak <= 0 || std::max(tone, noise) <= 0)
		return false;
	const double target = std::pow(10.0, dice.Between(-6, -1) / 20);
	const double scale = std::min(target / peak, 1.0 / std::max(tone, noise));
	if (peak * scale < kQuietest)
		return false;
	(*p)[Param::amplitude] = float(std::floor(tone * scale * 100) / 100);
	(*p)[Param::noiseLevel] = float(std::floor(noise * scale * 100) / 100);
	// A shaper or a resonance does not scale with the levels: the sound as leveled must still
	// be heard, and stay below full scale.
	std::vector<int16_t> samples;
	if (tunk::Render(*p, &samples) != tunk::RenderStatus::Ok)
		return false;
	int top = 0;
	for (int16_t s : samples)
		top = std::max(top, std::abs(int(s)));
	return top >= kQuietest * 32767 && top <= 0.9 * 32767;
}

// The drums: a tone layer and a noise layer, each drawn at a level relative to the other
// (Level sets the sound's level), from the ranges the factory drums were voiced in against
// real recordings (data/measures/real-drums.tsv): a snare is a body with low-passed noise, a
// clap's last burst rings into a tail, hats and cymbals are metal in band-passed white noise
// over a trace of low thump, a rim rings over pink noise, a cowbell or bell carries a breath
// of noise.
void SetNoise(tunk::SoundParams& p, float level, tunk::NoiseType type, double decayMs, double curve)
{
	p[Param::noiseLevel] = level;
	p[Param::noiseType] = float(int(type));
	p[Param::noiseDecay] = Whole(decayMs);
	p[Param::noiseCurve] = Hundredths(curve);
}

void SetNoiseFilter(tunk::SoundParams& p, int mode, double cutoff, double q)
{
	p[Param::noiseFilter] = float(mode);
	p[Param::noiseCutoff] = Whole(cutoff);
	p[Param::noiseQ] = Hundredths(q);
}

void SetTone(tunk::SoundParams& p, int wave, double freq, double ms, double level, double curve)
{
	p[Param::oscType] = float(wave);
	p[Param::startFreq] = Whole(freq);
	p[Param::duration] = Whole(ms);
	p[Param::amplitude] = Hundredths(level);
	p[Param::ampEnvEnabled] = 1;
	p[Param::ampEnvelope] = Hundredths(curve);
}

void SetSecondTone(tunk::SoundParams& p, double level, double ratio)
{
	p[Param::osc2Level] = Hundredths(level);
	p[Param::osc2Ratio] = float(std::round(ratio * 1000) / 1000);
}

// The low thump under a hat, a cymbal or a clap: a quiet, short sine at 180 Hz.
void SetThump(tunk::SoundParams& p, double ms, double level)
{
	SetTone(p, tunk::kOscSine, 180, ms, level, -8);
}

constexpr int kLowPass = 1, kBandPass = 2, kHighPass = 3;

tunk::SoundParams DrawSnare(Dice& dice)
{
	tunk::SoundParams p;
	const double freq = dice.LogBetween(190, 300);
	const double ms = dice.LogBetween(160, 420);
	SetTone(p, dice.Chance(0.7) ? tunk::kOscSine : tunk::kOscTriangle, freq, ms,
	    dice.Between(0.35, 0.5), dice.Between(-6, -5));
	p[Param::freqEnvEnabled] = 1;
	p[Param::freqEnvelope] = Hundredths(dice.Between(-10, -6));
	p[Param::endFreq] = Whole(freq * dice.Between(0.7, 0.78));
	SetSecondTone(p, dice.Between(0.2, 0.3), dice.Between(1.5, 1.7));
	SetNoise(p, Hundredths(dice.Between(0.5, 0.6)), tunk::NoiseType::White,
	    ms * dice.Between(0.8, 0.95), dice.Between(-6, -4));
	// Low-passed: the rattle's weight stays near the body, as a real snare's does.
	SetNoiseFilter(p, kLowPass, dice.LogBetween(6500, 9500), 0.7);
	p[Param::noiseSeed] = float(dice.Pick(65536));
	return p;
}

tunk::SoundParams DrawClap(Dice& dice)
{
	tunk::SoundParams p;
	// Each burst falls with a time constant of 5 to 8 ms: 10 ms on, it is 10 dB down or more,
	// which the ear tells from the noise's own flutter. The last rings on as a room.
	const double tau = dice.Between(5, 8);
	const int claps = 3 + dice.Pick(2);
	const double spacing = dice.Between(9, 14);
	const double decay = (claps - 1) * spacing + 5.5 * tau;
	const double tail = dice.LogBetween(220, 380);
	// The sound ends where the tail is 40 dB down.
	const double ms = (claps - 1) * spacing + 0.65 * tail;
	SetThump(p, ms, 0.04);
	SetNoise(p, 1, tunk::NoiseType::White, decay, -decay / tau);
	SetNoiseFilter(p, kBandPass, dice.LogBetween(1250, 1700), 0.5);
	p[Param::clapCount] = float(claps);
	p[Param::clapSpacing] = float(std::round(spacing * 10) / 10);
	p[Param::clapTail] = Whole(tail);
	p[Param::noiseGain] = 4;
	p[Param::noiseSeed] = float(dice.Pick(65536));
	return p;
}

// Metal in white noise, band-passed high, with its gain: a hat's or a cymbal's wash.
void SetWash(tunk::SoundParams& p, Dice& dice, double decay, double curve, double cutoffLow,
    double cutoffHigh, double qLow, double qHigh)
{
	SetNoise(p, 1, tunk::NoiseType::White, decay, curve);
	p[Param::metalMix] = Hundredths(dice.Between(0.15, 0.8));
	p[Param::noiseTune] = Whole(dice.LogBetween(450, 1000));
	SetNoiseFilter(p, kBandPass, dice.LogBetween(cutoffLow, cutoffHigh), dice.Between(qLow, qHigh));
	p[Param::noiseGain] = 8;
	p[Param::noiseSeed] = float(dice.Pick(65536));
}

tunk::SoundParams DrawHat(Dice& dice)
{
	tunk::SoundParams p;
	const bool closed = dice.Chance(0.6);
	const double decay = closed ? dice.LogBetween(120, 260) : dice.LogBetween(700, 2000);
	// The sound ends where the noise is some 40 dB down.
	SetThump(p, decay * 0.85, closed ? 0.05 : 0.015);
	SetWash(p, dice, decay, closed ? dice.Between(-7, -6) : -5, 6000, 10000, 0.7, 1);
	return p;
}

tunk::SoundParams DrawCymbal(Dice& dice)
{
	tunk::SoundParams p;
	const double decay = dice.LogBetween(1800, 3000);
	SetThump(p, decay * 0.85, 0.012);
	SetWash(p, dice, decay, dice.Between(-7, -6), 3500, 7000, 1, 1.5);
	// A ride's bell: two square tones, band-passed, over the wash.
	if (dice.Chance(0.3)) {
		SetTone(p, tunk::kOscSquare, dice.LogBetween(2500, 3500), decay * 0.85,
		    dice.Between(0.1, 0.2), dice.Between(-6, -4));
		SetSecondTone(p, 0.6, 1.48);
		p[Param::filterEnabled] = 1;
		p[Param::filterType] = 2;
		p[Param::filterCutoff] = Whole(p[Param::startFreq] * 1.4);
		p[Param::filterQ] = 2;
	}
	return p;
}

tunk::SoundParams DrawRim(Dice& dice)
{
	tunk::SoundParams p;
	const double ms = dice.LogBetween(150, 280);
	SetTone(p, dice.Chance(0.6) ? tunk::kOscTriangle : tunk::kOscSine, dice.LogBetween(1100, 2600),
	    ms, 0.5, dice.Between(-5.5, -5));
	if (dice.Chance(0.7)) {
		static const double ratios[] = {0.5, 1.37, 1.5, 1.8};
		SetSecondTone(p, dice.Between(0.2, 0.5), ratios[dice.Pick(4)]);
	}
	// Pink noise keeps the stick's knock low; the high-pass only takes what no one hears.
	SetNoise(p, Hundredths(dice.Between(0.4, 0.5)), tunk::NoiseType::Pink, ms * 0.65, -6);
	SetNoiseFilter(p, kHighPass, 40, 0.7);
	p[Param::noiseSeed] = float(dice.Pick(65536));
	return p;
}

tunk::SoundParams DrawMetal(Dice& dice)
{
	tunk::SoundParams p;
	double level;
	if (dice.Chance(0.5)) {
		// A cowbell: two square tones a little under a fifth apart, band-passed above them.
		const double freq = dice.LogBetween(450, 850);
		SetTone(p, tunk::kOscSquare, freq, dice.LogBetween(180, 360), 0.5, dice.Between(-6, -5.5));
		SetSecondTone(p, 1, dice.Between(1.45, 1.5));
		p[Param::filterEnabled] = 1;
		p[Param::filterType] = 2;
		p[Param::filterCutoff] = Whole(freq * dice.Between(2.3, 2.7));
		p[Param::filterQ] = Hundredths(dice.Between(1.2, 1.5));
		level = dice.Between(0.2, 0.3);
	} else {
		// A bell, an agogo or a triangle: a clean tone and an inharmonic partial.
		static const double ratios[] = {1.48, 2.0, 2.7, 2.76};
		SetTone(p, dice.Chance(0.5) ? tunk::kOscSine : tunk::kOscTriangle,
		    dice.LogBetween(800, 3500), dice.LogBetween(200, 1000), 0.5, dice.Between(-6, -5.5));
		SetSecondTone(p, dice.Between(0.3, 0.7), ratios[dice.Pick(4)]);
		level = dice.Between(0.1, 0.3);
	}
	// The strike: a breath of white noise.
	SetNoise(p, Hundredths(0.5 * level), tunk::NoiseType::White, dice.LogBetween(150, 250), -6);
	p[Param::noiseSeed] = float(dice.Pick(65536));
	return p;
}

tunk::SoundParams DrawDrum(SoundCategory category, Dice& dice)
{
	switch (category) {
		case SoundCategory::Snare: return DrawSnare(dice);
		case SoundCategory::Clap: return DrawClap(dice);
		case SoundCategory::Hat: return DrawHat(dice);
		case SoundCategory::Cymbal: return DrawCymbal(dice);
		case SoundCategory::Rim: return DrawRim(dice);
		default: return DrawMetal(dice);
	}
}

bool IsDrum(SoundCategory category)
{
	switch (category) {
		case SoundCategory::Snare:
		case SoundCategory::Clap:
		case SoundCategory::Hat:
		case SoundCategory::Cymbal:
		case SoundCategory::Rim:
		case SoundCategory::Metal: return true;
		default: return false;
	}
}

// A value from the row's own range, at its shown precision: a choice's code or a switch with
// even odds, a number evenly (per octave on a logarithmic row) and above 0 where the row
// starts at 0, so that a layer drawn is heard.
float DrawFromRow(const tunk::ParamInfo& info, Dice& dice)
{
	if (info.kind != tunk::ParamKind::Number)
		return info.min + float(dice.Pick(int(info.max - info.min) + 1));
	const double low = tunk::ScaleFloor(info);
	const double value = info.scale == tunk::ParamScale::Logarithmic ? dice.LogBetween(low, info.max)
	                                                                  : dice.Between(low, info.max);
	const double step = tunk::ShownStep(info);
	return Bounded(info.id, float(std::round(value / step) * step));
}

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
	    {SoundCategory::Snare, "snare", "Snares"},
	    {SoundCategory::Clap, "clap", "Claps"},
	    {SoundCategory::Hat, "hat", "Hi-Hats"},
	    {SoundCategory::Cymbal, "cymbal", "Cymbals"},
	    {SoundCategory::Rim, "rim", "Rims and Sticks"},
	    {SoundCategory::Metal, "metal", "Cowbells and Metals"},
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

tunk::SoundParams Randomize(SoundCategory category, uint64_t seed)
{
	Dice dice(seed);
	if (IsDrum(category)) {
		// The ranges keep a draw that cannot reach its level rare; the default sound is the
		// answer should it keep happening.
		for (int tries = 0; tries < 100; ++tries) {
			tunk::SoundParams p = DrawDrum(category, dice);
			if (Level(&p, dice))
				return p;
		}
		return tunk::SoundParams();
	}
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
		return ToSoundParams(DefaultPresetParams());
	p.amplitude = 1;
	tunk::SoundParams sound = ToSoundParams(p);
	// Anything draws every row the record does not hold from the table, so that a row added
	// there is heard here with no edit. A draw too quiet to level (a high-pass over the tone,
	// a noise filtered away) is drawn again; the record's sound alone is the answer should that
	// keep happening.
	if (category == SoundCategory::Anything) {
		for (int tries = 0; tries < 100; ++tries) {
			tunk::SoundParams layered = sound;
			for (const tunk::ParamInfo& info : tunk::kParams)
				if (info.since > 1)
					layered[info.id] = DrawFromRow(info, dice);
			if (Level(&layered, dice))
				return layered;
		}
	}
	// A kick falls to a low note, not below hearing, after a short click of noise.
	if (category == SoundCategory::Kick) {
		sound[Param::endFreq] =
		    Whole(std::max(32.0, sound[Param::startFreq] * dice.Between(0.2, 0.35)));
		SetNoise(sound, Hundredths(dice.Between(0.1, 0.15)), tunk::NoiseType::White, 30, -6);
		SetNoiseFilter(sound, kLowPass, 6000, 0.7);
		sound[Param::noiseSeed] = float(dice.Pick(65536));
	}
	// A tom's skin: an inharmonic second mode and a breath of noise.
	if (category == SoundCategory::Tom) {
		SetSecondTone(sound, dice.Between(0.3, 0.5), 1.59);
		SetNoise(sound, Hundredths(dice.Between(0.08, 0.12)), tunk::NoiseType::White, 120, -6);
		sound[Param::noiseSeed] = float(dice.Pick(65536));
	}
	// The level between -6 and -1 dBFS, in hundredths as the amplitude slider shows it,
	// rounded down so that the peak stays below full scale.
	if (!Level(&sound, dice))
		return ToSoundParams(DefaultPresetParams());
	return sound;
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

tunk::SoundParams Mutate(const tunk::SoundParams& params, uint64_t seed)
{
	PresetParams record = Mutate(ToPresetParams(params), seed);
	tunk::SoundParams p = ToSoundParams(record);
	for (Param added : tunk::AllParams())
		if (tunk::Info(added).since > 1)
			p[added] = params[added];
	// The record's level was judged without the noise: tone and noise come down together
	// until the whole sound stays under full scale.
	const double peak = PeakAtLevels(p);
	if (peak >= 1.0) {
		const double scale = 0.89 / peak; // -1 dBFS
		p[Param::amplitude] = float(p[Param::amplitude] * scale);
		p[Param::noiseLevel] = float(p[Param::noiseLevel] * scale);
	}
	return p;
}
