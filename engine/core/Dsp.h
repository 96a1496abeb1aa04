// Per-sample building blocks of the synthesis, inline so that the block renderer and the
// window engine's single-step operations (Oscillator, Distort, ExpEnvelope, iir_filter)
// share one definition and therefore give bit-identical results.
#pragma once

#include <bit>
#include <cmath>
#include <cstdint>

#include "engine/core/Params.h"

namespace tunk::dsp {

// WrapPhase (below) of every phase, kept out of line for those not already in the period.
[[gnu::noinline]] inline float WrapPhaseOutside(float phase)
{
	// The common cases first; each gives exactly what the general rule below gives.
	if (phase >= 0 && phase < float(kTableLength))
		return phase;
	if (phase >= float(kTableLength) && phase < float(2 * kTableLength))
		return phase - float(kTableLength);
	if (phase > -2147483648.0f && phase < 2147483648.0f) {
		int32_t whole = int32_t(phase);
		phase = float(whole & (kTableLength - 1)) + (phase - float(whole));
		if (phase < 0)
			phase += float(kTableLength);
	} else if (std::isfinite(phase)) {
		phase = float(std::fmod(double(phase), double(kTableLength)));
		if (phase < 0)
			phase += float(kTableLength);
	} else {
		return 0;
	}
	// A tiny negative phase plus 2048 may round up to 2048 itself.
	return phase < float(kTableLength) ? phase : 0;
}

// Brings a phase into [0, 2048): the truncated integer part is taken modulo 2048 and the
// fraction added back. Negative phases (a negative frequency) get the true modulo; a
// phase that is not finite restarts the period at 0, so no table index is ever formed
// from it.
inline float WrapPhase(float phase)
{
	// From +0 up to the period, as nearly every phase is, the phase stands. Positive floats
	// order as their bits, so one integer test finds that (a float test with its unordered
	// case costs the serial phase loops far more), and the rest is out of their way.
	if (std::bit_cast<uint32_t>(phase) < std::bit_cast<uint32_t>(float(kTableLength))) [[likely]]
		return phase;
	return WrapPhaseOutside(phase);
}

// Linear interpolation at a position in [0, 2048) of a table with a guard entry at 2048.
inline float ReadTable(const float* table, float position)
{
	int32_t i = int32_t(position);
	float f = position - float(i);
	return (table[i + 1] - table[i]) * f + table[i];
}

// The wave shaper's lookup: x in [-1, +1] maps onto the table's 2048 steps. Inputs beyond
// the ends hold the end values; a non-number passes through.
inline float ShapeLookup(const float* table, float x)
{
	float position = 1024.0f * x + 1024.0f;
	if (position >= 0 && position < float(kTableLength))
		return ReadTable(table, position);
	if (position >= float(kTableLength))
		return table[kTableLength];
	if (position < 0)
		return table[0];
	return position;
}

// One sample through the cascade of second-order sections (direct form II), rounding to
// float after every product-and-add.
inline float FilterSample(float input, const float* coef, float* history, uint32_t sections)
{
	float y = input * coef[0];
	for (uint32_t n = 0; n < sections; n++) {
		const float* c = coef + 1 + 4 * n;
		float* h = history + 2 * n;
		float h1 = h[0];
		float h2 = h[1];
		y = y - h1 * c[0];
		float w = y - h2 * c[1];
		y = w + h1 * c[2];
		y = y + h2 * c[3];
		h[1] = h1;
		h[0] = w;
	}
	return y;
}

// floor(s * 32767) as a 16-bit sample, saturated at the ends; a non-number gives 0.
inline int16_t ToSample(float s)
{
	double v = double(s) * 32767.0;
	if (!(v > -32768.0))
		return std::isnan(v) ? 0 : -32768;
	if (v >= 32767.0)
		return 32767;
	int32_t whole = int32_t(v);
	if (double(whole) > v)
		whole--;
	return int16_t(whole);
}

// 1 - e^arg as a float, worked out in double: the numerator (and denominator) of the
// exponential curve below. The vector passes must give exactly this float.
inline float ExpNumerator(float arg)
{
	return float(1.0 - std::exp(double(arg)));
}

// The envelope 1 - (1 - e^(x c)) / (1 - e^c) for one curve c, with the parts that do not
// depend on x worked out once.
class EnvelopeCurve {
public:
	explicit EnvelopeCurve(float curve) : c(curve)
	{
		if (std::isnan(curve)) {
			kind = kLine;
		} else if (std::isinf(curve)) {
			kind = curve > 0 ? kStepAtEnd : kStepAtStart;
		} else {
			denominator = ExpNumerator(curve);
			if (denominator == 0)
				kind = kLine;  // curve 0 or too close to it: the limit is the straight line
			else if (std::isinf(denominator))
				kind = kHuge;  // e^c beyond the float range
			else
				kind = kExp;
		}
	}

	float At(float x) const
	{
		if (kind == kExp) {
			float numerator = ExpNumerator(x * c);
			return float(1.0 - double(numerator) / double(denominator));
		}
		return Special(x);
	}

	// For the vector passes, which take the common kind themselves and leave the others
	// to At().
	bool Exponential() const { return kind == kExp; }
	float Curvature() const { return c; }
	float Denominator() const { return denominator; }

private:
	float Special(float x) const
	{
		switch (kind) {
			case kLine: return 1.0f - x;
			case kStepAtEnd: return x < 1.0f ? 1.0f : 0.0f;
			case kStepAtStart: return x <= 0.0f ? 1.0f : 0.0f;
			default: break;
		}
		float numerator = ExpNumerator(x * c);
		if (std::isfinite(numerator))
			return float(1.0 - double(numerator) / double(denominator));  // exactly 1
		// Both terms overflow: (1 - e^(xc)) / (1 - e^c) rewritten so that nothing does.
		double cd = double(c);
		double xd = double(x);
		double ratio = std::exp((xd - 1.0) * cd) * (std::expm1(-xd * cd) / std::expm1(-cd));
		double value = 1.0 - ratio;
		if (!(value > 0.0))
			return 0.0f;
		return value < 1.0 ? float(value) : 1.0f;
	}

	enum Kind { kExp, kLine, kHuge, kStepAtEnd, kStepAtStart };

	float c;
	float denominator = 1.0f;
	Kind kind = kExp;
};

// A position along a time line: (i - start) / a / b for a sample i past `start`, 0 up to
// it (the envelopes' x, from the sample's index).
inline float RampAt(int64_t i, double start, double a, double b)
{
	const double t = double(i) - start;
	return t > 0 ? float(t / a / b) : 0.0f;
}

// The attack's linear rise at sample i: i / attackSamples below its end, 1 from there on.
inline float RiseAt(int64_t i, double attackSamples)
{
	const double t = double(i);
	return t < attackSamples ? float(t / attackSamples) : 1.0f;
}

// The noise envelope's gain at sample i of a burst that began at `start`, from its
// exponential e there: 1 - (1 - e) / (1 - e^c) while within the decay and above 0, held
// at 1; 0 once decayed.
inline float DecayGainAt(double e, int64_t i, double start, double decay, double perDenominator)
{
	const double gain = 1.0 - (1.0 - e) * perDenominator;
	const bool decaying = double(i) - start < decay && gain > 0;
	return decaying ? (gain < 1.0 ? float(gain) : 1.0f) : 0.0f;
}

// The oscillator's phase increment for a pitch envelope's value: hz = env * span + end.
inline float IncrementAt(float env, float span, float end)
{
	const float hz = env * span + end;
	return float(double(hz) * 2048.0 / kSampleRate);
}

// The correction that band-limits one edge of a square wave (a polynomial step two samples
// wide), at the position t in [0, 1) after the edge, for the step dt (1 / dt given).
inline float EdgeCorrection(float t, float dt, float perDt)
{
	if (t < dt) {
		const float a = t * perDt;
		return a + a - a * a - 1.0f;
	}
	if (t > 1.0f - dt) {
		const float b = (t - 1.0f) * perDt;
		return b * b + b + b + 1.0f;
	}
	return 0.0f;
}

// A band-limited square wave at sample i, from its phase at sample 0 and its step per
// sample in turns of 2^-32 (whole numbers, so that any sample's phase is exact and the
// same however it is reached); dt and perDt are the step as a float (below 0.5) and its
// inverse. Not yet scaled.
inline float SquareAt(int64_t i, uint32_t phase, uint32_t step, float dt, float perDt)
{
	const uint32_t turns = phase + uint32_t(i) * step;  // modulo 2^32, one period
	// The top 24 bits: a float in [0, 1) exactly, and half a period away exactly too.
	const float p = float(turns >> 8) * 0x1p-24f;
	float square = p < 0.5f ? 1.0f : -1.0f;
	const float half = p < 0.5f ? p + 0.5f : p - 0.5f;
	if (p < dt || p > 1.0f - dt || half < dt || half > 1.0f - dt)
		square += EdgeCorrection(p, dt, perDt) - EdgeCorrection(half, dt, perDt);
	return square;
}

// Pink noise, Paul Kellet's weighting of white noise into -3 dB/octave: six leaky
// integrators of different speeds (b[0] to b[5]) and a one-sample delay (b[6]) summed in
// order with the white sample weighted in, scaled to about white's loudness; the rare
// peaks beyond full scale are held there. Steps the integrators by the white sample w and
// returns the pink one.
inline float PinkStep(float* b, float w)
{
	b[0] = 0.99886f * b[0] + w * 0.0555179f;
	b[1] = 0.99332f * b[1] + w * 0.0750759f;
	b[2] = 0.96900f * b[2] + w * 0.1538520f;
	b[3] = 0.86650f * b[3] + w * 0.3104856f;
	b[4] = 0.55000f * b[4] + w * 0.5329522f;
	b[5] = -0.7616f * b[5] - w * 0.0168980f;
	float sum = b[0];
	for (int32_t i = 1; i < 7; i++)
		sum = sum + b[i];
	b[6] = w * 0.115926f;
	sum = (sum + w * 0.5362f) * 0.25f;
	return sum > 1.0f ? 1.0f : (sum < -1.0f ? -1.0f : sum);
}

}  // namespace tunk::dsp
