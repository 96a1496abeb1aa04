// The tone's additions of the second engine: the end pitch, the attack and hold before the
// amplitude envelope's decay, and the second tone. Each leaves the first engine's numbers
// untouched at its neutral setting, so a tone that uses none of them renders bit for bit
// as the first engine's chain.
#pragma once

#include <cmath>
#include <cstdint>

#include "engine/core/Dsp.h"
#include "engine/core/Kernels.h"
#include "engine/core/Params.h"

namespace tunk {

// The pitch envelope between a start and an end frequency: start at envelope 1, end at
// envelope 0. With an end of 0 the product and the sum round exactly as the first engine's
// envelope times start frequency (adding +0 changes no float; a -0 becomes +0, which adds
// to a phase the same way).
class PitchSpan {
public:
	PitchSpan(float startHz, float endHz) : span(startHz - endHz), end(endHz) {}
	float Hz(float envelope) const { return envelope * span + end; }
	float Span() const { return span; }
	float End() const { return end; }

private:
	float span;
	float end;
};

// The amplitude envelope's time line: a linear rise over the attack (whether or not the
// decay is on), full level over the hold, then the decay curve over what is left of the
// duration. Attack and hold of 0 give the first engine's positions exactly.
class AmpShape {
public:
	// Negative or non-number attack and hold count as 0. When attack and hold fill the
	// whole duration the decay never begins.
	AmpShape(float durationMs, float attackMs, float holdMs)
	{
		const double attack = attackMs > 0 ? double(attackMs) : 0.0;
		const double hold = holdMs > 0 ? double(holdMs) : 0.0;
		attackSamples = attack * kSampleRate / 1000.0;
		decayStart = (attack + hold) * kSampleRate / 1000.0;
		decaySeconds = double(durationMs) / 1000.0 - (attack + hold) / 1000.0;
	}

	// Whether the rise is below 1 anywhere from sample i on.
	bool RisingFrom(int64_t i) const { return double(i) < attackSamples; }
	double AttackSamples() const { return attackSamples; }

	// The rise's gain at sample i: i / attack below the attack's end, 1 from there on.
	float Rise(int64_t i) const { return dsp::RiseAt(i, attackSamples); }

	// The decay curve's position at sample i: 0 until the decay begins (where every curve
	// is 1), then the time since its start over its length, as the first engine forms it.
	float DecayPosition(int64_t i) const
	{
		return decaySeconds > 0 ? dsp::RampAt(i, decayStart, decaySeconds, kSampleRate) : 0.0f;
	}
	// DecayPosition for the n samples from `first` on.
	void DecayPositions(int64_t first, float* out, int32_t n) const
	{
		if (decaySeconds > 0) {
			kernels::Ramp(first, decayStart, decaySeconds, kSampleRate, out, n);
		} else {
			for (int32_t k = 0; k < n; k++)
				out[k] = 0.0f;
		}
	}

private:
	double attackSamples = 0;
	double decayStart = 0;
	double decaySeconds = 0;
};

// A second oscillator on the first one's wave table at a fixed ratio of its increment.
class SecondTone {
public:
	// A level or ratio that is not a finite number silences the tone.
	SecondTone(float level, float ratio)
		: level(std::isfinite(level) && std::isfinite(ratio) ? level : 0.0f), ratio(ratio) {}

	bool On() const { return level != 0; }

	float Level() const { return level; }

	// The phase this tone reads at a sample of the first tone's increment there (its own
	// is the ratio times it), advancing its phase past the sample.
	float Advance(float increment)
	{
		const float now = phase;
		phase = dsp::WrapPhase(phase + increment * ratio);
		return now;
	}

private:
	float level;
	float ratio;
	float phase = 0;
};

}  // namespace tunk
