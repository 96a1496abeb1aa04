#include <gtest/gtest.h>

#include <cmath>
#include <limits>

#include "engine/TunkSound.h"

namespace {

TunkSound& EngineWith(TunkSound& sound, int32 type)
{
	sound.SetOscType(type);
	sound.GenerateWaveTable();
	return sound;
}

}  // namespace

TEST(WaveTableTest, EachWaveformHasItsExactShape)
{
	TunkSound sound;
	const float* t = EngineWith(sound, 1).WaveTable();
	EXPECT_EQ(t[0], 0.0f);
	EXPECT_EQ(t[512], 1.0f);
	EXPECT_EQ(t[1536], -1.0f);
	EXPECT_NEAR(t[256], std::sqrt(0.5), 1e-7);
	EXPECT_EQ(t[2048], t[0]);

	t = EngineWith(sound, 2).WaveTable();
	for (int i = 0; i < 2048; i++)
		ASSERT_EQ(t[i], i <= 1023 ? 1.0f : -1.0f) << i;
	EXPECT_EQ(t[2048], 1.0f);

	t = EngineWith(sound, 3).WaveTable();
	for (int i = 0; i < 2048; i++)
		ASSERT_EQ(t[i], i <= 1024 ? i / 1024.0f : (i - 2048) / 1024.0f) << i;
	EXPECT_EQ(t[1024], 1.0f);
	EXPECT_EQ(t[1025], -1023 / 1024.0f);
	EXPECT_EQ(t[2048], 0.0f);

	t = EngineWith(sound, 4).WaveTable();
	for (int i = 0; i < 2048; i++) {
		float expected = (i - 2048) / 512.0f;
		if (i <= 512)
			expected = i / 512.0f;
		else if (i <= 1536)
			expected = (1024 - i) / 512.0f;
		ASSERT_EQ(t[i], expected) << i;
	}
	EXPECT_EQ(t[2048], 0.0f);
}

TEST(WaveTableTest, UnknownCodePlaysTheSineWhateverCameBefore)
{
	TunkSound fresh;
	float sine[2049];
	std::copy(fresh.WaveTable(), fresh.WaveTable() + 2049, sine);
	TunkSound sound;
	for (int32 code : {0, 5, -1, 1000}) {
		for (int32 before : {2, 3, 4}) {
			EngineWith(sound, before);
			EngineWith(sound, code);
			EXPECT_TRUE(std::equal(sine, sine + 2049, sound.WaveTable()))
				<< code << " after " << before;
		}
	}
}

TEST(OscillatorTest, ReadsAndAdvancesThePhase)
{
	TunkSound sound;
	for (int32 type : {1, 2, 3, 4}) {
		EngineWith(sound, type);
		float phase = 0;
		for (int k = 0; k < 3; k++)
			EXPECT_EQ(sound.Oscillator(0, &phase), type == 2 ? 1.0f : 0.0f) << type;
		EXPECT_EQ(phase, 0.0f);
	}

	EngineWith(sound, 2);
	float phase = 0;
	for (int k = 0; k < 6; k++)
		EXPECT_EQ(sound.Oscillator(1024, &phase), k % 2 == 0 ? 1.0f : -1.0f) << k;

	EngineWith(sound, 3);
	phase = 2047.5f;
	EXPECT_EQ(sound.Oscillator(0, &phase), -1.0f / 2048);

	phase = 2047.75f;
	sound.Oscillator(0.5f, &phase);
	EXPECT_EQ(phase, 0.25f);

	// The value is that of the phase before the advance.
	phase = 100;
	EXPECT_EQ(sound.Oscillator(3, &phase), 100 / 1024.0f);
	EXPECT_EQ(phase, 103.0f);
}

TEST(OscillatorTest, NegativeIncrementsRunBackwardsWithinThePeriod)
{
	TunkSound sound;
	EngineWith(sound, 3);
	float phase = 0.25f;
	sound.Oscillator(-0.5f, &phase);
	EXPECT_EQ(phase, 2047.75f);
	phase = 1.5f;
	sound.Oscillator(-3.0f, &phase);
	EXPECT_EQ(phase, 2046.5f);

	// Tiny steps below 0 must not round the phase up to 2048 itself.
	for (float increment : {-1e-6f, -1e-3f, -46.43991f, -3000.7f, -1e9f}) {
		phase = 0;
		for (int k = 0; k < 5000; k++) {
			float value = sound.Oscillator(increment, &phase);
			ASSERT_TRUE(phase >= 0 && phase < 2048) << increment << " " << phase;
			ASSERT_TRUE(value >= -1 && value <= 1) << increment;
		}
	}
}

TEST(OscillatorTest, NonFiniteIncrementsRestartThePeriod)
{
	TunkSound sound;
	EngineWith(sound, 3);
	const float nan = std::numeric_limits<float>::quiet_NaN();
	const float inf = std::numeric_limits<float>::infinity();
	for (float increment : {nan, inf, -inf}) {
		float phase = 512;
		EXPECT_EQ(sound.Oscillator(increment, &phase), 0.5f);
		EXPECT_EQ(phase, 0.0f);
		EXPECT_EQ(sound.Oscillator(increment, &phase), 0.0f);
	}
	// Huge finite increments still land inside the table.
	float phase = 0;
	sound.Oscillator(3e38f, &phase);
	EXPECT_TRUE(phase >= 0 && phase < 2048);
}

TEST(OscillatorTest, PhaseHandedInOutOfRangeIsWrappedFirst)
{
	TunkSound sound;
	EngineWith(sound, 3);
	float phase = 2048 + 100;
	EXPECT_EQ(sound.Oscillator(0, &phase), 100 / 1024.0f);
	phase = -1948;  // the same point of the period
	EXPECT_EQ(sound.Oscillator(0, &phase), 100 / 1024.0f);
	phase = std::numeric_limits<float>::quiet_NaN();
	EXPECT_EQ(sound.Oscillator(0, &phase), 0.0f);
	EXPECT_EQ(phase, 0.0f);
}
