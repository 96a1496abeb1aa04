// The plugin at a host rate other than the engine's: each voice's sound goes through a
// windowed-sinc interpolator of its own. A voice knows its whole future (its parameters are
// fixed at its note), so it computes its input ahead of its output and the conversion adds
// no delay: a note at a frame is heard from that frame, at every rate.
#pragma once

#include <cstdint>
#include <memory>
#include <vector>

#include "engine/voices/LiveSource.h"

namespace tunk::lv2 {

// The interpolation filter from 44100 Hz to one host rate: a Kaiser-windowed sinc (about
// 150 dB of stop band) passing 91.3% of the lower half rate (20.1 kHz up from 44100 Hz),
// tabulated at fixed fractions of an input sample. Read only once designed.
class ResampleKernel {
public:
	// Designed at instantiation (it allocates): `rate` is the host's, finite and above 0.
	explicit ResampleKernel(double rate);

	// Taps of every output sample: inputs n - Half() + 1 ... n + Half() around its time.
	int32_t Half() const { return fHalf; }
	int32_t Taps() const { return 2 * fHalf; }
	// Output j lies at input time j * Step(): a whole part and Numerator / Denominator.
	int64_t StepWhole() const { return fStepWhole; }
	int64_t StepNumerator() const { return fStepNumerator; }
	int64_t Denominator() const { return fDenominator; }
	// The output sample at input time n + numerator / Denominator(); `in` points at input
	// n - Half() + 1 and holds Taps() samples.
	float At(const float* in, int64_t numerator) const;
	// Output samples of a sound of `count` input samples.
	int64_t OutputLength(int64_t count) const;

private:
	float Dot(const float* in, int64_t phase) const;

	double fRatio;  // output rate / input rate
	int32_t fHalf = 0;
	int64_t fStepWhole = 0;
	int64_t fStepNumerator = 0;
	int64_t fDenominator = 1;
	int64_t fPhases = 1;  // table rows, plus one guard row
	std::vector<float> fTable;
};

// A voice at the host's rate: a LiveSource at the engine's, through the kernel.
class ResampledSource final : public voices::ParamsSource {
public:
	// `kernel` null: the host runs at the engine's rate and samples pass unchanged.
	explicit ResampledSource(const ResampleKernel* kernel);

	void Play(const SoundParams& params, voices::TableCache& tables) override;
	uint32_t Pull(float* out, uint32_t frames) override;

private:
	// Makes inputs up to index `last` available in fIn.
	void Need(int64_t last);

	// Inputs computed beyond the last one needed, so that they come in runs.
	static constexpr int64_t kAhead = 64;

	const ResampleKernel* fKernel;
	voices::LiveSource fLive;
	std::vector<float> fIn;  // inputs fBase ... fBase + fFill - 1
	int64_t fBase = 0;
	int64_t fFill = 0;
	int64_t fWhole = 0;      // time of the next output: fWhole + fNumerator / denominator
	int64_t fNumerator = 0;
	int64_t fLeft = 0;       // output samples left
};

} // namespace tunk::lv2
