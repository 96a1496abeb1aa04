// The factory sounds, judged by what can be measured from their samples: each is heard, at
// a sound level, for the length it was made for, and has its category's shape.
#include <algorithm>
#include <cmath>
#include <fstream>
#include <gtest/gtest.h>
#include <map>
#include <optional>
#include <set>
#include <sstream>
#include <string>

#include "engine/core/Hit.h"
#include "library/RealDrums.h"
#include "library/SoundLevels.h"
#include "preset/FactoryLibrary.h"
#include "preset/PresetExtension.h"

namespace {

namespace fs = std::filesystem;

struct Measured {
	std::string category, name, description;
	tunk::SoundParams params;
	std::vector<std::string> messages; // what reading its file had to say
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
				Measured m{category.name, sound.name, sound.description, {}, {}, {}, {}, {}};
				PresetExtras extras;
				if (ReadPreset(sound.path.c_str(), &m.params, &extras, &m.messages) != B_OK)
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

TEST_F(FactorySounds, AHundredAndTwentyOrMoreSoundsInTwelveCategoriesEachDescribed)
{
	EXPECT_GE(sLibrary->size(), 12u);
	EXPECT_GE(sSounds->size(), 120u);
	for (const char* drums : {"Snares", "Claps", "Closed Hi-Hats", "Open Hi-Hats", "Cymbals",
	         "Rims and Sticks", "Cowbells and Metals", "Shakers"})
		EXPECT_GE(In(drums).size(), 6u) << drums;
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
		}
	}
	// Every value is the program's own: nothing clamped, unknown or refused on reading.
	for (const Measured& m : *sSounds)
		EXPECT_TRUE(m.messages.empty()) << m.name << ": " << m.messages.front();
}

TEST_F(FactorySounds, EveryOneIsHeardAtASoundLevelForItsWholeLength)
{
	int meantToClip = 0;
	for (const Measured& m : *sSounds) {
		SCOPED_TRACE(m.category + "/" + m.name);
		ASSERT_GT(m.levels.length, 0);
		EXPECT_EQ(m.levels.length,
		    int64_t(std::ceil(double(m.params[tunk::Param::duration]) * 44.1)));
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
	    // Kicks fall to an end pitch of 40 to 55 Hz, not to nothing.
	    {"Kicks", {100, 1500, 1.4, 30, 100}},
	    {"Toms", {200, 1000, 1, 80, 400}},
	    {"Zaps and Lasers", {80, 1000, 4, 400, 5000}},
	    {"Blips and Interface", {5, 150, 0, 150, 5000}},
	    {"Bass Drops and Sub Hits", {400, 3000, 1, 20, 300}},
	    {"Clicks, Rims and Woodblocks", {5, 120, 0, 800, 5000}},
	};
	for (const FactoryCategory& category : *sLibrary) {
		auto shape = shapes.find(category.name);
		if (shape == shapes.end()) {
			// The drums' folders are measured against real recordings instead.
			EXPECT_TRUE(realdrums::DrumOfFolder(category.name).has_value())
			    << "nothing measures " << category.name;
			continue;
		}
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

TEST_F(FactorySounds, EachDrumMeasuresAsRealRecordingsOfItsKind)
{
	std::map<std::string, std::vector<measure::Measures>> byDrum;
	for (const Measured& m : *sSounds) {
		const std::optional<std::string> drum = realdrums::DrumOfFolder(m.category);
		if (!drum)
			continue;
		const measure::Measures figures = realdrums::Measure(m.samples);
		EXPECT_EQ(realdrums::Fault(*drum, figures), "") << m.category << "/" << m.name;
		byDrum[*drum].push_back(figures);
	}
	EXPECT_EQ(byDrum.size(), 10u);
	for (const auto& [drum, figures] : byDrum) {
		EXPECT_GE(figures.size(), 8u) << drum;
		EXPECT_EQ(realdrums::MedianFault(drum, figures), "") << drum;
	}
}

TEST_F(FactorySounds, SoftDrumsAreDarkerAndShorterAndEveryHitIsTheSound)
{
	for (const char* folder : {"Kicks", "Snares", "Claps", "Toms", "Closed Hi-Hats"}) {
		size_t darker = 0;
		const std::vector<Measured> drums = In(folder);
		for (const Measured& m : drums) {
			const std::vector<int16_t> soft = RenderPreset(tunk::HitOf(m.params, 40).params);
			EXPECT_LT(soft.size(), m.samples.size()) << m.name;
			if (realdrums::Measure(soft).centroidHz < realdrums::Measure(m.samples).centroidHz)
				darker++;
		}
		EXPECT_GE(darker * 10, drums.size() * 8) << folder;
	}
	// A sound plays as the library has it at full velocity, whichever hit: the factory kits
	// give their pads variation.
	for (const Measured& m : *sSounds)
		EXPECT_TRUE(tunk::SameBits(tunk::HitOf(m.params, 127, 3).params, m.params))
		    << m.category << "/" << m.name;
}

// The table the factory sounds are made from names its columns by the parameters' symbols,
// one column for each parameter, and every value is one the parameter takes.
TEST(FactorySoundTable, ColumnsAreTheParameterTableAndValuesLieInTheirRanges)
{
	std::ifstream table(fs::path(TUNK_SOURCE_DIR) / "data/presets/sounds.tsv");
	ASSERT_TRUE(table.is_open());
	auto split = [](const std::string& line) {
		std::vector<std::string> fields;
		std::string field;
		std::istringstream in(line);
		while (std::getline(in, field, '\t'))
			fields.push_back(field);
		return fields;
	};
	std::vector<std::string> header;
	std::vector<std::optional<tunk::Param>> columns;
	int rows = 0;
	for (std::string line; std::getline(table, line);) {
		if (line.empty() || line[0] == '#')
			continue;
		std::vector<std::string> fields = split(line);
		if (header.empty()) {
			header = fields;
			ASSERT_GE(header.size(), 3u);
			EXPECT_EQ(header.front(), "Category");
			EXPECT_EQ(header[1], "Name");
			EXPECT_EQ(header.back(), "Description");
			std::set<std::string> seen;
			for (size_t i = 2; i + 1 < header.size(); i++) {
				columns.push_back(tunk::FindParam(header[i]));
				EXPECT_TRUE(columns.back().has_value()) << header[i] << " is no parameter";
				EXPECT_TRUE(seen.insert(header[i]).second) << header[i] << " twice";
			}
			for (const tunk::ParamInfo& info : tunk::kParams)
				EXPECT_TRUE(seen.count(info.symbol)) << "no column for " << info.symbol;
			continue;
		}
		rows++;
		ASSERT_EQ(fields.size(), header.size()) << line;
		for (size_t i = 0; i < columns.size(); i++) {
			const std::string& text = fields[i + 2];
			if (text == "-" || !columns[i])
				continue;
			const tunk::ParamInfo& info = tunk::Info(*columns[i]);
			char* end = nullptr;
			const float value = std::strtof(text.c_str(), &end);
			EXPECT_TRUE(end != text.c_str() && *end == '\0') << fields[1] << ": " << header[i + 2] << " " << text;
			EXPECT_GE(value, info.min) << fields[1] << ": " << info.symbol;
			EXPECT_LE(value, info.max) << fields[1] << ": " << info.symbol;
		}
	}
	EXPECT_GE(rows, 120);
}
