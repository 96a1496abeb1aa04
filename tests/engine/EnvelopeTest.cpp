#include <gtest/gtest.h>

#include <cmath>
#include <limits>

#include "engine/TunkSound.h"

TEST(ExpEnvelopeTest, KnownCurvesGiveTheirValues)
{
	struct Row {
		float curve;
		double values[5];
	};
	const Row rows[] = {
		{1, {1, 0.834704, 0.622459, 0.349932, 0}},
		{-1, {1, 0.650068, 0.377541, 0.165296, 0}},
		{5, {1, 0.983106, 0.924142, 0.718335, 0}},
		{-5, {1, 0.281665, 0.075858, 0.016894, 0}},
		{10, {1, 0.999492, 0.993307, 0.917957, 0}},
		{-10, {1, 0.082043, 0.006693, 0.000508, 0}},
	};
	for (const Row& row : rows) {
		for (int k = 0; k < 5; k++)
			EXPECT_NEAR(TunkSound::ExpEnvelope(k * 0.25f, row.curve), row.values[k], 6e-7)
				<< row.curve << " at " << k * 0.25;
		// The end points are exact.
		EXPECT_EQ(TunkSound::ExpEnvelope(0, row.curve), 1.0f) << row.curve;
		EXPECT_EQ(TunkSound::ExpEnvelope(1, row.curve), 0.0f) << row.curve;
	}
}

TEST(ExpEnvelopeTest, CurvesAtAndNearZeroAreTheStraightLine)
{
	for (float curve : {0.0f, -0.0f, 1e-30f, -1e-30f}) {
		for (float x : {0.0f, 0.25f, 0.5f, 0.9f, 1.0f})
			EXPECT_EQ(TunkSound::ExpEnvelope(x, curve), 1.0f - x) << curve << " " << x;
	}
	// Small curves approach the line continuously.
	for (float curve : {1e-4f, -1e-4f})
		EXPECT_NEAR(TunkSound::ExpEnvelope(0.3f, curve), 0.7, 1e-3) << curve;
	EXPECT_EQ(TunkSound::ExpEnvelope(0.3f, std::numeric_limits<float>::quiet_NaN()), 0.7f);
}

TEST(ExpEnvelopeTest, OverflowingCurvesStayFiniteAndFall)
{
	const float inf = std::numeric_limits<float>::infinity();
	for (float curve : {88.8f, 100.0f, 500.0f, 1000.0f, 1e30f, inf}) {
		EXPECT_EQ(TunkSound::ExpEnvelope(0, curve), 1.0f) << curve;
		EXPECT_EQ(TunkSound::ExpEnvelope(1, curve), 0.0f) << curve;
		float previous = 1;
		for (int k = 0; k <= 1000; k++) {
			float x = k / 1000.0f;
			float value = TunkSound::ExpEnvelope(x, curve);
			ASSERT_TRUE(value >= 0 && value <= 1) << curve << " " << x << " " << value;
			ASSERT_LE(value, previous) << curve << " " << x;
			previous = value;
		}
	}
	// Where only e^c overflows the result is the one the plain formula gives: 1.
	EXPECT_EQ(TunkSound::ExpEnvelope(0.5f, 100), 1.0f);
	// Where both overflow it follows the true curve 1 - e^((x - 1) c).
	EXPECT_NEAR(TunkSound::ExpEnvelope(0.99f, 100), 1 - std::exp(-1.0), 1e-5);
	// Falling curves of any size are safe: e^(x c) for large negative c.
	EXPECT_NEAR(TunkSound::ExpEnvelope(0.001f, -1000), std::exp(-1.0), 1e-5);
	EXPECT_EQ(TunkSound::ExpEnvelope(0.5f, -inf), 0.0f);
	EXPECT_EQ(TunkSound::ExpEnvelope(0, -inf), 1.0f);
}

TEST(WaveShaperTest, DriveOneFollowsTanh)
{
	TunkSound sound;
	sound.SetDistortion(1);
	sound.GenerateWaveShapeTable();
	EXPECT_EQ(sound.Distort(0), 0.0f);
	EXPECT_EQ(sound.Distort(-1), float(std::tanh(-1.0)));
	EXPECT_EQ(sound.Distort(1), float(std::tanh(1023.0 / 1024)));
	EXPECT_EQ(sound.Distort(0.5f), float(std::tanh(0.5)));
	EXPECT_NEAR(sound.Distort(-1), -0.761594, 1e-6);
	EXPECT_NEAR(sound.Distort(1), 0.761184, 1e-6);
	EXPECT_NEAR(sound.Distort(0.5f), 0.462117, 1e-6);
	EXPECT_EQ(sound.ShapeTable()[2048], sound.ShapeTable()[2047]);
	// Odd symmetry away from the ends.
	for (float x : {0.1f, 0.25f, 0.7f})
		EXPECT_NEAR(sound.Distort(-x), -sound.Distort(x), 1e-7) << x;
}

TEST(WaveShaperTest, RebuildingForAnotherDriveChangesTheCurve)
{
	TunkSound sound;
	sound.SetDistortion(1);
	sound.GenerateWaveShapeTable();
	EXPECT_NEAR(sound.Distort(0.1f), 0.099668, 1e-6);
	sound.SetDistortion(10);
	EXPECT_NEAR(sound.Distort(0.1f), 0.099668, 1e-6);  // not rebuilt yet
	sound.GenerateWaveShapeTable();
	EXPECT_NEAR(sound.Distort(0.1f), 0.761587, 1e-6);
	EXPECT_EQ(sound.Distort(1), 1.0f);
	EXPECT_EQ(sound.Distort(-1), -1.0f);
}

TEST(WaveShaperTest, InputsBeyondTheRangeHoldTheEndValues)
{
	TunkSound sound;
	sound.SetDistortion(2);
	sound.GenerateWaveShapeTable();
	EXPECT_EQ(sound.Distort(1.5f), sound.ShapeTable()[2048]);
	EXPECT_EQ(sound.Distort(-7), sound.ShapeTable()[0]);
	EXPECT_EQ(sound.Distort(std::numeric_limits<float>::infinity()), sound.ShapeTable()[2048]);
	EXPECT_TRUE(std::isnan(sound.Distort(std::numeric_limits<float>::quiet_NaN())));
}
