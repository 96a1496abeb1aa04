// Random and mutated sounds over many seeds: always heard, never clipped, never a number
// that is no number, of their category's shape, the same for the same seed.
#include "preset/Randomize.h"

#include <cmath>
#include <cstring>
#include <gtest/gtest.h>

#include "library/SoundLevels.h"
#include "preset/FactoryLibrary.h"

namespace {

constexpr uint64_t kSeeds = 150;

bool SameRecord(const PresetParams& a, const PresetParams& b)
{
	return EncodePresetRecord(a) == EncodePresetRecord(b);
}

bool AllFinite(const PresetParams& p)
{
	for (float value : {p.startFreq, p.duration, p.amplitude, p.freqEnvelope, p.ampEnvelope,
	         p.distortion, p.filterCutoff, p.filterQ})
		if (!std::isfinite(value))
			return false;
	return true;
}

// Within the ranges the controls can show, with curves where the envelope has a value.
void ExpectPlayable(const PresetParams& p)
{
	EXPECT_TRUE(AllFinite(p));
	EXPECT_GE(p.oscType, 1);
	EXPECT_LE(p.oscType, 4);
	auto within = [](float value, const tunk::ParamInfo& range) {
		return value >= range.min && value <= range.max;
	};
	EXPECT_GT(p.duration, 0);
	EXPECT_TRUE(within(p.duration, tunk::Info(tunk::Param::duration))) << p.duration;
	EXPECT_GT(p.startFreq, 0);
	EXPECT_TRUE(within(p.startFreq, tunk::Info(tunk::Param::startFreq))) << p.startFreq;
	EXPECT_GT(p.amplitude, 0);
	EXPECT_TRUE(within(p.amplitude, tunk::Info(tunk::Param::amplitude))) << p.amplitude;
	EXPECT_GE(std::fabs(p.freqEnvelope), 0.1f);
	EXPECT_GE(std::fabs(p.ampEnvelope), 0.1f);
	EXPECT_TRUE(within(p.freqEnvelope, tunk::Info(tunk::Param::freqEnvelope))) << p.freqEnvelope;
	EXPECT_TRUE(within(p.ampEnvelope, tunk::Info(tunk::Param::ampEnvelope))) << p.ampEnvelope;
	EXPECT_TRUE(within(p.distortion, tunk::Info(tunk::Param::distortion))) << p.distortion;
	EXPECT_TRUE(within(p.filterCutoff, tunk::Info(tunk::Param::filterCutoff))) << p.filterCutoff;
	EXPECT_TRUE(within(p.filterQ, tunk::Info(tunk::Param::filterQ))) << p.filterQ;
	for (uint8 flag : {p.ampEnvEnabled, p.freqEnvEnabled, p.distortionEnabled, p.filterEnabled})
		EXPECT_LE(flag, 1);
}

} // namespace

TEST(Randomize, CategoriesAreTheFactoryFoldersAndAnything)
{
	std::vector<FactoryCategory> library =
	    ReadFactoryLibrary(std::filesystem::path(TUNK_SOURCE_DIR) / "data/presets");
	ASSERT_FALSE(library.empty());
	for (const FactoryCategory& folder : library)
		EXPECT_TRUE(FindSoundCategory(folder.name).has_value()) << folder.name;
	EXPECT_EQ(SoundCategories().size(), library.size() + 1);
	EXPECT_EQ(SoundCategories().back().category, SoundCategory::Anything);

	EXPECT_EQ(FindSoundCategory("kick"), SoundCategory::Kick);
	EXPECT_EQ(FindSoundCategory("KICKS"), SoundCategory::Kick);
	EXPECT_EQ(FindSoundCategory("zaps and lasers"), SoundCategory::Zap);
	EXPECT_EQ(FindSoundCategory("Anything"), SoundCategory::Anything);
	EXPECT_FALSE(FindSoundCategory("snare").has_value());
	EXPECT_FALSE(FindSoundCategory("").has_value());
	EXPECT_FALSE(FindSoundCategory("kic").has_value());
	for (const SoundCategoryName& c : SoundCategories()) {
		EXPECT_EQ(FindSoundCategory(c.key), c.category);
		EXPECT_STREQ(NameOf(c.category).key, c.key);
	}
}

TEST(Randomize, EverySeedGivesAHeardUnclippedSoundOfItsCategory)
{
	for (const SoundCategoryName& c : SoundCategories()) {
		for (uint64_t seed = 0; seed < kSeeds; ++seed) {
			SCOPED_TRACE(std::string(c.key) + " seed " + std::to_string(seed));
			PresetParams p = Randomize(c.category, seed);
			ExpectPlayable(p);
			std::vector<int16_t> samples = RenderPreset(p);
			SoundLevels levels = MeasureLevels(samples);
			ASSERT_GT(levels.length, 0);
			EXPECT_EQ(levels.clipped, 0);
			EXPECT_GE(levels.PeakDbfs(), -12.5);
			EXPECT_LE(levels.PeakDbfs(), -0.9);
			double ms = levels.length * 1000.0 / tunk::kSampleRate;
			PitchCourse pitch = MeasurePitch(samples);
			switch (c.category) {
				case SoundCategory::Kick:
					EXPECT_GT(pitch.early, 2 * pitch.late);
					EXPECT_LT(pitch.body, 250);
					break;
				case SoundCategory::Zap:
					EXPECT_GT(pitch.early, 3 * pitch.late);
					EXPECT_GT(pitch.early, 500);
					break;
				case SoundCategory::Blip:
				case SoundCategory::Click: EXPECT_LE(ms, 120); break;
				case SoundCategory::Bass:
					EXPECT_GE(ms, 400);
					EXPECT_LT(pitch.early, 400);
					break;
				case SoundCategory::Tom:
					EXPECT_GT(pitch.body, 60);
					EXPECT_LE(ms, 800);
					break;
				case SoundCategory::Anything: break;
			}
		}
	}
}

TEST(Randomize, TheSameSeedGivesTheSameSoundAndOthersDiffer)
{
	for (const SoundCategoryName& c : SoundCategories()) {
		SCOPED_TRACE(c.key);
		EXPECT_TRUE(SameRecord(Randomize(c.category, 42), Randomize(c.category, 42)));
		int distinct = 0;
		PresetParams previous = Randomize(c.category, 0);
		for (uint64_t seed = 1; seed < 20; ++seed) {
			PresetParams p = Randomize(c.category, seed);
			distinct += SameRecord(p, previous) ? 0 : 1;
			previous = p;
		}
		EXPECT_EQ(distinct, 19);
	}
	EXPECT_FALSE(SameRecord(Randomize(SoundCategory::Kick, 7), Randomize(SoundCategory::Zap, 7)));
}

TEST(Mutate, MovesEveryParameterALittleAndKeepsTheRest)
{
	int moved[8] = {};
	for (uint64_t seed = 0; seed < kSeeds; ++seed) {
		SCOPED_TRACE("seed " + std::to_string(seed));
		PresetParams before = Randomize(SoundCategory::Anything, seed + 1000);
		before.reserved = 0xDEADBEEF;
		PresetParams after = Mutate(before, seed);
		EXPECT_TRUE(SameRecord(after, Mutate(before, seed)));
		ExpectPlayable(after);
		EXPECT_EQ(after.reserved, before.reserved);
		EXPECT_EQ(after.oscType, before.oscType);
		EXPECT_EQ(after.ampEnvEnabled, before.ampEnvEnabled);
		EXPECT_EQ(after.freqEnvEnabled, before.freqEnvEnabled);
		EXPECT_EQ(after.distortionEnabled, before.distortionEnabled);
		EXPECT_EQ(after.filterEnabled, before.filterEnabled);

		auto ratio = [](float a, float b) { return double(a) / double(b); };
		EXPECT_NEAR(ratio(after.startFreq, before.startFreq), 1.0, 0.12);
		EXPECT_NEAR(ratio(after.duration, before.duration), 1.0, 0.12);
		EXPECT_NEAR(ratio(after.filterCutoff, before.filterCutoff), 1.0, 0.18);
		EXPECT_NEAR(after.freqEnvelope, before.freqEnvelope, 0.51);
		EXPECT_NEAR(after.ampEnvelope, before.ampEnvelope, 0.51);
		EXPECT_EQ(after.freqEnvelope < 0, before.freqEnvelope < 0);
		EXPECT_EQ(after.ampEnvelope < 0, before.ampEnvelope < 0);
		EXPECT_NEAR(after.distortion, before.distortion, 1.0);
		EXPECT_NEAR(after.filterQ, before.filterQ, 0.16);
		EXPECT_LE(after.amplitude, before.amplitude * 1.06f);

		SoundLevels levels = MeasureLevels(RenderPreset(after));
		EXPECT_EQ(levels.clipped, 0);
		EXPECT_GT(levels.peak, 0);
		const float pairs[8][2] = {{before.startFreq, after.startFreq},
		    {before.duration, after.duration}, {before.amplitude, after.amplitude},
		    {before.freqEnvelope, after.freqEnvelope}, {before.ampEnvelope, after.ampEnvelope},
		    {before.distortion, after.distortion}, {before.filterCutoff, after.filterCutoff},
		    {before.filterQ, after.filterQ}};
		for (int i = 0; i < 8; ++i)
			moved[i] += pairs[i][0] != pairs[i][1] ? 1 : 0;
	}
	// Each parameter moves for most seeds.
	for (int i = 0; i < 8; ++i)
		EXPECT_GT(moved[i], int(kSeeds / 2)) << "parameter " << i;
}

TEST(Mutate, LowersTheLevelOfASoundThatWouldClip)
{
	// A full-scale square: any louder and it clips.
	PresetParams square = DefaultPresetParams();
	square.oscType = 2;
	square.amplitude = 1;
	ASSERT_GT(MeasureLevels(RenderPreset(square)).clipped, 0);
	// A resonant filter on a saw overshoots far beyond full scale.
	PresetParams resonant = DefaultPresetParams();
	resonant.oscType = 3;
	resonant.filterEnabled = 1;
	resonant.filterQ = 4;
	resonant.filterCutoff = 3000;
	resonant.startFreq = 200;
	ASSERT_GT(MeasureLevels(RenderPreset(resonant)).clipped, 0);
	for (uint64_t seed = 0; seed < 20; ++seed)
		for (const PresetParams& p : {square, resonant}) {
			SoundLevels levels = MeasureLevels(RenderPreset(Mutate(p, seed)));
			EXPECT_EQ(levels.clipped, 0) << "seed " << seed;
			EXPECT_GT(levels.PeakDbfs(), -3) << "seed " << seed;
		}
}
