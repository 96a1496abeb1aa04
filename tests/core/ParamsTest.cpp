// The parameter table's rows agree with one another: every reader (the window, the command
// line, the plugin, the random sounds) trusts them without checking.
#include <gtest/gtest.h>

#include <cmath>
#include <set>
#include <string>

#include "engine/core/Params.h"

TEST(ParamTable, RowsAreConsistent)
{
	std::set<std::string> symbols;
	std::set<std::string> labels;
	for (const tunk::ParamInfo& info : tunk::kParams) {
		SCOPED_TRACE(info.symbol);
		EXPECT_TRUE(symbols.insert(info.symbol).second) << "symbol used twice";
		EXPECT_TRUE(labels.insert(info.label).second) << "label used twice";
		EXPECT_NE(std::string(info.label), "");
		EXPECT_NE(std::string(info.comment), "");
		EXPECT_LT(info.min, info.max);
		EXPECT_GE(info.def, info.min);
		EXPECT_LE(info.def, info.max);
		EXPECT_GE(info.since, 1);
		EXPECT_GE(info.digits, 0);
		EXPECT_EQ(tunk::FindParam(info.symbol), info.id);
		EXPECT_EQ(&tunk::Info(info.id), &info);
		if (info.gate != tunk::Param::count) {
			// A gate is off in a new sound and older than what it gates.
			EXPECT_EQ(tunk::Info(info.gate).def, 0.0f);
			EXPECT_LT(tunk::Info(info.gate).since, info.since + 1);
			EXPECT_EQ(tunk::Info(info.gate).gate, tunk::Param::count);
		}
		if (info.scale == tunk::ParamScale::Logarithmic) {
			// A log scale needs a start above 0, and one inside the range.
			EXPECT_GT(tunk::ScaleFloor(info), 0.0f);
			EXPECT_LT(tunk::ScaleFloor(info), info.max);
			EXPECT_EQ(info.kind, tunk::ParamKind::Number);
		}
		switch (info.kind) {
			case tunk::ParamKind::Choice:
				// Codes 1..n (0..n-1 where the first choice is none), one label each.
				ASSERT_FALSE(info.choices.empty());
				EXPECT_TRUE(info.min == 1.0f || info.min == 0.0f);
				EXPECT_EQ(info.max - info.min + 1, float(info.choices.size()));
				EXPECT_EQ(info.def, std::floor(info.def));
				EXPECT_EQ(info.digits, 0);
				break;
			case tunk::ParamKind::Switch:
				EXPECT_TRUE(info.choices.empty());
				EXPECT_EQ(info.min, 0.0f);
				EXPECT_EQ(info.max, 1.0f);
				EXPECT_TRUE(info.def == 0.0f || info.def == 1.0f);
				break;
			case tunk::ParamKind::Number: EXPECT_TRUE(info.choices.empty()); break;
		}
	}
	EXPECT_FALSE(tunk::FindParam("reserved"));
	EXPECT_FALSE(tunk::FindParam("StartFreq"));
	EXPECT_FALSE(tunk::FindParam(""));
}

TEST(ParamTable, ANewSoundHoldsTheDefaults)
{
	const tunk::SoundParams sound;
	for (const tunk::ParamInfo& info : tunk::kParams) {
		EXPECT_EQ(sound[info.id], info.def) << info.symbol;
		if (info.kind == tunk::ParamKind::Switch) {
			EXPECT_EQ(sound.On(info.id), info.def == 1.0f) << info.symbol;
		}
	}
}

TEST(ParamTable, OscillatorCodesComeOnlyFromWholeNumbers)
{
	EXPECT_EQ(tunk::OscCode(3.0f), 3);
	EXPECT_EQ(tunk::OscCode(-2.0f), -2);
	EXPECT_EQ(tunk::OscCode(2.5f), 0);
	EXPECT_EQ(tunk::OscCode(std::nanf("")), 0);
	EXPECT_EQ(tunk::OscCode(INFINITY), 0);
	EXPECT_EQ(tunk::OscCode(3e9f), 0);
	EXPECT_EQ(tunk::OscCode(-2147483648.0f), INT32_MIN);
	// The smallest step shown sets where a log scale from 0 starts.
	EXPECT_EQ(tunk::ShownStep(tunk::Info(tunk::Param::amplitude)), 0.01f);
	EXPECT_EQ(tunk::ScaleFloor(tunk::Info(tunk::Param::startFreq)), 1.0f);
	EXPECT_EQ(tunk::ScaleFloor(tunk::Info(tunk::Param::filterCutoff)), 20.0f);
}
