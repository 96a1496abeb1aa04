// The one rule for playing a kit and the voices that play by it: which pads a note starts
// and ends, with which gains and outputs, chokes across channels, voices that keep their
// gains when the kit changes, and a render path that never allocates.
#include <gtest/gtest.h>
#include <memory>
#include <vector>

#include "../plugin/AllocationCounter.h"
#include "engine/core/Render.h"
#include "kit/KitVoices.h"

namespace {

constexpr size_t kClosedHat = 5; // note 42, group 1
constexpr size_t kPedalHat = 6;  // note 44, group 1
constexpr size_t kOpenHat = 8;   // note 46, group 1

KitEvent NoteOn(int key, int channel = 0, uint8_t velocity = 127, int64_t frame = 0)
{
	KitEvent event;
	event.key = key;
	event.channel = channel;
	event.velocity = velocity;
	event.frame = frame;
	return event;
}

PadMask Bit(size_t pad)
{
	return PadMask(1) << pad;
}

// Sixteen short sounds of their own pitch; the open hat rings long.
Kit DistinctKit()
{
	Kit kit = NewKit("Play");
	for (size_t i = 0; i < kit.pads.size(); i++) {
		kit.pads[i].level = 0;
		kit.pads[i].pan = 0;
		kit.pads[i].sound[tunk::Param::startFreq] = 100.0f + 45.0f * float(i);
		kit.pads[i].sound[tunk::Param::duration] = 50.0f;
	}
	kit.pads[kOpenHat].sound[tunk::Param::duration] = 1000.0f;
	return kit;
}

std::vector<float> PadSound(const Kit& kit, size_t pad)
{
	std::vector<int16_t> samples;
	EXPECT_EQ(tunk::Render(kit.pads[pad].sound, &samples), tunk::RenderStatus::Ok);
	std::vector<float> sound;
	for (int16_t s : samples)
		sound.push_back(float(s) / 32768.0f);
	return sound;
}

// The kit's voices over live sources, with buffers for the main pair and every own output.
struct Voices {
	Voices()
	{
		for (auto& source : sources) {
			owned.push_back(std::make_unique<tunk::voices::LiveSource>());
			source = owned.back().get();
		}
		voices = std::make_unique<KitVoices>(sources);
	}

	// `frames` frames with `events` at their frames; own outputs only for the pads in `own`.
	void Run(const Kit& kit, uint32_t frames, const std::vector<KitEvent>& events = {},
	    PadMask own = 0, const KitPlayOptions& options = {})
	{
		left.assign(frames, 0.0f);
		right.assign(frames, 0.0f);
		KitOutputs outputs{left.data(), right.data(), {}};
		for (size_t i = 0; i < kMaxPads; i++) {
			pads[i].assign(frames, 0.0f);
			if (own & Bit(i))
				outputs.own[i] = pads[i].data();
		}
		voices->Begin(outputs, frames);
		for (const KitEvent& event : events)
			voices->Play(kit, options, event);
		voices->End();
	}

	std::vector<std::unique_ptr<tunk::voices::LiveSource>> owned;
	std::array<tunk::voices::ParamsSource*, 2 * kKitVoices> sources{};
	std::unique_ptr<KitVoices> voices;
	std::vector<float> left, right;
	std::array<std::vector<float>, kMaxPads> pads;
};

} // namespace

TEST(KitPlay, ANoteStartsItsPadsWithTheirGainsAndEndsTheOthersOfTheirGroups)
{
	Kit kit = NewKit();
	for (Pad& pad : kit.pads) {
		pad.level = 0;
		pad.pan = 0;
	}
	kit.pads[kPedalHat].note = 42; // closed and pedal hat on one note, in one group
	kit.pads[kClosedHat].pan = -0.5f;
	kit.pads[kClosedHat].level = -6;
	kit.pads[kPedalHat].output = PadOutput::Own;
	kit.pads[kPedalHat].pan = 1; // an own output is never panned
	KitPlayOptions options;
	options.trims[kClosedHat] = 3;
	const KitPlan plan = PlanKitEvent(kit, options, NoteOn(42, 3, 100, 17));

	EXPECT_EQ(plan.frame, 17);
	EXPECT_FALSE(plan.allOff);
	EXPECT_EQ(plan.choked, Bit(kOpenHat)) << "the pads of the note both play";
	EXPECT_EQ(plan.released, Bit(kClosedHat) | Bit(kPedalHat)) << "retrigger, on channel 3";
	EXPECT_EQ(plan.channel, 3);
	ASSERT_EQ(plan.count, 2u);
	const VoiceStart& closed = plan.starts[0];
	const VoiceStart& pedal = plan.starts[1];
	EXPECT_EQ(closed.pad, kClosedHat);
	EXPECT_EQ(pedal.pad, kPedalHat);
	EXPECT_EQ(closed.key, PadVoiceKey(3, kClosedHat));
	EXPECT_EQ(closed.velocity, 100) << "velocity is carried to the voice, not only its gain";
	EXPECT_EQ(closed.output, PadOutput::Main);
	EXPECT_EQ(pedal.output, PadOutput::Own);
	const float velocity = 100.0f / 127.0f;
	EXPECT_FLOAT_EQ(closed.gain.left, LevelGain(-6) * LevelGain(3) * velocity);
	EXPECT_FLOAT_EQ(closed.gain.right, 0.5f * LevelGain(-6) * LevelGain(3) * velocity);
	EXPECT_EQ(pedal.gain, (StereoGain{velocity, velocity}));

	// The export's view of the same pads: level and pan, an own output's in the middle.
	EXPECT_EQ(PadMixOf(kit.pads[kPedalHat]).pan, (StereoGain{1, 1}));
	EXPECT_EQ(PadMixOf(kit.pads[kClosedHat]).pan, PanGains(-0.5f));
	EXPECT_EQ(PadMixOf(kit.pads[kClosedHat]).level, LevelGain(-6));

	// Without retrigger nothing of the note's own ends; velocity scale 0 plays at full level.
	options.retrigger = false;
	options.velocityScale = 0;
	const KitPlan loose = PlanKitEvent(kit, options, NoteOn(42, 3, 1));
	EXPECT_EQ(loose.released, 0u);
	EXPECT_EQ(loose.starts[1].gain, (StereoGain{1, 1}));

	// A pad hit is the rule for one pad; the open hat ends both hats of the note.
	KitEvent hit = NoteOn(kOpenHat);
	hit.kind = KitEvent::kPadHit;
	const KitPlan open = PlanKitEvent(kit, options, hit);
	ASSERT_EQ(open.count, 1u);
	EXPECT_EQ(open.starts[0].pad, kOpenHat);
	EXPECT_EQ(open.choked, Bit(kClosedHat) | Bit(kPedalHat));

	// Note-offs end the note's pads on its channel only when asked to.
	KitEvent off = NoteOn(42, 2);
	off.kind = KitEvent::kNoteOff;
	EXPECT_EQ(PlanKitEvent(kit, options, off).released, 0u);
	options.noteOff = true;
	const KitPlan ended = PlanKitEvent(kit, options, off);
	EXPECT_EQ(ended.released, Bit(kClosedHat) | Bit(kPedalHat));
	EXPECT_EQ(ended.channel, 2);
	EXPECT_EQ(ended.count, 0u);

	// Events that name nothing do nothing.
	for (KitEvent none :
	    {NoteOn(43), NoteOn(42, 16), NoteOn(42, -1), NoteOn(42, 0, 0), NoteOn(200)}) {
		const KitPlan plan = PlanKitEvent(kit, options, none);
		EXPECT_EQ(plan.count, 0u) << none.key << " " << none.channel;
		EXPECT_EQ(plan.choked | plan.released, 0u);
	}
	hit.key = 16;
	EXPECT_EQ(PlanKitEvent(kit, options, hit).count, 0u);
	hit.key = 3;
	kit.pads.resize(3);
	EXPECT_EQ(PlanKitEvent(kit, options, hit).count, 0u) << "a pad beyond the kit";
	KitEvent all;
	all.kind = KitEvent::kAllOff;
	EXPECT_TRUE(PlanKitEvent(kit, options, all).allOff);
}

TEST(KitVoicesTest, AChokeEndsTheChokedPadsVoicesOnEveryChannel)
{
	Kit kit = DistinctKit();
	kit.pads[kOpenHat].output = PadOutput::Own;
	Voices play;
	// The open hat on three channels, the closed hat on yet another.
	play.Run(kit, 256, {NoteOn(46, 0), NoteOn(46, 5), NoteOn(46, 15)}, Bit(kOpenHat));
	ASSERT_NE(play.pads[kOpenHat][255], 0.0f);
	play.Run(kit, 1024, {NoteOn(42, 9, 127, 100)}, Bit(kOpenHat));
	const std::vector<float>& open = play.pads[kOpenHat];
	EXPECT_NE(open[100], 0.0f);
	for (size_t i = 100 + tunk::voices::kFadeSamples; i < open.size(); i++)
		ASSERT_EQ(open[i], 0.0f) << "frame " << i;
	EXPECT_EQ(play.voices->Busy(), 1) << "the closed hat alone";
}

TEST(KitVoicesTest, OwnOutputsAndTheMainPairCarryEachVoiceAsItStarted)
{
	Kit kit = DistinctKit();
	kit.pads[2].output = PadOutput::Own;
	kit.pads[2].level = 6;
	kit.pads[0].pan = 1;
	Voices play;
	play.Run(kit, 2000, {NoteOn(36, 0, 127, 10), NoteOn(38, 0, 127, 10)}, Bit(2));
	const std::vector<float> kick = PadSound(kit, 0);
	const std::vector<float> snare = PadSound(kit, 2);
	for (size_t i = 0; i < 1990; i++) {
		ASSERT_EQ(play.left[10 + i], 0.0f) << i;
		ASSERT_EQ(play.right[10 + i], kick[i]) << i;
		ASSERT_EQ(play.pads[2][10 + i], snare[i] * LevelGain(6)) << i;
	}

	// Without an output of its own the pad plays in the middle of the pair.
	Voices window;
	window.Run(kit, 2000, {NoteOn(38)});
	for (size_t i = 0; i < 2000; i++) {
		ASSERT_EQ(window.left[i], snare[i] * LevelGain(6)) << i;
		ASSERT_EQ(window.right[i], window.left[i]) << i;
	}

	// A kit with one pad, louder and panned the other way, under ringing voices: they keep
	// their gains and outputs and end as their sounds end, never cut.
	Kit one = kit;
	one.pads.resize(1);
	one.pads[0].pan = -1;
	play.Run(one, 1000, {}, Bit(2));
	for (size_t i = 0; i < 1000; i++) {
		ASSERT_EQ(play.right[i], kick[1990 + i]) << i;
		ASSERT_EQ(play.pads[2][i], snare[1990 + i] * LevelGain(6)) << i;
	}
}

TEST(KitVoicesTest, PlayingAndRenderingNeverAllocate)
{
	ASSERT_TRUE(alloc_count::Installed());
	Kit kit = DistinctKit();
	for (size_t i = 0; i < kit.pads.size(); i++) {
		kit.pads[i].sound[tunk::Param::distortionEnabled] = 1;
		kit.pads[i].sound[tunk::Param::distortion] = 1.0f + float(i);
		kit.pads[i].output = i % 3 == 0 ? PadOutput::Own : PadOutput::Main;
	}
	Voices play;
	std::vector<float> left(256), right(256);
	std::array<std::vector<float>, kMaxPads> own;
	KitOutputs outputs{left.data(), right.data(), {}};
	for (size_t i = 0; i < kMaxPads; i += 2) {
		own[i].assign(256, 0.0f);
		outputs.own[i] = own[i].data();
	}
	alloc_count::Reset();
	int64_t loud = 0;
	for (int block = 0; block < 200; block++) {
		alloc_count::Begin();
		play.voices->Begin(outputs, 256);
		for (int n = 0; n < 3; n++)
			play.voices->Play(kit, KitPlayOptions(),
			    NoteOn(kit.pads[size_t(block * 7 + n) % kMaxPads].note, (block + n) % 16, 100,
			        n * 80));
		play.voices->End();
		alloc_count::End();
		loud += std::count_if(left.begin(), left.end(), [](float s) { return s != 0.0f; });
	}
	EXPECT_GT(loud, 20000);
	EXPECT_EQ(alloc_count::Totals().allocations, 0);
	EXPECT_EQ(alloc_count::Totals().frees, 0);
}

TEST(KitVoicesTest, AKitRenderedWithEventsIsItsVoicesUntilTheLastEnds)
{
	Kit kit = DistinctKit();
	const std::vector<KitEvent> notes = {NoteOn(36, 0, 127, 0), NoteOn(38, 0, 127, 3000)};
	const StereoSound sound = RenderKitEvents(kit, KitPlayOptions(), notes);
	const std::vector<float> kick = PadSound(kit, 0);
	const std::vector<float> snare = PadSound(kit, 2);
	std::vector<float> expected(3000 + snare.size(), 0.0f);
	std::copy(kick.begin(), kick.end(), expected.begin());
	std::copy(snare.begin(), snare.end(), expected.begin() + 3000);
	while (expected.back() == 0.0f)
		expected.pop_back();
	EXPECT_EQ(sound.left, expected) << "up to the last sample that sounds";
	EXPECT_EQ(sound.right, sound.left);
	EXPECT_EQ(RenderKitEvents(kit, KitPlayOptions(), notes, 100).left.size(), 100u);
}
