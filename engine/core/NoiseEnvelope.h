// The noise layer's envelope: the amplitude envelope's curve over its own decay time, and
// the hand-clap bursts, restarts of that envelope a few milliseconds apart of which only
// the last decays fully, over a time of its own where a room's tail should ring on after
// sharp bursts. A pure function of the sample's index, so a voice can resume it
// anywhere.
#pragma once

#include <array>
#include <cstdint>

#include "engine/core/Dsp.h"

namespace tunk {

class NoiseEnvelope {
public:
	static constexpr int32_t kMaxClaps = 8;

	// decayMs: the time of the fall from 1 to 0 (a value that is not above 0 is 1 ms, an
	// infinite one never falls); curve: as the amplitude envelope's; clapCount: bursts,
	// its whole part within 1 to 8 (a non-number is 1); clapSpacingMs: between the starts
	// of the bursts (a value that is not a positive finite number is 10 ms); tailMs: the last
	// burst's fall instead of decayMs (one that is not a positive finite number: none).
	NoiseEnvelope(float decayMs, float curve, float clapCount, float clapSpacingMs,
		float tailMs = 0);

	// The gain of sample i: from 1 at each burst's start along the curve, 0 once the
	// last burst has decayed (and before sample 0).
	float At(int64_t i) const;
	// At() for the n samples from `first` on. The exponential is taken afresh at each
	// burst's start and every kAnchor samples, and from there multiplied by the powers of
	// its step, so that a sample's gain does not depend on where a block begins and the
	// samples of a run do not wait on one another.
	void AtBlock(int64_t first, float* out, int32_t n) const;
	static constexpr int64_t kAnchor = 256;

	// The first sample from which every gain is 0.
	int64_t End() const { return end; }
	int32_t Claps() const { return claps; }

private:
	// The burst that sample i (0 <= i) belongs to, and the first sample of burst b.
	int32_t BurstOf(int64_t i) const;
	int64_t FirstOfBurst(int32_t b) const;
	// The envelope's position in its burst.
	double Position(int64_t i, int32_t burst) const;
	// The fall of burst b and the powers of its step.
	double DecayOf(int32_t b) const { return b == claps - 1 ? tailSamples : decaySamples; }
	const double* PowersOf(int32_t b) const
	{
		return b == claps - 1 && tailed ? tailPowers.data() : powers.data();
	}

	dsp::EnvelopeCurve curve;
	// For the stepped exponential: (e^(c / decaySamples))^m for m within a run (each the
	// one before times the step) and 1 / (1 - e^c). Curves near the straight line, beyond
	// the float range or not numbers go through `curve` instead.
	bool stepped;
	double c;
	std::array<double, kAnchor> powers;
	double perDenominator;
	double decaySamples;
	// The last burst's fall: decaySamples without a tail of its own.
	bool tailed;
	double tailSamples;
	std::array<double, kAnchor> tailPowers;
	double spacingSamples;
	int32_t claps;
	int64_t end;
};

}  // namespace tunk
