// The kit model: the General MIDI map of a new kit, which pads a note plays and chokes, and
// the level and pan gains a player applies.
#include <gtest/gtest.h>

#include <bit>
#include <cmath>
#include <limits>

#include "kit/Kit.h"

namespace {

int PadOn(const Kit& kit, int note)
{
	const PadMask pads = PadsOnNote(kit, note);
	for (size_t i = 0; i < kit.pads.size(); i++) {
		if (pads == PadMask(1) << i)
			return int(i);
	}
	return -1;
}

}  // namespace

TEST(KitModel, NewKitPutsTheGeneralMidiDrumsOnTheirNotes)
{
	const Kit kit = NewKit("Mine");
	EXPECT_EQ(kit.name, "Mine");
	ASSERT_EQ(kit.pads.size(), kMaxPads);
	const struct {
		int note;
		const char* name;
	} expected[] = {{36, "Kick"}, {37, "Side Stick"}, {38, "Snare"}, {39, "Clap"}, {42, "Closed Hat"},
		{46, "Open Hat"}, {41, "Low Tom"}, {45, "Mid Tom"}, {48, "High Tom"}, {49, "Crash"},
		{56, "Cowbell"}};
	for (const auto& drum : expected) {
		const int pad = PadOn(kit, drum.note);
		ASSERT_GE(pad, 0) << drum.note;
		EXPECT_EQ(kit.pads[size_t(pad)].name, drum.name);
	}
	// Each pad a sound of its own, not one new sound sixteen times.
	for (const Pad& pad : kit.pads) {
		EXPECT_EQ(std::popcount(PadsOnNote(kit, pad.note)), 1) << "one pad per note: " << pad.note;
		for (const Pad& other : kit.pads)
			EXPECT_TRUE(&pad == &other || !tunk::SameBits(pad.sound, other.sound))
				<< pad.name << " sounds as " << other.name;
		EXPECT_FALSE(tunk::SameBits(pad.sound, tunk::SoundParams())) << pad.name;
		EXPECT_EQ(pad.output, PadOutput::Main);
		EXPECT_STRNE(GmDrumName(pad.note), "") << pad.note;
	}
	EXPECT_STREQ(GmDrumName(38), "Acoustic Snare");
	EXPECT_STREQ(GmDrumName(35), "Acoustic Bass Drum");
	EXPECT_STREQ(GmDrumName(81), "Open Triangle");
	EXPECT_STREQ(GmDrumName(34), "");
	EXPECT_STREQ(GmDrumName(82), "");
}

TEST(KitModel, NotesFindTheirPadsAndNothingElse)
{
	Kit kit = NewKit();
	EXPECT_EQ(PadsOnNote(kit, 60), 0u);
	EXPECT_EQ(PadsOnNote(kit, -1), 0u);
	EXPECT_EQ(PadsOnNote(kit, 128), 0u);
	// Two pads on one note play together.
	const int snare = PadOn(kit, 38);
	const int clap = PadOn(kit, 39);
	kit.pads[size_t(clap)].note = 38;
	EXPECT_EQ(PadsOnNote(kit, 38), (PadMask(1) << snare) | (PadMask(1) << clap));
	EXPECT_EQ(PadsOnNote(kit, 39), 0u);
	// Pads beyond the limit are never played.
	Kit big;
	for (size_t i = 0; i < kMaxPads + 2; i++) {
		Pad pad;
		pad.note = 50;
		big.pads.push_back(pad);
	}
	EXPECT_EQ(PadsOnNote(big, 50), PadMask((1u << kMaxPads) - 1));
}

TEST(KitModel, ChokeGroupsEndTheOtherPadsOfTheGroupOnly)
{
	Kit kit = NewKit();
	const size_t closed = size_t(PadOn(kit, 42));
	const size_t open = size_t(PadOn(kit, 46));
	const size_t pedal = size_t(PadOn(kit, 44));
	EXPECT_EQ(PadsChokedBy(kit, closed), (PadMask(1) << open) | (PadMask(1) << pedal));
	EXPECT_EQ(PadsChokedBy(kit, open), (PadMask(1) << closed) | (PadMask(1) << pedal));
	EXPECT_EQ(PadsChokedBy(kit, size_t(PadOn(kit, 36))), 0u);
	EXPECT_EQ(PadsChokedBy(kit, kit.pads.size()), 0u);

	// A second group stays apart from the first.
	const size_t crash = size_t(PadOn(kit, 49));
	const size_t ride = size_t(PadOn(kit, 51));
	kit.pads[crash].choke = 2;
	kit.pads[ride].choke = 2;
	EXPECT_EQ(PadsChokedBy(kit, crash), PadMask(1) << ride);
	EXPECT_EQ(PadsChokedBy(kit, closed), (PadMask(1) << open) | (PadMask(1) << pedal));
}

TEST(KitModel, LevelAndPanGains)
{
	EXPECT_EQ(LevelGain(0), 1.0f);  // exactly: a pad at 0 dB plays its sound unchanged
	EXPECT_EQ(LevelGain(-0.0f), 1.0f);
	EXPECT_NEAR(LevelGain(-6.0206f), 0.5f, 1e-5f);
	EXPECT_NEAR(LevelGain(12), 3.98107f, 1e-4f);
	EXPECT_NEAR(LevelGain(kMinPadLevel), 0.001f, 1e-7f);
	EXPECT_EQ(LevelGain(kMinPadLevel - 1), 0.0f);
	EXPECT_EQ(LevelGain(kMaxPadLevel + 50), LevelGain(kMaxPadLevel));
	EXPECT_EQ(LevelGain(-std::numeric_limits<float>::infinity()), 0.0f);
	EXPECT_EQ(LevelGain(std::numeric_limits<float>::quiet_NaN()), 1.0f);

	EXPECT_EQ(PanGains(0), (StereoGain{1, 1}));
	EXPECT_EQ(PanGains(-1), (StereoGain{1, 0}));
	EXPECT_EQ(PanGains(1), (StereoGain{0, 1}));
	EXPECT_EQ(PanGains(0.25f), (StereoGain{0.75f, 1}));
	EXPECT_EQ(PanGains(-0.5f), (StereoGain{1, 0.5f}));
	EXPECT_EQ(PanGains(-7), (StereoGain{1, 0}));
	EXPECT_EQ(PanGains(std::numeric_limits<float>::infinity()), (StereoGain{0, 1}));
	EXPECT_EQ(PanGains(std::numeric_limits<float>::quiet_NaN()), (StereoGain{1, 1}));

	Pad pad;
	pad.level = -6.0206f;
	pad.pan = 0.5f;
	const StereoGain gains = PadGains(pad);
	EXPECT_NEAR(gains.left, 0.25f, 1e-5f);
	EXPECT_NEAR(gains.right, 0.5f, 1e-5f);
}
