// The block passes of the renderers: the work on a block of samples that does not depend on
// the serial chain of phase and filter, done several samples at a time on the vector unit
// the processor has. The path is chosen at run time; every path gives exactly the samples of
// the plain one, which evaluates the per-sample definitions (Dsp.h, ToneLayers.h, NoiseSource)
// one sample at a time.
#pragma once

#include <cstdint>
#include <string>
#include <vector>

#include "engine/core/Dsp.h"

namespace tunk::kernels {

// The largest block any pass takes.
constexpr int32_t kMaxBlock = 256;

// out[k] = float((i - start) / a / b) for i = first + k past `start`, 0 up to it.
void Ramp(int64_t first, double start, double a, double b, float* out, int32_t n);

// out[k] = curve.At(x[k]).
void Curve(const dsp::EnvelopeCurve& curve, const float* x, float* out, int32_t n);

// out[k] = dsp::ExpNumerator(args[k]): the numerator of the exponential curve, the one
// place where a vector function stands in for the C library's exp.
void ExpNumerators(const float* args, float* out, int32_t n);

// The phase increment of a pitch envelope's value: hz = env * span + end, then
// float(hz * 2048 / sample rate), in place.
void Increments(float span, float end, float* env, int32_t n);

// The attack's linear rise at sample i = first + k: float(i / attackSamples) below the
// attack's end, 1 from there on; multiplied into `gains` when `multiply`, else stored.
void Rise(int64_t first, double attackSamples, bool multiply, float* gains, int32_t n);

// The noise envelope along one run of its exponential, e0 at sample `first`:
// out[k] = DecayGainAt(e0 * powers[k], first + k, start, decay, perDenominator).
void DecayGains(double e0, const double* powers, int64_t first, double start, double decay,
	double perDenominator, float* out, int32_t n);

// One of metal's square waves: its phase at sample 0 and its step per sample in turns of
// 2^-32, the step as a float and its inverse (for the edges' corrections), and its gain.
struct MetalWave {
	uint32_t phase;
	uint32_t step;
	float dt;
	float perDt;
	float gain;
};
// Metal's `count` waves summed for samples first + k, wave by wave from 0.
void Metal(const MetalWave* waves, int32_t count, int64_t first, float* out, int32_t n);

// The oscillator's samples at the phases of a block: out[k] = ReadTable(table, phases[k]).
void Tone(const float* table, const float* phases, float* out, int32_t n);
// A second tone added: s[k] = s[k] + ReadTable(table, phases[k]) * level.
void AddTone(const float* table, const float* phases, float level, float* s, int32_t n);
// The wave shaper in place: s[k] = ShapeLookup(table, s[k]).
void Shape(const float* table, float* s, int32_t n);
// s[k] = s[k] * gains[k] * amplitude, in that order; without gains (null), s[k] * amplitude.
void Amplify(const float* gains, float amplitude, float* s, int32_t n);
// s[k] = s[k] + noise[k] * gains[k].
void Mix(const float* noise, const float* gains, float* s, int32_t n);
// out[k] = ToSample(s[k]).
void ToSamples(const float* s, int16_t* out, int32_t n);

// n white noise samples from a generator at `state` (NoiseGenerator's): out[k] is the
// (k + 1)th NextSigned() from there.
void White(uint64_t state, float* out, int32_t n);

// Pink noise from white: out[k] = PinkStep(state, white[k]) in order, leaving `state` (its
// seven values) after the block.
void Pink(float* state, const float* white, float* out, int32_t n);

// The code paths: the plain one (id 0) and every vector path this machine can run. A path
// forced with UsePath stays until the next call; id -1 returns to the best one.
struct Path {
	int64_t id;
	std::string name;
};
std::vector<Path> Paths();
void UsePath(int64_t id);
// The path the passes take now.
std::string CurrentPath();

}  // namespace tunk::kernels
