// Random and mutated sounds over many seeds: always heard, never clipped, never a number
// that is no number, of their category's shape, the same for the same seed.
#include "preset/Randomize.h"

#include <cmath>
#include <cstring>
#include <set>
#include <gtest/gtest.h>

#include "library/RealDrums.h"
#include "library/SoundLevels.h"
#include "preset/FactoryLibrary.h"

namespace {

constexpr uint64_t kSeeds = 200;

bool SameRecord(const PresetParams& a, const PresetParams& b)
{
	return EncodePresetRecord(a) == EncodePresetRecord(b);
}

// Within the ranges the controls can show, with curves where the envelope has a value, a
// pitch, a length and a level.
void ExpectPlayable(const tunk::SoundParams& p)
{
	for (tunk::Param param : tunk::AllParams()) {
		const tunk::ParamInfo& row = tunk::Info(param);
		EXPECT_TRUE(std::isfinite(p[param])) << row.symbol;
		EXPECT_GE(p[param], row.min) << row.symbol;
		EXPECT_LE(p[param], row.max) << row.symbol;
	}
	EXPECT_GT(p[tunk::Param::duration], 0);
	EXPECT_GT(p[tunk::Param::startFreq], 0);
	EXPECT_GT(std::max(p[tunk::Param::amplitude], p[tunk::Param::noiseLevel]), 0);
	EXPECT_GE(std::fabs(p[tunk::Param::freqEnvelope]), 0.1f);
	EXPECT_GE(std::fabs(p[tunk::Param::ampEnvelope]), 0.1f);
}

void ExpectPlayable(const PresetParams& p)
{
	ExpectPlayable(ToSoundParams(p));
	EXPECT_GE(p.oscType, 1);
	for (uint8 flag : {p.ampEnvEnabled, p.freqEnvEnabled, p.distortionEnabled, p.filterEnabled})
		EXPECT_LE(flag, 1);
}

// What the random drums must measure up to: real recordings of their kind (a hat is closed
// or open).
std::vector<std::string> DrumsOf(SoundCategory category)
{
	switch (category) {
		case SoundCategory::Snare: return {"snare"};
		case SoundCategory::Clap: return {"clap"};
		case SoundCategory::Hat: return {"closedhat", "openhat"};
		case SoundCategory::Cymbal: return {"cymbal"};
		case SoundCategory::Rim: return {"rim"};
		case SoundCategory::Metal: return {"cowbell"};
		case SoundCategory::Kick: return {"kick"};
		case SoundCategory::Tom: return {"tom"};
		default: return {};
	}
}

} // namespace

TEST(Randomize, CategoriesAreTheFactoryFoldersAndAnything)
{
	std::vector<FactoryCategory> library =
	    ReadFactoryLibrary(std::filesystem::path(TUNK_SOURCE_DIR) / "data/presets");
	ASSERT_FALSE(library.empty());
	// Each folder is a category, but for the hats' two (one category draws both) and the
	// shakers; each category but Anything and the hats is a folder.
	std::set<std::string> folders;
	for (const FactoryCategory& folder : library) {
		folders.insert(folder.name);
		if (folder.name != "Closed Hi-Hats" && folder.name != "Open Hi-Hats" &&
		    folder.name != "Shakers") {
			EXPECT_TRUE(FindSoundCategory(folder.name).has_value()) << folder.name;
		}
	}
	for (const SoundCategoryName& c : SoundCategories())
		if (c.category != SoundCategory::Anything && c.category != SoundCategory::Hat) {
			EXPECT_TRUE(folders.count(c.name)) << c.name;
		}
	// Three folders without a category of their own; the hats and Anything besides.
	EXPECT_EQ(SoundCategories().size(), library.size() - 3 + 2);
	EXPECT_EQ(SoundCategories().back().category, SoundCategory::Anything);
	for (const char* key : {"snare", "clap", "hat", "cymbal", "rim", "metal"})
		EXPECT_TRUE(FindSoundCategory(key).has_value()) << key;
	EXPECT_EQ(FindSoundCategory("Hi-Hats"), SoundCategory::Hat);

	EXPECT_EQ(FindSoundCategory("kick"), SoundCategory::Kick);
	EXPECT_EQ(FindSoundCategory("KICKS"), SoundCategory::Kick);
	EXPECT_EQ(FindSoundCategory("zaps and lasers"), SoundCategory::Zap);
	EXPECT_EQ(FindSoundCategory("Anything"), SoundCategory::Anything);
	EXPECT_FALSE(FindSoundCategory("snar").has_value());
	EXPECT_FALSE(FindSoundCategory("").has_value());
	EXPECT_FALSE(FindSoundCategory("kic").has_value());
	for (const SoundCategoryName& c : SoundCategories()) {
		EXPECT_EQ(FindSoundCategory(c.key), c.category);
		EXPECT_STREQ(NameOf(c.category).key, c.key);
	}
}

TEST(Randomize, EverySeedGivesAHeardUnclippedSoundOfItsCategory)
{
	// The values Anything drew for each row: every row of the table is drawn there.
	std::vector<std::set<float>> anything(tunk::kParamCount);
	for (const SoundCategoryName& c : SoundCategories()) {
		const std::vector<std::string> drums = DrumsOf(c.category);
		uint64_t real = 0;
		std::string faults;
		for (uint64_t seed = 0; seed < kSeeds; ++seed) {
			SCOPED_TRACE(std::string(c.key) + " seed " + std::to_string(seed));
			tunk::SoundParams p = Randomize(c.category, seed);
			ExpectPlayable(p);
			std::vector<int16_t> samples = RenderPreset(p);
			SoundLevels levels = MeasureLevels(samples);
			ASSERT_GT(levels.length, 0);
			EXPECT_EQ(levels.clipped, 0);
			EXPECT_GE(levels.PeakDbfs(), -12.5);
			EXPECT_LE(levels.PeakDbfs(), -0.9);
			double ms = levels.length * 1000.0 / tunk::kSampleRate;
			PitchCourse pitch = MeasurePitch(samples);
			if (!drums.empty()) {
				std::string fault;
				for (const std::string& drum : drums) {
					fault = realdrums::Fault(drum, realdrums::Measure(samples));
					if (fault.empty())
						break;
				}
				if (fault.empty())
					real++;
				else
					faults += "seed " + std::to_string(seed) + ": " + fault + "\n";
			}
			switch (c.category) {
				case SoundCategory::Kick:
					// It falls, to an end pitch of 32 Hz or more.
					EXPECT_GE(pitch.early, pitch.late);
					EXPECT_LT(pitch.body, 250);
					EXPECT_GE(p[tunk::Param::endFreq], 32);
					EXPECT_GT(p[tunk::Param::startFreq], 2 * p[tunk::Param::endFreq]);
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
				case SoundCategory::Snare:
				case SoundCategory::Clap:
				case SoundCategory::Hat:
				case SoundCategory::Cymbal:
					EXPECT_GT(p[tunk::Param::noiseLevel], 0);
					break;
				case SoundCategory::Metal:
					// More than one tone.
					EXPECT_GT(p[tunk::Param::osc2Level], 0);
					break;
				case SoundCategory::Rim: EXPECT_LE(ms, 300); break;
				case SoundCategory::Anything:
					for (tunk::Param param : tunk::AllParams())
						anything[size_t(param)].insert(p[param]);
					break;
			}
		}
		// A random drum is one of its kind: nine seeds in ten measure as real recordings do.
		if (!drums.empty()) {
			EXPECT_GE(real, kSeeds * 9 / 10) << c.key << "\n" << faults;
		}
	}
	for (tunk::Param param : tunk::AllParams())
		if (param != tunk::Param::ampEnvEnabled)
			EXPECT_GT(anything[size_t(param)].size(), 1u) << tunk::Info(param).symbol << " is never drawn";
}

TEST(Randomize, TheSameSeedGivesTheSameSoundAndOthersDiffer)
{
	for (const SoundCategoryName& c : SoundCategories()) {
		SCOPED_TRACE(c.key);
		EXPECT_TRUE(tunk::SameBits(Randomize(c.category, 42), Randomize(c.category, 42)));
		int distinct = 0;
		tunk::SoundParams previous = Randomize(c.category, 0);
		for (uint64_t seed = 1; seed < 20; ++seed) {
			tunk::SoundParams p = Randomize(c.category, seed);
			distinct += tunk::SameBits(p, previous) ? 0 : 1;
			previous = p;
		}
		EXPECT_EQ(distinct, 19);
	}
	EXPECT_FALSE(tunk::SameBits(Randomize(SoundCategory::Kick, 7), Randomize(SoundCategory::Zap, 7)));
}

TEST(Mutate, MovesEveryParameterALittleAndKeepsTheRest)
{
	int moved[8] = {};
	for (uint64_t seed = 0; seed < kSeeds; ++seed) {
		SCOPED_TRACE("seed " + std::to_string(seed));
		PresetParams before = ToPresetParams(Randomize(SoundCategory::Anything, seed + 1000));
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
		// A twentieth up at most, in the hundredths the amplitude is shown in.
		EXPECT_LE(after.amplitude, before.amplitude * 1.06f + 0.005f);

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

TEST(Mutate, AWholeSoundKeepsItsNoiseAndSecondToneAndNeverClips)
{
	for (uint64_t seed = 0; seed < 40; ++seed) {
		SCOPED_TRACE("seed " + std::to_string(seed));
		tunk::SoundParams before = Randomize(seed % 2 ? SoundCategory::Snare : SoundCategory::Rim, seed);
		// Pushed to the top, so that any louder draw clips.
		if (seed % 4 == 0) {
			before[tunk::Param::amplitude] = 1;
			before[tunk::Param::noiseLevel] = 1;
		}
		tunk::SoundParams after = Mutate(before, seed);
		EXPECT_TRUE(tunk::SameBits(after, Mutate(before, seed)));
		ExpectPlayable(after);
		// The record's values move as a record's do; the added ones stay, but the noise's
		// level, which comes down with the tone's.
		PresetParams moved = Mutate(ToPresetParams(before), seed);
		EXPECT_EQ(after[tunk::Param::startFreq], moved.startFreq);
		EXPECT_EQ(after[tunk::Param::duration], moved.duration);
		for (tunk::Param param : tunk::AllParams())
			if (tunk::Info(param).since > 1 && param != tunk::Param::noiseLevel) {
				EXPECT_EQ(after[param], before[param]) << tunk::Info(param).symbol;
			}
		EXPECT_LE(after[tunk::Param::noiseLevel], before[tunk::Param::noiseLevel]);
		SoundLevels levels = MeasureLevels(RenderPreset(after));
		EXPECT_EQ(levels.clipped, 0);
		EXPECT_GT(levels.PeakDbfs(), -13);
	}
}
