// The noise layer's sources: white noise from a seeded generator, pink noise filtered from
// it, and "metal", six square waves at fixed inharmonic ratios of one tuning, the way
// analogue hi-hats and cymbals are built. Everything follows from the settings and the
// seed, so every render of a sound (window, renderer, plugin) gives the same samples.
#pragma once

#include <array>
#include <cstddef>
#include <cstdint>

#include "engine/core/Kernels.h"

namespace tunk {

// The codes of the noiseType parameter.
enum class NoiseType : int32_t { White = 1, Pink = 2, Metal = 3 };

// The type of a parameter's code: 2 and 3 as above, every other value white.
NoiseType NoiseTypeOf(float code);

// The seed of a parameter's value: its whole part within 0 to 65535; a non-number is 1
// (the default seed).
uint32_t NoiseSeedOf(float value);

// SplitMix64: every seed, 0 included, starts a full-quality sequence.
class NoiseGenerator {
public:
	explicit NoiseGenerator(uint64_t seed = 1) : state(seed) {}

	static constexpr uint64_t kStep = 0x9E3779B97F4A7C15ull;

	// The output for a state: each is a pure function of the state, and the state only
	// steps by kStep, so any output can be worked out from the start's state.
	static uint64_t Mix(uint64_t z)
	{
		z = (z ^ (z >> 30)) * 0xBF58476D1CE4E5B9ull;
		z = (z ^ (z >> 27)) * 0x94D049BB133111EBull;
		return z ^ (z >> 31);
	}

	// Uniform in [-1, 1), on a grid of 2^-23 so that every value is an exact float.
	static float Signed(uint64_t z)
	{
		int32_t bits = int32_t(z >> 40) - (1 << 23);
		return float(bits) * (1.0f / float(1 << 23));
	}

	uint64_t Next()
	{
		state += kStep;
		return Mix(state);
	}

	float NextSigned() { return Signed(Next()); }

	// The state before the next output; Skip(n) passes over n outputs.
	uint64_t State() const { return state; }
	void Skip(int32_t n) { state += uint64_t(n) * kStep; }

private:
	uint64_t state;
};

class NoiseSource {
public:
	// The ratios of metal's six square waves to the tuning: at the default 540 Hz they
	// sound at about 205, 304, 370, 523, 540 and 800 Hz.
	static constexpr std::array<double, 6> kMetalRatios = {
		0.3802, 0.5637, 0.6844, 0.9680, 1.0, 1.4815};

	// Sets everything and restarts from the seed: the same settings always give the same
	// samples. A tuning that is not a positive finite number is the default 540 Hz; one
	// that puts a square wave at or beyond half the sample rate, or so low that it would
	// not move in 2^32 samples, silences that wave.
	void Start(NoiseType type, uint32_t seed, float tuneHz);
	// The share of metal in white or pink noise, 0 (none, as after Start) to 1 (metal
	// alone): real hats and cymbals ring and hiss at once. A value that is not a number
	// within 0 to 1 is brought there (a non-number is 0); the metal type ignores it.
	void MixMetal(float share);

	// Samples `first` to `first + n - 1`, within [-1, 1], following the previous call's
	// (from 0 after Start). A sample does not depend on how the calls split the samples.
	void Block(int64_t first, float* out, int32_t n);

private:
	void PinkBlock(float* out, int32_t n);
	void MetalBlock(int64_t first, float* out, int32_t n);

	NoiseType type = NoiseType::White;
	NoiseGenerator generator;
	std::array<float, 7> pink = {};
	// Metal's waves that sound (those below half the sample rate), each phase worked out
	// from the sample's index: no sum carried from sample to sample, so the samples of a
	// block are independent.
	std::array<kernels::MetalWave, kMetalRatios.size()> waves = {};
	int32_t waveCount = 0;
	float metalShare = 0;
};

}  // namespace tunk
