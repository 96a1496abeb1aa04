#include <gtest/gtest.h>

#include <cmath>
#include <limits>
#include <vector>

#include "engine/TunkSound.h"

namespace {

std::vector<float> Coefficients(const TunkSound& sound)
{
	const FILTER& f = sound.Filter();
	return std::vector<float>(f.coef, f.coef + 4 * f.length + 1);
}

// Runs the engine's filter on `input` and returns the output.
std::vector<float> Filtered(const TunkSound& sound, const std::vector<float>& input)
{
	FILTER filter = sound.Filter();
	std::vector<float> output;
	for (float x : input)
		output.push_back(iir_filter(x, &filter));
	return output;
}

std::vector<float> Impulse(size_t length)
{
	std::vector<float> input(length, 0.0f);
	input[0] = 1;
	return input;
}

const std::vector<float> kGoldenCoefficients = {0.0073740524f, -1.2107626f, 0.59982616f, 2, 1,
	-0.94372183f, 0.24697518f, 2, 1};

}  // namespace

TEST(FilterTest, DesignForQOneAt5000Hz)
{
	TunkSound sound;
	ASSERT_EQ(sound.Filter().length, 2u);
	std::vector<float> coef = Coefficients(sound);
	for (size_t i = 0; i < coef.size(); i++)
		EXPECT_EQ(coef[i], kGoldenCoefficients[i]) << i;
	EXPECT_NEAR(sound.GetFilterGain(), 0.0073740524, 1e-9);

	std::vector<float> response = Filtered(sound, Impulse(4));
	const float expected[] = {0.0073740524f, 0.045383491f, 0.12735222f, 0.21996683f};
	for (size_t i = 0; i < 4; i++)
		EXPECT_EQ(response[i], expected[i]) << i;
}

TEST(FilterTest, EveryDesignStartsFromRestAndKeepsThePrototype)
{
	TunkSound sound;
	Filtered(sound, std::vector<float>(100, 0.8f));
	// A resonant design in between must not change the prototype that later designs use.
	sound.UpdateFilter(4, 300);
	sound.UpdateFilter(1, 5000);
	EXPECT_EQ(Coefficients(sound), Coefficients(TunkSound()));
	std::vector<float> first = Filtered(sound, Impulse(64));
	sound.UpdateFilter(1, 5000);
	EXPECT_EQ(Filtered(sound, Impulse(64)), first);
	EXPECT_FLOAT_EQ(first[1], 0.045383491f);
}

TEST(FilterTest, PassesConstantsAtUnityAndSilenceAsSilence)
{
	TunkSound sound;
	for (float q : {0.1f, 1.0f, 4.0f}) {
		for (float cutoff : {20.0f, 200.0f, 5000.0f, 20000.0f}) {
			sound.UpdateFilter(q, cutoff);
			std::vector<float> zeros = Filtered(sound, std::vector<float>(1000, 0.0f));
			for (float y : zeros)
				ASSERT_EQ(y, 0.0f) << q << " " << cutoff;
			sound.UpdateFilter(q, cutoff);
			std::vector<float> settled = Filtered(sound, std::vector<float>(44100, 1.0f));
			// Single-precision coefficients cost accuracy at low cutoffs.
			double tolerance = cutoff < 100 ? 3e-2 : cutoff < 1000 ? 1e-3 : 1e-5;
			EXPECT_NEAR(settled.back(), 1.0f, tolerance) << q << " " << cutoff;
		}
	}
}

TEST(FilterTest, ResonanceRaisesThePeakAtTheCutoff)
{
	TunkSound sound;
	auto peak = [&](float q) {
		sound.UpdateFilter(q, 1000);
		std::vector<float> input(44100);
		for (size_t i = 0; i < input.size(); i++)
			input[i] = float(std::sin(2 * M_PI * 1000 * double(i) / 44100));
		std::vector<float> output = Filtered(sound, input);
		float top = 0;
		for (size_t i = 22050; i < output.size(); i++)
			top = std::max(top, std::fabs(output[i]));
		return top;
	};
	EXPECT_GT(peak(4), 2.0f);
	EXPECT_LT(peak(1), 1.5f);
}

// Settings the design cannot take (presets can carry them) are replaced by the nearest
// stable design: just below half the sample rate, 1 Hz, Q 0.01 or 1000. Extreme settings
// the design can take are designed as given.
TEST(FilterTest, SettingsOutsideTheDesignRangeAreReplaced)
{
	const float nan = std::numeric_limits<float>::quiet_NaN();
	const float inf = std::numeric_limits<float>::infinity();
	TunkSound sound;
	auto design = [&](float q, float cutoff) {
		sound.UpdateFilter(q, cutoff);
		return Coefficients(sound);
	};
	EXPECT_EQ(design(1, 22050), design(1, 22049));
	EXPECT_EQ(design(1, 30000), design(1, 22049));
	EXPECT_EQ(design(1, inf), design(1, 22049));
	EXPECT_EQ(design(1, 0), design(1, 1));
	EXPECT_EQ(design(1, -300), design(1, 1));
	EXPECT_EQ(design(1, nan), design(1, 5000));
	EXPECT_EQ(design(0, 5000), design(0.01f, 5000));
	EXPECT_EQ(design(-2, 5000), design(0.01f, 5000));
	EXPECT_EQ(design(inf, 5000), design(1000, 5000));
	EXPECT_EQ(design(nan, 5000), design(1, 5000));
	EXPECT_NE(design(1, 22049.5f), design(1, 22049));
	EXPECT_NE(design(1, 0.5f), design(1, 1));
	EXPECT_NE(design(0.005f, 5000), design(0.01f, 5000));
	EXPECT_NE(design(2000, 5000), design(1000, 5000));

	// Every clamped design runs a full-scale square of the longest sound without
	// producing anything that is not a number.
	const float tiny = std::numeric_limits<float>::denorm_min();
	for (float q : {tiny, 0.01f, 1.0f, 1000.0f, 1e30f}) {
		for (float cutoff : {tiny, 1.0f, 22049.0f, 22049.99f}) {
			sound.UpdateFilter(q, cutoff);
			for (float c : Coefficients(sound))
				ASSERT_TRUE(std::isfinite(c)) << q << " " << cutoff;
			std::vector<float> square(132300);
			for (size_t i = 0; i < square.size(); i++)
				square[i] = (i / 22) % 2 == 0 ? 1.0f : -1.0f;
			for (float y : Filtered(sound, square))
				ASSERT_TRUE(std::isfinite(y)) << q << " " << cutoff;
		}
	}
}
