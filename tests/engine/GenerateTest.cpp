#include <gtest/gtest.h>

#include <cmath>
#include <limits>
#include <vector>

#include "engine/AlertCapture.h"
#include "engine/ReferenceChain.h"
#include "engine/TunkSound.h"

namespace {

constexpr float kNaN = std::numeric_limits<float>::quiet_NaN();
constexpr float kInf = std::numeric_limits<float>::infinity();
constexpr const char* kAllocFailure = "Could not allocate a sufficient sample buffer in RAM!";

std::vector<int16> Samples(const TunkSound& sound)
{
	int64 count = 0;
	int16* buffer = sound.GetBuffer(&count);
	if (buffer == nullptr)
		return {};
	return std::vector<int16>(buffer, buffer + count);
}

// The window's start values, set in the order of its parameter refresh.
void ApplyDefaults(TunkSound& sound)
{
	sound.SetAmplitude(0.95f);
	sound.SetStartFreq(1000);
	sound.SetDuration(200);
	sound.SetOscType(1);
	sound.SetAmpEnvelope(1);
	sound.SetFreqEnvelope(1);
	sound.SetDistortion(1);
	sound.SetFilterCutoff(5000);
	sound.SetFilterQ(1);
	sound.GenerateWaveTable();
	sound.GenerateWaveShapeTable();
	sound.SetAmpEnvEnabled(false);
	sound.SetFreqEnvEnabled(false);
	sound.SetDistortionEnabled(false);
	sound.SetFilterEnabled(false);
	sound.SetBeatLength(120);
	sound.SetSequencerEnabled(false);
}

[[maybe_unused]] void EnableAll(TunkSound& sound)
{
	sound.SetFreqEnvEnabled(true);
	sound.SetAmpEnvEnabled(true);
	sound.SetDistortionEnabled(true);
	sound.SetFilterEnabled(true);
}

}  // namespace

TEST(GenerateTest, DefaultSoundStartsWithTheKnownSamples)
{
	TunkSound sound;
	ApplyDefaults(sound);
	sound.GenerateSound();
	ASSERT_EQ(sound.GetSampleLength(), 8820);
	const int16 expected[] = {
		0, 4420, 8750, 12903, 16795, 20346, 23485, 26148, 28281, 29842, 30797, 31128, 30828};
	std::vector<int16> samples = Samples(sound);
	for (size_t i = 0; i < std::size(expected); i++)
		EXPECT_EQ(samples[i], expected[i]) << "sample " << i;
}

TEST(GenerateTest, SampleCountIsTheDurationRoundedUp)
{
	TunkSound sound;
	const std::pair<float, int64> cases[] = {{200, 8820}, {123.4f, 5442}, {3000, 132300},
		{1, 45}, {0, 0}};
	for (auto [ms, count] : cases) {
		sound.SetDuration(ms);
		sound.GenerateSound();
		int64 reported = -1;
		EXPECT_EQ(sound.GetSampleLength(), count) << ms;
		sound.GetBuffer(&reported);
		EXPECT_EQ(reported, count) << ms;
	}
}
