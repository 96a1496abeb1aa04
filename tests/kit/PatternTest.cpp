// Patterns: every step on the sample its time names, over any number of bars; probability
// that renders the same every time; loops that tile and wrap their tails; stems that are the
// mix and each pad's own sound.
#include "kit/Pattern.h"

#include <array>
#include <cmath>
#include <gtest/gtest.h>

#include "engine/voices/Player.h"
#include "kit/LoopRender.h"

namespace {

constexpr int32_t kRate = 44100;

// The frame of a hit worked out in whole numbers: ticks x 100 (so that a whole swing in percent
// stays whole) over the ticks' frames, rounded to the nearest, a tie later.
int64_t ExactFrame(int64_t stepsBefore, int step, int stepsPerBeat, int swing, int bpm)
{
	const int64_t stepTicks = kTicksPerBeat / stepsPerBeat;
	const int64_t ticks100 =
	    (stepsBefore + step) * stepTicks * 100 + (step % 2 == 1 ? swing * stepTicks : 0);
	const int64_t num = ticks100 * 60 * kRate;
	const int64_t den = int64_t(bpm) * kTicksPerBeat * 100;
	return (2 * num + den) / (2 * den);
}

Pattern Every(int steps, int stepsPerBeat, float swing, size_t pad = 0, uint8_t velocity = 127)
{
	Pattern pattern;
	pattern.steps = steps;
	pattern.stepsPerBeat = stepsPerBeat;
	pattern.swing = swing;
	for (int step = 0; step < steps; step++)
		pattern.lanes[pad][size_t(step)].velocity = velocity;
	return pattern;
}

Kit OnePadKit(float durationMs)
{
	Kit kit;
	Pad pad;
	pad.sound[tunk::Param::duration] = durationMs;
	kit.pads.push_back(pad);
	return kit;
}

std::vector<int16_t> Shorts(const std::vector<float>& samples)
{
	std::vector<int16_t> out;
	for (float sample : samples)
		out.push_back(tunk::voices::ToShort(sample));
	return out;
}

} // namespace

TEST(Pattern, EveryStepFallsOnTheSampleNearestItsTimeForEveryRateLengthSwingAndTempo)
{
	Kit kit = OnePadKit(50);
	for (int rate : kStepRates) {
		for (int steps : {1, 7, 16, 64}) {
			for (int swing : {0, 33, 50, 75}) {
				for (int bpm : {20, 97, 120, 133, 300}) {
					kit.patterns = {Every(steps, rate, float(swing))};
					const int order[] = {0};
					const PatternLoop loop = MakePatternLoop(kit, order, 3, float(bpm), 0, kRate);
					ASSERT_EQ(loop.hits.size(), size_t(3 * steps));
					EXPECT_EQ(loop.frames, ExactFrame(3 * steps, 0, rate, 0, bpm));
					for (size_t i = 0; i < loop.hits.size(); i++) {
						const int64_t pass = int64_t(i) / steps;
						const int step = int(int64_t(i) % steps);
						ASSERT_EQ(
						    loop.hits[i].frame, ExactFrame(pass * steps, step, rate, swing, bpm))
						    << rate << " steps a beat, " << steps << " steps, swing " << swing
						    << ", " << bpm << " BPM, hit " << i;
						EXPECT_EQ(loop.hits[i].kind, KitEvent::kPadHit);
						EXPECT_EQ(loop.hits[i].velocity, 127);
					}
				}
			}
		}
	}

	// A thousand bars at a tempo whose steps are no whole number of samples: no drift.
	kit.patterns = {Every(16, 4, 0), Every(12, 3, 60)};
	const int both[] = {0, 1};
	const PatternLoop long_ = MakePatternLoop(kit, both, 1000, 133, 0, kRate);
	ASSERT_EQ(long_.hits.size(), 28000u);
	for (size_t i = 0; i < long_.hits.size(); i += 1) {
		const int64_t bars = int64_t(i) / 28;
		const int within = int(int64_t(i) % 28);
		// Both patterns are four beats: the second starts four beats after the first.
		const int64_t frame = within < 16 ? ExactFrame(bars * 16 * 2, within, 4, 0, 133)
		                                  : ExactFrame(bars * 12 * 2 + 12, within - 16, 3, 60, 133);
		ASSERT_EQ(long_.hits[i].frame, frame) << "hit " << i;
	}
	EXPECT_EQ(long_.frames,
	    ExactFrame(0, 0, 4, 0, 133) + (2000LL * 4 * 60 * kRate * 2 + 133) / (2 * 133));
	// Values beyond their ranges play as the nearest end.
	kit.patterns = {Every(4, 7, 200)};
	const int one[] = {0};
	const PatternLoop clamped = MakePatternLoop(kit, one, 1, 1000, 0, kRate);
	EXPECT_EQ(clamped.hits[1].frame, ExactFrame(0, 1, 4, 75, 300));
}

TEST(Pattern, ProbabilityIsTheSameForTheSameSeedAndPlaceAndNamedPatternsAreFound)
{
	Kit kit = OnePadKit(50);
	kit.pads.push_back(kit.pads[0]);
	Pattern pattern = Every(64, 4, 0);
	for (Step& step : pattern.lanes[0])
		step.probability = 30;
	pattern.lanes[1] = pattern.lanes[0];
	for (Step& step : pattern.lanes[1])
		step.probability = 0;
	pattern.lanes[1][5] = {100, 100};
	kit.patterns = {pattern};
	const int order[] = {0};
	const PatternLoop a = MakePatternLoop(kit, order, 50, 120, 7, kRate);
	const PatternLoop b = MakePatternLoop(kit, order, 50, 120, 7, kRate);
	const PatternLoop c = MakePatternLoop(kit, order, 50, 120, 8, kRate);
	auto frames = [](const PatternLoop& loop, int pad) {
		std::vector<int64_t> out;
		for (const KitEvent& hit : loop.hits) {
			if (hit.key == pad)
				out.push_back(hit.frame);
		}
		return out;
	};
	EXPECT_EQ(frames(a, 0), frames(b, 0));
	EXPECT_NE(frames(a, 0), frames(c, 0));
	// About three in ten of 3200 steps play, and the passes differ from each other.
	EXPECT_GT(frames(a, 0).size(), 850u);
	EXPECT_LT(frames(a, 0).size(), 1070u);
	// 0 never plays, 100 always.
	EXPECT_EQ(frames(a, 1).size(), 50u);

	kit.patterns[0].name = "Verse";
	kit.patterns.push_back(Every(4, 2, 0));
	kit.patterns[1].name = "Fill";
	std::vector<int> found;
	EXPECT_EQ(FindPatternOrder(kit, "Fill", &found), "");
	EXPECT_EQ(found, std::vector<int>{1});
	EXPECT_EQ(FindPatternOrder(kit, "1", &found), "");
	EXPECT_EQ(found, std::vector<int>{0});
	EXPECT_EQ(FindPatternOrder(kit, "3", &found),
	    "the kit has no pattern '3' (2 patterns, numbered from 1 or named)");
	EXPECT_EQ(FindPatternOrder(kit, "chain", &found), "the kit has no chain of its patterns");
	kit.chain = {1, 0, 1};
	EXPECT_EQ(FindPatternOrder(kit, "chain", &found), "");
	EXPECT_EQ(found, (std::vector<int>{1, 0, 1}));
}

TEST(Pattern, ALoopIsItsBarsLongTilesAndCarriesTheTailsOfItsLastHitsAtItsStart)
{
	// A sound ten times the loop: its tails wrap round many times.
	Kit kit = OnePadKit(1000);
	Pattern last;
	last.steps = 4;
	last.stepsPerBeat = 8;
	last.lanes[0][3].velocity = 100;
	kit.patterns = {last};
	const int order[] = {0};
	KitPlayOptions options;
	options.retrigger = false;
	const PatternLoop loop = MakePatternLoop(kit, order, 1, 300, 0, kRate);
	ASSERT_EQ(loop.frames, 4410);
	const LoopSound sound = RenderLoop(kit, options, loop);
	ASSERT_EQ(sound.mix.left.size(), 4410u);
	const KitEvent hit[] = {loop.hits[0]};
	const StereoSound alone = RenderKitEvents(kit, options, std::span(hit).first(1));
	const int64_t at = loop.hits[0].frame;
	ASSERT_EQ(at, 3308); // 3307.5: a tie goes later
	for (int64_t j = 0; j < loop.frames; j++) {
		// Every earlier time round the loop sounds here too.
		double expected = 0;
		for (int64_t k = j - at + (j < at ? loop.frames : 0); k < int64_t(alone.left.size()) - at;
		     k += loop.frames)
			expected += alone.left[size_t(k + at)];
		ASSERT_NEAR(sound.mix.left[size_t(j)], expected, 1e-5) << j;
	}

	// A one-bar loop laid twice is the two-bar loop, with a choke and retrigger at play.
	Kit full = OnePadKit(3000);
	full.pads.push_back(full.pads[0]);
	full.pads[0].choke = full.pads[1].choke = 1;
	full.pads[1].pan = -0.5f;
	for (int rate : {3, 4}) {
		for (float swing : {0.0f, 60.0f}) {
			Pattern beat = Every(4 * rate, rate, swing, 0, 90);
			beat.lanes[1][1].velocity = 127;
			beat.lanes[1][4] = {127, 100};
			full.patterns = {beat};
			const LoopSound one =
			    RenderLoop(full, {}, MakePatternLoop(full, order, 1, 120, 0, kRate));
			const LoopSound two =
			    RenderLoop(full, {}, MakePatternLoop(full, order, 2, 120, 0, kRate));
			ASSERT_EQ(one.mix.left.size(), 88200u);
			std::vector<float> twice = one.mix.left;
			twice.insert(twice.end(), one.mix.left.begin(), one.mix.left.end());
			EXPECT_EQ(twice, two.mix.left) << rate << " " << swing;
			twice = one.mix.right;
			twice.insert(twice.end(), one.mix.right.begin(), one.mix.right.end());
			EXPECT_EQ(twice, two.mix.right) << rate << " " << swing;
			// Each pad's hits are numbered by their place in the loop.
			std::array<uint32_t, kMaxPads> count{};
			for (const KitEvent& hit : MakePatternLoop(full, order, 2, 120, 0, kRate).hits)
				ASSERT_EQ(hit.hit, ++count[size_t(hit.key)]) << hit.frame;
			EXPECT_GT(count[0], 4u);
		}
	}
}

TEST(Pattern, StemsSumToTheMixAndEachIsItsPadsOwnSound)
{
	Kit kit = OnePadKit(300);
	kit.pads.push_back(OnePadKit(700).pads[0]);
	kit.pads.push_back(OnePadKit(200).pads[0]);
	kit.pads[1].sound[tunk::Param::startFreq] = 900;
	kit.pads[1].pan = 0.7f;
	// Quiet enough that the mix never clips, where the stems' sum would go beyond it.
	kit.pads[0].level = -10;
	kit.pads[1].level = -14;
	kit.pads[2].output = PadOutput::Own;
	kit.pads[2].level = -7;
	Pattern beat = Every(8, 2, 40, 0, 127);
	beat.lanes[1][3].velocity = 64;
	beat.lanes[2][6].velocity = 100;
	kit.patterns = {beat};
	const int order[] = {0};
	const PatternLoop loop = MakePatternLoop(kit, order, 1, 150, 0, kRate);
	const LoopSound sound = RenderLoop(kit, {}, loop, true);
	ASSERT_EQ(sound.stems.size(), 3u);
	// The mix is the mix rendered without stems.
	EXPECT_EQ(sound.mix.left, RenderLoop(kit, {}, loop).mix.left);
	const std::vector<int16_t> mixLeft = Shorts(sound.mix.left), mixRight = Shorts(sound.mix.right);
	std::vector<std::vector<int16_t>> stemLeft, stemRight;
	for (const StereoSound& stem : sound.stems) {
		stemLeft.push_back(Shorts(stem.left));
		stemRight.push_back(Shorts(stem.right));
	}
	ASSERT_LT(*std::max_element(sound.mix.left.begin(), sound.mix.left.end()), 1.0f);
	for (size_t j = 0; j < mixLeft.size(); j++) {
		EXPECT_LE(std::abs(stemLeft[0][j] + stemLeft[1][j] + stemLeft[2][j] - mixLeft[j]), 3) << j;
		EXPECT_LE(std::abs(stemRight[0][j] + stemRight[1][j] + stemRight[2][j] - mixRight[j]), 3)
		    << j;
	}
	// Pad 2's only hit, at velocity 64 and its pan, is its sound alone.
	const KitEvent hit[] = {{KitEvent::kPadHit, 1, 0, 64, 0}};
	const StereoSound alone = RenderKitEvents(kit, {}, hit);
	const int64_t at = loop.hits[4].frame;
	ASSERT_EQ(loop.hits[4].key, 1);
	ASSERT_EQ(at, ExactFrame(0, 3, 2, 40, 150));
	for (size_t k = 0; k < alone.left.size(); k++) {
		const size_t j = size_t(at + int64_t(k)) % size_t(loop.frames);
		ASSERT_NEAR(sound.stems[1].left[j], alone.left[k], 1e-6) << k;
		ASSERT_NEAR(sound.stems[1].right[j], alone.right[k], 1e-6) << k;
	}
	// The pad on its own output is in the middle of its stem, as in the mix.
	EXPECT_EQ(sound.stems[2].left, sound.stems[2].right);
	EXPECT_NE(*std::max_element(sound.stems[2].left.begin(), sound.stems[2].left.end()), 0.0f);
}
