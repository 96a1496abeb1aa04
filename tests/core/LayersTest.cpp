// The second engine's building blocks on their own: filter modes, noise sources, the noise
// envelope with its clap bursts, and the tone's additions.
#include <gtest/gtest.h>

#include <algorithm>
#include <bit>
#include <cmath>
#include <limits>
#include <vector>

#include "core/Spectrum.h"
#include "engine/core/Dsp.h"
#include "engine/core/FilterDesign.h"
#include "engine/core/NoiseEnvelope.h"
#include "engine/core/NoiseLayer.h"
#include "engine/core/NoiseSource.h"
#include "engine/core/Tables.h"
#include "engine/core/ToneLayers.h"

namespace {

constexpr float kNaN = std::numeric_limits<float>::quiet_NaN();
constexpr float kInf = std::numeric_limits<float>::infinity();
constexpr double kPi = 3.141592653589793;

// The steady gain in dB of a filter for a sine at `hz`: the peak of the last half of a
// quarter second.
double GainDb(tunk::FilterMode mode, float q, float cutoff, double hz)
{
	tunk::FilterState f;
	tunk::DesignFilter(mode, q, cutoff, &f);
	const int n = tunk::kSampleRate / 4;
	double peak = 0;
	for (int i = 0; i < n; i++) {
		float x = float(std::sin(2 * kPi * hz * i / tunk::kSampleRate));
		float y = tunk::dsp::FilterSample(x, f.coef, f.history, tunk::kFilterSections);
		if (i >= n / 2)
			peak = std::max(peak, double(std::fabs(y)));
	}
	return 20 * std::log10(peak);
}

std::vector<float> NoiseSamples(tunk::NoiseType type, uint32_t seed, float tune, size_t n)
{
	tunk::NoiseSource source;
	source.Start(type, seed, tune);
	// In uneven pieces: the samples do not depend on them.
	std::vector<float> out(n);
	for (size_t done = 0, piece = 1; done < n; done += piece, piece = piece * 3 % 250 + 1)
		source.Block(int64_t(done), out.data() + done, int32_t(std::min(piece, n - done)));
	return out;
}

}  // namespace

TEST(FilterModesTest, LowPassModeIsTheFirstEnginesDesign)
{
	const std::pair<float, float> settings[] = {
		{1, 5000}, {4, 20}, {0.1f, 20000}, {kNaN, kNaN}, {-1, 30000}, {kInf, 0}};
	for (auto [q, cutoff] : settings) {
		tunk::FilterState a, b;
		tunk::DesignLowPass(q, cutoff, &a);
		tunk::DesignFilter(tunk::FilterMode::LowPass, q, cutoff, &b);
		for (size_t i = 0; i < std::size(a.coef); i++)
			EXPECT_EQ(std::bit_cast<uint32_t>(a.coef[i]), std::bit_cast<uint32_t>(b.coef[i]))
				<< q << " " << cutoff << " coefficient " << i;
	}
}

TEST(FilterModesTest, EachModeHasItsPassBandAndFallsTwentyFourDbPerOctave)
{
	using tunk::FilterMode;
	// High-pass: unity far above the cutoff, -3 dB at it, 24 dB less per octave below.
	EXPECT_NEAR(GainDb(FilterMode::HighPass, 0.7071f, 1000, 12000), 0, 0.5);
	EXPECT_NEAR(GainDb(FilterMode::HighPass, 1, 1000, 1000), -3, 1.0);
	const double oneBelow = GainDb(FilterMode::HighPass, 1, 2000, 500);
	const double twoBelow = GainDb(FilterMode::HighPass, 1, 2000, 250);
	EXPECT_LT(oneBelow, -40);
	EXPECT_NEAR(oneBelow - twoBelow, 24, 2);
	// Band-pass: unity at the centre for any resonance, falling on both sides; a higher
	// resonance narrows it.
	for (float q : {0.5f, 1.0f, 4.0f, 10.0f})
		EXPECT_NEAR(GainDb(FilterMode::BandPass, q, 2000, 2000), 0, 0.3) << q;
	EXPECT_LT(GainDb(FilterMode::BandPass, 1, 2000, 250), -30);
	EXPECT_LT(GainDb(FilterMode::BandPass, 1, 2000, 16000), -20);
	EXPECT_LT(GainDb(FilterMode::BandPass, 4, 2000, 2600), GainDb(FilterMode::BandPass, 1, 2000, 2600) - 3);
	// Low-pass, for comparison, the other way round.
	EXPECT_NEAR(GainDb(FilterMode::LowPass, 1, 1000, 100), 0, 0.5);
	EXPECT_LT(GainDb(FilterMode::LowPass, 1, 1000, 4000), -40);
}

TEST(FilterModesTest, CodesOutsideTheChoicesAreTheLowPassOrNoFilter)
{
	EXPECT_EQ(tunk::FilterModeOf(2), tunk::FilterMode::BandPass);
	EXPECT_EQ(tunk::FilterModeOf(3), tunk::FilterMode::HighPass);
	for (float code : {1.0f, 0.0f, 4.0f, 2.5f, kNaN, -kInf})
		EXPECT_EQ(tunk::FilterModeOf(code), tunk::FilterMode::LowPass) << code;
	EXPECT_EQ(tunk::NoiseFilterOf(3), tunk::FilterMode::HighPass);
	for (float code : {0.0f, 4.0f, 1.5f, kNaN})
		EXPECT_FALSE(tunk::NoiseFilterOf(code).has_value()) << code;
}

TEST(NoiseSourceTest, TheSeedAloneDecidesTheSamples)
{
	for (auto type : {tunk::NoiseType::White, tunk::NoiseType::Pink, tunk::NoiseType::Metal}) {
		const auto a = NoiseSamples(type, 7, 540, 4096);
		EXPECT_EQ(a, NoiseSamples(type, 7, 540, 4096));
		EXPECT_NE(a, NoiseSamples(type, 8, 540, 4096));
		EXPECT_NE(NoiseSamples(type, 0, 540, 64), NoiseSamples(type, 65535, 540, 64));
		for (float s : a)
			ASSERT_TRUE(s >= -1.0f && s <= 1.0f) << s;
	}
	EXPECT_EQ(tunk::NoiseSeedOf(kNaN), 1u);
	EXPECT_EQ(tunk::NoiseSeedOf(-3), 0u);
	EXPECT_EQ(tunk::NoiseSeedOf(1e9f), 65535u);
	EXPECT_EQ(tunk::NoiseSeedOf(41.9f), 41u);
}

TEST(NoiseSourceTest, WhiteIsFlatAndPinkFallsThreeDbPerOctave)
{
	const size_t n = 4096;
	double whiteFlatness = 0, pinkFlatness = 0, whiteTilt = 0, pinkTilt = 0, pinkRms = 0;
	const int stretches = 8;
	const auto white = NoiseSamples(tunk::NoiseType::White, 3, 540, n * stretches);
	const auto pink = NoiseSamples(tunk::NoiseType::Pink, 3, 540, n * stretches);
	for (int k = 0; k < stretches; k++) {
		const auto w = spectrum::PowerBins(white, n * k, n);
		const auto p = spectrum::PowerBins(pink, n * k, n);
		whiteFlatness += spectrum::Flatness(w) / stretches;
		pinkFlatness += spectrum::Flatness(p) / stretches;
		// Four octaves apart: 12 dB more per band for white, the same for pink.
		whiteTilt += spectrum::Db(spectrum::BandPower(w, 4000, 8000)
			/ spectrum::BandPower(w, 250, 500)) / stretches;
		pinkTilt += spectrum::Db(spectrum::BandPower(p, 4000, 8000)
			/ spectrum::BandPower(p, 250, 500)) / stretches;
	}
	for (float s : pink)
		pinkRms += double(s) * s / double(pink.size());
	EXPECT_GT(whiteFlatness, 0.5);
	EXPECT_LT(pinkFlatness, whiteFlatness);
	EXPECT_NEAR(whiteTilt, 12, 1.5);
	EXPECT_NEAR(pinkTilt, 0, 1.5);
	// About as loud as white noise (whose RMS is 0.577), without living at the rails.
	EXPECT_GT(std::sqrt(pinkRms), 0.2);
	EXPECT_LT(std::sqrt(pinkRms), 0.6);
}

TEST(NoiseSourceTest, MetalSoundsAtSixInharmonicRatiosOfItsTuning)
{
	const size_t n = 8192;
	for (float tune : {540.0f, 300.0f}) {
		const auto metal = NoiseSamples(tunk::NoiseType::Metal, 1, tune, n);
		const auto power = spectrum::PowerBins(metal, 0, n);
		const double reference = spectrum::BandPower(power, tune - 6, tune + 6);
		for (double ratio : tunk::NoiseSource::kMetalRatios) {
			const double hz = tune * ratio;
			EXPECT_NEAR(spectrum::PeakHz(power, hz * 0.97, hz * 1.03), hz, 6) << tune;
			// Six waves of one level.
			EXPECT_NEAR(spectrum::Db(spectrum::BandPower(power, hz - 6, hz + 6) / reference), 0, 3)
				<< hz;
		}
		// Square waves: odd harmonics carry the sound far up, as a hat needs.
		EXPECT_GT(spectrum::BandPower(power, 4000, 22050), 0.01 * spectrum::BandPower(power, 0, 22050));
	}
	// A tuning that pushes waves past half the sample rate leaves only those below.
	for (float s : NoiseSamples(tunk::NoiseType::Metal, 1, 1e7f, 100))
		EXPECT_EQ(s, 0.0f);
	for (float tune : {kNaN, kInf, -5.0f, 0.0f})
		EXPECT_EQ(NoiseSamples(tunk::NoiseType::Metal, 1, tune, 512),
			NoiseSamples(tunk::NoiseType::Metal, 1, 540, 512)) << tune;
}

TEST(NoiseEnvelopeTest, FallsAlongTheAmplitudeCurveOverItsDecay)
{
	const tunk::NoiseEnvelope env(100, -4, 1, 10);  // 4410 samples
	const tunk::dsp::EnvelopeCurve curve(-4);
	EXPECT_EQ(env.At(0), 1.0f);
	// The same curve, stepped from sample to sample in double precision.
	for (int64_t i : {1, 700, 2205, 3000, 4409})
		EXPECT_NEAR(env.At(i), curve.At(float(i) / 4410.0f), 2e-6) << i;
	EXPECT_EQ(env.At(-1), 0.0f);
	EXPECT_EQ(env.End(), 4410);
	EXPECT_GT(env.At(4409), 0.0f);
	EXPECT_EQ(env.At(4410), 0.0f);
	EXPECT_EQ(env.At(1000000), 0.0f);
	// The block form gives the same bits at every alignment.
	float block[256];
	for (int64_t first : {int64_t(-10), int64_t(0), int64_t(130), int64_t(4300), int64_t(9000)}) {
		env.AtBlock(first, block, 200);
		for (int k = 0; k < 200; k++)
			ASSERT_EQ(std::bit_cast<uint32_t>(block[k]), std::bit_cast<uint32_t>(env.At(first + k)))
				<< first + k;
	}
}

TEST(NoiseEnvelopeTest, ClapBurstsRestartAndOnlyTheLastDecaysFully)
{
	const tunk::NoiseEnvelope clap(80, -6, 4, 12);
	const double spacing = 12 * 44.1;
	EXPECT_EQ(clap.Claps(), 4);
	EXPECT_EQ(clap.End(), int64_t(std::ceil(3 * 12 * 44.1 + 80 * 44.1)));
	// A peak of 1 at each restart, after a fall that the next burst cuts short.
	int peaks = 0;
	for (int64_t i = 1; i < clap.End(); i++) {
		if (clap.At(i) > clap.At(i - 1) + 0.01f) {
			peaks++;
			EXPECT_NEAR(double(i), spacing * peaks, 1.0);
			EXPECT_GT(clap.At(i), 0.99f);  // a burst starts between two samples
		}
	}
	EXPECT_EQ(peaks, 3);
	EXPECT_LT(clap.At(int64_t(3 * spacing) - 1), 0.5f);
	EXPECT_GT(clap.At(int64_t(3 * spacing) + 2000), 0.0f);

	// Settings out of reach are brought within it.
	EXPECT_EQ(tunk::NoiseEnvelope(100, 1, kNaN, 10).Claps(), 1);
	EXPECT_EQ(tunk::NoiseEnvelope(100, 1, 100, 10).Claps(), 8);
	EXPECT_EQ(tunk::NoiseEnvelope(100, 1, 0, 10).Claps(), 1);
	const tunk::NoiseEnvelope tiny(kNaN, kNaN, 8, 1e-30f);
	EXPECT_EQ(tiny.End(), 45);
	const tunk::NoiseEnvelope endless(kInf, 1, 2, kNaN);
	EXPECT_EQ(endless.At(int64_t(1) << 40), 1.0f);
	for (float curve : {kNaN, kInf, -kInf, 60.0f, -60.0f, 0.0f}) {
		const tunk::NoiseEnvelope env(50, curve, 3, 5);
		for (int64_t i = 0; i < env.End(); i += 7) {
			const float g = env.At(i);
			ASSERT_TRUE(g >= 0 && g <= 1) << curve << " " << i << " " << g;
		}
	}
}

TEST(ToneLayersTest, NeutralSettingsGiveTheFirstEnginesNumbers)
{
	// End frequency 0: the first engine's envelope times start frequency, bit for bit.
	tunk::dsp::EnvelopeCurve curve(3);
	for (float start : {1000.0f, -3100.0f, 220.0f, 0.0f, 1e30f, kInf, kNaN}) {
		const tunk::PitchSpan span(start, 0);
		for (float x : {0.0f, 0.1f, 0.37f, 0.999f, 1.0f}) {
			const float env = curve.At(x);
			float hz = env * start;
			float first = float(double(hz) * 2048.0 / tunk::kSampleRate);
			float second = float(double(span.Hz(env)) * 2048.0 / tunk::kSampleRate);
			EXPECT_TRUE(std::bit_cast<uint32_t>(first) == std::bit_cast<uint32_t>(second)
				|| (first == 0 && second == 0) || (std::isnan(first) && std::isnan(second)))
				<< start << " " << x;
		}
	}
	EXPECT_EQ(tunk::PitchSpan(200, 50).Hz(1), 200.0f);
	EXPECT_EQ(tunk::PitchSpan(200, 50).Hz(0), 50.0f);

	// No attack or hold: the first engine's decay positions.
	const float duration = 123.4f;
	const tunk::AmpShape shape(duration, 0, 0);
	EXPECT_EQ(shape.AttackSamples(), 0.0);
	for (int64_t i : {0, 1, 17, 2000, 5441}) {
		const float x = float(double(i) / (double(duration) / 1000.0) / tunk::kSampleRate);
		EXPECT_EQ(std::bit_cast<uint32_t>(shape.DecayPosition(i)), std::bit_cast<uint32_t>(x));
		EXPECT_EQ(shape.Rise(i), 1.0f);
	}
}

TEST(ToneLayersTest, AttackRisesHoldWaitsAndTheDecayFillsTheRest)
{
	const tunk::AmpShape shape(300, 10, 90);  // rise 441 samples, decay from 4410 over 200 ms
	EXPECT_EQ(shape.Rise(0), 0.0f);
	EXPECT_FLOAT_EQ(shape.Rise(220), 220.0f / 441.0f);
	EXPECT_EQ(shape.Rise(441), 1.0f);
	EXPECT_EQ(shape.DecayPosition(441), 0.0f);
	EXPECT_EQ(shape.DecayPosition(4410), 0.0f);
	EXPECT_FLOAT_EQ(shape.DecayPosition(4410 + 4410), 0.5f);
	EXPECT_FLOAT_EQ(shape.DecayPosition(4410 + 8820), 1.0f);
	// Attack and hold beyond the duration: the decay never starts.
	const tunk::AmpShape held(50, 100, 1000);
	EXPECT_EQ(held.DecayPosition(2000), 0.0f);
	EXPECT_LT(held.Rise(2000), 1.0f);
	const tunk::AmpShape odd(50, kNaN, -4);
	EXPECT_EQ(odd.AttackSamples(), 0.0);
	EXPECT_EQ(odd.DecayPosition(0), 0.0f);
}

TEST(ToneLayersTest, SecondToneAddsAPartialAtItsRatio)
{
	float table[tunk::kTableEntries];
	for (int i = 0; i < tunk::kTableEntries; i++)
		table[i] = float(std::sin(2 * kPi * i / tunk::kTableLength));
	tunk::SecondTone tone(0.5f, 2.5f);
	ASSERT_TRUE(tone.On());
	const float increment = float(400.0 * 2048.0 / tunk::kSampleRate);
	std::vector<float> out(8192);
	std::vector<float> phases(out.size());
	float phase = 0;
	for (float& s : out) {
		s = tunk::dsp::ReadTable(table, phase);
		phase = tunk::dsp::WrapPhase(phase + increment);
	}
	for (float& p : phases)
		p = tone.Advance(increment);
	tunk::kernels::AddTone(table, phases.data(), tone.Level(), out.data(), int32_t(out.size()));
	const auto power = spectrum::PowerBins(out, 0, out.size());
	EXPECT_NEAR(spectrum::PeakHz(power, 300, 500), 400, 6);
	EXPECT_NEAR(spectrum::PeakHz(power, 900, 1100), 1000, 6);
	EXPECT_NEAR(spectrum::Db(spectrum::BandPower(power, 980, 1020)
		/ spectrum::BandPower(power, 380, 420)), -6, 0.5);
	EXPECT_FALSE(tunk::SecondTone(0, 2).On());
	EXPECT_FALSE(tunk::SecondTone(1, kNaN).On());
	EXPECT_FALSE(tunk::SecondTone(kInf, 2).On());
}

TEST(NoiseLayerTest, StaysFiniteAndBoundedAtEveryExtreme)
{
	for (auto type : {tunk::NoiseType::White, tunk::NoiseType::Pink, tunk::NoiseType::Metal}) {
		for (float filter : {0.0f, 1.0f, 2.0f, 3.0f}) {
			for (auto [cutoff, q] : {std::pair{20.0f, 10.0f}, {20000.0f, 10.0f}, {20.0f, 0.5f},
					 {20000.0f, 0.5f}, {kNaN, kNaN}, {kInf, 0.0f}}) {
				tunk::NoiseSettings s;
				s.level = 1;
				s.type = type;
				s.filter = tunk::NoiseFilterOf(filter);
				s.cutoffHz = cutoff;
				s.q = q;
				s.decayMs = 10000;
				s.curve = -50;
				tunk::NoiseLayer layer(s);
				float mix[256];
				float peak = 0;
				for (int64_t first = 0; first < 44100; first += 256) {
					std::fill(std::begin(mix), std::end(mix), 0.0f);
					layer.MixBlock(first, mix, 256);
					for (float v : mix) {
						ASSERT_TRUE(std::isfinite(v));
						peak = std::max(peak, std::fabs(v));
					}
				}
				// Even the sharpest resonance keeps within a few hundred times full scale,
				// which the 16-bit conversion saturates.
				EXPECT_LT(peak, 500.0f) << int(type) << " " << filter << " " << cutoff;
				EXPECT_GT(peak, 0.0f);
			}
		}
	}
}
