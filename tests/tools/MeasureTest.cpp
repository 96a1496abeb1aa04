// The figures a drum is judged by, on signals whose figures are known, and the committed
// table of real recordings' figures that the library's tests read.
#include <gtest/gtest.h>

#include <cmath>
#include <cstdio>
#include <filesystem>
#include <fstream>
#include <random>
#include <vector>

#include "tools/Measure.h"

namespace {

constexpr double kRate = 44100;
constexpr double kPi = 3.141592653589793;

// `ms` of a sine of `hz` falling `dbPerSecond`, after `silentMs` of silence.
std::vector<float> Sine(double hz, double ms, double dbPerSecond, double silentMs = 0)
{
	std::vector<float> out(size_t((silentMs + ms) * kRate / 1000), 0.0f);
	const size_t start = size_t(silentMs * kRate / 1000);
	for (size_t i = start; i < out.size(); i++) {
		const double t = double(i - start) / kRate;
		out[i] = float(0.5 * std::pow(10.0, -dbPerSecond * t / 20) * std::sin(2 * kPi * hz * t));
	}
	return out;
}

}  // namespace

TEST(MeasureTest, ToneAndNoiseHaveTheirKnownFigures)
{
	const measure::Measures tone = measure::Measure(std::span<const float>(Sine(1000, 1000, 100)), kRate);
	EXPECT_NEAR(tone.centroidHz, 1000, 30);
	EXPECT_LT(tone.flatness, 0.01);
	EXPECT_LT(tone.bandwidthHz, 150);
	EXPECT_LT(tone.low200, 0.001);
	EXPECT_NEAR(tone.peakDb, -6.02, 0.05);
	// 100 dB a second: 200 ms to fall 20 dB, 400 ms to fall 40 (the 10 ms window adds a little).
	EXPECT_NEAR(tone.fall20Ms, 205, 6);
	EXPECT_NEAR(tone.fall40Ms, 405, 6);

	// Silence before the hit is no part of it.
	const measure::Measures late = measure::Measure(std::span<const float>(Sine(1000, 1000, 100, 300)), kRate);
	EXPECT_EQ(late.fall40Ms, tone.fall40Ms);
	EXPECT_NEAR(late.centroidHz, tone.centroidHz, 1);

	const measure::Measures low = measure::Measure(std::span<const float>(Sine(80, 500, 40)), kRate);
	EXPECT_GT(low.low200, 0.95);
	EXPECT_LT(low.low20, 0.05);
	// A sound that never falls 40 dB lasts to its end.
	EXPECT_EQ(low.fall40Ms, 500);

	std::mt19937 engine(3);
	std::uniform_real_distribution<float> uniform(-0.5f, 0.5f);
	std::vector<int16_t> noise(8000);
	for (int16_t& s : noise)
		s = int16_t(uniform(engine) * 32768);
	const measure::Measures white = measure::Measure(std::span<const int16_t>(noise), kRate);
	EXPECT_GT(white.flatness, 0.4);
	EXPECT_NEAR(white.centroidHz, 10000, 600);
	EXPECT_NEAR(white.low200, 200 / 22050.0, 0.005);

	const measure::Measures silence = measure::Measure(std::span<const float>(std::vector<float>(100)), kRate);
	EXPECT_EQ(silence.peakDb, -200);
	EXPECT_EQ(silence.fall40Ms, 0);
}

TEST(MeasureTest, PercentilesAndTheCommittedTable)
{
	EXPECT_EQ(measure::Percentile({4, 1, 3, 2, 5}, 50), 3);
	EXPECT_EQ(measure::Percentile({1, 2}, 25), 1.25);
	EXPECT_EQ(measure::Percentile({}, 50), 0);

	const std::vector<measure::Range> real =
	    measure::ReadRanges(std::string(TUNK_SOURCE_DIR) + "/data/measures/real-drums.tsv");
	for (const char* category :
	    {"kick", "snare", "clap", "closedhat", "openhat", "cymbal", "tom", "rim", "cowbell", "shaker"})
		for (const char* figure : measure::kNames) {
			const measure::Range* r = measure::FindRange(real, category, figure);
			ASSERT_NE(r, nullptr) << category << " " << figure;
			EXPECT_TRUE(std::is_sorted(std::begin(r->p), std::end(r->p))) << category << " " << figure;
		}

	const auto bad = std::filesystem::temp_directory_path() / "tunk-measure-bad.tsv";
	std::ofstream(bad) << "# a comment\nsnare\tcentroid\t1\t2\t3\t4\t5\nsnare\tflatness\t1\t2\n";
	EXPECT_TRUE(measure::ReadRanges(bad.string()).empty());
	std::filesystem::remove(bad);
}
