#include <gtest/gtest.h>

#include <algorithm>
#include <cmath>
#include <limits>
#include <vector>

#include "core/RenderHash.h"
#include "engine/AlertCapture.h"
#include "engine/ReferenceChain.h"
#include "engine/StageSwitches.h"
#include "engine/TunkSound.h"
#include "engine/core/Render.h"

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

// The default sound, set as the window's parameter refresh sets it.
void ApplyDefaults(TunkSound& sound)
{
	sound.SetParams(tunk::SoundParams());
	sound.SetBeatLength(120);
	sound.SetSequencerEnabled(false);
}

void EnableAll(TunkSound& sound)
{
	SetStageSwitches(sound, 15);
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

TEST(GenerateTest, FullScaleSquareStoresTheTwoLevels)
{
	TunkSound sound;
	ApplyDefaults(sound);
	sound.SetOscType(2);
	sound.GenerateWaveTable();
	sound.SetAmplitude(1);
	sound.GenerateSound();
	std::vector<int16> samples = Samples(sound);
	size_t levels = 0;
	for (int16 v : samples)
		levels += (v == 32767 || v == -32767) ? 1 : 0;
	// One sample per half period falls between the levels: 2 per 44.1-sample period.
	EXPECT_GE(levels, samples.size() - 2 * (samples.size() / 44 + 1));
	EXPECT_EQ(samples[0], 32767);
}

TEST(GenerateTest, ConversionSaturatesInsteadOfWrapping)
{
	TunkSound sound;
	ApplyDefaults(sound);
	sound.SetOscType(2);
	sound.GenerateWaveTable();
	sound.SetAmplitude(1.1f);
	sound.GenerateSound();
	std::vector<int16> samples = Samples(sound);
	EXPECT_EQ(samples[0], 32767);
	EXPECT_EQ(samples[30], -32768);  // the negative half: floor(-36043.7) clamped

	// A filtered square overshoots 1 even at amplitude 0.95, without wrapping either.
	sound.SetAmplitude(0.95f);
	sound.SetFilterEnabled(true);
	sound.GenerateSound();
	samples = Samples(sound);
	EXPECT_NE(std::count(samples.begin(), samples.end(), int16(32767)), 0);
	for (size_t i = 1; i < samples.size(); i++)
		ASSERT_LT(std::abs(samples[i] - samples[i - 1]), 32768) << i;  // no wrap-around jumps

	// Amplitudes that are not numbers or infinite store silence or the rails.
	sound.SetFilterEnabled(false);
	sound.SetAmplitude(kNaN);
	sound.GenerateSound();
	samples = Samples(sound);
	EXPECT_EQ(std::count(samples.begin(), samples.end(), int16(0)), long(samples.size()));
	sound.SetAmplitude(kInf);
	sound.GenerateSound();
	EXPECT_EQ(Samples(sound)[0], 32767);
}

TEST(GenerateTest, FrequencyEnvelopeBendsThePitchDown)
{
	TunkSound sound;
	ApplyDefaults(sound);
	sound.SetDuration(1000);
	sound.SetFreqEnvEnabled(true);
	sound.GenerateSound();
	std::vector<int16> samples = Samples(sound);
	// Count upward zero crossings over a tenth of a second around the middle.
	auto frequencyAround = [&](size_t centre) {
		int crossings = 0;
		for (size_t i = centre - 2205; i < centre + 2205; i++)
			crossings += (samples[i - 1] < 0 && samples[i] >= 0) ? 1 : 0;
		return crossings / 0.1;
	};
	EXPECT_NEAR(frequencyAround(samples.size() / 2), 0.6225 * 1000, 20);
	EXPECT_NEAR(frequencyAround(2300), 980, 30);
	EXPECT_LT(frequencyAround(samples.size() - 2300), 150);
}

TEST(GenerateTest, MatchesTheStageByStageChainBitForBit)
{
	TunkSound sound;
	ApplyDefaults(sound);
	sound.SetDuration(150);
	ForEachWaveformAndSwitches(sound, [&](int32 type, int switches) {
		ASSERT_EQ(Samples(sound), ReferenceGenerate(sound)) << type << " " << switches;
	});
	if (HasFatalFailure())
		return;

	// Unusual but accepted values: a falling oscillator, overdrive, curves at and beyond
	// the envelope's limits, a sharp resonance.
	EnableAll(sound);
	const float curves[] = {0, -30, 100};
	for (float curve : curves) {
		sound.SetStartFreq(-700);
		sound.SetAmplitude(1.3f);
		sound.SetAmpEnvelope(curve);
		sound.SetFreqEnvelope(-curve);
		sound.SetFilterQ(4);
		sound.SetFilterCutoff(20000);
		sound.SetDistortion(7);
		sound.GenerateWaveShapeTable();
		sound.GenerateSound();
		ASSERT_EQ(Samples(sound), ReferenceGenerate(sound)) << curve;
	}
}

TEST(GenerateTest, GeneratesExactlyWhatTheCoreRenders)
{
	TunkSound sound;
	renderhash::ForEachCase([&](int setting, int switches, const tunk::SoundParams& p) {
		sound.SetParams(p);
		EXPECT_EQ(sound.Params(), p);
		sound.GenerateSound();
		std::vector<int16> rendered;
		ASSERT_EQ(tunk::Render(p, &rendered), tunk::RenderStatus::Ok);
		ASSERT_EQ(Samples(sound), rendered)
		    << setting << " " << p[tunk::Param::oscType] << " " << switches;
	});
}

TEST(GenerateTest, SetParamsSwitchesSectionsOffAgain)
{
	TunkSound sound;
	tunk::SoundParams loud;
	loud[tunk::Param::oscType] = 3;
	loud[tunk::Param::distortion] = 8;
	loud[tunk::Param::freqEnvEnabled] = loud[tunk::Param::ampEnvEnabled] =
	    loud[tunk::Param::distortionEnabled] = loud[tunk::Param::filterEnabled] = true;
	sound.SetParams(loud);
	sound.GenerateSound();
	sound.SetParams(tunk::SoundParams());
	EXPECT_FALSE(sound.IsFreqEnvEnabled() || sound.IsAmpEnvEnabled()
		|| sound.IsDistortionEnabled() || sound.IsFilterEnabled());
	sound.GenerateSound();
	TunkSound fresh;
	fresh.GenerateSound();
	EXPECT_EQ(Samples(sound), Samples(fresh));
	EXPECT_EQ(sound.Params(), fresh.Params());
}

TEST(GenerateTest, RepeatedAndResetGenerationsAreIdentical)
{
	TunkSound sound;
	ApplyDefaults(sound);
	EnableAll(sound);
	sound.SetFilterQ(3);
	sound.GenerateSound();
	std::vector<int16> first = Samples(sound);
	sound.GenerateSound();
	EXPECT_EQ(Samples(sound), first);

	// Everything changed and then set back gives the sound of a fresh engine.
	sound.SetStartFreq(3000);
	sound.SetDuration(900);
	sound.SetAmplitude(0.3f);
	sound.SetOscType(4);
	sound.SetAmpEnvelope(-20);
	sound.SetFreqEnvelope(12);
	sound.SetDistortion(9);
	sound.SetFilterCutoff(300);
	sound.SetFilterQ(0.2f);
	sound.GenerateWaveTable();
	sound.GenerateWaveShapeTable();
	sound.GenerateSound();
	ApplyDefaults(sound);
	sound.GenerateSound();

	TunkSound fresh;
	fresh.GenerateSound();
	EXPECT_EQ(Samples(sound), Samples(fresh));
	EXPECT_EQ(fresh.GetSampleLength(), 8820);
}

TEST(GenerateTest, TablesAndFilterSettingsTakeEffectAsDocumented)
{
	TunkSound sound;
	ApplyDefaults(sound);
	sound.GenerateSound();
	std::vector<int16> sine = Samples(sound);

	// Without a table rebuild the waveform and the drive stay as they were.
	sound.SetOscType(3);
	sound.SetDistortion(10);
	sound.SetDistortionEnabled(false);
	sound.GenerateSound();
	EXPECT_EQ(Samples(sound), sine);

	// The filter is redesigned by every generation.
	sound.SetFilterEnabled(true);
	sound.GenerateSound();
	std::vector<int16> at5000 = Samples(sound);
	sound.SetFilterCutoff(500);
	sound.GenerateSound();
	EXPECT_NE(Samples(sound), at5000);
	sound.SetFilterCutoff(5000);
	sound.SetFilterQ(4);
	sound.GenerateSound();
	EXPECT_NE(Samples(sound), at5000);
	EXPECT_EQ(sound.GetFilterQ(), 4.0);
}

TEST(GenerateTest, UnusableDurationsFailLikeAFailedAllocation)
{
	AlertCapture alerts;
	TunkSound sound;
	const float durations[] = {-5, kNaN, kInf, -kInf, 600000.1f, 1e9f};
	for (float ms : durations) {
		sound.SetDuration(200);
		sound.GenerateSound();
		ASSERT_EQ(sound.GetSampleLength(), 8820);
		AlertCapture::Alerts().clear();

		sound.SetDuration(ms);
		sound.GenerateSound();
		ASSERT_EQ(AlertCapture::Alerts().size(), 1u) << ms;
		EXPECT_EQ(AlertCapture::Alerts()[0].title, "Error In TunkSound Object");
		EXPECT_EQ(AlertCapture::Alerts()[0].text, kAllocFailure);
		int64 count = -1;
		EXPECT_EQ(sound.GetBuffer(&count), nullptr) << ms;
		EXPECT_EQ(count, 0) << ms;
		EXPECT_EQ(sound.GetSampleLength(), 0) << ms;
		int32 semCount = 0;
		ASSERT_EQ(get_sem_count(sound.WriteBufferSemaphore(), &semCount), B_OK);
		EXPECT_EQ(semCount, 1) << ms;
	}
	sound.SetDuration(200);
	sound.GenerateSound();
	EXPECT_EQ(sound.GetSampleLength(), 8820);
	EXPECT_EQ(Samples(sound)[1], 4420);
}

TEST(GenerateTest, TenMinutesIsTheLongestSound)
{
	AlertCapture alerts;
	TunkSound sound;
	sound.SetDuration(600000);
	sound.GenerateSound();
	EXPECT_EQ(sound.GetSampleLength(), 26460000);
	EXPECT_TRUE(AlertCapture::Alerts().empty());

	// A duration of 0 is an empty sound, not a failure.
	sound.SetDuration(0);
	sound.GenerateSound();
	EXPECT_EQ(sound.GetSampleLength(), 0);
	EXPECT_TRUE(AlertCapture::Alerts().empty());
}

TEST(GenerateTest, LostSemaphoreKeepsThePreviousBuffer)
{
	TunkSound sound;
	sound.GenerateSound();
	int16* before = sound.GetBuffer(nullptr);
	ASSERT_EQ(delete_sem(sound.WriteBufferSemaphore()), B_OK);
	sound.SetDuration(100);
	testing::internal::CaptureStdout();
	sound.GenerateSound();
	std::string out = testing::internal::GetCapturedStdout();
	EXPECT_EQ(out, "Error acquiring write buffer semaphore during sound gen.\n");
	EXPECT_EQ(sound.GetBuffer(nullptr), before);
	EXPECT_EQ(sound.GetSampleLength(), 8820);
}

TEST(GenerateTest, BeatLengthFromTempo)
{
	TunkSound sound;
	EXPECT_EQ(sound.GetBeatLength(), 22050u);  // a fresh engine starts at 120 per minute
	const std::pair<float, uint32> cases[] = {{120, 22050}, {128, 20671}, {100, 26460},
		{60, 44100}, {2646000, 1}, {2646001, 0}, {0, 0}, {-120, 0}, {kNaN, 0}, {kInf, 0},
		{1e-6f, 0}, {0.0009765625f, 2709504000u}};
	for (auto [bpm, samples] : cases) {
		sound.SetBeatLength(bpm);
		EXPECT_EQ(sound.GetBeatLength(), samples) << bpm;
	}
}

TEST(GenerateTest, FreshEngineIsSilentAndOwnsItsSemaphores)
{
	sem_id readSem;
	sem_id writeSem;
	{
		TunkSound sound;
		EXPECT_EQ(sound.GetSampleLength(), 0);
		EXPECT_EQ(sound.GetBuffer(nullptr), nullptr);
		EXPECT_FALSE(sound.IsPlaying());
		EXPECT_EQ(sound.GetPlaySamplePosition(), 0u);
		writeSem = sound.WriteBufferSemaphore();
		int32 count = 0;
		ASSERT_EQ(get_sem_count(writeSem, &count), B_OK);
		EXPECT_EQ(count, 1);
		readSem = writeSem - 1;  // created just before, ids are handed out in order
		ASSERT_EQ(get_sem_count(readSem, &count), B_OK);
	}
	int32 count = 0;
	EXPECT_EQ(get_sem_count(writeSem, &count), B_BAD_SEM_ID);
	EXPECT_EQ(get_sem_count(readSem, &count), B_BAD_SEM_ID);
}
