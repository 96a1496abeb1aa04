// The factory sounds, judged by what can be measured from their samples: each is heard, at
// a sound level, for the length it was made for, and has its category's shape.
#include <algorithm>
#include <cmath>
#include <fstream>
#include <gtest/gtest.h>
#include <map>
#include <string>

#include "library/SoundLevels.h"
#include "preset/FactoryLibrary.h"

namespace {

namespace fs = std::filesystem;

struct Measured {
	std::string category, name, description;
	PresetParams params;
	std::vector<int16_t> samples;
	SoundLevels levels;
	PitchCourse pitch;
	double Milliseconds() const { return levels.length * 1000.0 / tunk::kSampleRate; }
};

class FactorySounds : public testing::Test {
protected:
	static void SetUpTestSuite()
	{
		sLibrary = new std::vector<FactoryCategory>(
		    ReadFactoryLibrary(fs::path(TUNK_SOURCE_DIR) / "data/presets"));
		sSounds = new std::vector<Measured>;
		for (const FactoryCategory& category : *sLibrary)
			for (const FactorySound& sound : category.sounds) {
				Measured m{category.name, sound.name, sound.description, {}, {}, {}, {}};
				if (ReadPresetFile(sound.path.c_str(), &m.params) != B_OK)
					ADD_FAILURE() << sound.path << " is not a readable preset";
				m.samples = RenderPreset(m.params);
				m.levels = MeasureLevels(m.samples);
				m.pitch = MeasurePitch(m.samples);
				sSounds->push_back(std::move(m));
			}
	}
	static void TearDownTestSuite()
	{
		delete sLibrary;
		delete sSounds;
	}

	static std::vector<Measured> In(const std::string& category)
	{
		std::vector<Measured> found;
		std::copy_if(sSounds->begin(), sSounds->end(), std::back_inserter(found),
		    [&](const Measured& m) { return m.category == category; });
		return found;
	}

	static std::vector<FactoryCategory>* sLibrary;
	static std::vector<Measured>* sSounds;
};

std::vector<FactoryCategory>* FactorySounds::sLibrary = nullptr;
std::vector<Measured>* FactorySounds::sSounds = nullptr;

bool MeantToClip(const Measured& m)
{
	return m.description.find("clips on purpose") != std::string::npos;
}

} // namespace

TEST_F(FactorySounds, FortyEightOrMoreSoundsInSixCategoriesEachDescribed)
{
	EXPECT_GE(sLibrary->size(), 6u);
	EXPECT_GE(sSounds->size(), 48u);
	for (const FactoryCategory& category : *sLibrary) {
		SCOPED_TRACE(category.name);
		EXPECT_GE(category.sounds.size(), 6u);
		// Every line of the index names a sound that is there, and every sound has a line.
		std::ifstream index(category.path / "index.txt");
		size_t lines = 0;
		for (std::string line; std::getline(index, line);)
			lines++;
		EXPECT_EQ(lines, category.sounds.size());
		for (const FactorySound& sound : category.sounds) {
			EXPECT_EQ(sound.path.extension(), ".tunk") << sound.name;
			EXPECT_GT(sound.description.size(), 10u) << sound.name;
			EXPECT_EQ(fs::file_size(sound.path), kPresetRecordSize) << sound.name;
		}
	}
}

TEST_F(FactorySounds, EveryOneIsHeardAtASoundLevelForItsWholeLength)
{
	int meantToClip = 0;
	for (const Measured& m : *sSounds) {
		SCOPED_TRACE(m.category + "/" + m.name);
		ASSERT_GT(m.levels.length, 0);
		EXPECT_EQ(m.levels.length, int64_t(std::ceil(double(m.params.duration) * 44.1)));
		EXPECT_GE(m.levels.PeakDbfs(), -12.0);
		EXPECT_LE(m.levels.PeakDbfs(), 0.0);
		if (MeantToClip(m)) {
			meantToClip++;
			EXPECT_GT(m.levels.clipped, 0) << "said to clip, but does not";
		} else {
			EXPECT_EQ(m.levels.clipped, 0);
		}
		// The length it was made for is heard, not a tail of silence.
		EXPECT_GE(m.levels.audibleEnd, m.levels.length * 7 / 10);
	}
	EXPECT_LE(meantToClip, 2) << "clipping is the exception";
}

TEST_F(FactorySounds, EachCategoryHasItsShape)
{
	// Lengths in ms; pitches in Hz from zero crossings.
	struct Shape {
		double shortest, longest;
		double minFall; // early pitch over late pitch
		double lowestBody, highestBody;
	};
	const std::map<std::string, Shape> shapes{
	    {"Kicks", {100, 1500, 3, 20, 80}},
	    {"Toms", {200, 1000, 1, 80, 400}},
	    {"Zaps and Lasers", {80, 1000, 4, 400, 5000}},
	    {"Blips and Interface", {5, 150, 0, 150, 5000}},
	    {"Bass Drops and Sub Hits", {400, 3000, 1, 20, 300}},
	    {"Clicks, Rims and Woodblocks", {5, 120, 0, 800, 5000}},
	};
	for (const FactoryCategory& category : *sLibrary) {
		auto shape = shapes.find(category.name);
		ASSERT_NE(shape, shapes.end()) << "no shape for " << category.name;
		for (const Measured& m : In(category.name)) {
			SCOPED_TRACE(m.category + "/" + m.name);
			EXPECT_GE(m.Milliseconds(), shape->second.shortest);
			EXPECT_LE(m.Milliseconds(), shape->second.longest);
			EXPECT_GE(m.pitch.early, shape->second.minFall * m.pitch.late)
			    << "early " << m.pitch.early << " Hz, late " << m.pitch.late << " Hz";
			EXPECT_GE(m.pitch.body, shape->second.lowestBody);
			EXPECT_LE(m.pitch.body, shape->second.highestBody);
		}
	}
	// A tom sits above every kick once the kick's pitch has dropped.
	double highestKick = 0;
	for (const Measured& kick : In("Kicks"))
		highestKick = std::max(highestKick, kick.pitch.body);
	for (const Measured& tom : In("Toms"))
		EXPECT_GT(tom.pitch.body, highestKick) << tom.name;
	// A zap sweeps from high: it starts well above any tom's body.
	for (const Measured& zap : In("Zaps and Lasers"))
		EXPECT_GE(zap.pitch.early, 1000) << zap.name;
}
