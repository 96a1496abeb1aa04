// A note's velocity and its hit's number turn a sound into what that hit plays: the same
// call gives the same hit, full velocity without variation is the sound itself, and the
// velocity rows make a soft note darker, shorter and quieter as far as they say.
#include "engine/core/Hit.h"

#include <bit>
#include <cmath>
#include <gtest/gtest.h>
#include <limits>
#include <set>

#include "core/RenderHash.h"
#include "core/Spectrum.h"

namespace {

using tunk::Param;

// A snare with its filter and its noise on, so that every row has something to move.
tunk::SoundParams Snare()
{
	tunk::SoundParams p;
	p[Param::startFreq] = 240;
	p[Param::duration] = 180;
	p[Param::freqEnvEnabled] = 1;
	p[Param::endFreq] = 180;
	p[Param::ampEnvEnabled] = 1;
	p[Param::filterEnabled] = 1;
	p[Param::filterCutoff] = 6000;
	p[Param::noiseLevel] = 0.5f;
	p[Param::noiseFilter] = 1;
	p[Param::noiseCutoff] = 8000;
	p[Param::noiseDecay] = 150;
	return p;
}

tunk::SoundParams Shaped()
{
	tunk::SoundParams p = Snare();
	p[Param::velCurve] = 2;
	p[Param::velPitch] = -3;
	p[Param::velDecay] = -50;
	p[Param::velBright] = -2;
	p[Param::velNoise] = -40;
	p[Param::varPitch] = 30;
	p[Param::varDecay] = 10;
	p[Param::varLevel] = 2;
	p[Param::varNoise] = 1;
	return p;
}

} // namespace

TEST(HitTest, AFullNoteWithoutVariationIsTheSoundAndDefaultRowsOnlyScaleTheLevel)
{
	const tunk::SoundParams shaped = Shaped();
	const tunk::Hit full = tunk::HitOf(shaped, 127, 0);
	EXPECT_TRUE(tunk::SameBits(full.params, shaped));
	EXPECT_EQ(full.level, 1.0f);
	EXPECT_EQ(full.gain, 1.0f);

	// The rows at their defaults: every velocity and hit renders the sound, at velocity / 127
	// in the very float the players used before the rows existed.
	const tunk::SoundParams plain = Snare();
	for (int32_t velocity = 1; velocity <= 127; velocity++) {
		const tunk::Hit hit = tunk::HitOf(plain, velocity, uint32_t(velocity % 5));
		ASSERT_TRUE(tunk::SameBits(hit.params, plain)) << velocity;
		ASSERT_EQ(
		    std::bit_cast<uint32_t>(hit.level), std::bit_cast<uint32_t>(float(velocity) / 127.0f))
		    << velocity;
		ASSERT_EQ(hit.gain, 1.0f);
	}
	// Velocities beyond MIDI's are brought into it.
	EXPECT_EQ(tunk::HitOf(plain, 0).level, 1.0f / 127.0f);
	EXPECT_EQ(tunk::HitOf(plain, 300).level, 1.0f);
	EXPECT_EQ(tunk::VelocityGain(0.5f, 0), 1.0f);
	EXPECT_EQ(tunk::VelocityGain(0.5f, 1), 0.5f);
}

TEST(HitTest, ASofterNoteIsDarkerShorterAndQuieterAsFarAsTheRowsSay)
{
	tunk::SoundParams p = Shaped();
	p[Param::varPitch] = p[Param::varDecay] = p[Param::varLevel] = p[Param::varNoise] = 0;
	const tunk::Hit softest = tunk::HitOf(p, 1);
	EXPECT_FLOAT_EQ(softest.level, 1.0f / (127.0f * 127.0f));
	EXPECT_FLOAT_EQ(softest.params[Param::startFreq], 240 * std::exp2(-3.0f / 12));
	EXPECT_EQ(softest.params[Param::endFreq], 180); // the fall is shallower
	EXPECT_FLOAT_EQ(softest.params[Param::duration], 90);
	EXPECT_FLOAT_EQ(softest.params[Param::noiseDecay], 75);
	EXPECT_FLOAT_EQ(softest.params[Param::filterCutoff], 1500);
	EXPECT_FLOAT_EQ(softest.params[Param::noiseCutoff], 2000);
	EXPECT_FLOAT_EQ(softest.params[Param::noiseLevel], 0.3f);

	// Each step down in velocity moves every value the same way, never past the softest.
	tunk::Hit louder = tunk::HitOf(p, 127);
	for (int32_t velocity = 126; velocity >= 1; velocity--) {
		const tunk::Hit hit = tunk::HitOf(p, velocity);
		for (Param moved : {Param::startFreq, Param::duration, Param::filterCutoff,
		         Param::noiseCutoff, Param::noiseLevel}) {
			ASSERT_LT(hit.params[moved], louder.params[moved]) << velocity;
			ASSERT_GE(hit.params[moved], softest.params[moved]) << velocity;
		}
		ASSERT_LT(hit.level, louder.level);
		louder = hit;
	}

	// Heard: at velocity 40 the snare's centroid falls, and it ends sooner.
	const std::vector<int16_t> loud = renderhash::Rendered(p);
	const std::vector<int16_t> soft = renderhash::Rendered(tunk::HitOf(p, 40).params);
	EXPECT_LT(soft.size(), loud.size());
	EXPECT_LT(spectrum::Centroid(spectrum::PowerBins(soft, 0, 2048)),
	    0.8 * spectrum::Centroid(spectrum::PowerBins(loud, 0, 2048)));
}

TEST(HitTest, EachHitVariesWithinItsRowsTheSameWayEveryTime)
{
	const tunk::SoundParams p = Shaped();
	std::set<uint32_t> pitches, seeds;
	for (uint32_t n = 1; n <= 200; n++) {
		const tunk::Hit hit = tunk::HitOf(p, 127, n);
		const tunk::Hit again = tunk::HitOf(p, 127, n);
		ASSERT_TRUE(tunk::SameBits(hit.params, again.params)) << n;
		ASSERT_EQ(hit.gain, again.gain);
		const double cents = 1200 * std::log2(double(hit.params[Param::startFreq]) / 240);
		ASSERT_LE(std::abs(cents), 30.001) << n;
		EXPECT_NEAR(hit.params[Param::endFreq] / hit.params[Param::startFreq], 0.75f, 1e-5);
		ASSERT_LE(std::abs(hit.params[Param::duration] / 180 - 1), 0.10001) << n;
		ASSERT_LE(std::abs(20 * std::log10(hit.gain)), 2.0001) << n;
		pitches.insert(std::bit_cast<uint32_t>(hit.params[Param::startFreq]));
		seeds.insert(uint32_t(hit.params[Param::noiseSeed]));
	}
	EXPECT_GT(pitches.size(), 190u);
	EXPECT_GT(seeds.size(), 190u);
	// Another seed, or another sound, draws other hits.
	EXPECT_NE(tunk::HitOf(p, 127, 5, 1).params[Param::startFreq],
	    tunk::HitOf(p, 127, 5).params[Param::startFreq]);
	tunk::SoundParams other = p;
	other[Param::noiseTune] = 541;
	EXPECT_NE(tunk::HitOf(other, 127, 5).params[Param::startFreq],
	    tunk::HitOf(p, 127, 5).params[Param::startFreq]);
}

TEST(HitTest, OddRowValuesPlayWithoutFault)
{
	const float odd[] = {
	    std::numeric_limits<float>::quiet_NaN(), INFINITY, -INFINITY, -1e30f, 1e30f, 0.0f};
	for (const tunk::ParamInfo& row : tunk::kParams) {
		if (!tunk::ShapesHits(row))
			continue;
		for (float value : odd) {
			tunk::SoundParams p = Shaped();
			p[row.id] = value;
			for (int32_t velocity : {1, 64, 127}) {
				const tunk::Hit hit = tunk::HitOf(p, velocity, 7);
				EXPECT_TRUE(std::isfinite(hit.level) && hit.level >= 0 && hit.level <= 1)
				    << row.symbol << " " << value;
				EXPECT_TRUE(std::isfinite(hit.gain)) << row.symbol << " " << value;
				std::vector<int16_t> out;
				EXPECT_EQ(tunk::Render(hit.params, &out), tunk::RenderStatus::Ok)
				    << row.symbol << " " << value;
			}
		}
	}
}
