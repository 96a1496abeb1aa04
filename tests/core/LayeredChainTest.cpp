// The second engine's chain as a whole: the tone stays the first engine's, the noise joins
// it after the filter, the sum saturates, and each addition does what it says.
#include <gtest/gtest.h>

#include <algorithm>
#include <bit>
#include <cmath>
#include <limits>
#include <vector>

#include "core/RenderHash.h"
#include "core/Spectrum.h"
#include "engine/core/Generator.h"
#include "engine/core/Hit.h"
#include "engine/core/LayeredChain.h"
#include "engine/core/Render.h"

namespace {

using tunk::Param;

constexpr float kNaN = std::numeric_limits<float>::quiet_NaN();
constexpr float kInf = std::numeric_limits<float>::infinity();

// The second engine's chain even where the first would do, in pieces of `chunk` samples.
std::vector<int16_t> Layered(const tunk::SoundParams& p, int64_t chunk)
{
	const int64_t count = tunk::SampleCount(p);
	tunk::Generator tables(p);
	tunk::LayeredChain chain(p, count);
	std::vector<int16_t> out(size_t(count) + 8, 0x5a5a);
	int64_t done = 0;
	while (done < count + 8) {
		const int64_t n = chain.Render(tables.WaveTable(), tables.ShapeTable(), out.data() + done, chunk);
		if (n == 0)
			break;
		done += n;
	}
	EXPECT_EQ(done, count);
	EXPECT_EQ(out[size_t(count)], 0x5a5a);
	out.resize(size_t(count));
	return out;
}

tunk::SoundParams Snare()
{
	tunk::SoundParams p;
	p[Param::startFreq] = 190;
	p[Param::duration] = 250;
	p[Param::freqEnvEnabled] = 1;
	p[Param::freqEnvelope] = 4;
	p[Param::ampEnvEnabled] = 1;
	p[Param::ampEnvelope] = -4;
	p[Param::noiseLevel] = 0.6f;
	p[Param::noiseDecay] = 180;
	p[Param::noiseCurve] = -3;
	return p;
}

double Rms(const std::vector<int16_t>& s, size_t from, size_t to)
{
	double sum = 0;
	for (size_t i = from; i < to; i++)
		sum += double(s[i]) * s[i];
	return std::sqrt(sum / double(to - from));
}

}  // namespace

TEST(LayeredChainTest, WithEveryAdditionNeutralTheToneIsTheFirstEnginesBitForBit)
{
	renderhash::Hash hash;
	renderhash::ForEachCase([&](int, int, const tunk::SoundParams& p) {
		ASSERT_FALSE(tunk::UsesLayers(p));
		const std::vector<int16_t> layered = Layered(p, 1000);
		ASSERT_EQ(layered, renderhash::Rendered(p));
		hash.Add(layered.data(), int64_t(layered.size()));
	});
	EXPECT_EQ(hash.Value(), renderhash::kExpected);
}

// A sound with every addition on, so that each added row has something to change.
tunk::SoundParams Busy()
{
	tunk::SoundParams p = Snare();
	p[Param::amplitude] = 0.4f;
	p[Param::endFreq] = 60;
	p[Param::attack] = 2;
	p[Param::hold] = 20;
	p[Param::filterEnabled] = 1;
	p[Param::filterType] = 2;
	p[Param::filterCutoff] = 2000;
	p[Param::osc2Level] = 0.4f;
	p[Param::noiseLevel] = 0.3f;
	p[Param::metalMix] = 0.5f;  // the tune is heard through the metal in the white noise
	p[Param::noiseFilter] = 2;
	p[Param::noiseCutoff] = 3000;
	p[Param::noiseQ] = 2;
	p[Param::clapCount] = 3;
	p[Param::noiseSeed] = 7;
	return p;
}

TEST(LayeredChainTest, EveryAddedRowIsHeardWhereItsGateIsOnAndNowhereElse)
{
	const tunk::SoundParams busy = Busy();
	const std::vector<int16_t> busySamples = renderhash::Rendered(busy);
	const std::vector<int16_t> plain = renderhash::Rendered(tunk::SoundParams());
	for (const tunk::ParamInfo& row : tunk::kParams) {
		if (row.since == 1)
			continue;
		SCOPED_TRACE(row.symbol);
		const float moved = busy[row.id] == row.max ? row.min : row.max;
		tunk::SoundParams p = busy;
		p[row.id] = moved;
		if (tunk::ShapesHits(row)) {
			// The sound itself stays; a soft note's third hit plays it otherwise.
			EXPECT_EQ(renderhash::Rendered(p), busySamples);
			const tunk::Hit hit = tunk::HitOf(p, 40, 3);
			const tunk::Hit before = tunk::HitOf(busy, 40, 3);
			EXPECT_TRUE(renderhash::Rendered(hit.params) != renderhash::Rendered(before.params)
			            || hit.level * hit.gain != before.level * before.gain)
			    << "a row without its sound";
		} else {
			EXPECT_NE(renderhash::Rendered(p), busySamples) << "a row without its sound";
		}
		if (row.gate == Param::count)
			continue;
		// With its gate off the row leaves the first engine in charge, on every hit.
		tunk::SoundParams gated;
		gated[row.id] = moved;
		EXPECT_FALSE(tunk::UsesLayers(gated));
		EXPECT_EQ(renderhash::Rendered(gated), plain);
		EXPECT_EQ(renderhash::Rendered(tunk::HitOf(gated, 40, 3).params), plain);
	}
}

TEST(LayeredChainTest, NoiseJoinsAfterTheFilterAndTheToneStaysAsItWas)
{
	tunk::SoundParams p = Snare();
	p[Param::filterEnabled] = 1;
	p[Param::filterCutoff] = 300;  // the tone's filter: the noise must not pass it
	p[Param::amplitude] = 0.5f;    // the sum within full scale, so that it adds up exactly
	p[Param::noiseLevel] = 0.4f;
	ASSERT_TRUE(tunk::UsesLayers(p));
	const std::vector<int16_t> both = renderhash::Rendered(p);
	tunk::SoundParams toneOnly = p;
	toneOnly[Param::noiseLevel] = 0;
	const std::vector<int16_t> tone = renderhash::Rendered(toneOnly);
	tunk::SoundParams noiseOnly = p;
	noiseOnly[Param::amplitude] = 0;
	const std::vector<int16_t> noise = renderhash::Rendered(noiseOnly);
	ASSERT_EQ(both.size(), tone.size());
	for (size_t i = 0; i < both.size(); i++)
		ASSERT_NEAR(both[i], tone[i] + noise[i], 2) << i;

	// The noise keeps its highs although the tone's filter is at 300 Hz.
	const auto power = spectrum::PowerBins(noise, 0, 2048);
	EXPECT_GT(spectrum::BandPower(power, 5000, 20000), spectrum::BandPower(power, 20, 1000));
	EXPECT_GT(spectrum::Flatness(power), 0.3);
	EXPECT_LT(spectrum::Flatness(spectrum::PowerBins(tone, 0, 2048)), 0.01);

	// The noise ends with its envelope, well before the sound does.
	EXPECT_EQ(Rms(noise, 180 * 44 + 50, noise.size()), 0.0);
}

TEST(LayeredChainTest, TheSumSaturatesInsteadOfWrapping)
{
	tunk::SoundParams p;
	p[Param::oscType] = tunk::kOscSquare;
	p[Param::amplitude] = 1;
	p[Param::noiseLevel] = 1;
	p[Param::noiseDecay] = 10000;
	const std::vector<int16_t> s = renderhash::Rendered(p);
	int high = 0, low = 0;
	for (size_t i = 0; i < s.size(); i++) {
		high += s[i] == 32767;
		low += s[i] == -32768;
	}
	// Half the time the square and the noise push the same way beyond full scale.
	EXPECT_GT(high, int(s.size() / 8));
	EXPECT_GT(low, int(s.size() / 8));

	// A narrow band of noise, too quiet at full level, reaches full scale with its gain: 12 dB
	// is four times the samples.
	tunk::SoundParams band = Snare();
	band[Param::amplitude] = 0;
	band[Param::noiseLevel] = 1;
	band[Param::noiseFilter] = 2;
	band[Param::noiseCutoff] = 8000;
	band[Param::noiseQ] = 4;
	const std::vector<int16_t> quiet = renderhash::Rendered(band);
	band[Param::noiseGain] = 12;
	const std::vector<int16_t> loud = renderhash::Rendered(band);
	int16_t quietPeak = 0;
	for (size_t i = 0; i < quiet.size(); i++) {
		quietPeak = std::max<int16_t>(quietPeak, int16_t(std::abs(quiet[i])));
		if (std::abs(quiet[i]) < 8000) {
			// Each rounded to a whole sample: the quiet one's rounding grows fourfold.
			ASSERT_NEAR(loud[i], 3.98107 * quiet[i], 5) << i;
		}
	}
	EXPECT_LT(quietPeak, 16000);
	EXPECT_EQ(*std::max_element(loud.begin(), loud.end()), 32767);
}

TEST(LayeredChainTest, RendersTheSameInAnyPiecesAndFromTheSeedAlone)
{
	tunk::SoundParams p = Snare();
	p[Param::noiseType] = 2;
	p[Param::noiseFilter] = 2;
	p[Param::noiseCutoff] = 3000;
	p[Param::clapCount] = 3;
	p[Param::osc2Level] = 0.4f;
	p[Param::attack] = 3;
	p[Param::hold] = 20;
	p[Param::endFreq] = 60;
	p[Param::filterEnabled] = 1;
	p[Param::filterType] = 2;
	const std::vector<int16_t> whole = renderhash::Rendered(p);
	for (int64_t chunk : {1, 7, 256, 1000, 100000})
		EXPECT_EQ(Layered(p, chunk), whole) << chunk;
	EXPECT_EQ(renderhash::Rendered(p), whole);
	p[Param::noiseSeed] = 2;
	EXPECT_NE(renderhash::Rendered(p), whole);
}

TEST(LayeredChainTest, EndPitchStopsTheFallAtTheEndFrequency)
{
	tunk::SoundParams kick;
	kick[Param::startFreq] = 160;
	kick[Param::duration] = 600;
	kick[Param::freqEnvEnabled] = 1;
	kick[Param::freqEnvelope] = -6;
	kick[Param::endFreq] = 45;
	const std::vector<int16_t> s = renderhash::Rendered(kick);
	// Over the last fifth the pitch sits near 45 Hz: about four periods in 88 ms.
	const size_t from = s.size() * 4 / 5;
	int crossings = 0;
	for (size_t i = from + 1; i < s.size(); i++)
		crossings += (s[i - 1] < 0) != (s[i] < 0);
	const double hz = crossings / 2.0 / (double(s.size() - from) / tunk::kSampleRate);
	EXPECT_NEAR(hz, 46, 6);
	// Falling to 0 Hz instead leaves the end nearly still.
	kick[Param::endFreq] = 0;
	const std::vector<int16_t> zero = renderhash::Rendered(kick);
	crossings = 0;
	for (size_t i = from + 1; i < zero.size(); i++)
		crossings += (zero[i - 1] < 0) != (zero[i] < 0);
	EXPECT_LT(crossings, 3);
}

TEST(LayeredChainTest, AttackRisesHoldKeepsFullLevelAndTheSecondToneSoundsAtItsRatio)
{
	tunk::SoundParams p;
	p[Param::oscType] = tunk::kOscSquare;
	p[Param::amplitude] = 0.5f;
	p[Param::duration] = 400;
	p[Param::ampEnvEnabled] = 1;
	p[Param::ampEnvelope] = -8;
	p[Param::attack] = 20;
	p[Param::hold] = 100;
	const std::vector<int16_t> s = renderhash::Rendered(p);
	auto peak = [&](size_t from, size_t to) {
		int m = 0;
		for (size_t i = from; i < to; i++)
			m = std::max(m, std::abs(int(s[i])));
		return m;
	};
	EXPECT_NEAR(peak(0, 100), 16383 * 100 / 882, 200);   // 100 samples into 20 ms
	EXPECT_NEAR(peak(400, 500), 16383 * 500 / 882, 200);
	EXPECT_NEAR(peak(2000, 5000), 16383, 2);             // held
	EXPECT_LT(peak(8000, 9000), 16383 / 4);              // decaying after 120 ms

	tunk::SoundParams two;
	two[Param::startFreq] = 300;
	two[Param::osc2Level] = 0.5f;
	two[Param::osc2Ratio] = 1.5f;
	two[Param::amplitude] = 0.5f;
	const auto power = spectrum::PowerBins(renderhash::Rendered(two), 0, 8192);
	EXPECT_NEAR(spectrum::PeakHz(power, 400, 500), 450, 6);
	EXPECT_NEAR(spectrum::Db(spectrum::BandPower(power, 440, 460)
		/ spectrum::BandPower(power, 290, 310)), -6, 1.0);
}

TEST(LayeredChainTest, FilterModesShapeTheTone)
{
	tunk::SoundParams p;
	p[Param::oscType] = tunk::kOscSaw;
	p[Param::startFreq] = 200;
	p[Param::amplitude] = 0.5f;
	p[Param::filterEnabled] = 1;
	p[Param::filterCutoff] = 3000;
	auto centroid = [&](float type) {
		p[Param::filterType] = type;
		return spectrum::Centroid(spectrum::PowerBins(renderhash::Rendered(p), 2048, 4096));
	};
	const double low = centroid(1), band = centroid(2), high = centroid(3);
	EXPECT_LT(low, 1000);
	EXPECT_NEAR(band, 3000, 1000);
	EXPECT_GT(high, 4000);
}

TEST(LayeredChainTest, ExtremeSettingsRenderWithoutFault)
{
	tunk::SoundParams base = Snare();
	base[Param::osc2Level] = 1;
	base[Param::filterEnabled] = 1;
	base[Param::distortionEnabled] = 1;
	base[Param::noiseFilter] = 1;
	const float odd[] = {kNaN, kInf, -kInf, -1e30f, 1e30f, 0.0f};
	for (const tunk::ParamInfo& info : tunk::kParams) {
		if (info.since < 2)
			continue;
		for (float v : {info.min, info.max}) {
			tunk::SoundParams p = base;
			p[info.id] = v;
			ASSERT_EQ(renderhash::Rendered(p).size(), 11025u) << info.symbol << " " << v;
		}
		for (float v : odd) {
			tunk::SoundParams p = base;
			p[info.id] = v;
			const std::vector<int16_t> s = renderhash::Rendered(p);
			ASSERT_EQ(s.size(), 11025u) << info.symbol << " " << v;
			EXPECT_EQ(Layered(p, 300), s) << info.symbol << " " << v;
		}
	}
}
