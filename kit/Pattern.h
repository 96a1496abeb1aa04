// Where a pattern's steps fall, and the hits of a loop: one rule for every player of a kit's
// patterns (the kit window, tunk-render, the exports). Pure functions; no toolkit, no files.
//
// Time is counted in ticks of 1/2400 beat: every step rate divides a beat into whole ticks, so
// that a chain of patterns at different rates starts each pattern on a whole tick, and a whole
// percent of swing delays a step by whole ticks, so that the usual swings are exact too. A tick
// becomes a frame once, from the loop's start: the nearest whole frame to ticks x 60 / BPM / 2400
// seconds, never a sum of steps, so that nothing drifts however many bars play.
#pragma once

#include <cstdint>
#include <span>
#include <string>
#include <vector>

#include "kit/Kit.h"
#include "kit/KitPlay.h"

constexpr float kMinTempo = 20;
constexpr float kMaxTempo = 300;
constexpr float kMaxSwing = 75;
constexpr int64_t kTicksPerBeat = 2400;
constexpr int kStepRates[] = {2, 3, 4, 6, 8};

constexpr bool ValidStepRate(int stepsPerBeat)
{
	for (int rate : kStepRates) {
		if (rate == stepsPerBeat)
			return true;
	}
	return false;
}

// The values as they play: a tempo within kMinTempo..kMaxTempo (no number: 120), a swing within
// 0..kMaxSwing (no number: 0), a length within 1..kMaxSteps, a step rate of kStepRates (another:
// 4).
float PlayedTempo(float bpm);
float PlayedSwing(float swing);
int PlayedSteps(const Pattern& pattern);
int PlayedRate(const Pattern& pattern);

// The frame `ticks` after the start at `bpm` and `rate` frames a second, the nearest one (a
// tie goes later).
int64_t TickFrame(double ticks, float bpm, int32_t rate);

// Ticks of one pass of a pattern, and where its step `step` falls within the pass: odd steps
// come late by the swing's share of a step.
int64_t PatternTicks(const Pattern& pattern);
double StepTick(const Pattern& pattern, int step);

// Whether a step of probability `probability` (percent) plays: a pure function of the seed and
// the step's place (which pass of the loop's patterns, which step, which pad), so that a loop
// renders the same every time.
bool StepPlays(uint64_t seed, int64_t pass, int step, size_t pad, int probability);

// A loop: `frames` long (`ticks` ticks), its hits in frame order as pad hits on channel 0
// (pads of one step in the pads' order), each at the frame of its step and numbered, pad by
// pad, by its place in the loop (the variation it plays, KitEvent::hit); beside each hit its
// tick and the ticks of one of its pattern's steps (the MIDI file's note length).
struct PatternLoop {
	int64_t frames = 0;
	int64_t ticks = 0;
	std::vector<KitEvent> hits;
	struct Time {
		double tick = 0;
		int64_t stepTicks = 0;
	};
	std::vector<Time> times;
};

// What to play: `order` names patterns of the kit by index, each played once in turn, and the
// whole order `repeats` times. Indices beyond the kit's patterns and lanes beyond its pads
// play nothing.
PatternLoop MakePatternLoop(const Kit& kit, std::span<const int> order, int repeats, float bpm,
    uint64_t seed, int32_t rate);

// The pattern named by `which` as a user gives it: its number from 1, its name, or "chain"
// for the kit's chain. The order it plays in; an error text, "" when it names one.
std::string FindPatternOrder(const Kit& kit, const std::string& which, std::vector<int>* order);
