#include "kit/Pattern.h"

#include <algorithm>
#include <array>
#include <cmath>

namespace {

// SplitMix64's finaliser: every input bit reaches every output bit.
uint64_t Mix(uint64_t x)
{
	x += 0x9E3779B97F4A7C15ull;
	x = (x ^ (x >> 30)) * 0xBF58476D1CE4E5B9ull;
	x = (x ^ (x >> 27)) * 0x94D049BB133111EBull;
	return x ^ (x >> 31);
}

} // namespace

float PlayedTempo(float bpm)
{
	return std::isnan(bpm) ? 120 : std::clamp(bpm, kMinTempo, kMaxTempo);
}

float PlayedSwing(float swing)
{
	return std::isnan(swing) ? 0 : std::clamp(swing, 0.0f, kMaxSwing);
}

int PlayedSteps(const Pattern& pattern)
{
	return std::clamp(pattern.steps, 1, kMaxSteps);
}

int PlayedRate(const Pattern& pattern)
{
	return ValidStepRate(pattern.stepsPerBeat) ? pattern.stepsPerBeat : 4;
}

int64_t TickFrame(double ticks, float bpm, int32_t rate)
{
	// One division of exact products: ticks (whole or swung) times 60 x rate stay far inside a
	// double's whole numbers, so the quotient is the true one correctly rounded.
	const double frames = ticks * 60.0 * double(rate) / (double(PlayedTempo(bpm)) * kTicksPerBeat);
	return int64_t(std::floor(frames + 0.5));
}

int64_t PatternTicks(const Pattern& pattern)
{
	return PlayedSteps(pattern) * (kTicksPerBeat / PlayedRate(pattern));
}

double StepTick(const Pattern& pattern, int step)
{
	const int64_t stepTicks = kTicksPerBeat / PlayedRate(pattern);
	const double late =
	    step % 2 == 1 ? double(PlayedSwing(pattern.swing)) * double(stepTicks) / 100 : 0;
	return double(step * stepTicks) + late;
}

bool StepPlays(uint64_t seed, int64_t pass, int step, size_t pad, int probability)
{
	if (probability >= 100)
		return true;
	if (probability <= 0)
		return false;
	const uint64_t place = Mix(Mix(Mix(seed) ^ uint64_t(pass)) ^ (uint64_t(step) << 8 | pad));
	return int(place % 100) < probability;
}

PatternLoop MakePatternLoop(
    const Kit& kit, std::span<const int> order, int repeats, float bpm, uint64_t seed, int32_t rate)
{
	PatternLoop loop;
	// Each pad's hits are numbered by their place in the loop, so that the loop sounds the same
	// every time round and wherever it plays.
	std::array<uint32_t, kMaxPads> numbers{};
	int64_t start = 0; // the tick the current pass starts at
	int64_t pass = 0;
	for (int repeat = 0; repeat < repeats; repeat++) {
		for (int index : order) {
			if (index < 0 || size_t(index) >= kit.patterns.size())
				continue;
			const Pattern& pattern = kit.patterns[size_t(index)];
			const int64_t stepTicks = kTicksPerBeat / PlayedRate(pattern);
			for (int step = 0; step < PlayedSteps(pattern); step++) {
				const double tick = double(start) + StepTick(pattern, step);
				for (size_t pad = 0; pad < std::min(kit.pads.size(), kMaxPads); pad++) {
					const Step& cell = pattern.lanes[pad][size_t(step)];
					if (cell.velocity == 0 || cell.velocity > 127 ||
					    !StepPlays(seed, pass, step, pad, cell.probability))
						continue;
					KitEvent hit;
					hit.kind = KitEvent::kPadHit;
					hit.key = int32_t(pad);
					hit.velocity = cell.velocity;
					hit.frame = TickFrame(tick, bpm, rate);
					hit.hit = ++numbers[pad];
					loop.hits.push_back(hit);
					loop.times.push_back({tick, stepTicks});
				}
			}
			start += PatternTicks(pattern);
			pass++;
		}
	}
	loop.ticks = start;
	loop.frames = TickFrame(double(start), bpm, rate);
	return loop;
}

std::string FindPatternOrder(const Kit& kit, const std::string& which, std::vector<int>* order)
{
	order->clear();
	if (which == "chain") {
		for (int index : kit.chain) {
			if (index >= 0 && size_t(index) < kit.patterns.size())
				order->push_back(index);
		}
		if (order->empty())
			return "the kit has no chain of its patterns";
		return "";
	}
	for (size_t i = 0; i < kit.patterns.size(); i++) {
		if (kit.patterns[i].name == which || std::to_string(i + 1) == which) {
			order->push_back(int(i));
			return "";
		}
	}
	return "the kit has no pattern '" + which + "' (" + std::to_string(kit.patterns.size()) +
	       (kit.patterns.size() == 1 ? " pattern" : " patterns") + ", numbered from 1 or named)";
}
